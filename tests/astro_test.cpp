// Sun and Moon positions and rise and set times against tables computed by an
// independent astronomy library (tests/data/astro/README.md), and the rise/set texts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "astro/rise_set.h"
#include "astro/sun_moon.h"
#include "support/reference_table.h"

namespace orx {
namespace {

using test::ErrorStats;
using test::ReadReferenceTable;
using test::SplitFields;

double Num(const test::ReferenceRow& row, const char* column) { return std::stod(row.at(column)); }

// Difference of two angles in degrees, in -180..180.
double AngleDiff(double a, double b) { return std::remainder(a - b, 360.0); }

platform::SystemTime Day(int year, int month, int day) {
  platform::SystemTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  return t;
}

platform::SystemTime Day(const std::string& isoDate) {
  const auto ymd = SplitFields(isoDate, '-');
  return Day(std::stoi(ymd[0]), std::stoi(ymd[1]), std::stoi(ymd[2]));
}

TEST(SkyPositions, SunAndMoonAgreeWithReference) {
  const auto rows = ReadReferenceTable("astro/positions.csv");
  ASSERT_GT(rows.size(), 500u);
  ErrorStats sunLat, sunLon, moonLat, moonLon, phase, sunElev, sunAzim, moonElev, moonAzim;
  for (const auto& row : rows) {
    SkyPositions sky;
    int shaded = 0;
    const auto utc = platform::SystemTimeFromMillis(platform::ParseUtcInstant(row.at("utc")).value());
    RefreshSkyPositions(sky, utc, [&](double p) {
      ++shaded;
      EXPECT_EQ(p, sky.moon.phase);  // the Moon is done before its icon is shaded
    });
    ASSERT_EQ(shaded, 1);
    const GeoPoint sun = SubSolarPoint(sky.sun), moon = SubLunarPoint(sky.moon);
    sunLat.Add(sun.latitude - Num(row, "sun_lat"));
    sunLon.Add(AngleDiff(sun.longitude, Num(row, "sun_lon")));
    moonLat.Add(moon.latitude - Num(row, "moon_lat"));
    moonLon.Add(AngleDiff(moon.longitude, Num(row, "moon_lon")));
    phase.Add(sky.moon.phase - Num(row, "phase"));
    EXPECT_TRUE(sky.moon.rightAscension >= 0 && sky.moon.rightAscension < 24);
    EXPECT_TRUE(sky.sun.greenwichHourAngle > 0 && sky.sun.greenwichHourAngle <= 360);

    const double lat = Num(row, "obs_lat"), lon = Num(row, "obs_lon");
    const double se = SunElevation(sky, lat, lon), me = MoonElevation(sky, lat, lon);
    sunElev.Add(se - Num(row, "sun_elev"));
    moonElev.Add(me - Num(row, "moon_elev"));
    // Azimuth is ill-defined with the body near the zenith.
    if (se < 85) sunAzim.Add(AngleDiff(SunAzimuth(sky, lat, lon, se), Num(row, "sun_azim")));
    if (me < 85) moonAzim.Add(AngleDiff(MoonAzimuth(sky, lat, lon, me), Num(row, "moon_azim")));
  }
  sunLat.ExpectBelow(0.05, "sub-solar latitude", "deg");
  sunLon.ExpectBelow(0.1, "sub-solar longitude", "deg");
  sunElev.ExpectBelow(0.1, "sun elevation", "deg");
  sunAzim.ExpectBelow(0.5, "sun azimuth", "deg");
  moonLat.ExpectBelow(0.3, "sub-lunar latitude", "deg");
  moonLon.ExpectBelow(0.5, "sub-lunar longitude", "deg");
  moonElev.ExpectBelow(0.5, "moon elevation", "deg");
  moonAzim.ExpectBelow(1.5, "moon azimuth", "deg");
  phase.ExpectBelow(0.02, "moon phase (unlit fraction)", "");
}

TEST(RiseSet, SunriseAndSunsetWithinTwoMinutes) {
  const auto rows = ReadReferenceTable("astro/sunrise_sunset.csv");
  ASSERT_GT(rows.size(), 900u);
  ErrorStats rise, set;
  int statusMismatches = 0, polarRows = 0;
  for (const auto& row : rows) {
    const auto d = Day(row.at("date"));
    const double lat = Num(row, "lat");
    const SunriseSunset s = ComputeSunriseSunset(JulianDayOfDate(d.year, d.month, d.day), lat, Num(row, "lon"));
    const bool polar = std::fabs(lat) > 65;
    polarRows += polar;
    for (auto [event, column, stats] : {std::tuple{&s.sunrise, "rise_min", &rise}, std::tuple{&s.sunset, "set_min", &set}}) {
      const std::string& ref = row.at(column);
      if ((ref != "none") != (event->kind == SunEventKind::Occurs)) {
        // Only near the first or last day of polar day or night may the two disagree.
        EXPECT_TRUE(polar) << row.at("date") << " " << lat;
        ++statusMismatches;
      } else if (ref != "none") {
        stats->Add(event->utcMinutes - std::stod(ref));
      }
    }
  }
  rise.ExpectBelow(2.0, "sunrise", "min");
  set.ExpectBelow(2.0, "sunset", "min");
  std::printf("polar rows: %d, event present in one source only: %d\n", polarRows, statusMismatches);
  EXPECT_LE(statusMismatches, polarRows / 20);
}

TEST(RiseSet, MoonriseAndMoonsetWithinTenMinutes) {
  const auto rows = ReadReferenceTable("astro/moonrise_moonset.csv");
  ASSERT_GT(rows.size(), 700u);
  constexpr double kToleranceHours = 10.0 / 60.0;
  ErrorStats rise, set;
  for (const auto& row : rows) {
    const auto d = Day(row.at("date"));
    const MoonriseMoonset m =
        ComputeMoonriseMoonset(d.year, d.month, d.day, Num(row, "zone_hours"), Num(row, "lat"), Num(row, "lon"));
    for (auto [found, hour, column, stats] :
         {std::tuple{m.riseFound, m.riseHour, "rises", &rise}, std::tuple{m.setFound, m.setHour, "sets", &set}}) {
      double nearest = 1e9;
      for (const auto& f : SplitFields(row.at(column), ';')) {
        const double r = std::stod(f);
        nearest = std::min(nearest, std::fabs(hour - r));
        // An event well inside the day must have been found.
        EXPECT_TRUE(found || r < kToleranceHours || r > 24 - kToleranceHours)
            << "missed " << column << " at " << r << " on " << row.at("date");
      }
      if (found) stats->Add(nearest * 60.0);
    }
  }
  rise.ExpectBelow(10.0, "moonrise", "min");
  set.ExpectBelow(10.0, "moonset", "min");
}

Place PlaceAt(double latitude, double longitude, int zoneOffset) {
  Place p;
  p.name = "Somewhere";
  p.latitude = static_cast<int16_t>(std::lround(latitude * 60));
  p.longitude = static_cast<int16_t>(std::lround(longitude * 60));
  p.zoneOffset = static_cast<int16_t>(zoneOffset);
  return p;
}

TEST(RiseSet, Texts) {
  constexpr auto k24 = TimeFormat::TwentyFourHour;
  // Polar day and night are words, not times.
  EXPECT_EQ(SunriseSunsetLine(Day(2026, 6, 21), PlaceAt(80, 15, 60), false, k24), "No sunset today");
  EXPECT_EQ(SunriseSunsetLine(Day(2026, 12, 21), PlaceAt(80, 15, 60), false, k24), "No sunrise today");

  // On the equator at Greenwich the day runs from about six to six; the 24-hour text
  // keeps the empty am/pm place, the 12-hour text fills it.
  const Place equator = PlaceAt(0, 0, 0);
  const std::string line = SunriseSunsetLine(Day(2026, 3, 20), equator, false, k24);
  EXPECT_EQ(line.substr(0, 12) + "|" + line.substr(14, 16) + "|" + line.substr(32),
            "sunrise: 06:| ,  sunset : 18:| ") << line;
  const std::string twelve = SunriseSunsetLine(Day(2026, 3, 20), equator, false, TimeFormat::TwelveHour);
  EXPECT_EQ(twelve.substr(14, 3) + twelve.substr(34, 3), " am pm") << twelve;

  // Minutes are rounded, DST adds an hour, and the hour wraps into 0..23 once (Tonga's
  // sunrise is on the previous UTC day's evening; a zone of -12 h puts Tokyo's before
  // local midnight).
  for (auto [lat, lon, zone] : {std::tuple{48.85, 2.35, 60}, std::tuple{-21.13, -175.2, 780}, std::tuple{35.7, 139.7, -720}}) {
    const Place p = PlaceAt(lat, lon, zone);
    const SunriseSunset s = ComputeSunriseSunset(JulianDayOfDate(2027, 5, 3), p.latitude / 60.0, p.longitude / 60.0);
    const auto clock = [&](double utc) {
      const int m = ((static_cast<int>(std::lround(utc + zone + 60)) % 1440) + 1440) % 1440;
      return FormatText("%02d%02d", m / 60, m % 60);
    };
    EXPECT_EQ(SunriseSunsetLine(Day(2027, 5, 3), p, true, TimeFormat::Hhmm),
              "sunrise: " + clock(s.sunrise.utcMinutes) + ",  sunset : " + clock(s.sunset.utcMinutes));
  }

  // A day on which the Moon rises and does not set (reference: rise at 17.82 h local,
  // sets at -0.56 h and 24.49 h).
  const std::string moon = MoonriseMoonsetLine(Day(2026, 8, 23), PlaceAt(52.485, 23.4108, 120), false, k24);
  EXPECT_EQ(moon.substr(0, 14) + "|" + moon.substr(15), "moonrise: 17:4| , No moonset today") << moon;

  // Far north the Moon stays up or down for whole days; the words must agree with its
  // altitude at local noon.
  int up = 0, down = 0;
  for (int day = 1; day <= 28; ++day) {
    const std::string text = MoonriseMoonsetLine(Day(2026, 2, day), PlaceAt(78, 15, 60), false, k24);
    if (text.rfind("Moon ", 0) != 0) continue;
    SkyPositions sky;
    UpdateMoonPosition(sky.moon, day, 2, 2026, 11.0);
    const bool above = MoonElevation(sky, 78, 15) > 0;
    EXPECT_EQ(text, above ? "Moon up whole day" : "Moon down whole day") << day;
    (above ? up : down)++;
  }
  EXPECT_GT(up, 3);
  EXPECT_GT(down, 3);
}

}  // namespace
}  // namespace orx
