#include "cities/saved_cities.h"

#include "platform/files.h"

namespace orx {

void ParseDisplayedCities(const CityDatabase& db, std::span<const uint8_t> bytes, PlaceList& list) {
  if (!db.isOpen()) return;
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    const uint32_t offset = static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
                            static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
    if (offset == 0) break;
    const uint8_t* record = FindCityRecord(db, offset);
    if (record == nullptr) continue;  // written against another cities.bin, or damaged
    auto place = std::make_unique<Place>();
    PlaceFromRecord(db, record, *place);
    list.push_back(std::move(place));
  }
}

void LoadDisplayedCities(const CityDatabase& db, const std::filesystem::path& path, PlaceList& list) {
  if (!db.isOpen()) return;
  const auto bytes = platform::ReadWholeFile(path);
  if (bytes) ParseDisplayedCities(db, *bytes, list);
}

std::vector<uint8_t> SerializeDisplayedCities(const CityDatabase& db, const PlaceList& list) {
  std::vector<uint8_t> bytes;
  for (const auto& place : list) {
    if (place == nullptr) continue;
    const uint8_t* record = CityRecordOfName(db, place->name);
    if (record == nullptr) continue;
    const uint32_t offset = CityRecordOffset(db, record);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(offset >> shift));
  }
  return bytes;
}

bool SaveDisplayedCities(const CityDatabase& db, const std::filesystem::path& path, const PlaceList& list) {
  if (!db.isOpen()) return false;
  return platform::WriteFileAtomic(path, SerializeDisplayedCities(db, list));
}

}  // namespace orx
