// Sun and Moon positions and rise and set times against tables computed by an
// independent astronomy library (tests/data/astro/README.md).
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
double AngleDiff(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180) d -= 360;
  if (d < -180) d += 360;
  return d;
}

platform::SystemTime Utc(const std::string& iso) {
  const auto ms = platform::ParseUtcInstant(iso);
  EXPECT_TRUE(ms.has_value()) << iso;
  return platform::SystemTimeFromMillis(ms.value_or(0));
}

TEST(SkyPositions, SunAndMoonAgreeWithReference) {
  const auto rows = ReadReferenceTable("astro/positions.csv");
  ASSERT_GT(rows.size(), 500u);
  ErrorStats sunLat, sunLon, moonLat, moonLon, phase, sunElev, sunAzim, moonElev, moonAzim;
  for (const auto& row : rows) {
    SkyPositions sky;
    int shaded = 0;
    RefreshSkyPositions(sky, Utc(row.at("utc")), [&](double p) {
      ++shaded;
      EXPECT_EQ(p, sky.moon.phase);  // the Moon is done before the icon is shaded
    });
    ASSERT_EQ(shaded, 1);
    const GeoPoint sun = SubSolarPoint(sky.sun);
    const GeoPoint moon = SubLunarPoint(sky.moon);
    sunLat.Add(sun.latitude - Num(row, "sun_lat"));
    sunLon.Add(AngleDiff(sun.longitude, Num(row, "sun_lon")));
    moonLat.Add(moon.latitude - Num(row, "moon_lat"));
    moonLon.Add(AngleDiff(moon.longitude, Num(row, "moon_lon")));
    phase.Add(sky.moon.phase - Num(row, "phase"));
    EXPECT_GE(sky.moon.rightAscension, 0.0);
    EXPECT_LT(sky.moon.rightAscension, 24.0);
    EXPECT_GT(sky.sun.greenwichHourAngle, 0.0);
    EXPECT_LE(sky.sun.greenwichHourAngle, 360.0);

    const double lat = Num(row, "obs_lat"), lon = Num(row, "obs_lon");
    const double se = SunElevation(sky, lat, lon);
    const double me = MoonElevation(sky, lat, lon);
    sunElev.Add(se - Num(row, "sun_elev"));
    moonElev.Add(me - Num(row, "moon_elev"));
    // Azimuth is ill-defined with the body near the zenith.
    if (se < 85) sunAzim.Add(AngleDiff(SunAzimuth(sky, lat, lon, se), Num(row, "sun_azim")));
    if (me < 85) moonAzim.Add(AngleDiff(MoonAzimuth(sky, lat, lon, me), Num(row, "moon_azim")));
  }
  sunLat.Print("sub-solar latitude", "deg", 0.05);
  sunLon.Print("sub-solar longitude", "deg", 0.1);
  sunElev.Print("sun elevation", "deg", 0.1);
  sunAzim.Print("sun azimuth", "deg", 0.5);
  moonLat.Print("sub-lunar latitude", "deg", 0.3);
  moonLon.Print("sub-lunar longitude", "deg", 0.5);
  moonElev.Print("moon elevation", "deg", 0.5);
  moonAzim.Print("moon azimuth", "deg", 1.5);
  phase.Print("moon phase (unlit fraction)", "", 0.02);
  EXPECT_LT(sunLat.max(), 0.05);
  EXPECT_LT(sunLon.max(), 0.1);
  EXPECT_LT(sunElev.max(), 0.1);
  EXPECT_LT(sunAzim.max(), 0.5);
  EXPECT_LT(moonLat.max(), 0.3);
  EXPECT_LT(moonLon.max(), 0.5);
  EXPECT_LT(moonElev.max(), 0.5);
  EXPECT_LT(moonAzim.max(), 1.5);
  EXPECT_LT(phase.max(), 0.02);
}

