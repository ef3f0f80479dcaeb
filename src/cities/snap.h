// Snapping a tapped position (arc-minutes) to the GPS position, a displayed place or a
// city of the database. Distances are measured in the arc-minute plane, without a
// cosine-of-latitude correction and without wrapping at +-180 degrees.
#pragma once

#include "cities/city_database.h"
#include "cities/place.h"

namespace orx {

// What a snap may land on, in order of preference; null lists and a null database are
// skipped (the caller passes them only when the matching setting is on).
struct SnapSources {
  bool gpsValid = false;           // the GPS fix is valid
  double gpsLatitude = 0;          // degrees
  double gpsLongitude = 0;         // degrees
  const PlaceList* displayedCities = nullptr;  // with `Snap to nearest displayed place`
  const PlaceList* pathPoints = nullptr;       // the distance path, likewise
  const Place* draggedPoint = nullptr;         // a path point being dragged is skipped
  const CityDatabase* database = nullptr;      // with `Snap to nearest known place`
  bool nearestPopulous = false;    // `Snap to nearest populous place`
  int radius = 60;                 // "Snap Radius", arc-minutes (1..200)
};

enum class SnapResult {
  kNone,
  kGps,        // the place now follows the GPS position
  kDisplayed,  // a displayed city or a path point
  kDatabase,
};

// Fills `place` with the first hit: the GPS position within the radius (reset, display
// mask 2, the GPS coordinates), the first displayed city or path point within the radius
// (every field but the display mask), or SnapToDatabase. `place` is untouched on kNone.
SnapResult SnapToPlace(const SnapSources& sources, int latitude, int longitude, Place& place);

// The city inside the square of side 2 * radius around the point: the nearest (the first
// visited, in increasing longitude, among equals) or, with `nearestPopulous`, the one with
// the largest population code (the last visited among equals). The search stops after
// 500 improvements of the best candidate. True when a city filled `place`.
bool SnapToDatabase(const CityDatabase& db, int latitude, int longitude, int radius,
                    bool nearestPopulous, Place& place);

}  // namespace orx
