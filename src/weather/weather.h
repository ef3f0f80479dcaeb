// Weather: the user's list of weather places, the weather fetch thread and the city-name
// thread, the weather data file turned into weather places on the globe, the age text,
// the service message, and the functions behind the Options dialog's Weather page.
//
// Locks: `WeatherClient::lock` (the `weather lock`) guards both files, `dataChanged` and
// the service message. The user-interface thread never waits for a worker: it tests a
// worker with a 100 ms wait and treats a time-out as still running. Workers hand their
// control changes and message boxes to the user-interface thread as tasks, which
// RunWeatherUiTasks runs in the order they were queued.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "gfx/color.h"
#include "globe/render.h"
#include "routes/route.h"

namespace orx {

struct CityDatabase;
struct Settings;

// The Weather page's limit and its message box (caption "Limit Exceeded").
inline constexpr int kMaxWeatherPlaces = 40;
inline constexpr char kWeatherLimitMessage[] =
    "Weather data is limited to 40 cities at a time.\nIf you wish to add new ones, please remove some of the "
    "existing cities from the list.";
inline constexpr char kWeatherLimitCaption[] = "Limit Exceeded";
// The status line while a fetch runs (shortened by the dot counter, see WeatherStatusTick).
inline constexpr char kFetchingWeatherText[] = "Fetching weather...";
// A Displayed: entry is at most this long; its place text at most kMaxWeatherPlaceText.
inline constexpr size_t kMaxWeatherEntry = 255;
inline constexpr size_t kMaxWeatherPlaceText = 200;
// The service message is kept to this many characters.
inline constexpr size_t kMaxServiceMessage = 199;
// Posted (through WeatherClient::wake) when a worker queued a task for the UI thread.
inline constexpr uint32_t kMsgWeatherTasks = 0x0400 + 210;
// Longest wait for a worker at exit and when the Options dialog closes.
inline constexpr int kWeatherThreadWaitMs = 5000;

// The weather places drawn on the globe, made from the weather data file.
using WeatherPlaceList = std::vector<std::unique_ptr<RoutePlace>>;

// Where the weather files are.
struct WeatherPaths {
  std::filesystem::path folder;         // $XDG_DATA_HOME/orrelux/weather: both files, the user's icons
  std::filesystem::path bundledIcons;   // the bundled data's weather/ (icons looked up second)
  std::filesystem::path cityList() const { return folder / "wthrcity.dat"; }
  std::filesystem::path dataFile() const { return folder / "weather.dat"; }
};
WeatherPaths MakeWeatherPaths(const std::filesystem::path& dataDir, const std::filesystem::path& userDataDir);

// What a weather fetch sends, copied from the settings when it starts.
struct WeatherRequest {
  std::string url;            // the "URL" setting
  bool showPlaceName = true;  // `Show Place Name`
  bool celsius = false;       // `Temperature` set
  Color565 color = 0x07F9;    // "Weather Color"
};
WeatherRequest WeatherRequestFromSettings(const Settings& settings);

// What the city-name thread does to the Weather page's controls; each runs on the
// user-interface thread (through RunWeatherUiTasks) and may be left empty.
struct CityNameSink {
  std::function<void(bool enabled)> setEnabled;  // the country box, "Available Cities:" and ">"
  std::function<void()> clear;                   // empties "Available Cities:"
  std::function<void(const std::string& text)> add;  // appends one item
};

namespace detail {
struct WeatherWorker;
}

// The weather client of the program, owned by the application for the whole run.
struct WeatherClient {
  WeatherClient();
  ~WeatherClient();  // waits at most kWeatherThreadWaitMs for each worker, then abandons it
  WeatherClient(const WeatherClient&) = delete;
  WeatherClient& operator=(const WeatherClient&) = delete;