TEST(RiseSet, SunriseAndSunsetWithinTwoMinutes) {
  const auto rows = ReadReferenceTable("astro/sunrise_sunset.csv");
  ASSERT_GT(rows.size(), 900u);
  ErrorStats rise, set;
  int statusMismatches = 0, polarRows = 0;
  for (const auto& row : rows) {
    const auto ymd = SplitFields(row.at("date"), '-');
    const double jd = JulianDayOfDate(std::stoi(ymd[0]), std::stoi(ymd[1]), std::stoi(ymd[2]));
    const double lat = Num(row, "lat");
    const SunriseSunset s = ComputeSunriseSunset(jd, lat, Num(row, "lon"));
    const bool polar = std::fabs(lat) > 65;
    polarRows += polar;
    for (auto [event, column, stats] : {std::tuple{&s.sunrise, "rise_min", &rise},
                                        std::tuple{&s.sunset, "set_min", &set}}) {
      const std::string& ref = row.at(column);
      const bool refOccurs = ref != "none";
      if (refOccurs != (event->kind == SunEventKind::Occurs)) {
        // Only near the first or last day of polar day or night may the two disagree.
        EXPECT_TRUE(polar) << row.at("date") << " " << lat;
        ++statusMismatches;
        continue;
      }
      if (!refOccurs) continue;
      stats->Add(event->utcMinutes - std::stod(ref));
    }
  }
  rise.Print("sunrise", "min", 2.0);
  set.Print("sunset", "min", 2.0);
  std::printf("polar rows: %d, event present in one source only: %d\n", polarRows, statusMismatches);
  EXPECT_LT(rise.max(), 2.0);
  EXPECT_LT(set.max(), 2.0);
  EXPECT_LE(statusMismatches, polarRows / 20);
}

TEST(RiseSet, MoonriseAndMoonsetWithinTenMinutes) {
  const auto rows = ReadReferenceTable("astro/moonrise_moonset.csv");
  ASSERT_GT(rows.size(), 700u);
  constexpr double kTolerance = 10.0 / 60.0;  // hours
  ErrorStats rise, set;
  int missed = 0;
  for (const auto& row : rows) {
    const auto ymd = SplitFields(row.at("date"), '-');
    const MoonriseMoonset m =
        ComputeMoonriseMoonset(std::stoi(ymd[0]), std::stoi(ymd[1]), std::stoi(ymd[2]),
                               Num(row, "zone_hours"), Num(row, "lat"), Num(row, "lon"));
    for (auto [found, hour, column, stats] :
         {std::tuple{m.riseFound, m.riseHour, "rises", &rise},
          std::tuple{m.setFound, m.setHour, "sets", &set}}) {
      std::vector<double> ref;
      for (const auto& f : SplitFields(row.at(column), ';')) ref.push_back(std::stod(f));
      if (found) {
        double best = 1e9;
        for (double r : ref) best = std::min(best, std::fabs(hour - r));
        EXPECT_LT(best, 1.0) << row.at("date") << " " << column;
        stats->Add(best * 60.0);
      } else {
        // An event well inside the day must have been found.
        for (double r : ref) {
          if (r > kTolerance && r < 24 - kTolerance) {
            ++missed;
            ADD_FAILURE() << "missed " << column << " at " << r << " on " << row.at("date");
          }
        }
      }
    }
  }
  rise.Print("moonrise", "min", 10.0);
  set.Print("moonset", "min", 10.0);
  EXPECT_LT(rise.max(), 10.0);
  EXPECT_LT(set.max(), 10.0);
  EXPECT_EQ(missed, 0);
}

Place PlaceAt(double latitude, double longitude, int zoneOffset) {
  Place p;
  p.name = "Somewhere";
  p.latitude = static_cast<int16_t>(std::lround(latitude * 60));
  p.longitude = static_cast<int16_t>(std::lround(longitude * 60));
  p.zoneOffset = static_cast<int16_t>(zoneOffset);
  return p;
}

platform::SystemTime Day(int year, int month, int day) {
  platform::SystemTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  return t;
}

