// Place: a point on Earth shared by cities, countries, the pointed place, distance
// points, GPS history points, route points and weather places.
#pragma once

#include <cstdint>

#include "worldtime/dst_rule.h"

namespace orx {

// A 16-bit population: bits 14-15 a scale tag, bits 0-13 a value v (0..16383).
// Tag 0: not given; 1: v persons; 2: v hundreds; 3: v hundred-thousands. Within the
// tags in use a larger raw code is a larger population.
using PopulationCode = uint16_t;

// Bits of Place::flags (the city record's flags byte).
inline constexpr uint8_t kPlaceRuleSetMask = 0x03;  // 0 no DST, 1 rule set 1, 2-3 rule set 2
inline constexpr uint8_t kPlaceRouteMark = 0x10;    // read from a route file
inline constexpr uint8_t kPlaceMarker5 = 0x20;      // small marker (GPS history points)
inline constexpr uint8_t kPlaceMarker6 = 0x40;      // own marker (national capitals)

// Bits of Place::displayMask.
inline constexpr uint32_t kPlaceShowLabel = 0x1;
inline constexpr uint32_t kPlaceShowMarker = 0x2;

inline constexpr uint8_t kNoCountry = 255;

class Place {
 public:
  Place() = default;
  Place(const Place&) = default;
  Place& operator=(const Place&) = default;
  virtual ~Place() = default;

  // Back to the fresh state: display mask 3, no name, flags 0, no country, numbers 0.
  void Reset() { *this = Place(); }

  uint32_t displayMask = kPlaceShowLabel | kPlaceShowMarker;
  const char* name = nullptr;  // Windows-1252, not owned (into cities.bin for cities)
  uint8_t flags = 0;
  uint8_t country = kNoCountry;
  int16_t zoneOffset = 0;  // standard time, minutes east of UTC
  int16_t latitude = 0;    // arc-minutes, north positive, -5400..5400
  int16_t longitude = 0;   // arc-minutes, east positive, -10800..10800
  DstRule dstStart;        // in local standard time; date 0 = no DST
  DstRule dstEnd;          // in local daylight time; date 0 = no DST
  PopulationCode population = 0;
};

}  // namespace orx
