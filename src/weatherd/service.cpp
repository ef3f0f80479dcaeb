#include "weatherd/service.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cities/city_record.h"
#include "gfx/fold.h"

namespace orx::weatherd {
namespace {

// Persons of a population code (tag 1 persons, 2 hundreds, 3 hundred-thousands).
int64_t Persons(uint16_t code) {
  const int64_t v = code & 0x3FFF;
  switch (code >> 14) {
    case 1: return v;
    case 2: return v * 100;
    case 3: return v * 100000;
    default: return 0;
  }
}

constexpr int64_t kListedPopulation = 15000;
constexpr size_t kFewestListed = 300;

// Degrees for the answer, nudged away from zero so that the reader's "degrees x 60,
// truncated" gives back the whole arc-minutes the database holds.
double AnswerDegrees(int minutes) {
  const double d = minutes / 60.0;
  return d + (minutes > 0 ? 1e-5 : minutes < 0 ? -1e-5 : 0);
}

}  // namespace

const char* WeatherIcon(int code, bool isDay) {
  if (code == 0) return isDay ? "clear_day.gif" : "clear_night.gif";
  if (code == 1 || code == 2) return isDay ? "partly_day.gif" : "partly_night.gif";
  if (code == 3) return "cloudy.gif";
  if (code == 45 || code == 48) return "fog.gif";
  if (code >= 51 && code <= 57) return "drizzle.gif";
  if (code >= 61 && code <= 67) return "rain.gif";
  if ((code >= 71 && code <= 77) || code == 85 || code == 86) return "snow.gif";
  if (code >= 80 && code <= 82) return isDay ? "showers_day.gif" : "showers_night.gif";
  if (code >= 95 && code <= 99) return "thunder.gif";
  return "cloudy.gif";
}

std::string TemperatureText(double celsius, bool fahrenheit) {
  const double value = fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius;
  long whole = std::isfinite(value) ? std::lround(std::clamp(value, -999.0, 999.0)) : 0;
  char text[32];
  std::snprintf(text, sizeof text, "%ld\xB0%c", whole, fahrenheit ? 'F' : 'C');
  return text;
}

WeatherService::WeatherService(const CityDatabase& db, Upstream upstream, std::function<int64_t()> nowMs)
    : upstream_(std::move(upstream)), now_(std::move(nowMs)) {
  cityAnswers_.resize(kCountryCount);
  // A country is asked for by its service name or its name; the first country wins.
  for (int c = 0; c < kCountryCount; ++c) {
    const char* n = CountryName(db, c);
    if (!n[0]) continue;
    if (const char* service = ServiceNameOfCountry(db, n)) countries_.try_emplace(service, c);
    countries_.try_emplace(n, c);
  }
  towns_.resize(kCountryCount);
  // Per country: each name once, its most populous record.
  std::vector<std::map<std::string, std::pair<int64_t, Town>, std::less<>>> best(kCountryCount);
  ForEachCityRecord(db, [&](const uint8_t* r) {
    const int country = RecordCountry(r);
    if (country >= kCountryCount || !RecordName(r)[0]) return true;
    const int64_t persons = Persons(RecordPopulation(r));
    Town town{RecordName(r), {RecordLatitude(r) / 60.0, RecordLongitude(r) / 60.0}, CityRecordOffset(db, r)};
    auto [it, added] = best[country].try_emplace(town.name, persons, town);
    if (!added && persons > it->second.first) it->second = {persons, town};
    return true;
  });
  for (int c = 0; c < kCountryCount; ++c) {
    std::vector<std::pair<int64_t, const Town*>> all;
    for (auto& [name, entry] : best[c]) {
      towns_[c].emplace(name, entry.second);
      all.emplace_back(entry.first, &towns_[c].at(name));
    }
    // Those of at least 15,000 people, or the 300 largest when fewer.
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    size_t keep = 0;
    while (keep < all.size() && all[keep].first >= kListedPopulation) ++keep;
    if (keep < kFewestListed) keep = std::min(all.size(), kFewestListed);
    all.resize(keep);
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
      const int folded = CompareFolded(a.second->name, b.second->name);
      return folded != 0 ? folded < 0 : std::strcmp(a.second->name, b.second->name) < 0;
    });
    std::string& answer = cityAnswers_[c];
    for (const auto& entry : all) {
      answer.append(entry.second->name);
      answer.push_back('~');
    }
  }
}

