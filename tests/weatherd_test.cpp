// orrelux-weatherd: its answers from the real city database with a scripted forecast
// service and clock, and the program itself over loopback with a stand-in forecast API.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cities/city_database.h"
#include "gfx/fold.h"
#include "platform/http_post.h"
#include "support/city_file.h"
#include "support/weather_servers.h"
#include "weatherd/open_meteo.h"
#include "weatherd/service.h"

namespace orx::weatherd {
namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at <= s.size()) {
    size_t next = s.find(sep, at);
    if (next == std::string::npos) next = s.size();
    out.push_back(s.substr(at, next - at));
    at = next + 1;
  }
  return out;
}

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(OpenCityDatabase(db_, test::RealCityFilePath()).ok()); }
  void TearDown() override { CloseCityDatabase(db_); }

  // A forecast service that answers with `code` and 20.4 degrees unless `down`.
  WeatherService Make() {
    return WeatherService(
        db_,
        [this](const std::vector<Position>& positions, std::vector<CurrentWeather>& out, std::string& error) {
          ++asked_;
          asked_places_ += static_cast<int>(positions.size());
          if (down_) {
            error = "down";
            return false;
          }
          out.assign(positions.size(), CurrentWeather{20.4, code_, day_});
          return true;
        },
        [this] { return now_; });
  }

  CityDatabase db_;
  int64_t now_ = 1'000'000;
  bool down_ = false;
  int code_ = 0;
  bool day_ = true;
  int asked_ = 0;
  int asked_places_ = 0;
};

TEST_F(ServiceTest, CityNamesAreTheCountrysLargerPlacesSortedAndUnique) {
  WeatherService service = Make();
  const std::string answer = service.CityNames("France");
  ASSERT_NE(answer, kError);
  ASSERT_EQ(answer.back(), '~');
  std::vector<std::string> names = Split(answer.substr(0, answer.size() - 1), '~');
  EXPECT_GE(names.size(), 100u);
  EXPECT_NE(std::find(names.begin(), names.end(), "Paris"), names.end());
  for (size_t i = 1; i < names.size(); ++i) {
    EXPECT_LE(CompareFolded(names[i - 1].c_str(), names[i].c_str()), 0) << names[i - 1] << " / " << names[i];
    EXPECT_NE(names[i - 1], names[i]);
  }
  // Through the body, as the program sends it; an unknown country is "<ERR>".
  EXPECT_EQ(service.Answer("action=getcities&country=France"), answer);
  EXPECT_EQ(service.Answer("action=getcities&country=Atlantis"), kError);
  EXPECT_EQ(service.Answer("action=getcities&country="), kError);
}

TEST_F(ServiceTest, WeatherRecordsCarryPositionIconAndTextInTheAskedUnit) {
  WeatherService service = Make();
  const std::string celsius =
      service.Answer("action=getweather&showname=true&color=F8FCF8&deg_f=false&list=Paris~France|Lyon~France");
  ASSERT_TRUE(celsius.starts_with("<MSG>Weather data by Open-Meteo.com (CC BY 4.0)</MSG>")) << celsius;
  const std::vector<std::string> records = Split(celsius.substr(std::strlen(kAttribution)), '|');
  ASSERT_EQ(records.size(), 2u);
  const std::vector<std::string> paris = Split(records[0], '~');
  ASSERT_EQ(paris.size(), 4u);
  // Degrees that the program's "x 60, truncated" turns back into the database's minutes.
  const int latitude = static_cast<int>(std::stod(paris[0]) * 60), longitude = static_cast<int>(std::stod(paris[1]) * 60);
  EXPECT_NEAR(latitude, 48 * 60 + 51, 2);
  EXPECT_NEAR(longitude, 2 * 60 + 21, 2);
  EXPECT_EQ(paris[2], "clear_day.gif");
  EXPECT_EQ(paris[3], "Paris 20\xB0" "C");
  // One upstream request for both places.
  EXPECT_EQ(asked_, 1);
  EXPECT_EQ(asked_places_, 2);

  const std::string fahrenheit = service.Answer("action=getweather&showname=false&color=F8FCF8&deg_f=true&list=Paris~France");
  EXPECT_TRUE(fahrenheit.ends_with("~clear_day.gif~69\xB0" "F")) << fahrenheit;
}

