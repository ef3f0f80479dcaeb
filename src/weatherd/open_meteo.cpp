#include "weatherd/open_meteo.h"

#include <cstdio>

#include <nlohmann/json.hpp>

namespace orx::weatherd {

std::string ForecastUrl(std::string_view base, const std::vector<Position>& positions) {
  while (base.ends_with('/')) base.remove_suffix(1);
  std::string latitudes, longitudes;
  for (const Position& p : positions) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%.4f", latitudes.empty() ? "" : ",", p.latitude);
    latitudes += text;
    std::snprintf(text, sizeof text, "%s%.4f", longitudes.empty() ? "" : ",", p.longitude);
    longitudes += text;
  }
  return std::string(base) + "/v1/forecast?latitude=" + latitudes + "&longitude=" + longitudes +
         "&current=temperature_2m,weather_code,is_day&timezone=GMT";
}

bool ParseForecast(std::string_view json, size_t count, std::vector<CurrentWeather>& out, std::string& error) {
  out.clear();
  const nlohmann::json doc = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
  if (doc.is_discarded()) {
    error = "the answer is not JSON";
    return false;
  }
  if (doc.is_object() && doc.contains("error")) {
    const auto reason = doc.find("reason");
    error = reason != doc.end() && reason->is_string() ? reason->get<std::string>() : "error answer";
    return false;
  }
  const bool many = doc.is_array();
  const size_t n = many ? doc.size() : 1;
  if (n != count) {
    error = "the answer has " + std::to_string(n) + " places, not " + std::to_string(count);
    return false;
  }
  for (size_t i = 0; i < n; ++i) {
    const nlohmann::json& place = many ? doc[i] : doc;
    if (!place.is_object()) {
      error = "a place is not an object";
      return false;
    }
    const auto current = place.find("current");
    if (current == place.end() || !current->is_object()) {
      error = "a place has no current weather";
      return false;
    }
    const auto t = current->find("temperature_2m");
    const auto code = current->find("weather_code");
    const auto day = current->find("is_day");
    if (t == current->end() || !t->is_number() || code == current->end() || !code->is_number()) {
      error = "a place lacks its temperature or weather code";
      return false;
    }
    CurrentWeather w;
    w.temperatureC = t->get<double>();
    const double c = code->get<double>();
    w.weatherCode = c >= 0 && c <= 99 ? static_cast<int>(c) : -1;
    w.isDay = day == current->end() || !day->is_number() || day->get<double>() != 0;
    out.push_back(w);
  }
  return true;
}

}  // namespace orx::weatherd