TEST(RiseSetLines, SunTexts) {
  // Polar day and night are words, not times.
  EXPECT_EQ(SunriseSunsetLine(Day(2026, 6, 21), PlaceAt(80, 15, 60), false, TimeFormat::TwentyFourHour),
            "No sunset today");
  EXPECT_EQ(SunriseSunsetLine(Day(2026, 12, 21), PlaceAt(80, 15, 60), false, TimeFormat::TwentyFourHour),
            "No sunrise today");
  EXPECT_EQ(SunriseSunsetLine(Day(2026, 6, 21), PlaceAt(-80, 15, 60), true, TimeFormat::TwelveHour),
            "No sunrise today");

  // On the equator at Greenwich the day runs from about six to six; the 24-hour texts
  // keep the empty am/pm place.
  const Place equator = PlaceAt(0, 0, 0);
  const std::string line = SunriseSunsetLine(Day(2026, 3, 20), equator, false, TimeFormat::TwentyFourHour);
  ASSERT_EQ(line.size(), std::string("sunrise: 06:04 ,  sunset : 18:10 ").size()) << line;
  EXPECT_EQ(line.substr(0, 12), "sunrise: 06:");
  EXPECT_EQ(line.substr(14, 16), " ,  sunset : 18:");
  EXPECT_EQ(line.back(), ' ');
  const std::string hhmm = SunriseSunsetLine(Day(2026, 3, 20), equator, false, TimeFormat::Hhmm);
  EXPECT_EQ(hhmm.substr(0, 9) + hhmm.substr(13, 12), "sunrise: ,  sunset : ") << hhmm;
  EXPECT_EQ(hhmm.size(), 29u);
  const std::string twelve = SunriseSunsetLine(Day(2026, 3, 20), equator, false, TimeFormat::TwelveHour);
  EXPECT_EQ(twelve.substr(14, 3) + twelve.substr(34, 3), " am pm") << twelve;

  // Minutes are rounded; DST adds an hour; the hour wraps into 0..23 once, here for a
  // sunrise that falls on the previous UTC day's evening in local terms.
  for (auto [lat, lon, zone] : {std::tuple{48.85, 2.35, 60}, std::tuple{-21.13, -175.2, 780},
                                std::tuple{35.7, 139.7, -720}}) {
    const Place p = PlaceAt(lat, lon, zone);
    const SunriseSunset s = ComputeSunriseSunset(JulianDayOfDate(2027, 5, 3), p.latitude / 60.0,
                                                 p.longitude / 60.0);
    for (bool dst : {false, true}) {
      const int shift = zone + (dst ? 60 : 0);
      const auto clock = [&](double utc) {
        int m = static_cast<int>(std::lround(utc + shift)) % 1440;
        if (m < 0) m += 1440;
        return FormatText("%02d%02d", m / 60, m % 60);
      };
      EXPECT_EQ(SunriseSunsetLine(Day(2027, 5, 3), p, dst, TimeFormat::Hhmm),
                "sunrise: " + clock(s.sunrise.utcMinutes) + ",  sunset : " + clock(s.sunset.utcMinutes));
    }
  }
}

TEST(RiseSetLines, MoonTexts) {
  // A day on which the Moon rises and does not set (reference: rise 17.82 h local, sets
  // at -0.56 h and 24.49 h).
  const Place p = PlaceAt(52.485, 23.4108, 120);
  const std::string line = MoonriseMoonsetLine(Day(2026, 8, 23), p, false, TimeFormat::TwentyFourHour);
  EXPECT_EQ(line.substr(0, 14), "moonrise: 17:4") << line;
  EXPECT_EQ(line.substr(15), " , No moonset today") << line;
  // The same day with DST starts an hour earlier in UTC: still one rise.
  EXPECT_EQ(MoonriseMoonsetLine(Day(2026, 8, 23), p, true, TimeFormat::Hhmm).substr(0, 13), "moonrise: 184")
      << MoonriseMoonsetLine(Day(2026, 8, 23), p, true, TimeFormat::Hhmm);

  // Far north the Moon stays up or down for whole days; the words must agree with its
  // altitude at local noon.
  int up = 0, down = 0;
  const Place north = PlaceAt(78, 15, 60);
  for (int day = 1; day <= 28; ++day) {
    const std::string text = MoonriseMoonsetLine(Day(2026, 2, day), north, false, TimeFormat::TwentyFourHour);
    if (text != "Moon up whole day" && text != "Moon down whole day") continue;
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
