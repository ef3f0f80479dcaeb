#include "cities/city_lists.h"

#include <cstring>

#include "gfx/fold.h"

namespace orx {
namespace {

constexpr PopulationClass kClasses[] = {
    {"1 Million and over", 0xC00A, 0xCFFF},
    {"Between 500,000 and 1 Mil", 0x9388, 0xC00A},
    {"Between 200,000 and 500,000", 0x87D0, 0x9388},
    {"Between 100,000 and 200,000", 0x83E8, 0x87D0},
    {"Between 50,000 and 100,000", 0x81F4, 0x83E8},
    {"Between 20,000 and 50,000", 0x80C8, 0x81F4},
    {"Between 10,000 and 20,000", 0x8064, 0x80C8},
    {"Less than 10,000", 0x0000, 0x8064},
};

// Collects into `order` while `limit` allows, then appends its in-order names.
class Collector {
 public:
  Collector(CityIndex& order, int limit) : order_(order), limit_(limit) {}
  // False once the limit is reached, which ends the collecting walk.
  bool Add(CityKey record) {
    if (order_.size() >= limit_) return false;
    order_.Insert(record);
    return order_.size() < limit_;
  }
  void AppendTo(std::vector<const char*>& list) const {
    list.reserve(list.size() + static_cast<size_t>(order_.size()));
    order_.ForEach([&](CityKey k) {
      list.push_back(RecordName(k));
      return true;
    });
  }

 private:
  CityIndex& order_;
  int limit_;
};

}  // namespace

std::span<const PopulationClass> PopulationClasses() { return kClasses; }

std::pair<int, int> PopulationClassBounds(const char* label) {
  if (label != nullptr) {
    for (const PopulationClass& c : kClasses) {
      if (std::strcmp(c.label, label) == 0) return {c.from, c.below};
    }
  }
  return {-1, -1};
}

bool ListCitiesOfCountry(const CityDatabase& db, int country, int limit, std::vector<const char*>& list) {
  if (country < 0 || country > 255 || limit <= 0) return true;
  CityIndexByName byName;
  Collector collect(byName, limit);
  const ProbeRecord probe = ProbeForCountry(static_cast<uint8_t>(country));
  db.byCountry.EqualRange(probe.key(), [&](CityKey k) { return collect.Add(k); });
  collect.AppendTo(list);
  return true;
}

bool ListCitiesOfPopulationClass(const CityDatabase& db, int lower, int upper, int limit,
                                 std::vector<const char*>& list) {
  if (lower < 0 || upper < 0 || limit <= 0) return true;
  CityIndexByPopulation byPopulation;
  Collector collect(byPopulation, limit);
  ForEachCityRecord(db, [&](CityKey k) {
    const int code = RecordPopulation(k);
    return code < lower || code >= upper || collect.Add(k);
  });
  collect.AppendTo(list);
  return true;
}

bool ListCitiesByNamePrefix(const CityDatabase& db, const char* prefix, int limit,
                            std::vector<const char*>& list) {
  if (prefix == nullptr || *prefix == '\0' || limit <= 0) return true;
  const int n = static_cast<int>(std::strlen(prefix));
  CityIndexByName byName;
  Collector collect(byName, limit);
  ForEachCityRecord(db, [&](CityKey k) {
    return CompareFoldedN(RecordName(k), prefix, n) != 0 || collect.Add(k);
  });
  collect.AppendTo(list);
  return true;
}

bool PlaceOfListItem(const CityDatabase& db, const char* itemText, Place& place) {
  const uint8_t* record = CityRecordOfName(db, itemText);
  if (record == nullptr) return false;
  PlaceFromRecord(db, record, place);
  place.displayMask = kPlaceShowLabel | kPlaceShowMarker;
  return true;
}

}  // namespace orx
