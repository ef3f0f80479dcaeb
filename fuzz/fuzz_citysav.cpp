// Feeds arbitrary bytes to the cities.sav reader over a small fixed cities.bin: every
// place loaded must be a city of that file, and what loads saves and loads back the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "cities/city_database.h"
#include "cities/saved_cities.h"

namespace {

// Two countries and 16 cities "City0".."City15", as fuzz/corpus/citysav assumes: the
// records start at 17424 and are 18 bytes long (20 from "City10" on).
std::vector<uint8_t> SmallCityFile() {
  std::vector<uint8_t> b(17424, 0);
  std::memcpy(&b[16 + 20], "Alphaland\0AL", 12);
  std::memcpy(&b[16 + 68 + 20], "Betaland", 8);
  for (int i = 0; i < 16; ++i) {
    const std::string name = "City" + std::to_string(i);
    const size_t at = b.size();
    const size_t length = (12 + name.size() + 2) & ~size_t{1};
    b.resize(at + length, 0);
    b[at] = static_cast<uint8_t>(length);
    b[at + 2] = static_cast<uint8_t>(i % 3);
    b[at + 3] = static_cast<uint8_t>(i % 2);
    b[at + 4] = static_cast<uint8_t>(i);
    b[at + 5] = 0x40;
    b[at + 8] = static_cast<uint8_t>(i * 7);  // longitude
    std::memcpy(&b[at + 12], name.data(), name.size());
  }
  b.resize(b.size() + 2, 0);
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> file = SmallCityFile();
  static orx::CityDatabase db;
  static const bool opened = orx::OpenCityDatabase(db, file).ok();
  if (!opened) std::abort();

  orx::PlaceList list;
  orx::ParseDisplayedCities(db, std::span<const uint8_t>(data, size), list);
  for (const auto& p : list) {
    if (orx::CityRecordOfName(db, p->name) == nullptr || std::strncmp(p->name, "City", 4) != 0) std::abort();
  }
  const std::vector<uint8_t> saved = orx::SerializeDisplayedCities(db, list);
  if (saved.size() != 4 * list.size()) std::abort();
  orx::PlaceList again;
  orx::ParseDisplayedCities(db, saved, again);
  if (again.size() != list.size()) std::abort();
  for (size_t i = 0; i < list.size(); ++i) {
    if (again[i]->name != list[i]->name) std::abort();
  }
  return 0;
}
