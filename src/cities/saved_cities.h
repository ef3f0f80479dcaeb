// cities.sav: the displayed cities as 32-bit little-endian byte offsets of their records
// in cities.bin, in list order, with no header. A 0 value ends the list.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "cities/city_database.h"

namespace orx {

// Appends a Place (display mask 3) for every stored offset that starts a record of this
// cities.bin, in file order. Other offsets, and a trailing piece shorter than 4 bytes, are
// skipped without a message; a missing or unreadable file loads nothing.
void LoadDisplayedCities(const CityDatabase& db, const std::filesystem::path& path, PlaceList& list);
void ParseDisplayedCities(const CityDatabase& db, std::span<const uint8_t> bytes, PlaceList& list);

// Writes the record offsets of the list's cities atomically; places that are not cities
// of this cities.bin are left out. Does nothing (and returns false) when the database is
// not open; false when the file cannot be written, which loses the selection silently.
bool SaveDisplayedCities(const CityDatabase& db, const std::filesystem::path& path, const PlaceList& list);
std::vector<uint8_t> SerializeDisplayedCities(const CityDatabase& db, const PlaceList& list);

}  // namespace orx