TEST_F(ServiceTest, IconsCoverTheWeatherCodesByDayAndNight) {
  EXPECT_STREQ(WeatherIcon(0, true), "clear_day.gif");
  EXPECT_STREQ(WeatherIcon(0, false), "clear_night.gif");
  EXPECT_STREQ(WeatherIcon(2, false), "partly_night.gif");
  EXPECT_STREQ(WeatherIcon(48, true), "fog.gif");
  EXPECT_STREQ(WeatherIcon(55, true), "drizzle.gif");
  EXPECT_STREQ(WeatherIcon(65, true), "rain.gif");
  EXPECT_STREQ(WeatherIcon(86, true), "snow.gif");
  EXPECT_STREQ(WeatherIcon(81, false), "showers_night.gif");
  EXPECT_STREQ(WeatherIcon(99, true), "thunder.gif");
  EXPECT_STREQ(WeatherIcon(-1, true), "cloudy.gif");
  EXPECT_EQ(TemperatureText(-0.4, false), "0\xB0" "C");
  EXPECT_EQ(TemperatureText(-3.6, false), "-4\xB0" "C");
}

TEST_F(ServiceTest, TheCacheAsksOncePer15MinutesAndAnswersUpTo6HoursWhenTheForecastIsDown) {
  WeatherService service = Make();
  const std::string body = "action=getweather&showname=true&color=F8FCF8&deg_f=false&list=Paris~France";
  const std::string first = service.Answer(body);
  now_ += 14 * 60 * 1000;
  code_ = 95;
  EXPECT_EQ(service.Answer(body), first);  // still cached
  // Another list that shares Paris asks only for the new place.
  service.Answer("action=getweather&showname=true&color=F8FCF8&deg_f=false&list=Paris~France|Nice~France");
  EXPECT_EQ(asked_, 2);
  EXPECT_EQ(asked_places_, 2);
  now_ += 2 * 60 * 1000;
  EXPECT_NE(service.Answer(body).find("thunder.gif"), std::string::npos);
  EXPECT_EQ(asked_, 3);

  down_ = true;
  now_ += 60 * 60 * 1000;
  EXPECT_NE(service.Answer(body).find("thunder.gif"), std::string::npos);  // from the cache
  now_ += 5 * 60 * 60 * 1000 + 1000;
  EXPECT_EQ(service.Answer(body), kError);  // older than 6 hours
  down_ = false;
  now_ += 60 * 1000;
  EXPECT_NE(service.Answer(body).find("thunder.gif"), std::string::npos);
}

TEST_F(ServiceTest, BadRequestsGiveErrOrSkipTheEntry) {
  WeatherService service = Make();
  const std::string prefix = "action=getweather&showname=true&color=F8FCF8&deg_f=false&list=";
  EXPECT_EQ(service.Answer("action=launch"), kError);
  EXPECT_EQ(service.Answer(""), kError);
  EXPECT_EQ(service.Answer(prefix), kError);
  EXPECT_EQ(service.Answer(prefix + "Nowhere~France|Paris~Atlantis"), kError);
  EXPECT_EQ(service.Answer(std::string(kMaxRequestBytes + 1, 'a')), kError);
  std::string many = prefix;
  for (int i = 0; i < 41; ++i) many += (i ? "|" : "") + std::string("Paris~France");
  EXPECT_EQ(service.Answer(many), kError);
  // Broken entries are skipped; the good one is answered.
  const std::string mixed = service.Answer(prefix + "\xFF\xFE~\x80|~|Paris|Paris~France|||~~~");
  EXPECT_EQ(Split(mixed.substr(std::strlen(kAttribution)), '|').size(), 1u) << mixed;
  // An "&" inside a place text belongs to the text unless a field of the body follows.
  ServiceRequest r;
  ASSERT_TRUE(ParseServiceRequest("action=getcities&country=Bosnia & Herzegovina", r));
  EXPECT_EQ(r.country, "Bosnia & Herzegovina");
  EXPECT_EQ(asked_, 1);
}