  WeatherPaths paths;
  std::filesystem::path serviceDataDir;  // handed to a service the fetch thread starts
  std::mutex lock;                       // the `weather lock`
  bool dataChanged = true;               // result of the last fetch; the loader clears it
  std::string serviceMessage;            // last "<MSG>" text; under `lock`
  // Decoded weather icons by file, reused while the file is unchanged; under `lock`.
  struct Icon {
    std::filesystem::file_time_type written;
    std::unique_ptr<ImageObject> image;  // null: the file is not a usable icon
  };
  std::map<std::filesystem::path, Icon> icons;
  // Shows a message box; the application sets it. Called on the user-interface thread.
  std::function<void(const char* text, const char* caption)> showMessage;
  // Wakes the user-interface thread after a task was queued (posts a message); optional.
  std::function<void()> wake;
  std::shared_ptr<detail::WeatherWorker> fetchWorker;
  std::shared_ptr<detail::WeatherWorker> cityWorker;
  std::mutex tasksLock;
  std::vector<std::function<void()>> tasks;  // for the user-interface thread, in order
};

// Runs the tasks the workers queued (control changes, message boxes), in order.
void RunWeatherUiTasks(WeatherClient& client);
// Waits at most `ms` for each running worker (closing the Options dialog).
void WaitWeatherThreads(WeatherClient& client, int ms = kWeatherThreadWaitMs);
// At exit: asks the workers to give up, waits at most kWeatherThreadWaitMs for each.
void StopWeatherThreads(WeatherClient& client);

// ---------------------------------------------------------------------------------------
// Fetching

// `start weather fetch`: starts the fetch thread unless one runs; then, when
// `interactive`, shows "A previous weather fetch is still in progress..." (caption
// "Busy"). Interactive fetches report their errors in a box (caption "Error"). True
// when a thread was started.
bool StartWeatherFetch(WeatherClient& client, const WeatherRequest& request, bool interactive);
// `weather fetch running`: a fetch thread exists and has not ended within 100 ms.
bool WeatherFetchRunning(WeatherClient& client);
// `start city-name fetch`: unless the previous city-name thread still runs, starts one
// that fills `sink` with the places the service has for `countryName` (a name of the
// country table; its service name is sent) from the service at `url` (the "URL"
// setting). Nothing happens without a country. `sink` is called through
// RunWeatherUiTasks, so what it refers to must live until the tasks have run.
void StartCityNameFetch(WeatherClient& client, const CityDatabase& cities, const std::string& countryName,
                        CityNameSink sink, const std::string& url);
// Whether the city-name thread has not ended within 100 ms.
bool CityNameFetchRunning(WeatherClient& client);

// ---------------------------------------------------------------------------------------
// The Weather page

// `read weather city list`: appends the entries of the city list file to `displayed`.
// A missing file adds nothing; a failed read shows "Error opening city list".
bool ReadWeatherCityList(WeatherClient& client, std::vector<std::string>& displayed);
// `write weather city list`: writes `displayed` joined by "|". Refused with the "Busy"
// box while a fetch runs; a failed write shows "Error creating citylist file".
bool WriteWeatherCityList(WeatherClient& client, const std::vector<std::string>& displayed);
// A Displayed: entry: place text (at most 200 characters), "~", the service name, all
// cut to 255 characters.
std::string WeatherCityEntry(std::string_view placeText, std::string_view serviceName);
// ">": appends the entries of `selected` (place texts of "Available Cities:") for the
// country with service name `serviceName`, stopping with the "Limit Exceeded" box when
// `displayed` holds 40. Returns how many were added (weather cities changed when > 0).
int AddWeatherCities(WeatherClient& client, std::vector<std::string>& displayed,
                     const std::vector<std::string>& selected, std::string_view serviceName);
// "Update Now" after the page stored its settings: writes the list, then starts an
// interactive fetch. False (no fetch) when the list could not be written.
bool UpdateWeatherNow(WeatherClient& client, const std::vector<std::string>& displayed,
                      const WeatherRequest& request);

// `weather data age text`: false while a fetch runs (`text` left empty); else true with
// the age message ("Weather data is current." ...) or empty when there is no data file.
bool WeatherDataAgeText(WeatherClient& client, std::string& text);
// The age message for an age in minutes.
std::string WeatherAgeMessage(int64_t ageMinutes);

// The Weather page's status line: a tick countdown and a dot counter, kept from one
// opening of the dialog to the next.
struct WeatherStatusLine {
  int countdown = 20;  // timer ticks
  int dots = 4;
};
// The line when the dialog opens: the age text, or "Fetching weather" while a fetch runs.
std::string WeatherStatusOnOpen(WeatherStatusLine& line, WeatherClient& client);
// One timer tick of the open dialog: true with the new line in `text` when it changes.
bool WeatherStatusTick(WeatherStatusLine& line, WeatherClient& client, std::string& text);

// The last "<MSG>" text of the service (empty before one arrived): the About page's
// "Weather Data:" credit.
std::string WeatherServiceMessage(WeatherClient& client);

// ---------------------------------------------------------------------------------------
// Weather places

// `load weather places`: when the last fetch succeeded and no fetch runs, rebuilds
// `places` from the weather data file. True when they were rebuilt (redraw).
bool LoadWeatherPlaces(WeatherClient& client, WeatherPlaceList& places);
// `destroy weather places`.
void DestroyWeatherPlaces(WeatherPlaceList& places);
// Sets the scene's weather layer: the places in "Weather Color" while `Show Weather` is
// on. `places` must outlive the layer.
void SetWeatherLayer(const WeatherPlaceList& places, SceneLayers& layers);

}  // namespace orx
