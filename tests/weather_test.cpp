// The weather client: request bodies, answer splitting, the weather data file, the
// Weather page's functions, and the fetch threads against the real orrelux-weatherd and
// against servers that misbehave.
#include "weather/weather.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "cities/city_database.h"
#include "gfx/font.h"
#include "globe/overlay.h"
#include "globe/view.h"
#include "platform/clock.h"
#include "platform/http_post.h"
#include "support/city_file.h"
#include "support/headless_app.h"
#include "support/temp_dir.h"
#include "support/weather_servers.h"
#include "weather/weather_protocol.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
using testing::ReadTextFile;
using testing::TempDir;
using testing::WriteTextFile;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(WeatherBodies, ColourUnitAndNameFlags) {
  EXPECT_EQ(CityNamesBody("Deutschland"), "action=getcities&country=Deutschland");
  const std::string body = WeatherBodyPrefix(true, true, 0x07F9);
  EXPECT_TRUE(body.starts_with("action=getweather&showname=true&color=")) << body;
  EXPECT_NE(body.find("color=00FCC8"), std::string::npos) << body;
  EXPECT_TRUE(body.ends_with("&deg_f=false&list=")) << body;
  EXPECT_EQ(WeatherBodyPrefix(false, false, 0xFFFF),
            "action=getweather&showname=false&color=F8FCF8&deg_f=true&list=");
}

std::vector<std::string> SplitCities(const std::vector<std::string>& pieces, bool* error = nullptr) {
  CityNameSplitter splitter;
  std::vector<std::string> out;
  for (const std::string& p : pieces) {
    if (!splitter.Feed(p, out)) {
      if (error) *error = true;
      return {};
    }
  }
  splitter.Finish(out);
  return out;
}

TEST(CityNameAnswers, PiecesSplitAcrossReads) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCities({"Paris~Lyon~Nice"}), (V{"Paris", "Lyon", "Nice"}));
  EXPECT_EQ(SplitCities({"Paris~Lyon~"}), (V{"Paris", "Lyon"}));
  EXPECT_EQ(SplitCities({"Pa", "ris~Lyon"}), (V{"Paris", "Lyon"}));
  EXPECT_EQ(SplitCities({"~~Paris~", "~"}), (V{"Paris"}));
  bool error = false;
  SplitCities({"<E", "RR>"}, &error);
  EXPECT_TRUE(error);
  // A "place" longer than any read is dropped, not grown without end.
  EXPECT_EQ(SplitCities({std::string(600, 'x') + "~Lyon"}), (V{"Lyon"}));
}

struct Parsed {
  bool ok;
  std::string message;
  std::vector<std::tuple<double, double, std::string, std::string>> records;
};
Parsed Parse(const std::string& file) {
  Parsed p;
  const std::vector<uint8_t> bytes = Bytes(file);
  p.ok = ParseWeatherData(bytes, &p.message, kMaxServiceMessage, [&](const WeatherRecord& r) {
    p.records.emplace_back(r.latitude, r.longitude, std::string(r.icon), std::string(r.text));
  });
  return p;
}

TEST(WeatherDataFile, MessageRecordsAndBrokenParts) {
  Parsed p = Parse("<MSG>Data by X</MSG>48.85~2.35~sun.gif~Paris 21C|51.5~-0.12~~London 15C");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.message, "Data by X");
  ASSERT_EQ(p.records.size(), 2u);
  EXPECT_EQ(std::get<2>(p.records[0]), "sun.gif");
  EXPECT_EQ(std::get<3>(p.records[1]), "London 15C");
  // Three fields, no "~", a position off the Earth, a record longer than a read: skipped.
  p = Parse("48.85~2.35~sun.gif|nonsense|95~0~~North|1~2~~" + std::string(600, 'z') + "|10~20~~Ten~extra");
  ASSERT_EQ(p.records.size(), 1u);
  EXPECT_EQ(std::get<3>(p.records[0]), "Ten~extra");
  // An unterminated message stops reading.
  EXPECT_FALSE(Parse("<MSG>no end" + std::string(600, ' ') + "</MSG>1~2~~x").ok);
  // The message is kept to 199 characters.
  p = Parse("<MSG>" + std::string(300, 'm') + "</MSG>");
  EXPECT_EQ(p.message.size(), 199u);
}

