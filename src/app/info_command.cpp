#include "app/info_command.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "astro/sun_moon.h"
#include "cities/city_database.h"
#include "cities/city_lists.h"
#include "cities/city_names.h"
#include "cities/city_record.h"
#include "cities/snap.h"
#include "gfx/fold.h"
#include "measure/info_lines.h"
#include "platform/text_encoding.h"

namespace orx {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<double> ParseNumber(std::string_view s) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// "LAT,LON" in degrees; nothing when the text is not two numbers separated by a comma.
// `inRange` tells whether they lie within +-90 and +-180.
std::optional<ArcMinutePoint> ParseLatLon(std::string_view text, bool& inRange) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const auto lat = ParseNumber(text.substr(0, comma));
  const auto lon = ParseNumber(text.substr(comma + 1));
  if (!lat || !lon) return std::nullopt;
  inRange = std::fabs(*lat) <= 90.0 && std::fabs(*lon) <= 180.0;
  if (!inRange) return ArcMinutePoint{};
  return ArcMinutePoint{static_cast<int>(std::lround(*lat * 60.0)), static_cast<int>(std::lround(*lon * 60.0))};
}

bool Open(CityDatabase& db, const std::filesystem::path& citiesFile, std::ostream& err) {
  const CityDatabaseOpenResult r = OpenCityDatabase(db, citiesFile);
  if (r.ok()) return true;
  if (r.status == CityDatabaseStatus::kMissing) {
    err << "orrelux: cannot open the city database " << citiesFile.string() << "\n";
  } else {
    err << "orrelux: " << r.message << "\n";
  }
  return false;
}

std::string NameAndCountry(const CityDatabase& db, const char* name, int country) {
  std::string text = name;
  if (country != kNoCountry && *CountryName(db, country) != '\0') {
    text += ", ";
    text += CountryName(db, country);
  }
  return platform::Cp1252ToUtf8(text);
}

// How many of the closest names a failed city query lists.
constexpr size_t kClosestListed = 10;

// "Kyiv, Ukraine", or "Kyiv, Ukraine (Kiev)" when the city was found by another name.
std::string MatchText(const CityDatabase& db, const CityNameMatch& m) {
  std::string text = NameAndCountry(db, RecordName(m.record), RecordCountry(m.record));
  if (m.name != RecordName(m.record)) text += " (" + platform::Cp1252ToUtf8(m.name) + ")";
  return text;
}

}  // namespace

int RunInfoCommand(std::string_view query, const platform::SystemTime& now, const Settings& settings,
                   const std::filesystem::path& citiesFile, std::ostream& out, std::ostream& err) {
  query = Trim(query);
  if (query.empty()) {
    err << "orrelux: --info needs LAT,LON in degrees or a city name\n";
    return 2;
  }
  bool inRange = true;
  const std::optional<ArcMinutePoint> point = ParseLatLon(query, inRange);
  if (point && !inRange) {
    err << "orrelux: latitude must lie within -90..90 and longitude within -180..180 degrees\n";
    return 2;
  }

  CityDatabase db;
  const bool haveDatabase = Open(db, citiesFile, err);
  Place place;
  if (point) {
    place.latitude = static_cast<int16_t>(point->latitude);
    place.longitude = static_cast<int16_t>(point->longitude);
    const bool snapped = haveDatabase && SnapToDatabase(db, point->latitude, point->longitude, settings.snapRadius,
                                                         settings.snapToNearestPopulousPlace, place);
    place.displayMask = snapped ? kPlaceShowLabel | kPlaceShowMarker : kPlaceShowMarker;
    if (snapped) {
      out << NameAndCountry(db, place.name, place.country) << "\n";
    } else {
      out << "No city within " << settings.snapRadius << " nautical miles\n";
    }
  } else {
    if (!haveDatabase) return 1;
    const std::string name = platform::Utf8ToCp1252(query);
    const std::vector<CityNameMatch> found = FindCitiesByName(db, name.c_str(), 1);
    if (found.empty()) {
      err << "orrelux: no city is named \"" << query << "\"";
      const std::vector<CityNameMatch> closest = ClosestCityNames(db, name.c_str(), kClosestListed);
      if (closest.empty()) {
        err << "; try --find\n";
      } else {
        err << "; the closest names are:\n";
        for (const CityNameMatch& m : closest) err << "  " << MatchText(db, m) << "\n";
      }
      CloseCityDatabase(db);
      return 1;
    }
    PlaceFromRecord(db, found.front().record, place);
    out << NameAndCountry(db, place.name, place.country) << "\n";
  }

  // All ten lines. The antipode line is added here rather than by the antipode setting,
  // which would move the Sun and Moon lines to the antipode as on the globe.
  Settings all = settings;
  all.computeDistance = false;
  all.latLon = all.cityTime = all.cityDate = all.citysNextDstTransition = true;
  all.sunriseAndSunsetTime = all.moonriseAndMoonsetTime = true;
  all.sunAzimuthAndElevation = all.moonAzimuthAndElevation = all.cityPopulation = true;
  all.antipodes = false;
  SkyPositions sky;
  RefreshSkyPositions(sky, now, {});
  std::vector<InfoLine> lines;
  BuildInfoLines(place, all, now, sky, lines);
  const ArcMinutePoint here{place.latitude, place.longitude};
  lines.insert(lines.begin() + 1, InfoLine{AntipodeLine(Antipode(here), all.latLonFormat), all.snappedCityColor});
  for (const InfoLine& line : lines) out << platform::Cp1252ToUtf8(line.text) << "\n";
  CloseCityDatabase(db);
  return 0;
}

int RunFindCommand(std::string_view prefix, const Settings& settings,
                   const std::filesystem::path& citiesFile, std::ostream& out, std::ostream& err) {
  const std::string folded = platform::Utf8ToCp1252(Trim(prefix));
  if (folded.empty()) {
    err << "orrelux: --find needs the first letters of a city name\n";
    return 2;
  }
  CityDatabase db;
  if (!Open(db, citiesFile, err)) return 1;
  std::vector<const char*> names;
  ListCitiesByNamePrefix(db, folded.c_str(), kCityListLimit, names);
  for (const char* name : names) {
    const uint8_t* r = RecordOfName(name);
    const ArcMinutePoint p{RecordLatitude(r), RecordLongitude(r)};
    out << NameAndCountry(db, name, RecordCountry(r)) << "  "
        << platform::Cp1252ToUtf8(CoordinatesLine(p, settings.latLonFormat)) << "\n";
  }
  if (names.size() >= static_cast<size_t>(kCityListLimit)) {
    err << "orrelux: only the " << kCityListLimit << " most populous matches are listed\n";
  }
  const bool found = !names.empty();
  if (!found) err << "orrelux: no city name starts with \"" << Trim(prefix) << "\"\n";
  CloseCityDatabase(db);
  return found ? 0 : 1;
}

}  // namespace orx
