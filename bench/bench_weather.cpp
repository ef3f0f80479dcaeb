// Weather: orrelux-weatherd answering a getweather for 40 places from its cache (every
// place already fetched, so no forecast request is made), and the program loading the
// weather places of a 40-place weather data file with the bundled icons.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cities/city_database.h"
#include "platform/files.h"
#include "weather/weather.h"
#include "weatherd/service.h"

namespace {

const orx::CityDatabase& Database() {
  static orx::CityDatabase db;
  static const bool opened =
      orx::OpenCityDatabase(db, std::filesystem::path(ORRELUX_SOURCE_DIR) / "data/cities.bin").ok();
  if (!opened) std::abort();
  return db;
}

// A getweather body for 40 places: the first eight that five countries list.
std::string FortyPlaceBody(const orx::weatherd::WeatherService& service) {
  std::string body = "action=getweather&showname=true&color=00FCC8&deg_f=false&list=";
  int places = 0;
  for (const char* country : {"France", "Germany", "Spain", "Italy", "Japan"}) {
    const std::string names = service.CityNames(country);
    size_t at = 0;
    for (int i = 0; i < 8; ++i) {
      const size_t tilde = names.find('~', at);
      if (tilde == std::string::npos) std::abort();
      body += (places++ ? "|" : "") + names.substr(at, tilde - at) + "~" + country;
      at = tilde + 1;
    }
  }
  return body;
}

void BM_GetWeather40FromCache(benchmark::State& state) {
  int asked = 0;
  orx::weatherd::WeatherService service(
      Database(),
      [&asked](const std::vector<orx::weatherd::Position>& positions, std::vector<orx::weatherd::CurrentWeather>& out,
               std::string&) {
        ++asked;
        for (const auto& p : positions) out.push_back({p.latitude / 4, 61, true});
        return true;
      },
      [] { return int64_t{0}; });
  const std::string body = FortyPlaceBody(service);
  const std::string first = service.Answer(body);  // fills the cache
  size_t records = 1;
  for (char c : first) records += c == '|';
  if (asked != 1 || records != 40) std::abort();
  for (auto _ : state) {
    std::string answer = service.Answer(body);
    benchmark::DoNotOptimize(answer.data());
  }
  if (asked != 1) std::abort();
  state.counters["places"] = static_cast<double>(records);
}
BENCHMARK(BM_GetWeather40FromCache)->Unit(benchmark::kMillisecond);

void BM_LoadWeatherPlaces40(benchmark::State& state) {
  const auto home = std::filesystem::temp_directory_path() / ("orrelux_bench_weather_" + std::to_string(getpid()));
  orx::WeatherClient client;
  client.paths = orx::MakeWeatherPaths(std::filesystem::path(ORRELUX_SOURCE_DIR) / "data", home);
  // The service's answer shape: 40 records over the twelve bundled icons.
  const char* icons[] = {"clear_day.gif", "clear_night.gif", "partly_day.gif", "partly_night.gif",
                         "cloudy.gif",    "fog.gif",         "drizzle.gif",    "rain.gif",
                         "snow.gif",      "showers_day.gif", "showers_night.gif", "thunder.gif"};
  std::string data = "<MSG>Weather data by Open-Meteo.com (CC BY 4.0)</MSG>";
  for (int i = 0; i < 40; ++i) {
    char record[128];
    std::snprintf(record, sizeof record, "%s%.5f~%.5f~%s~Place %d %d\xB0" "C", i ? "|" : "", -60 + i * 3.1,
                  -170 + i * 8.5, icons[i % 12], i, i - 10);
    data += record;
  }
  if (!orx::platform::WriteFileAtomic(client.paths.dataFile(), data)) std::abort();
  orx::WeatherPlaceList places;
  for (auto _ : state) {
    client.dataChanged = true;
    if (!orx::LoadWeatherPlaces(client, places)) std::abort();
    benchmark::DoNotOptimize(places.data());
  }
  if (places.size() != 40 || places[0]->image() == nullptr) std::abort();
  state.counters["places"] = static_cast<double>(places.size());
  std::filesystem::remove_all(home);
}
BENCHMARK(BM_LoadWeatherPlaces40)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
