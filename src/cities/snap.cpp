#include "cities/snap.h"

#include <cmath>
#include <cstdlib>

namespace orx {
namespace {

constexpr int kMaxImprovements = 500;

bool WithinCircle(int dLat, int dLon, int radius) {
  return static_cast<long long>(dLat) * dLat + static_cast<long long>(dLon) * dLon <
         static_cast<long long>(radius) * radius;
}

// The first place of `list` within the circle, skipping `skip`.
const Place* FirstWithin(const PlaceList* list, const Place* skip, int latitude, int longitude, int radius) {
  if (list == nullptr) return nullptr;
  for (const auto& p : *list) {
    if (p == nullptr || p.get() == skip) continue;
    if (WithinCircle(p->latitude - latitude, p->longitude - longitude, radius)) return p.get();
  }
  return nullptr;
}

}  // namespace

SnapResult SnapToPlace(const SnapSources& sources, int latitude, int longitude, Place& place) {
  const int radius = sources.radius;
  if (sources.gpsValid && std::isfinite(sources.gpsLatitude) && std::isfinite(sources.gpsLongitude) &&
      std::fabs(sources.gpsLatitude) <= 90 && std::fabs(sources.gpsLongitude) <= 180) {
    const int gpsLat = static_cast<int>(sources.gpsLatitude * 60);
    const int gpsLon = static_cast<int>(sources.gpsLongitude * 60);
    if (WithinCircle(gpsLat - latitude, gpsLon - longitude, radius)) {
      place.Reset();
      place.displayMask = kPlaceShowMarker;
      place.latitude = static_cast<int16_t>(gpsLat);
      place.longitude = static_cast<int16_t>(gpsLon);
      return SnapResult::kGps;
    }
  }
  const Place* hit = FirstWithin(sources.displayedCities, nullptr, latitude, longitude, radius);
  if (hit == nullptr) hit = FirstWithin(sources.pathPoints, sources.draggedPoint, latitude, longitude, radius);
  if (hit != nullptr) {
    const uint32_t mask = place.displayMask;
    place = *hit;
    place.displayMask = mask;
    return SnapResult::kDisplayed;
  }
  if (sources.database != nullptr &&
      SnapToDatabase(*sources.database, latitude, longitude, radius, sources.nearestPopulous, place)) {
    return SnapResult::kDatabase;
  }
  return SnapResult::kNone;
}

bool SnapToDatabase(const CityDatabase& db, int latitude, int longitude, int radius,
                    bool nearestPopulous, Place& place) {
  if (!db.isOpen() || radius <= 0) return false;
  CityKey best = nullptr;
  long long bestDistance = 0;
  int bestPopulation = 0;
  int improvements = 0;
  db.byLongitude.Window(longitude, radius, [&](CityKey k) {
    const int dLat = RecordLatitude(k) - latitude;
    if (std::abs(dLat) >= radius) return true;
    if (nearestPopulous) {
      const int population = RecordPopulation(k);
      if (best != nullptr && population < bestPopulation) return true;
      bestPopulation = population;
    } else {
      const int dLon = RecordLongitude(k) - longitude;
      const long long distance = static_cast<long long>(dLat) * dLat + static_cast<long long>(dLon) * dLon;
      if (best != nullptr && distance >= bestDistance) return true;
      bestDistance = distance;
    }
    best = k;
    return ++improvements < kMaxImprovements;
  });
  if (best == nullptr) return false;
  PlaceFromRecord(db, best, place);
  return true;
}

}  // namespace orx
