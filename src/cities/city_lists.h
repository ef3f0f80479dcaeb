// City lists for the Find City dialog and the Options dialog's city pages: the cities of
// a country, of a population class, or whose name starts with typed letters. Items are
// the cities' name pointers into cities.bin; the record is found from the name.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "cities/city_database.h"

namespace orx {

// Every caller builds lists from at most this many matching cities.
inline constexpr int kCityListLimit = 20000;

struct PopulationClass {
  const char* label;
  uint16_t from;   // lowest PopulationCode of the class, included
  uint16_t below;  // PopulationCode above the class, excluded
};

// The 8 classes from "1 Million and over" down to "Less than 10,000" (which also takes
// cities whose population is not given), in combo-box order.
std::span<const PopulationClass> PopulationClasses();
// (from, below) of the class whose label equals `label` exactly, else (-1, -1).
std::pair<int, int> PopulationClassBounds(const char* label);

// Each builder collects at most `limit` matching cities in file order (largest first),
// then appends them to `list` in the list order. True on success, also when nothing
// matches.
// The cities of country `country` (0..255), by folded name.
bool ListCitiesOfCountry(const CityDatabase& db, int country, int limit, std::vector<const char*>& list);
// The cities whose population code c satisfies lower <= c < upper, largest first.
bool ListCitiesOfPopulationClass(const CityDatabase& db, int lower, int upper, int limit,
                                 std::vector<const char*>& list);
// The cities whose name starts with `prefix` under the folding table, by folded name.
// An empty or null prefix lists nothing.
bool ListCitiesByNamePrefix(const CityDatabase& db, const char* prefix, int limit,
                            std::vector<const char*>& list);

// Choosing a city from a list: fills `place` from the record of the item's text and sets
// display mask 3. False when the text is not a city name of this database.
bool PlaceOfListItem(const CityDatabase& db, const char* itemText, Place& place);

}  // namespace orx