TEST(ForecastAnswers, OneManyAndBrokenAnswers) {
  std::vector<CurrentWeather> out;
  std::string error;
  ASSERT_TRUE(ParseForecast(R"({"current":{"temperature_2m":21.5,"weather_code":3,"is_day":0}})", 1, out, error));
  EXPECT_DOUBLE_EQ(out[0].temperatureC, 21.5);
  EXPECT_EQ(out[0].weatherCode, 3);
  EXPECT_FALSE(out[0].isDay);
  ASSERT_TRUE(ParseForecast(R"([{"current":{"temperature_2m":1,"weather_code":0}},{"current":{"temperature_2m":2,"weather_code":61,"is_day":1}}])",
                            2, out, error));
  EXPECT_EQ(out[1].weatherCode, 61);
  EXPECT_FALSE(ParseForecast(R"({"error":true,"reason":"bad"})", 1, out, error));
  EXPECT_EQ(error, "bad");
  EXPECT_FALSE(ParseForecast("<html>", 1, out, error));
  EXPECT_FALSE(ParseForecast(R"([{"current":{"temperature_2m":1,"weather_code":0}}])", 2, out, error));
  EXPECT_FALSE(ParseForecast(R"({"current":{"temperature_2m":"warm","weather_code":0}})", 1, out, error));
  EXPECT_EQ(ForecastUrl("http://h:1/", {{48.85, 2.35}, {-1, -2}}),
            "http://h:1/v1/forecast?latitude=48.8500,-1.0000&longitude=2.3500,-2.0000"
            "&current=temperature_2m,weather_code,is_day&timezone=GMT");
}

// ---------------------------------------------------------------------------------------
// The program over loopback

std::string Post(const std::string& url, const std::string& body) {
  std::string answer;
  platform::HttpPostForm(url, body, [&](std::string_view piece) {
    answer.append(piece);
    return true;
  });
  return answer;
}

TEST(WeatherServiceProgram, AnswersOverHttpFromTheForecastStandin) {
  testing::ForecastStandin forecast;
  testing::ServiceProcess service(forecast.url());
  ASSERT_TRUE(service.ok());
  EXPECT_NE(Post(service.url(), "action=getcities&country=Germany").find("Berlin~"), std::string::npos);
  const std::string body = "action=getweather&showname=true&color=F8FCF8&deg_f=false&list=Paris~France|Madrid~Spain";
  const std::string answer = Post(service.url(), body);
  EXPECT_TRUE(answer.starts_with(kAttribution)) << answer;
  EXPECT_NE(answer.find("~clear_day.gif~Paris 12\xB0" "C"), std::string::npos) << answer;
  EXPECT_NE(answer.find("~rain.gif~Madrid 10\xB0" "C"), std::string::npos) << answer;
  EXPECT_EQ(forecast.requests(), 1);
  EXPECT_NE(forecast.lastQuery().find("current=temperature_2m,weather_code,is_day"), std::string::npos);
  EXPECT_EQ(Post(service.url(), body), answer);
  EXPECT_EQ(forecast.requests(), 1);  // from the cache
}

TEST(WeatherServiceProgram, ForecastFailuresGiveErr) {
  testing::ForecastStandin forecast;
  testing::ServiceProcess service(forecast.url());
  ASSERT_TRUE(service.ok());
  const std::string body = "action=getweather&showname=false&color=F8FCF8&deg_f=true&list=";
  forecast.SetMode(testing::ForecastStandin::Mode::kError);
  EXPECT_EQ(Post(service.url(), body + "Paris~France"), kError);
  forecast.SetMode(testing::ForecastStandin::Mode::kGarbage);
  EXPECT_EQ(Post(service.url(), body + "Lyon~France"), kError);
  forecast.SetMode(testing::ForecastStandin::Mode::kSlow);
  EXPECT_NE(Post(service.url(), body + "Nice~France").find("~rain.gif~"), std::string::npos);
}

TEST(WeatherServiceProgram, EndsAfterItsIdleTime) {
  testing::ForecastStandin forecast;
  testing::ServiceProcess service(forecast.url(), {"--idle-exit", "1"});
  ASSERT_TRUE(service.ok());
  EXPECT_TRUE(service.WaitExit(5000));
}

}  // namespace
}  // namespace orx::weatherd