TEST(WeatherAge, QuarterHoursHoursAndOutdated) {
  EXPECT_EQ(WeatherAgeMessage(14), "Weather data is current.");
  EXPECT_EQ(WeatherAgeMessage(20), "Weather data is 15 mins old.");
  EXPECT_EQ(WeatherAgeMessage(59), "Weather data is 45 mins old.");
  EXPECT_EQ(WeatherAgeMessage(3 * 60 + 50), "Weather data is 3 hours old.");
  EXPECT_EQ(WeatherAgeMessage(25 * 60), "Weather data is outdated.");
  EXPECT_EQ(WeatherAgeMessage(-30), "Weather data is current.");  // a clock set back
}

// A weather client on a temporary user folder with its message boxes recorded.
class WeatherClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client_.paths = MakeWeatherPaths(fs::path(ORRELUX_SOURCE_DIR) / "data", dir_.path());
    fs::create_directories(client_.paths.folder);
    client_.showMessage = [this](const char* text, const char* caption) {
      messages_.push_back(std::string(caption) + ": " + text);
    };
  }
  void TearDown() override { StopWeatherThreads(client_); }
  // Waits for the fetch thread, then runs what it handed to the user-interface thread.
  bool FinishFetch(int seconds = 20) {
    for (int i = 0; i < seconds * 10; ++i) {
      if (!WeatherFetchRunning(client_) && !CityNameFetchRunning(client_)) {
        RunWeatherUiTasks(client_);
        return true;
      }
    }
    return false;
  }
  WeatherRequest Request(const std::string& url) {
    WeatherRequest r;
    r.url = url;
    r.celsius = true;
    return r;
  }

  TempDir dir_;
  WeatherClient client_;
  std::vector<std::string> messages_;
};

TEST_F(WeatherClientTest, LoadingPlacesFromTheDataFile) {
  fs::copy_file(fs::path(ORRELUX_SOURCE_DIR) / "data/weather/clear_day.gif", client_.paths.folder / "sun.gif");
  WriteTextFile(client_.paths.dataFile(), "<MSG>Data by X</MSG>48.85~2.35~sun.gif~Paris 21C|51.5~-0.12~~London 15C");
  WeatherPlaceList places;
  ASSERT_TRUE(LoadWeatherPlaces(client_, places));
  EXPECT_EQ(WeatherServiceMessage(client_), "Data by X");
  ASSERT_EQ(places.size(), 2u);
  EXPECT_EQ(places[0]->label(), "Paris 21C");
  EXPECT_EQ(places[0]->latitude, 2931);
  EXPECT_EQ(places[0]->longitude, 141);
  ASSERT_NE(places[0]->image(), nullptr);
  EXPECT_EQ(places[0]->offsetX, -places[0]->image()->width / 2);
  EXPECT_EQ(places[1]->latitude, 3090);
  EXPECT_EQ(places[1]->longitude, -7);
  EXPECT_EQ(places[1]->image(), nullptr);
  // Loaded once per change; a replaced icon is read again, bundled icons are found when
  // the user has none.
  EXPECT_FALSE(LoadWeatherPlaces(client_, places));
  const std::vector<uint8_t> sunPixels(places[0]->image()->pixels.get(), places[0]->image()->pixels.get() + 15 * 15 * 2);
  fs::copy_file(fs::path(ORRELUX_SOURCE_DIR) / "data/weather/rain.gif", client_.paths.folder / "sun.gif",
                fs::copy_options::overwrite_existing);
  fs::last_write_time(client_.paths.folder / "sun.gif", fs::last_write_time(client_.paths.dataFile()) + std::chrono::seconds(1));
  client_.dataChanged = true;
  ASSERT_TRUE(LoadWeatherPlaces(client_, places));
  ASSERT_NE(places[0]->image(), nullptr);
  EXPECT_NE(std::vector<uint8_t>(places[0]->image()->pixels.get(), places[0]->image()->pixels.get() + 15 * 15 * 2), sunPixels);
  WriteTextFile(client_.paths.dataFile(), "1~2~rain.gif~x|3~4~../../etc/passwd~y|5~6~missing.gif~z");
  client_.dataChanged = true;
  ASSERT_TRUE(LoadWeatherPlaces(client_, places));
  ASSERT_EQ(places.size(), 3u);
  EXPECT_NE(places[0]->image(), nullptr);
  EXPECT_EQ(places[1]->image(), nullptr);
  EXPECT_EQ(places[2]->image(), nullptr);
}