int WeatherService::CountryOf(std::string_view serviceName) const {
  const auto found = countries_.find(serviceName);
  return found == countries_.end() ? -1 : found->second;
}

std::string WeatherService::CityNames(std::string_view country) const {
  const int c = CountryOf(country);
  if (c < 0 || cityAnswers_[c].empty()) return kError;
  return cityAnswers_[c];
}

int WeatherService::upstreamRequests() const {
  std::lock_guard<std::mutex> hold(cacheMutex_);
  return upstreamRequests_;
}

std::string WeatherService::Answer(std::string_view body) {
  if (body.size() > kMaxRequestBytes) return kError;
  ServiceRequest request;
  if (!ParseServiceRequest(body, request)) return kError;
  if (request.action == ServiceRequest::Action::kGetCities) return CityNames(request.country);
  return Weather(request);
}

std::string WeatherService::Weather(const ServiceRequest& request) {
  if (request.tooManyPlaces || request.places.empty()) return kError;
  std::vector<const Town*> towns;
  for (const auto& [place, country] : request.places) {
    const int c = CountryOf(country);
    if (c < 0) continue;
    const auto found = towns_[c].find(place);
    if (found != towns_[c].end()) towns.push_back(&found->second);
  }
  if (towns.empty()) return kError;

  {
    // Places whose cached weather is older than 15 minutes are asked for in one request.
    std::lock_guard<std::mutex> serial(upstreamMutex_);
    const int64_t now = now_();
    std::vector<const Town*> ask;
    {
      std::lock_guard<std::mutex> hold(cacheMutex_);
      for (const Town* t : towns) {
        const Cached& c = cache_[t->key];
        const bool fresh = c.has && now - c.fetchedMs < kRefreshMs;
        const bool waiting = now - c.attemptMs < (c.failed ? kRetryMs : kRefreshMs);
        if (!fresh && !waiting && std::find(ask.begin(), ask.end(), t) == ask.end()) ask.push_back(t);
      }
    }
    if (!ask.empty()) {
      std::vector<Position> positions;
      for (const Town* t : ask) positions.push_back(t->position);
      std::vector<CurrentWeather> got;
      std::string error;
      const bool ok = upstream_(positions, got, error) && got.size() == ask.size();
      if (!ok) std::fprintf(stderr, "orrelux-weatherd: forecast request failed: %s\n", error.c_str());
      std::lock_guard<std::mutex> hold(cacheMutex_);
      ++upstreamRequests_;
      for (size_t i = 0; i < ask.size(); ++i) {
        Cached& c = cache_[ask[i]->key];
        c.attemptMs = now;
        c.failed = !ok;
        if (ok) {
          c.weather = got[i];
          c.fetchedMs = now;
          c.has = true;
        }
      }
    }
  }

  const int64_t now = now_();
  std::string answer = kAttribution;
  bool any = false;
  std::lock_guard<std::mutex> hold(cacheMutex_);
  for (const Town* t : towns) {
    const Cached& c = cache_[t->key];
    if (!c.has || now - c.fetchedMs > kStaleLimitMs) continue;
    char position[64];
    std::snprintf(position, sizeof position, "%.5f~%.5f~",
                  AnswerDegrees(static_cast<int>(std::lround(t->position.latitude * 60))),
                  AnswerDegrees(static_cast<int>(std::lround(t->position.longitude * 60))));
    if (any) answer.push_back('|');
    answer.append(position);
    answer.append(WeatherIcon(c.weather.weatherCode, c.weather.isDay));
    answer.push_back('~');
    if (request.showName) {
      answer.append(t->name);
      answer.push_back(' ');
    }
    answer.append(TemperatureText(c.weather.temperatureC, request.fahrenheit));
    any = true;
  }
  return any ? answer : std::string(kError);
}

}  // namespace orx::weatherd
