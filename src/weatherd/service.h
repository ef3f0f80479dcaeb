// orrelux-weatherd's answers: the weather service's two requests ("getcities",
// "getweather") read from a form body, answered from the city database and a cache of
// current weather that one upstream forecast request per place refreshes at most every
// 15 minutes. Independent of HTTP, so that tests and benchmarks call it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cities/city_database.h"

namespace orx::weatherd {

inline constexpr size_t kMaxRequestBytes = 64 * 1024;
inline constexpr size_t kMaxRequestPlaces = 40;
inline constexpr int64_t kRefreshMs = 15 * 60 * 1000;     // one upstream request per place per 15 minutes
inline constexpr int64_t kRetryMs = 60 * 1000;            // after an upstream failure
inline constexpr int64_t kStaleLimitMs = 6 * 3600 * 1000; // cache answers this old when upstream fails
inline constexpr char kAttribution[] = "<MSG>Weather data by Open-Meteo.com (CC BY 4.0)</MSG>";
inline constexpr char kError[] = "<ERR>";

// A request body, form-encoded without percent-encoding, as the program sends it.
struct ServiceRequest {
  enum class Action { kUnknown, kGetCities, kGetWeather } action = Action::kUnknown;
  std::string country;
  bool showName = false;
  bool fahrenheit = false;
  // "place~country" entries of the list, in order (at most kMaxRequestPlaces + 1 kept).
  std::vector<std::pair<std::string, std::string>> places;
  bool tooManyPlaces = false;
};
// False when the body is not a request of the service (no or unknown action).
bool ParseServiceRequest(std::string_view body, ServiceRequest& out);

// The current weather at one place, in the upstream's units.
struct CurrentWeather {
  double temperatureC = 0;
  int weatherCode = 0;  // WMO code
  bool isDay = true;
};
struct Position {
  double latitude = 0, longitude = 0;  // degrees
};
// Asks the forecast service for the weather at every position, in one request: true
// with one entry per position in `out`, false with `error`.
using Upstream = std::function<bool(const std::vector<Position>& positions, std::vector<CurrentWeather>& out,
                                    std::string& error)>;

// The icon for a WMO weather code by day or night ("clear_day.gif" ...).
const char* WeatherIcon(int wmoCode, bool isDay);
// "21°C" (Windows-1252 degree sign) or "70°F", rounded to whole degrees.
std::string TemperatureText(double celsius, bool fahrenheit);

class WeatherService {
 public:
  // `db` must stay open while the service lives. `nowMs` gives the time in milliseconds.
  WeatherService(const CityDatabase& db, Upstream upstream, std::function<int64_t()> nowMs);

  // The whole answer to a request body (Windows-1252 text).
  std::string Answer(std::string_view body);
  // "getcities": the names, each followed by "~", or "<ERR>".
  std::string CityNames(std::string_view country) const;
  // How many upstream requests were made (for tests and the log).
  int upstreamRequests() const;

 private:
  struct Town {
    const char* name;
    Position position;
    uint32_t key;  // record offset
  };
  struct Cached {
    CurrentWeather weather;
    int64_t fetchedMs = INT64_MIN / 2;  // when `weather` arrived
    int64_t attemptMs = INT64_MIN / 2;  // last upstream request
    bool failed = false;
    bool has = false;
  };
  std::string Weather(const ServiceRequest& request);
  int CountryOf(std::string_view serviceName) const;

  Upstream upstream_;
  std::function<int64_t()> now_;
  std::map<std::string, int, std::less<>> countries_;     // service names and names
  std::vector<std::string> cityAnswers_;                  // by country index
  std::vector<std::map<std::string, Town, std::less<>>> towns_;  // by country index, by name
  mutable std::mutex cacheMutex_;
  std::mutex upstreamMutex_;  // one upstream request at a time, so places are not asked twice
  std::unordered_map<uint32_t, Cached> cache_;
  int upstreamRequests_ = 0;
};

}  // namespace orx::weatherd
