#include "weather/weather.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "cities/city_database.h"
#include "globe/overlay.h"
#include "globe/view.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/http_post.h"
#include "platform/paths.h"
#include "platform/process_launch.h"
#include "settings/settings.h"
#include "weather/service_address.h"
#include "weather/weather_protocol.h"

namespace orx {

namespace detail {

// One worker thread and what the user-interface thread tests it with.
struct WeatherWorker {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::atomic<bool> cancel{false};

  void MarkDone() {
    std::lock_guard<std::mutex> hold(mutex);
    done = true;
    finished.notify_all();
  }
  bool WaitDone(int ms) {
    std::unique_lock<std::mutex> hold(mutex);
    return finished.wait_for(hold, std::chrono::milliseconds(ms), [this] { return done; });
  }
};

}  // namespace detail

namespace {

using detail::WeatherWorker;

constexpr char kUnableToSend[] = "Unable to send request.\n\nPlease check your internet connection or try again later.";
constexpr char kInvalidUrl[] = "Invalid URL";
constexpr char kNoData[] = "No Data or Service Error";
constexpr char kErrorFetchingCities[] = "Error fetching cities";
constexpr char kErrorFetchingWeather[] = "Error fetching weather data";
constexpr char kErrorWritingWeather[] = "Error writing weather file";
constexpr char kErrorOpeningCityList[] = "Error opening citylist file";
constexpr char kBusyFetch[] = "A previous weather fetch is still in progress.\n\nPlease try again later.";
constexpr char kBusyCityList[] =
    "Could not update weather city list because a previous weather fetch is still in progress.";
constexpr char kErrorCreatingCityList[] = "Error creating citylist file";
constexpr char kErrorReadingCityList[] = "Error opening city list";
constexpr int kWorkerTestMs = 100;
// Weather icons larger than this are not icons; they are refused.
constexpr int kMaxIconSide = 64;
// The service the program starts ends by itself after this long without requests.
constexpr int kStartedServiceIdleSeconds = 3600;
constexpr int kServiceStartWaitMs = 5000;

void LowerPriority() {
  // Below normal: a nice value of 4 for this thread only (Linux threads have their own).
  setpriority(PRIO_PROCESS, 0, getpriority(PRIO_PROCESS, 0) + 4);
}

void QueueTask(WeatherClient& client, std::function<void()> task) {
  {
    std::lock_guard<std::mutex> hold(client.tasksLock);
    client.tasks.push_back(std::move(task));
  }
  if (client.wake) client.wake();
}

void QueueMessage(WeatherClient& client, std::string text, const char* caption) {
  QueueTask(client, [&client, text = std::move(text), caption] {
    if (client.showMessage) client.showMessage(text.c_str(), caption);
  });
}

void Show(WeatherClient& client, const char* text, const char* caption) {
  if (client.showMessage) client.showMessage(text, caption);
}

// A worker is running when it has not ended within 100 ms; an ended one is joined.
bool Running(std::shared_ptr<WeatherWorker>& worker, int waitMs = kWorkerTestMs) {
  if (!worker) return false;
  if (!worker->WaitDone(waitMs)) return true;
  if (worker->thread.joinable()) worker->thread.join();
  worker.reset();
  return false;
}

const char* PostErrorText(platform::HttpStatus status) {
  return status == platform::HttpStatus::kInvalidUrl ? kInvalidUrl : kUnableToSend;
}

// ---------------------------------------------------------------------------------------
// The default service

// The service address for the "URL" setting: the default URL follows the service's port
// variable, so that a user (or a test) can move both at once.
std::string EffectiveUrl(const std::string& url) {
  if (url != kDefaultWeatherUrl) return url;
  return "http://127.0.0.1:" + std::to_string(WeatherdPort()) + kWeatherServicePath;
}

std::filesystem::path FindServiceProgram() {
  std::error_code ec;
  const std::filesystem::path beside = platform::ExecutableDir() / "orrelux-weatherd";
  if (std::filesystem::is_regular_file(beside, ec)) return beside;
#ifdef ORRELUX_INSTALL_BINDIR
  const std::filesystem::path installed = std::filesystem::path(ORRELUX_INSTALL_BINDIR) / "orrelux-weatherd";
  if (std::filesystem::is_regular_file(installed, ec)) return installed;
#endif
  return {};
}

// Starts the bundled service on the default port, the way a command starts its agent.
bool StartDefaultService(const WeatherClient& client) {
  const std::filesystem::path program = FindServiceProgram();
  if (program.empty()) return false;
  const int port = WeatherdPort();
  std::vector<std::string> args{"--listen", "127.0.0.1:" + std::to_string(port), "--idle-exit",
                                std::to_string(kStartedServiceIdleSeconds)};
  if (!client.serviceDataDir.empty()) {
    args.push_back("--data-dir");
    args.push_back(client.serviceDataDir.string());
  }
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    args.push_back("--pid-file");
    args.push_back((std::filesystem::path(runtime) / ("orrelux-weatherd-" + std::to_string(port) + ".pid")).string());
  }
  return platform::StartDetachedProcess(program, args) && platform::WaitForLoopbackPort(port, kServiceStartWaitMs);
}

// Posts to the service; when the URL is the default and nothing answers there, starts
// the service and tries once more.
platform::HttpStatus Post(const WeatherClient& client, const std::string& url, const std::string& body,
                          const std::function<bool(std::string_view)>& onPiece, const std::atomic<bool>& cancel) {
  platform::HttpLimits limits;
  limits.cancel = &cancel;
  const std::string address = EffectiveUrl(url);
  platform::HttpStatus status = platform::HttpPostForm(address, body, onPiece, limits);
  if (status == platform::HttpStatus::kNoConnection && url == kDefaultWeatherUrl && !cancel &&
      StartDefaultService(client)) {
    status = platform::HttpPostForm(address, body, onPiece, limits);
  }
  return status;
}

// ---------------------------------------------------------------------------------------
// The two requests

// `fetch city names`: the place texts of `serviceName` into `out`; false with `error`.
bool FetchCityNames(const WeatherClient& client, const std::string& url, const std::string& serviceName,
                    std::vector<std::string>& out, std::string& error, const std::atomic<bool>& cancel) {
  out.clear();
  CityNameSplitter splitter;
  bool noData = false;
  const platform::HttpStatus status = Post(
      client, url, CityNamesBody(serviceName),
      [&](std::string_view piece) {
        if (splitter.Feed(piece, out)) return true;
        noData = true;
        return false;
      },
      cancel);
  if (noData) {
    out.clear();
    error = kNoData;
    return false;
  }
  if (status == platform::HttpStatus::kOk) {
    splitter.Finish(out);
    return true;
  }
  const bool sent = status != platform::HttpStatus::kInvalidUrl && status != platform::HttpStatus::kSendFailed &&
                    status != platform::HttpStatus::kNoConnection;
  out.clear();
  error = sent ? kErrorFetchingCities : PostErrorText(status);
  return false;
}

// `fetch weather`. The weather lock is held while the files are read and written, not
// while the service is asked, so that the user-interface thread never waits for the
// network. The answer is written to the weather data file atomically once it is
// complete, so a broken answer leaves the last good data.
bool FetchWeather(WeatherClient& client, const WeatherRequest& request, std::string& error,
                  const std::atomic<bool>& cancel) {
  const WeatherPaths& paths = client.paths;
  std::error_code ec;
  std::optional<std::vector<uint8_t>> list;
  {
    std::lock_guard<std::mutex> hold(client.lock);
    list = platform::ReadWholeFile(paths.cityList());
    if (!list || list->empty()) {
      if (std::filesystem::exists(paths.cityList(), ec) && !list) {
        error = kErrorOpeningCityList;
        return false;
      }
      // No places chosen means no weather data.
      std::filesystem::remove(paths.dataFile(), ec);
      return true;
    }
  }
  std::string body = WeatherBodyPrefix(request.showPlaceName, request.celsius, request.color);
  body.append(reinterpret_cast<const char*>(list->data()), list->size());

  std::string answer;
  bool first = true;
  bool noData = false;
  const platform::HttpStatus status = Post(
      client, request.url, body,
      [&](std::string_view piece) {
        if (first && piece.starts_with("<ERR>")) {
          noData = true;
          return false;
        }
        first = false;
        answer.append(piece);
        return true;
      },
      cancel);
  if (!noData && status != platform::HttpStatus::kOk) {
    const bool sent = status != platform::HttpStatus::kInvalidUrl && status != platform::HttpStatus::kSendFailed &&
                      status != platform::HttpStatus::kNoConnection;
    error = sent ? kErrorFetchingWeather : PostErrorText(status);
    return false;
  }
  // "<ERR>": the service has nothing, and the data file is left empty.
  std::lock_guard<std::mutex> hold(client.lock);
  if (!platform::WriteFileAtomic(paths.dataFile(), noData ? std::string() : answer)) {
    error = kErrorWritingWeather;
    return false;
  }
  if (noData) error = kNoData;
  return !noData;
}

// ---------------------------------------------------------------------------------------
// Icons

bool IsIconName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name[0] == '.') return false;
  for (char c : name) {
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

std::unique_ptr<ImageObject> LoadIcon(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return nullptr;
  auto image = std::make_unique<ImageObject>(MakeFileImage(file.string()));
  if (!Load(*image, nullptr, kLoadHeader) || image->width <= 0 || image->height <= 0 ||
      image->width > kMaxIconSide || image->height > kMaxIconSide || !Load(*image, nullptr, kLoadWhole)) {
    Destroy(*image);
    return nullptr;
  }
  return image;
}

std::unique_ptr<ImageObject> CopyIcon(const ImageObject& icon) {
  auto copy = std::make_unique<ImageObject>();
  copy->width = icon.width;
  copy->height = icon.height;
  copy->bytesPerPixel = icon.bytesPerPixel;
  copy->fileName = icon.fileName;
  copy->colorKey = icon.colorKey;
  const size_t bytes = static_cast<size_t>(icon.width) * icon.height * icon.bytesPerPixel;
  copy->pixels = std::make_unique<uint8_t[]>(bytes);
  std::memcpy(copy->pixels.get(), icon.pixels.get(), bytes);
  return copy;
}

// The icon `name` from the user's weather folder, else the bundled one. Each file is
// decoded once and again only when it changes; an unusable user icon is remembered as
// such too, so the bundled one it gives way to is not decoded anew every time. Null when
// neither is a usable icon.
const ImageObject* FindIcon(WeatherClient& client, std::string_view name) {
  for (const std::filesystem::path* folder : {&client.paths.folder, &client.paths.bundledIcons}) {
    std::filesystem::path file = *folder / name;
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(file, ec);
    if (ec) continue;
    const auto [at, added] = client.icons.try_emplace(std::move(file));
    WeatherClient::Icon& icon = at->second;
    if (added || icon.written != written) icon = {written, LoadIcon(at->first)};
    if (icon.image) return icon.image.get();
  }
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The client

WeatherPaths MakeWeatherPaths(const std::filesystem::path& dataDir, const std::filesystem::path& userDataDir) {
  return {userDataDir / "weather", dataDir / "weather"};
}

WeatherRequest WeatherRequestFromSettings(const Settings& settings) {
  return {settings.weatherUrl, settings.showPlaceName, settings.temperature, settings.weatherColor};
}

WeatherClient::WeatherClient() = default;

WeatherClient::~WeatherClient() { StopWeatherThreads(*this); }

void RunWeatherUiTasks(WeatherClient& client) {
  std::vector<std::function<void()>> tasks;
  {
    std::lock_guard<std::mutex> hold(client.tasksLock);
    tasks.swap(client.tasks);
  }
  for (auto& task : tasks) task();
}

void WaitWeatherThreads(WeatherClient& client, int ms) {
  Running(client.fetchWorker, ms);
  Running(client.cityWorker, ms);
}

void StopWeatherThreads(WeatherClient& client) {
  for (auto* worker : {&client.fetchWorker, &client.cityWorker}) {
    if (*worker) (*worker)->cancel = true;
  }
  WaitWeatherThreads(client, kWeatherThreadWaitMs);
  // A worker that did not end in time is abandoned; it holds its own record.
  for (auto* worker : {&client.fetchWorker, &client.cityWorker}) {
    if (*worker && (*worker)->thread.joinable()) (*worker)->thread.detach();
    worker->reset();
  }
}

bool StartWeatherFetch(WeatherClient& client, const WeatherRequest& request, bool interactive) {
  if (Running(client.fetchWorker)) {
    if (interactive) Show(client, kBusyFetch, "Busy");
    return false;
  }
  auto worker = std::make_shared<WeatherWorker>();
  worker->thread = std::thread([&client, worker, request, interactive] {
    LowerPriority();
    std::string error;
    const bool ok = FetchWeather(client, request, error, worker->cancel);
    {
      std::lock_guard<std::mutex> hold(client.lock);
      client.dataChanged = ok;
    }
    if (!ok && interactive && !worker->cancel) {
      QueueMessage(client, error.empty() ? kErrorFetchingWeather : error, "Error");
    }
    worker->MarkDone();
  });
  client.fetchWorker = std::move(worker);
  return true;
}

bool WeatherFetchRunning(WeatherClient& client) { return Running(client.fetchWorker); }

bool CityNameFetchRunning(WeatherClient& client) { return Running(client.cityWorker); }

void StartCityNameFetch(WeatherClient& client, const CityDatabase& cities, const std::string& countryName,
                        CityNameSink sink, const std::string& url) {
  if (Running(client.cityWorker)) return;  // the new choice is ignored
  if (countryName.empty()) return;
  const char* service = ServiceNameOfCountry(cities, countryName.c_str());
  const std::string serviceName = service ? service : countryName;
  auto worker = std::make_shared<WeatherWorker>();
  auto shared = std::make_shared<CityNameSink>(std::move(sink));
  worker->thread = std::thread([&client, worker, shared, serviceName, url] {
    LowerPriority();
    QueueTask(client, [shared] {
      if (shared->setEnabled) shared->setEnabled(false);
      if (shared->clear) shared->clear();
      if (shared->add) {
        shared->add("Fetching cities");
        shared->add("Please wait...");
      }
    });
    std::vector<std::string> names;
    std::string error;
    const bool ok = FetchCityNames(client, url, serviceName, names, error, worker->cancel);
    QueueTask(client, [shared, names = std::move(names)] {
      if (shared->clear) shared->clear();
      if (shared->add) {
        for (const std::string& n : names) shared->add(n);
      }
    });
    if (!ok && !worker->cancel) QueueMessage(client, error.empty() ? kErrorFetchingCities : error, "Error");
    QueueTask(client, [shared] {
      if (shared->setEnabled) shared->setEnabled(true);
    });
    worker->MarkDone();
  });
  client.cityWorker = std::move(worker);
}

// ---------------------------------------------------------------------------------------
// The Weather page

bool ReadWeatherCityList(WeatherClient& client, std::vector<std::string>& displayed) {
  std::optional<std::vector<uint8_t>> bytes;
  {
    std::lock_guard<std::mutex> hold(client.lock);
    std::error_code ec;
    if (!std::filesystem::exists(client.paths.cityList(), ec)) return true;
    bytes = platform::ReadWholeFile(client.paths.cityList());
  }
  if (!bytes) {
    Show(client, kErrorReadingCityList, "Error");
    return false;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  size_t at = 0;
  while (at <= text.size()) {
    size_t bar = text.find('|', at);
    if (bar == std::string_view::npos) bar = text.size();
    if (bar > at) displayed.emplace_back(text.substr(at, std::min(bar - at, kMaxWeatherEntry)));
    at = bar + 1;
  }
  return true;
}

bool WriteWeatherCityList(WeatherClient& client, const std::vector<std::string>& displayed) {
  if (WeatherFetchRunning(client)) {
    Show(client, kBusyCityList, "Busy");
    return false;
  }
  std::string text;
  for (size_t i = 0; i < displayed.size(); ++i) {
    if (i) text.push_back('|');
    text.append(displayed[i]);
  }
  bool ok;
  {
    std::lock_guard<std::mutex> hold(client.lock);
    ok = platform::WriteFileAtomic(client.paths.cityList(), text);
  }
  if (!ok) Show(client, kErrorCreatingCityList, "Error");
  return ok;
}

std::string WeatherCityEntry(std::string_view placeText, std::string_view serviceName) {
  std::string entry(placeText.substr(0, kMaxWeatherPlaceText));
  entry.push_back('~');
  entry.append(serviceName);
  if (entry.size() > kMaxWeatherEntry) entry.resize(kMaxWeatherEntry);
  return entry;
}

int AddWeatherCities(WeatherClient& client, std::vector<std::string>& displayed,
                     const std::vector<std::string>& selected, std::string_view serviceName) {
  int added = 0;
  for (const std::string& place : selected) {
    if (displayed.size() >= static_cast<size_t>(kMaxWeatherPlaces)) {
      Show(client, kWeatherLimitMessage, kWeatherLimitCaption);
      break;
    }
    displayed.push_back(WeatherCityEntry(place, serviceName));
    ++added;
  }
  return added;
}

bool UpdateWeatherNow(WeatherClient& client, const std::vector<std::string>& displayed,
                      const WeatherRequest& request) {
  if (!WriteWeatherCityList(client, displayed)) return false;
  StartWeatherFetch(client, request, true);
  return true;
}

std::string WeatherAgeMessage(int64_t ageMinutes) {
  const int64_t q = std::max<int64_t>(ageMinutes, 0) / 15;  // quarter hours
  char text[100];
  if (q < 1) return "Weather data is current.";
  if (q < 4) {
    std::snprintf(text, sizeof text, "Weather data is %d mins old.", static_cast<int>(q * 15));
  } else if (q >= 96) {
    return "Weather data is outdated.";
  } else {
    std::snprintf(text, sizeof text, "Weather data is %d hours old.", static_cast<int>(q / 4));
  }
  return text;
}

bool WeatherDataAgeText(WeatherClient& client, std::string& text) {
  text.clear();
  if (WeatherFetchRunning(client)) return false;
  std::lock_guard<std::mutex> hold(client.lock);
  std::error_code ec;
  const auto written = std::filesystem::last_write_time(client.paths.dataFile(), ec);
  if (ec) return true;
  const auto writtenUtc = std::chrono::file_clock::to_sys(written);
  const int64_t writtenMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(writtenUtc.time_since_epoch()).count();
  const int64_t nowMs = platform::CurrentClock().UtcMillis();
  text = WeatherAgeMessage((nowMs - writtenMs) / 60000);
  return true;
}

namespace {
std::string FetchingText(WeatherStatusLine& line) {
  const size_t length = static_cast<size_t>(20 - line.dots);
  std::string text = std::string(kFetchingWeatherText).substr(0, length);
  if (--line.dots < 0) line.dots = 4;
  return text;
}
}  // namespace

std::string WeatherStatusOnOpen(WeatherStatusLine& line, WeatherClient& client) {
  std::string text;
  if (!WeatherDataAgeText(client, text)) text = FetchingText(line);
  return text;
}

bool WeatherStatusTick(WeatherStatusLine& line, WeatherClient& client, std::string& text) {
  if (--line.countdown > 0) return false;
  if (WeatherDataAgeText(client, text)) {
    line.countdown = 20;
  } else {
    line.countdown = 10;
    text = FetchingText(line);
  }
  return true;
}

std::string WeatherServiceMessage(WeatherClient& client) {
  std::lock_guard<std::mutex> hold(client.lock);
  return client.serviceMessage;
}

// ---------------------------------------------------------------------------------------
// Weather places

bool LoadWeatherPlaces(WeatherClient& client, WeatherPlaceList& places) {
  {
    std::lock_guard<std::mutex> hold(client.lock);
    if (!client.dataChanged) return false;
  }
  if (WeatherFetchRunning(client)) return false;
  DestroyWeatherPlaces(places);
  std::lock_guard<std::mutex> hold(client.lock);
  client.dataChanged = false;
  std::optional<std::vector<uint8_t>> bytes;
  std::error_code ec;
  if (std::filesystem::file_size(client.paths.dataFile(), ec) <= (4u << 20) && !ec) {
    bytes = platform::ReadWholeFile(client.paths.dataFile());
  }
  if (!bytes) return true;  // no data file: no weather places
  std::map<std::string, const ImageObject*, std::less<>> seen;
  const bool ok = ParseWeatherData(*bytes, &client.serviceMessage, kMaxServiceMessage, [&](const WeatherRecord& r) {
    auto place = std::make_unique<RoutePlace>(r.text);
    place->latitude = static_cast<int16_t>(std::trunc(r.latitude * 60));
    place->longitude = static_cast<int16_t>(std::trunc(r.longitude * 60));
    if (r.hasIcon && IsIconName(r.icon)) {
      // Each icon file is looked at once per load.
      auto found = seen.find(r.icon);
      if (found == seen.end()) found = seen.emplace(std::string(r.icon), FindIcon(client, r.icon)).first;
      if (found->second) place->AttachLoadedImage(CopyIcon(*found->second));
    }
    places.push_back(std::move(place));
  });
  return ok;
}

void DestroyWeatherPlaces(WeatherPlaceList& places) { places.clear(); }

namespace {

struct LabelBox {
  int left, top, right, bottom;
  bool Meets(const LabelBox& b) const {
    return left <= b.right && b.left <= right && top <= b.bottom && b.top <= bottom;
  }
};

// Where a weather place is on the screen (false when not shown), and the box of its
// icon when the icon is drawn (wholly on the screen).
bool PlaceOnScreen(const OverlayContext& o, const RoutePlace& place, int& x, int& y, std::optional<LabelBox>& icon) {
  if (!GlobeToScreen(o.view, place.latitude * kRadiansPerMinute, place.longitude * kRadiansPerMinute, x, y)) return false;
  if (x < 0 || x >= kViewWidth || y < 0 || y > kViewHeight) return false;
  icon.reset();
  if (const ImageObject* image = place.image(); image && image->pixels) {
    const int left = x + place.offsetX, top = y + place.offsetY;
    if (left >= 0 && top >= 0 && left + image->width <= kViewWidth && top + image->height <= kViewHeight) {
      icon = LabelBox{left, top, left + image->width - 1, top + image->height - 1};
    }
  }
  return true;
}

// A weather place's label, where a route place's label goes: right of its icon and
// above the point (below it at the top of the screen); when that covers an icon or a
// label drawn before, on the other side of the point; when both do, left out, so that
// places close together on the globe show their icons rather than texts printed over
// each other.
void DrawWeatherLabel(const OverlayContext& o, const RoutePlace& place, std::vector<LabelBox>& taken) {
  int x, y;
  std::optional<LabelBox> icon;
  if (!place.name || !*place.name || !PlaceOnScreen(o, place, x, y, icon)) return;
  const int labelX = icon ? icon->right + 3 : x + 3;
  const int width = TextWidth(*o.font, place.name), height = o.font->glyphHeight;
  const int above = y - height - 3, below = y + 3;
  for (const int top : {above < 0 ? below : above, above < 0 ? above : below}) {
    if (top < 0) continue;
    const LabelBox box{labelX - 1, top - 1, labelX + width, top + height};
    if (std::any_of(taken.begin(), taken.end(), [&](const LabelBox& t) { return t.Meets(box); })) continue;
    taken.push_back(box);
    o.placeHooks->drawTextBlock(o.frame, place.name, labelX, top, 2 * kViewWidth / 3, kViewHeight - top,
                                o.settings.weatherColor, o.settings.semiTransparentTextBackground);
    return;
  }
}

}  // namespace

void SetWeatherLayer(const WeatherPlaceList& places, SceneLayers& layers) {
  layers.weatherPlaces = [&places](const OverlayContext& o) {
    if (!o.settings.showWeather) return;
    const bool labels = o.font && o.placeHooks && o.placeHooks->drawTextBlock;
    // The icons (or markers) first, without their labels; then the labels.
    for (const auto& place : places) {
      const char* name = place->name;
      if (labels) place->name = nullptr;
      DrawPlace(o, *place, o.settings.weatherColor);
      place->name = name;
    }
    if (!labels) return;
    std::vector<LabelBox> taken;
    for (const auto& place : places) {
      int x, y;
      std::optional<LabelBox> icon;
      if (PlaceOnScreen(o, *place, x, y, icon) && icon) taken.push_back(*icon);
    }
    for (const auto& place : places) {
      if (place->displayMask & kPlaceShowLabel) DrawWeatherLabel(o, *place, taken);
    }
  };
}

}  // namespace orx
