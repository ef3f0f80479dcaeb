// Feeds arbitrary bytes to orrelux-weatherd as the body of a POST: the request parser
// keeps at most 40 places, and the service, over the bundled cities.bin and a stand-in
// forecast that fails now and then, answers "<ERR>", a place list, or records that the
// program's own reader takes back whole.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cities/city_database.h"
#include "weather/weather_protocol.h"
#include "weatherd/service.h"

namespace {

struct Fixture {
  orx::CityDatabase db;
  int64_t now = 0;
  int calls = 0;
  std::unique_ptr<orx::weatherd::WeatherService> service;
  Fixture() {
    if (!orx::OpenCityDatabase(db, std::filesystem::path(ORRELUX_SOURCE_DIR) / "data/cities.bin").ok()) std::abort();
    service = std::make_unique<orx::weatherd::WeatherService>(
        db,
        [this](const std::vector<orx::weatherd::Position>& positions, std::vector<orx::weatherd::CurrentWeather>& out,
               std::string& error) {
          if (++calls % 5 == 0) {
            error = "down";
            return false;
          }
          for (const auto& p : positions) out.push_back({p.latitude / 3, static_cast<int>(p.longitude) & 127, p.latitude > 0});
          return true;
        },
        [this] { return now; });
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture f;
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  orx::weatherd::ServiceRequest request;
  const bool parsed = orx::weatherd::ParseServiceRequest(body, request);
  if (parsed != (request.action != orx::weatherd::ServiceRequest::Action::kUnknown)) std::abort();
  if (request.places.size() > orx::weatherd::kMaxRequestPlaces) std::abort();
  for (const auto& [place, country] : request.places) {
    if (place.find('|') != std::string::npos || country.find('|') != std::string::npos) std::abort();
  }

  f.now += 7 * 60 * 1000;  // the cache both answers and asks again
  const std::string answer = f.service->Answer(body);
  if (answer == orx::weatherd::kError) return 0;
  if (!parsed) std::abort();
  if (request.action == orx::weatherd::ServiceRequest::Action::kGetCities) {
    if (answer.back() != '~') std::abort();
    return 0;
  }
  if (!answer.starts_with(orx::weatherd::kAttribution)) std::abort();
  size_t records = 0, bars = 0;
  for (char c : answer) bars += c == '|';
  std::string message;
  const auto* bytes = reinterpret_cast<const uint8_t*>(answer.data());
  orx::ParseWeatherData({bytes, answer.size()}, &message, 199,
                        [&](const orx::WeatherRecord& r) {
                          if (!r.hasIcon || r.icon.empty() || r.text.empty()) std::abort();
                          ++records;
                        });
  if (records != bars + 1 || records > request.places.size()) std::abort();
  if (message + "</MSG>" != std::string(orx::weatherd::kAttribution).substr(5)) std::abort();
  return 0;
}
