// The information lines: their formats and which of them the settings switch on.
#include <gtest/gtest.h>

#include "measure/info_lines.h"

namespace orx {
namespace {

TEST(InfoLines, Formats) {
  const ArcMinutePoint chile{-(40 * 60 + 30), -73 * 60};
  EXPECT_EQ(CoordinatesLine(chile, false), "40\xB0 30' S  73\xB0 00' W");
  EXPECT_EQ(CoordinatesLine(chile, true), "40.50\xB0 S  73.00\xB0 W");
  EXPECT_EQ(AntipodeLine(Antipode(chile), false), "40\xB0 30' N 107\xB0  00' E (A)");
  EXPECT_EQ(AntipodeLine(Antipode(chile), true), "40.50\xB0 N  107.00\xB0 E");
  EXPECT_EQ(CoordinatesLine(Antipode({0, 0}), false), "00\xB0 00' N  180\xB0 00' W");
  EXPECT_EQ(CoordinatesLine(Antipode({0, 10800}), true), "0.00\xB0 N  0.00\xB0 E");

  EXPECT_EQ(PopulationLine(0x4000 + 99), "Population: less than 100");
  EXPECT_EQ(PopulationLine(0x4000 + 1234), "Population: 1200");
  EXPECT_EQ(PopulationLine(0x8000 + 125), "Population: 12.5 Thousand");
  EXPECT_EQ(PopulationLine(0xC000 + 12), "Population: 1.2 Million");
  EXPECT_EQ(PopulationLine(0x0123), "Population: NA");

  EXPECT_STREQ(CompassPointName(11.25), "NNE");
  EXPECT_STREQ(CompassPointName(348.74), "NNW");
  EXPECT_STREQ(CompassPointName(350), "N");
  EXPECT_STREQ(CompassPointName(360), "N");
  EXPECT_EQ(SunLine(-5.5, 101.25), "Sun: Elev: -5.50\xB0 Azim: 101.25\xB0 ESE");
  EXPECT_EQ(MoonLine(45, 270), "Moon: Elev: 45.00\xB0 Azim: 270.00\xB0 W");
}

TEST(InfoLines, WhichLinesInWhichOrder) {
  const platform::SystemTime now{2026, 7, 3, 15, 10, 20, 0, 0};  // a Wednesday
  SkyPositions sky;
  RefreshSkyPositions(sky, now, {});
  Place city;
  city.name = "Lisbon";
  city.latitude = 38 * 60 + 43;
  city.longitude = -(9 * 60 + 8);
  city.population = 0x8000 + 5050;
  city.dstStart = {0xA903, 60};  // last Sunday of March, 01:00
  city.dstEnd = {0xA90A, 120};   // last Sunday of October, 02:00
  Settings all;
  all.latLon = all.antipodes = all.cityTime = all.cityDate = all.citysNextDstTransition = true;
  all.sunriseAndSunsetTime = all.moonriseAndMoonsetTime = true;
  all.sunAzimuthAndElevation = all.moonAzimuthAndElevation = all.cityPopulation = true;
  all.timeFormat = 1;
  all.snappedCityColor = 0x07E0;

  const auto build = [&](const Place& p, const Settings& s) {
    std::vector<InfoLine> lines;
    BuildInfoLines(p, s, now, sky, lines);
    std::vector<std::string> texts;
    for (const auto& l : lines) {
      EXPECT_EQ(l.color, s.snappedCityColor);
      texts.push_back(l.text);
    }
    return texts;
  };
  // Each line starts with the expected text.
  const auto starts = [](const std::vector<std::string>& texts, const std::vector<std::string>& prefixes) {
    if (texts.size() != prefixes.size()) return false;
    for (size_t i = 0; i < texts.size(); ++i) {
      if (texts[i].rfind(prefixes[i], 0) != 0) return false;
    }
    return true;
  };
  // With the antipode shown, the Sun line describes the antipode, where the elevation
  // is the point's, negated.
  const double here = SunElevation(sky, city.latitude / 60.0, city.longitude / 60.0);
  EXPECT_TRUE(starts(build(city, all),
                     {"38\xB0 43' N  09\xB0 08' W", "38\xB0 43' S 170\xB0  52' E (A)", "11:20  (Daylight)",
                      "Wed, Jul 15th, 2026", "DST ends Sun, Oct 25th, 2026 at 02:00", "sunrise: 06:2",
                      "moonrise: ", SunLine(-here, 0).substr(0, 17), "Moon: Elev: ", "Population: 505.0 Thousand"}))
      << ::testing::PrintToString(build(city, all));
  Settings noAntipode = all;
  noAntipode.antipodes = false;
  EXPECT_EQ(build(city, noAntipode).at(6).substr(0, 17), SunLine(here, 0).substr(0, 17));

  // A bare point has only the coordinate, antipode, Sun and Moon lines.
  Place bare = city;
  bare.name = nullptr;
  EXPECT_EQ(build(bare, all).size(), 4u);

  // `City Date` alone shows nothing; the DST line needs no time line.
  Settings dateOnly;
  dateOnly.latLon = dateOnly.cityTime = false;
  dateOnly.cityDate = true;
  EXPECT_TRUE(build(city, dateOnly).empty());
  dateOnly.citysNextDstTransition = true;
  EXPECT_EQ(build(city, dateOnly), std::vector<std::string>{"DST ends Sun, Oct 25th, 2026 at 02:00"});

  // Distance mode and a hidden place: no lines at all.
  Settings distance = all;
  distance.computeDistance = true;
  EXPECT_TRUE(build(city, distance).empty());
  Place hidden = city;
  hidden.displayMask = 0;
  EXPECT_TRUE(build(hidden, all).empty());
}

}  // namespace
}  // namespace orx
