// The forecast API the service asks: Open-Meteo's /v1/forecast for the current
// temperature, WMO weather code and day flag at several places in one request.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "weatherd/service.h"

namespace orx::weatherd {

inline constexpr char kDefaultUpstream[] = "https://api.open-meteo.com";

// base + "/v1/forecast?latitude=...&longitude=...&current=...".
std::string ForecastUrl(std::string_view base, const std::vector<Position>& positions);
// Reads an answer (one object for one place, an array for several): true with `count`
// entries in `out`, false with `error` for anything else.
bool ParseForecast(std::string_view json, size_t count, std::vector<CurrentWeather>& out, std::string& error);

}  // namespace orx::weatherd
