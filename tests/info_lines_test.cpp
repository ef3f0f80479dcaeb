// The information lines: their formats and which of them the settings switch on.
#include <gtest/gtest.h>

#include <cstdlib>

#include "measure/info_lines.h"

namespace orx {
namespace {

TEST(InfoLines, CoordinateFormats) {
  const ArcMinutePoint chile{-(40 * 60 + 30), -73 * 60};
  EXPECT_EQ(CoordinatesLine(chile, false), "40\xB0 30' S  73\xB0 00' W");
  EXPECT_EQ(CoordinatesLine(chile, true), "40.50\xB0 S  73.00\xB0 W");
  const ArcMinutePoint anti = Antipode(chile);
  EXPECT_EQ(anti.latitude, 40 * 60 + 30);
  EXPECT_EQ(anti.longitude, 107 * 60);
  EXPECT_EQ(AntipodeLine(anti, false), "40\xB0 30' N 107\xB0  00' E (A)");
  EXPECT_EQ(AntipodeLine(anti, true), "40.50\xB0 N  107.00\xB0 E");

  EXPECT_EQ(Antipode({0, 0}).longitude, -10800);
  EXPECT_EQ(CoordinatesLine(Antipode({0, 0}), false), "00\xB0 00' N  180\xB0 00' W");
  EXPECT_EQ(Antipode({0, 10800}).longitude, 0);
  EXPECT_EQ(CoordinatesLine(Antipode({0, 10800}), true), "0.00\xB0 N  0.00\xB0 E");
  EXPECT_EQ(Antipode({5400, -1}).longitude, 10799);
  EXPECT_EQ(Antipode({5400, -1}).latitude, -5400);
}

TEST(InfoLines, PopulationAndCompass) {
  EXPECT_EQ(PopulationLine(0x4000 + 99), "Population: less than 100");
  EXPECT_EQ(PopulationLine(0x4000 + 1234), "Population: 1200");
  EXPECT_EQ(PopulationLine(0x8000 + 125), "Population: 12.5 Thousand");
  EXPECT_EQ(PopulationLine(0xC000 + 12), "Population: 1.2 Million");
  EXPECT_EQ(PopulationLine(0x0123), "Population: NA");

  EXPECT_STREQ(CompassPointName(0), "N");
  EXPECT_STREQ(CompassPointName(11.25), "NNE");
  EXPECT_STREQ(CompassPointName(348.74), "NNW");
  EXPECT_STREQ(CompassPointName(350), "N");
  EXPECT_STREQ(CompassPointName(360), "N");
  EXPECT_STREQ(CompassPointName(180), "S");
  EXPECT_EQ(SunLine(-5.5, 101.25), "Sun: Elev: -5.50\xB0 Azim: 101.25\xB0 ESE");
  EXPECT_EQ(MoonLine(45, 270), "Moon: Elev: 45.00\xB0 Azim: 270.00\xB0 W");
}

Settings AllLinesOn() {
  Settings s;
  s.latLon = s.antipodes = s.cityTime = s.cityDate = s.citysNextDstTransition = true;
  s.sunriseAndSunsetTime = s.moonriseAndMoonsetTime = true;
  s.sunAzimuthAndElevation = s.moonAzimuthAndElevation = s.cityPopulation = true;
  s.timeFormat = 1;
  s.snappedCityColor = 0x07E0;
  return s;
}

std::vector<std::string> Texts(const std::vector<InfoLine>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(l.text);
  return out;
}

TEST(InfoLines, WhichLinesInWhichOrder) {
  platform::SystemTime now;
  now.year = 2026;
  now.month = 7;
  now.day = 15;
  now.dayOfWeek = 3;
  now.hour = 10;
  now.minute = 20;
  SkyPositions sky;
  RefreshSkyPositions(sky, now, {});

  Place city;
  city.name = "Lisbon";
  city.latitude = 38 * 60 + 43;
  city.longitude = -(9 * 60 + 8);
  city.population = 0x8000 + 5050;
  city.dstStart = {0xA903, 60};  // last Sunday of March, 01:00
  city.dstEnd = {0xA90A, 120};   // last Sunday of October, 02:00
  const Settings all = AllLinesOn();

  std::vector<InfoLine> lines;
  BuildInfoLines(city, all, now, sky, lines);
  ASSERT_EQ(lines.size(), 10u);
  for (const auto& l : lines) EXPECT_EQ(l.color, 0x07E0);
  const auto t = Texts(lines);
  EXPECT_EQ(t[0], "38\xB0 43' N  09\xB0 08' W");
  EXPECT_EQ(t[1], "38\xB0 43' S 170\xB0  52' E (A)");
  EXPECT_EQ(t[2], "11:20  (Daylight)");
  EXPECT_EQ(t[3], "Wed, Jul 15th, 2026");
  EXPECT_EQ(t[4], "DST ends Sun, Oct 25th, 2026 at 02:00");
  EXPECT_EQ(t[5].substr(0, 9), "sunrise: ");
  EXPECT_EQ(t[6].substr(0, 10), "moonrise: ");
  EXPECT_EQ(t[7].substr(0, 10), "Sun: Elev:");
  EXPECT_EQ(t[8].substr(0, 11), "Moon: Elev:");
  EXPECT_EQ(t[9], "Population: 505.0 Thousand");

  // With the antipode shown, the Sun line describes the antipode: the elevation there
  // is the point's, negated.
  const double here = SunElevation(sky, city.latitude / 60.0, city.longitude / 60.0);
  EXPECT_EQ(t[7].substr(0, 17), SunLine(-here, 0).substr(0, 17));
  Settings noAntipode = all;
  noAntipode.antipodes = false;
  lines.clear();
  BuildInfoLines(city, noAntipode, now, sky, lines);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[6].text.substr(0, 17), SunLine(here, 0).substr(0, 17));

  // A bare point has no time, rise/set or population lines.
  Place bare = city;
  bare.name = nullptr;
  lines.clear();
  BuildInfoLines(bare, all, now, sky, lines);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].text.substr(lines[1].text.size() - 3), "(A)");
  EXPECT_EQ(lines[2].text.substr(0, 4), "Sun:");
  EXPECT_EQ(lines[3].text.substr(0, 5), "Moon:");

  // `City Date` alone shows nothing; the DST text alone comes without the time.
  Settings dateOnly;
  dateOnly.latLon = dateOnly.cityTime = false;
  dateOnly.cityDate = true;
  lines.clear();
  BuildInfoLines(city, dateOnly, now, sky, lines);
  EXPECT_TRUE(lines.empty());
  dateOnly.citysNextDstTransition = true;
  BuildInfoLines(city, dateOnly, now, sky, lines);
  EXPECT_EQ(Texts(lines), std::vector<std::string>{"DST ends Sun, Oct 25th, 2026 at 02:00"});

  // Distance mode and a hidden place: no lines at all.
  Settings distance = all;
  distance.computeDistance = true;
  lines.clear();
  BuildInfoLines(city, distance, now, sky, lines);
  EXPECT_TRUE(lines.empty());
  Place hidden = city;
  hidden.displayMask = 0;
  BuildInfoLines(hidden, all, now, sky, lines);
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace orx