TEST_F(WeatherClientTest, ADamagedDataFileNeverCrashesTheLoader) {
  std::string junk;
  uint32_t seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245 + 12345;
    const char alphabet[] = "0123456789.-+e~|<>MSG/naif \xB0\xFF";
    junk.push_back(alphabet[(seed >> 16) % (sizeof alphabet - 1)]);
  }
  WriteTextFile(client_.paths.dataFile(), junk + "|1e308~-1e308~~x|nan~inf~~y|45~90~~ok");
  WeatherPlaceList places;
  EXPECT_TRUE(LoadWeatherPlaces(client_, places));
  ASSERT_FALSE(places.empty());
  EXPECT_EQ(places.back()->label(), "ok");
  for (const auto& p : places) {
    EXPECT_LE(std::abs(p->latitude), 5400);
    EXPECT_LE(std::abs(p->longitude), 10800);
  }
}

TEST_F(WeatherClientTest, CityListPageFunctions) {
  std::vector<std::string> displayed;
  EXPECT_TRUE(ReadWeatherCityList(client_, displayed));  // no file: nothing, no error
  EXPECT_TRUE(displayed.empty());
  std::vector<std::string> selected;
  for (int i = 0; i < 45; ++i) selected.push_back("Town" + std::to_string(i));
  EXPECT_EQ(AddWeatherCities(client_, displayed, selected, "France"), 40);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], std::string(kWeatherLimitCaption) + ": " + kWeatherLimitMessage);
  EXPECT_EQ(displayed[0], "Town0~France");
  EXPECT_EQ(WeatherCityEntry(std::string(300, 'p'), "Country"), std::string(kMaxWeatherPlaceText, 'p') + "~Country");
  EXPECT_EQ(WeatherCityEntry("p", std::string(300, 'c')).size(), kMaxWeatherEntry);

  ASSERT_TRUE(WriteWeatherCityList(client_, {"Paris~France", "Nice~France"}));
  EXPECT_EQ(ReadTextFile(client_.paths.cityList()), "Paris~France|Nice~France");
  WriteTextFile(client_.paths.cityList(), "|Paris~France||Nice~France|");
  displayed.clear();
  ASSERT_TRUE(ReadWeatherCityList(client_, displayed));
  EXPECT_EQ(displayed, (std::vector<std::string>{"Paris~France", "Nice~France"}));

  // An empty list: the next fetch deletes the data file and succeeds without a request.
  WriteTextFile(client_.paths.dataFile(), "1~2~~old");
  ASSERT_TRUE(WriteWeatherCityList(client_, {}));
  EXPECT_EQ(ReadTextFile(client_.paths.cityList()), "");
  ASSERT_TRUE(StartWeatherFetch(client_, Request("http://127.0.0.1:1/cgi-bin/WeatherService.php"), true));
  ASSERT_TRUE(FinishFetch());
  EXPECT_FALSE(fs::exists(client_.paths.dataFile()));
  EXPECT_TRUE(client_.dataChanged);
  EXPECT_EQ(messages_.size(), 1u);
  std::string age;
  EXPECT_TRUE(WeatherDataAgeText(client_, age));
  EXPECT_EQ(age, "");
}

TEST_F(WeatherClientTest, AgeTextFollowsTheDataFilesWriteTime) {
  WriteTextFile(client_.paths.dataFile(), "1~2~~x");
  const auto written = fs::last_write_time(client_.paths.dataFile());
  const int64_t writtenMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::file_clock::to_sys(written).time_since_epoch()).count();
  platform::ManualClock clock(writtenMs + (3 * 60 + 50) * 60000);
  platform::InstallClock(&clock);
  std::string text;
  EXPECT_TRUE(WeatherDataAgeText(client_, text));
  EXPECT_EQ(text, "Weather data is 3 hours old.");
  WeatherStatusLine line;
  EXPECT_EQ(WeatherStatusOnOpen(line, client_), "Weather data is 3 hours old.");
  for (int i = 0; i < 19; ++i) EXPECT_FALSE(WeatherStatusTick(line, client_, text));
  clock.Advance(22 * 60 * 60000);
  EXPECT_TRUE(WeatherStatusTick(line, client_, text));
  EXPECT_EQ(text, "Weather data is outdated.");
  platform::InstallClock(nullptr);
}

