#include "measure/info_lines.h"

#include <cstdlib>

#include "astro/rise_set.h"
#include "worldtime/calendar.h"
#include "worldtime/world_time.h"

namespace orx {
namespace {

constexpr char kDegree = static_cast<char>(0xB0);

constexpr const char* kCompassPoints[17] = {"N",  "NNE", "NE", "ENE", "E",  "ESE", "SE", "SSE", "S",
                                            "SSW", "SW", "WSW", "W",  "WNW", "NW", "NNW", "N"};

char NorthSouth(int latitude) { return latitude < 0 ? 'S' : 'N'; }
char EastWest(int longitude) { return longitude < 0 ? 'W' : 'E'; }

std::string DecimalCoordinates(ArcMinutePoint p) {
  return FormatText("%.2f%c %c  %.2f%c %c", std::abs(p.latitude) / 60.0, kDegree, NorthSouth(p.latitude),
                    std::abs(p.longitude) / 60.0, kDegree, EastWest(p.longitude));
}

std::string BodyLine(const char* body, double elevation, double azimuth) {
  return FormatText("%s: Elev: %.2f%c Azim: %.2f%c %s", body, elevation, kDegree, azimuth, kDegree,
                    CompassPointName(azimuth));
}

}  // namespace

ArcMinutePoint Antipode(ArcMinutePoint point) {
  ArcMinutePoint a;
  a.latitude = static_cast<int16_t>(-point.latitude);
  a.longitude = static_cast<int16_t>(point.longitude < 0 ? point.longitude + 10800 : point.longitude - 10800);
  return a;
}

std::string CoordinatesLine(ArcMinutePoint p, bool decimal) {
  if (decimal) return DecimalCoordinates(p);
  const int lat = std::abs(p.latitude), lon = std::abs(p.longitude);
  return FormatText("%02d%c %02d%c %c  %02d%c %02d%c %c", lat / 60, kDegree, lat % 60, '\'',
                    NorthSouth(p.latitude), lon / 60, kDegree, lon % 60, '\'', EastWest(p.longitude));
}

std::string AntipodeLine(ArcMinutePoint p, bool decimal) {
  if (decimal) return DecimalCoordinates(p);
  const int lat = std::abs(p.latitude), lon = std::abs(p.longitude);
  return FormatText("%02d%c %02d%c %c %02d%c  %02d%c %c (A)", lat / 60, kDegree, lat % 60, '\'',
                    NorthSouth(p.latitude), lon / 60, kDegree, lon % 60, '\'', EastWest(p.longitude));
}

const char* CompassPointName(double azimuth) {
  // Azimuths come in 0..360; anything else (a NaN included) is kept inside the table.
  if (!(azimuth >= 0.0)) return kCompassPoints[0];
  if (azimuth > 360.0) return kCompassPoints[16];
  return kCompassPoints[static_cast<int>((azimuth + 11.25) / 22.5)];
}

std::string SunLine(double elevation, double azimuth) { return BodyLine("Sun", elevation, azimuth); }

std::string MoonLine(double elevation, double azimuth) { return BodyLine("Moon", elevation, azimuth); }

std::string PopulationLine(PopulationCode code) {
  const int v = code & 0x3FFF;
  switch (code & 0xC000) {
    case 0xC000: return FormatText("Population: %.1f Million", v * 0.1);
    case 0x8000: return FormatText("Population: %.1f Thousand", v * 0.1);
    case 0x4000:
      if (v < 100) return "Population: less than 100";
      return FormatText("Population: %d", (v / 100) * 100);
    default: return "Population: NA";
  }
}

void BuildInfoLines(const Place& pointed, const Settings& s, const platform::SystemTime& now,
                    const SkyPositions& sky, std::vector<InfoLine>& lines) {
  if (s.computeDistance || pointed.displayMask == 0) return;
  const Color565 color = s.snappedCityColor;
  const auto add = [&](std::string text) { lines.push_back({std::move(text), color}); };

  ArcMinutePoint point{pointed.latitude, pointed.longitude};
  if (s.latLon) add(CoordinatesLine(point, s.latLonFormat));
  if (s.antipodes) {
    // The Sun and Moon lines then describe the antipode, where its marker is drawn.
    point = Antipode(point);
    if (s.latLon) add(AntipodeLine(point, s.latLonFormat));
  }

  const bool named = pointed.name != nullptr;
  if (named && (s.cityTime || s.citysNextDstTransition || s.sunriseAndSunsetTime ||
                s.moonriseAndMoonsetTime)) {
    const TimeFormat format = TimeFormatFromSetting(s.timeFormat);
    std::string time, date, dst;
    const bool daylight = CityLocalTime(now, pointed, format, s.cityTime ? &time : nullptr,
                                        s.cityTime && s.cityDate ? &date : nullptr,
                                        s.citysNextDstTransition ? &dst : nullptr);
    if (s.cityTime) add(time);
    if (s.cityTime && s.cityDate) add(date);
    if (s.citysNextDstTransition) add(dst);
    if (s.sunriseAndSunsetTime) add(SunriseSunsetLine(now, pointed, daylight, format));
    if (s.moonriseAndMoonsetTime) add(MoonriseMoonsetLine(now, pointed, daylight, format));
  }

  const double lat = point.latitude / 60.0, lon = point.longitude / 60.0;
  if (s.sunAzimuthAndElevation) {
    const double e = SunElevation(sky, lat, lon);
    add(SunLine(e, SunAzimuth(sky, lat, lon, e)));
  }
  if (s.moonAzimuthAndElevation) {
    const double e = MoonElevation(sky, lat, lon);
    add(MoonLine(e, MoonAzimuth(sky, lat, lon, e)));
  }
  if (named && s.cityPopulation) add(PopulationLine(pointed.population));
}

}  // namespace orx
