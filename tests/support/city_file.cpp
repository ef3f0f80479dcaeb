#include "support/city_file.h"

namespace orx::test {
namespace {

void Put16(std::vector<uint8_t>& b, size_t at, int v) {
  b[at] = static_cast<uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

}  // namespace

TestCityFile BuildCityFile(const std::vector<TestCountry>& countries, const std::vector<TestCity>& cities) {
  TestCityFile file;
  file.bytes.assign(17424, 0);
  for (size_t i = 0; i < countries.size() && i < 256; ++i) {
    const TestCountry& c = countries[i];
    const size_t at = 16 + i * 68;
    Put16(file.bytes, at, c.latitude);
    Put16(file.bytes, at + 2, c.longitude);
    for (int w = 0; w < 8; ++w) Put16(file.bytes, at + 4 + 2 * w, c.rules[w]);
    std::copy(c.name.begin(), c.name.end(), file.bytes.begin() + long(at + 20));
    std::copy(c.alternative.begin(), c.alternative.end(), file.bytes.begin() + long(at + 20 + c.name.size() + 1));
  }
  for (const TestCity& c : cities) {
    const size_t at = file.bytes.size();
    const size_t length = (12 + c.name.size() + 1 + 1) & ~size_t{1};
    file.offsets.push_back(static_cast<uint32_t>(at));
    file.bytes.resize(at + length, 0);
    Put16(file.bytes, at, static_cast<int>(length));
    file.bytes[at + 2] = c.flags;
    file.bytes[at + 3] = c.country;
    Put16(file.bytes, at + 4, c.population);
    Put16(file.bytes, at + 6, c.latitude);
    Put16(file.bytes, at + 8, c.longitude);
    Put16(file.bytes, at + 10, c.zoneOffset);
    std::copy(c.name.begin(), c.name.end(), file.bytes.begin() + long(at + 12));
  }
  file.bytes.resize(file.bytes.size() + 2, 0);
  return file;
}

std::string RealCityFilePath() { return std::string(ORRELUX_SOURCE_DIR) + "/data/cities.bin"; }

}  // namespace orx::test
