// Feeds arbitrary bytes to the city database reader as cities.bin; a file that passes
// the checks is then driven through every reader of it: places from records, the country
// lookups, the list builders, snapping and record lookups by offset.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "cities/city_database.h"
#include "cities/city_lists.h"
#include "cities/snap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orx::CityDatabase db;
  const orx::CityDatabaseOpenResult result = orx::OpenCityDatabase(db, std::span<const uint8_t>(data, size));
  if (!result.ok()) {
    if (result.offset > size || db.isOpen()) std::abort();
    return 0;
  }
  size_t names = 0;
  orx::ForEachCityRecord(db, [&](orx::CityKey k) {
    orx::Place p;
    orx::PlaceFromRecord(db, k, p);
    names += std::strlen(p.name);
    if (orx::FindCityRecord(db, orx::CityRecordOffset(db, k)) != k) std::abort();
    return true;
  });
  for (const char* name : orx::CountryNames(db)) {
    if (orx::CountryIndexOfName(db, name) > 255 || orx::ServiceNameOfCountry(db, name) == nullptr) std::abort();
  }
  orx::PlaceList countries;
  orx::AllCountriesAsPlaces(db, countries);

  std::vector<const char*> list;
  for (int country = 0; country < 256; country += 17) orx::ListCitiesOfCountry(db, country, 40, list);
  for (const orx::PopulationClass& c : orx::PopulationClasses()) {
    orx::ListCitiesOfPopulationClass(db, c.from, c.below, 40, list);
  }
  for (const char* prefix : {"a", "S", "\xC9"}) orx::ListCitiesByNamePrefix(db, prefix, 40, list);
  for (const char* name : list) {
    if (orx::CityRecordOfName(db, name) == nullptr) std::abort();
  }

  orx::Place place;
  for (int lat = -5400; lat <= 5400; lat += 2700) {
    for (int lon = -10800; lon <= 10800; lon += 5400) {
      orx::SnapToDatabase(db, lat, lon, 200, false, place);
      orx::SnapToDatabase(db, lat, lon, 60, true, place);
    }
  }
  // Offsets taken from the input itself, as a damaged cities.sav would hold them.
  for (size_t i = 0; i + 4 <= size && i < 4096; i += 4) {
    uint32_t offset;
    std::memcpy(&offset, data + i, 4);
    if (const uint8_t* r = orx::FindCityRecord(db, offset); r != nullptr && r != data + offset) std::abort();
  }
  if (names > size) std::abort();  // names lie inside the input
  return 0;
}