TEST_F(WeatherClientTest, FetchesCityNamesAndWeatherFromTheService) {
  testing::ForecastStandin forecast;
  testing::ServiceProcess service(forecast.url());
  ASSERT_TRUE(service.ok());
  CityDatabase cities;
  ASSERT_TRUE(OpenCityDatabase(cities, test::RealCityFilePath()).ok());

  // The city-name thread's changes to the page arrive in order on this thread.
  std::vector<std::string> events;
  CityNameSink sink;
  sink.setEnabled = [&](bool on) { events.push_back(on ? "enable" : "disable"); };
  sink.clear = [&] { events.push_back("clear"); };
  sink.add = [&](const std::string& t) { events.push_back(t); };
  StartCityNameFetch(client_, cities, "France", sink, service.url());
  ASSERT_TRUE(FinishFetch());
  ASSERT_GE(events.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 5),
            (std::vector<std::string>{"disable", "clear", "Fetching cities", "Please wait...", "clear"}));
  EXPECT_EQ(events.back(), "enable");
  EXPECT_NE(std::find(events.begin(), events.end(), "Paris"), events.end());

  ASSERT_TRUE(WriteWeatherCityList(client_, {"Paris~France", "Madrid~Spain"}));
  ASSERT_TRUE(StartWeatherFetch(client_, Request(service.url()), true));
  ASSERT_TRUE(FinishFetch());
  EXPECT_TRUE(messages_.empty()) << messages_[0];
  WeatherPlaceList places;
  ASSERT_TRUE(LoadWeatherPlaces(client_, places));
  ASSERT_EQ(places.size(), 2u);
  EXPECT_EQ(places[0]->label(), "Paris 12\xB0" "C");
  EXPECT_NE(places[0]->image(), nullptr);
  EXPECT_NEAR(places[1]->latitude, 40 * 60 + 24, 3);
  EXPECT_EQ(WeatherServiceMessage(client_), "Weather data by Open-Meteo.com (CC BY 4.0)");
  std::string age;
  EXPECT_TRUE(WeatherDataAgeText(client_, age));
  EXPECT_EQ(age, "Weather data is current.");

  // Names the service does not know: "<ERR>", an empty data file, the error box.
  ASSERT_TRUE(WriteWeatherCityList(client_, {"Nowhere~France"}));
  ASSERT_TRUE(StartWeatherFetch(client_, Request(service.url()), true));
  ASSERT_TRUE(FinishFetch());
  EXPECT_EQ(messages_, (std::vector<std::string>{"Error: No Data or Service Error"}));
  EXPECT_EQ(ReadTextFile(client_.paths.dataFile()), "");
  StartCityNameFetch(client_, cities, "Atlantis", sink, service.url());
  ASSERT_TRUE(FinishFetch());
  CloseCityDatabase(cities);
}

TEST_F(WeatherClientTest, UpdateNowTwiceQuicklyIsBusy) {
  testing::ForecastStandin forecast;
  forecast.SetMode(testing::ForecastStandin::Mode::kSlow);
  testing::ServiceProcess service(forecast.url());
  ASSERT_TRUE(service.ok());
  ASSERT_TRUE(UpdateWeatherNow(client_, {"Paris~France"}, Request(service.url())));
  EXPECT_TRUE(UpdateWeatherNow(client_, {"Paris~France"}, Request(service.url())) == false);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0],
            "Busy: Could not update weather city list because a previous weather fetch is still in progress.");
  EXPECT_FALSE(StartWeatherFetch(client_, Request(service.url()), true));
  EXPECT_EQ(messages_.back(), "Busy: A previous weather fetch is still in progress.\n\nPlease try again later.");
  std::string text;
  EXPECT_FALSE(WeatherDataAgeText(client_, text));
  WeatherStatusLine line;
  EXPECT_EQ(WeatherStatusOnOpen(line, client_), "Fetching weather");
  EXPECT_EQ(WeatherStatusOnOpen(line, client_), "Fetching weather.");
  ASSERT_TRUE(FinishFetch());
}

