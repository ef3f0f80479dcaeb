#include "app/info_command.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "astro/sun_moon.h"
#include "cities/city_database.h"
#include "cities/city_lists.h"
#include "cities/city_names.h"
#include "cities/city_record.h"
#include "cities/snap.h"
#include "gfx/fold.h"
#include "gps/gps_reader.h"
#include "measure/gps_display.h"
#include "measure/info_lines.h"
#include "platform/serial_port.h"
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

// The ten information lines of `place`, with the antipode line added here rather than
// by the antipode setting, which would move the Sun and Moon lines to the antipode as on
// the globe.
void PrintPlaceLines(const Place& place, const platform::SystemTime& now, const Settings& settings,
                     std::ostream& out) {
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
}

// Prints the name line of the place at `point` (snapped by the settings' snap rules) and
// its information lines.
void PrintPointInfo(ArcMinutePoint point, const platform::SystemTime& now, const Settings& settings,
                    CityDatabase* db, std::ostream& out) {
  Place place;
  place.latitude = static_cast<int16_t>(point.latitude);
  place.longitude = static_cast<int16_t>(point.longitude);
  const bool snapped = db && SnapToDatabase(*db, point.latitude, point.longitude, settings.snapRadius,
                                            settings.snapToNearestPopulousPlace, place);
  place.displayMask = snapped ? kPlaceShowLabel | kPlaceShowMarker : kPlaceShowMarker;
  if (snapped) {
    out << NameAndCountry(*db, place.name, place.country) << "\n";
  } else {
    out << "No city within " << settings.snapRadius << " nautical miles\n";
  }
  PrintPlaceLines(place, now, settings, out);
}

// The port the settings name, for messages: "COM1 (/dev/ttyUSB0)", "gpsd at localhost:2947".
std::string GpsPortDescription(int portIndex) {
  if (portIndex == kGpsdPortIndex) {
    const platform::GpsdAddress a = platform::GpsdAddressFromEnvironment();
    return "gpsd at " + a.host + ":" + std::to_string(a.port);
  }
  const std::string device = platform::SerialDevicePath(portIndex);
  return GpsPortName(portIndex) + (device.empty() ? " (no such serial device)" : " (" + device + ")");
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
  if (point) {
    PrintPointInfo(*point, now, settings, haveDatabase ? &db : nullptr, out);
    if (haveDatabase) CloseCityDatabase(db);
    return 0;
  }
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
  Place place;
  PlaceFromRecord(db, found.front().record, place);
  out << NameAndCountry(db, place.name, place.country) << "\n";
  PrintPlaceLines(place, now, settings, out);
  CloseCityDatabase(db);
  return 0;
}

int RunGpsInfoCommand(const platform::SystemTime& now, const Settings& settings,
                      const std::filesystem::path& citiesFile, std::ostream& out, std::ostream& err, int waitMs) {
  GpsState gps;
  InitGps(gps);
  EnableGpsStatus(gps, true);
  std::string status;
  const auto takeStatus = [&] { TakeGpsStatus(gps, [&](std::string_view text) { status = text; }); };
  const std::string port = GpsPortDescription(settings.gpsPort);
  if (!OpenGpsPortByIndex(gps, settings.gpsPort, settings.gpsBaud)) {
    takeStatus();
    err << "orrelux: " << status << ": " << port << "\n";
    CloseGpsPort(gps);
    return 1;
  }
  // The reader's own fix record is polled; a reader that ended (unplugged, overflow) will
  // not deliver one.
  GpsFix fix;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    GetGpsFix(gps, fix);
    takeStatus();
  } while (fix.status != kGpsValid && GpsReaderRunning(gps) && std::chrono::steady_clock::now() < deadline);
  takeStatus();  // what a reader said as it ended after the last look
  CloseGpsPort(gps);
  if (fix.status != kGpsValid) {
    err << "orrelux: no valid GPS fix from " << port << " within " << (waitMs + 999) / 1000 << " s";
    err << (status.empty() ? std::string() : ": " + status) << "\n";
    return 1;
  }
  const ArcMinutePoint point{static_cast<int>(std::lround(fix.latitude * 60.0)),
                             static_cast<int>(std::lround(fix.longitude * 60.0))};
  out << "GPS: " << platform::Cp1252ToUtf8(CoordinatesLine(point, settings.latLonFormat)) << ", course "
      << platform::Cp1252ToUtf8(CourseText(fix.course)) << ", " << SpeedText(fix.speed, settings.distanceUnits)
      << "\n";
  CityDatabase db;
  const bool haveDatabase = Open(db, citiesFile, err);
  PrintPointInfo(point, now, settings, haveDatabase ? &db : nullptr, out);
  if (haveDatabase) CloseCityDatabase(db);
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
