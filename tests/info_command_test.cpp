// The terminal world clock over the shipped cities.bin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

#include "app/info_command.h"

namespace orx {
namespace {

const std::filesystem::path kCities = std::filesystem::path(ORRELUX_SOURCE_DIR) / "data" / "cities.bin";

struct CommandRun {
  int status;
  std::vector<std::string> out;
  std::string err;
};

CommandRun Capture(int status, const std::ostringstream& out, const std::ostringstream& err) {
  CommandRun r{status, {}, err.str()};
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) r.out.push_back(line);
  return r;
}

CommandRun Info(const char* query, const char* time = "2026-12-07T12:00:00Z", Settings s = {}) {
  std::ostringstream out, err;
  const auto now = platform::SystemTimeFromMillis(platform::ParseUtcInstant(time).value());
  return Capture(RunInfoCommand(query, now, s, kCities, out, err), out, err);
}

CommandRun Find(const char* prefix, const std::filesystem::path& file = kCities) {
  std::ostringstream out, err;
  return Capture(RunFindCommand(prefix, Settings{}, file, out, err), out, err);
}

TEST(InfoCommand, CityAndPoint) {
  Settings twentyFour;
  twentyFour.timeFormat = 1;
  const CommandRun cairo = Info("cairo", "2030-10-31T20:59:00Z", twentyFour);
  ASSERT_EQ(cairo.status, 0) << cairo.err;
  ASSERT_EQ(cairo.out.size(), 11u);
  EXPECT_EQ(cairo.out[0], "Cairo, Egypt");
  EXPECT_EQ(cairo.out[1], "30° 04' N  31° 15' E");
  EXPECT_EQ(cairo.out[2], "30° 04' S 148°  45' W (A)");
  EXPECT_EQ(cairo.out[3], "23:59  (Daylight)");
  EXPECT_EQ(cairo.out[5], "DST ends Fri, Nov 1st, 2030 at 00:00");
  EXPECT_EQ(cairo.out[10].substr(0, 12), "Population: ");

  // Accents fold; a point snaps to the nearby city; the open ocean is a bare point with
  // its coordinates and the Sun and Moon only.
  EXPECT_EQ(Info("Sao Paulo").out.at(0), "São Paulo, Brazil");
  EXPECT_EQ(Info("51.5,-0.12").out.at(0), "London, United Kingdom");
  Settings decimal;
  decimal.latLonFormat = true;
  const CommandRun ocean = Info("0, -140", "2026-12-07T12:00:00Z", decimal);
  ASSERT_EQ(ocean.status, 0);
  ASSERT_EQ(ocean.out.size(), 5u);
  EXPECT_EQ(ocean.out[0], "No city within 60 nautical miles");
  EXPECT_EQ(ocean.out[2], "0.00° N  40.00° E");

  EXPECT_EQ(Info("Nowhere-upon-Nothing").status, 1);
  EXPECT_EQ(Info("95,10").status, 2);
  EXPECT_EQ(Info("10,181").status, 2);
  EXPECT_EQ(Info("  ").status, 2);
}

TEST(InfoCommand, FindListsInNameOrder) {
  const CommandRun lisb = Find("lisb");
  ASSERT_EQ(lisb.status, 0) << lisb.err;
  EXPECT_NE(std::find(lisb.out.begin(), lisb.out.end(), "Lisbon, Portugal  38° 43' N  09° 08' W"), lisb.out.end());
  std::vector<std::string> names;  // folded; plain ASCII names here
  for (std::string line : lisb.out) {
    line.resize(line.find(','));
    for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    names.push_back(line);
  }
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(Find("Qqxzq").status, 1);
  EXPECT_EQ(Find("").status, 2);
  const CommandRun missing = Find("Lisb", "/nonexistent/cities.bin");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace orx