TEST_F(WeatherClientTest, ErrorsOfTheTransferAndMisbehavingServers) {
  ASSERT_TRUE(WriteWeatherCityList(client_, {"Paris~France"}));
  WriteTextFile(client_.paths.dataFile(), "1~2~~last good");
  auto fetch = [&](const std::string& url, bool interactive = true) {
    messages_.clear();
    EXPECT_TRUE(StartWeatherFetch(client_, Request(url), interactive));
    EXPECT_TRUE(FinishFetch(40));
    return messages_.empty() ? std::string() : messages_[0];
  };
  EXPECT_EQ(fetch("127.0.0.1/cgi-bin/WeatherService.php"), "Error: Invalid URL");
  const std::string nobody = "http://127.0.0.1:" + std::to_string(testing::FreeLoopbackPort()) + "/x";
  EXPECT_EQ(fetch(nobody), "Error: Unable to send request.\n\nPlease check your internet connection or try again later.");
  EXPECT_EQ(fetch(nobody, false), "");  // automatic fetches fail silently
  {
    testing::FaultServer midway(testing::FaultServer::Mode::kCloseMidway);
    EXPECT_EQ(fetch(midway.url()), "Error: Error fetching weather data");
  }
  {
    testing::FaultServer huge(testing::FaultServer::Mode::kHuge);
    EXPECT_EQ(fetch(huge.url()), "Error: Error fetching weather data");
  }
  // The last good data stays, and is not reloaded after a failure.
  EXPECT_EQ(ReadTextFile(client_.paths.dataFile()), "1~2~~last good");
  EXPECT_FALSE(client_.dataChanged);

  // A server that never answers: the user-interface thread is not held, and the worker
  // gives up at once when the program ends.
  testing::FaultServer silent(testing::FaultServer::Mode::kNeverAnswer);
  messages_.clear();
  ASSERT_TRUE(StartWeatherFetch(client_, Request(silent.url()), true));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(WeatherFetchRunning(client_));
  WeatherPlaceList places;
  EXPECT_FALSE(LoadWeatherPlaces(client_, places));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  StopWeatherThreads(client_);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  RunWeatherUiTasks(client_);
  EXPECT_TRUE(messages_.empty());
}

TEST(HttpPost, AHungServerTimesOut) {
  testing::FaultServer silent(testing::FaultServer::Mode::kNeverAnswer);
  platform::HttpLimits limits;
  limits.transferTimeoutMs = 300;
  const auto start = std::chrono::steady_clock::now();
  const platform::HttpStatus status =
      platform::HttpPostForm(silent.url(), "action=getcities&country=France", [](std::string_view) { return true; }, limits);
  EXPECT_NE(status, platform::HttpStatus::kOk);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

// The program: a weather data file left by an earlier run is drawn after the first tick.
class WeatherAppTest : public testing::HeadlessApp {};

TEST_F(WeatherAppTest, StoredWeatherIsLoadedOnTheFirstTick) {
  WriteTextFile(app_.weather.paths.dataFile(), "<MSG>m</MSG>48.85~2.35~clear_day.gif~Paris 21\xB0" "C");
  ASSERT_TRUE(app_.settings.showWeather);
  app_.host->PostMessage(platform::kMsgTimer);
  Pump();
  ASSERT_EQ(app_.weatherPlaces.size(), 1u);
  EXPECT_NE(app_.weatherPlaces[0]->image(), nullptr);  // the bundled icon
  EXPECT_EQ(WeatherServiceMessage(app_.weather), "m");
}

// Labels of places close together: the first where a route place's label goes, the next
// on the other side of the point, a third left out; none covers another or an icon.
TEST_F(WeatherAppTest, LabelsOfPlacesCloseTogetherDoNotCoverEachOther) {
  WriteTextFile(app_.weather.paths.dataFile(),
                "0~0~clear_day.gif~First|0~0.1~rain.gif~Second|0.1~0~snow.gif~Third|30~30~fog.gif~Far");
  app_.host->PostMessage(platform::kMsgTimer);
  Pump();
  ASSERT_EQ(app_.weatherPlaces.size(), 4u);
  struct Drawn {
    std::string text;
    int left, top, right, bottom;
  };
  std::vector<Drawn> drawn;
  PlaceDrawHooks hooks = app_.placeHooks;
  hooks.drawTextBlock = [&](FrameBuffer&, const char* text, int x, int y, int, int, Color565, bool) {
    drawn.push_back({text, x, y, x + TextWidth(app_.font, text), y + app_.font.glyphHeight});
  };
  ViewState view = app_.globe.view;
  CenterOn(view, 0, 0);
  const OverlayContext o{app_.frame, view, app_.settings, &app_.markerStrip, &app_.font, &hooks};
  SceneLayers layers;
  SetWeatherLayer(app_.weatherPlaces, layers);
  layers.weatherPlaces(o);
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[0].text, "First");
  EXPECT_LT(drawn[0].bottom, 160);  // above the point at the view's centre
  EXPECT_EQ(drawn[1].text, "Second");
  EXPECT_GT(drawn[1].top, 160);
  EXPECT_EQ(drawn[2].text, "Far");
  for (size_t i = 0; i < drawn.size(); ++i) {
    for (size_t k = i + 1; k < drawn.size(); ++k) {
      const bool apart = drawn[i].right < drawn[k].left || drawn[k].right < drawn[i].left ||
                         drawn[i].bottom < drawn[k].top || drawn[k].bottom < drawn[i].top;
      EXPECT_TRUE(apart) << drawn[i].text << " covers " << drawn[k].text;
    }
  }
}

}  // namespace
}  // namespace orx
