// Small cities.bin files made in memory for the tests of the city database.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orx::test {

struct TestCountry {
  std::string name;
  std::string alternative;
  int latitude = 0, longitude = 0;  // arc-minutes
  // Rule set 1 then rule set 2, each: start time, start date, end time, end date.
  uint16_t rules[8] = {};
};

struct TestCity {
  std::string name;  // Windows-1252
  int latitude = 0, longitude = 0;  // arc-minutes
  uint16_t population = 0;
  uint8_t flags = 0;
  uint8_t country = 255;
  int zoneOffset = 0;
};

struct TestCityFile {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> offsets;  // of each city's record, in the order given
};

// Countries go into entries 0.. in order; the records follow in the order given, each
// padded to an even length, and end with a zero length word.
TestCityFile BuildCityFile(const std::vector<TestCountry>& countries, const std::vector<TestCity>& cities);

// data/cities.bin of the source tree.
std::string RealCityFilePath();

}  // namespace orx::test
