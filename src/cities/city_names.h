// Finding a city by any of its names: its own name in cities.bin, or one of the other
// names (common English, local and ASCII spellings) that citynames.bin beside it lists.
//
// citynames.bin (little-endian), made by tools/citydb for one cities.bin:
//   0   4  "ORXN"
//   4   2  format version (1)
//   6   2  0
//   8   4  entry count n
//   12  4  size in bytes of the cities.bin the entries point into
//   16  8n entries, sorted by folded name: uint32 offset of the name in the pool,
//          uint32 offset of the city's record in cities.bin
//   ..     the pool: NUL-terminated Windows-1252 names; the file ends with a NUL
// Every offset is checked against the file before it is used; an index that does not
// fit its cities.bin is not used (the cities' own names are still found).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orx {

struct CityDatabase;

inline constexpr char kCityNamesFileName[] = "citynames.bin";

// The checked entries of citynames.bin: what OpenCityNames leaves in a CityDatabase.
struct CityNameTable {
  std::span<const uint8_t> entries;  // 8 bytes each
  std::span<const uint8_t> pool;     // ends with a NUL
  size_t size() const { return entries.size() / 8; }
  bool empty() const { return entries.empty(); }
};

struct CityNamesCheck {
  bool ok = false;
  std::string message;  // why the file is not used; empty when ok
  CityNameTable table;
};

// Checks `bytes` as a citynames.bin for `cities`, a cities.bin already checked by its
// reader: header, entry bounds, every name offset inside the pool, the pool's last NUL,
// every record offset at the start of a record of `cities`, and the folded name order.
// `table` is filled only when ok.
CityNamesCheck CheckCityNames(std::span<const uint8_t> bytes, std::span<const uint8_t> cities);

// A city found by one of its names.
struct CityNameMatch {
  const uint8_t* record = nullptr;  // the city's record in cities.bin
  const char* name = nullptr;       // the name that matched, Windows-1252: the city's own
                                    // (into cities.bin) or another one (into citynames.bin)
  bool operator==(const CityNameMatch&) const = default;
};

// The cities whose own name or one of whose other names equals `name` (Windows-1252)
// under the folding table: each city once, most populous first (equal populations in
// file order), at most `limit`. Empty for an empty or null name or a closed database.
std::vector<CityNameMatch> FindCitiesByName(const CityDatabase& db, const char* name, size_t limit);

// For a name that FindCitiesByName does not know: the cities with a name that starts
// with `name` (folded), then those with a name that equals it when spaces, hyphens,
// dots and apostrophes are left out, then those with a name one or two letters away
// (cities of 100,000 people or more). Each city once, in that order of groups and most
// populous first within a group, at most `limit`.
std::vector<CityNameMatch> ClosestCityNames(const CityDatabase& db, const char* name, size_t limit);

// The cities whose own name or one of whose other names starts with `prefix` (folded),
// each city once: by its own name when that matches, else by its first matching other
// name. At most `limit` are collected: own names first in file order, then other names;
// the result is ordered by the matched name (folded), equal names in that order.
// Empty for an empty or null prefix.
std::vector<CityNameMatch> ListCitiesByAnyNamePrefix(const CityDatabase& db, const char* prefix, size_t limit);

}  // namespace orx
