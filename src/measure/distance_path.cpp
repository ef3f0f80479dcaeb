#include "measure/distance_path.h"

#include <cmath>
#include <cstdlib>

#include "settings/settings.h"
#include "worldtime/calendar.h"
#include "worldtime/world_time.h"

namespace orx {
namespace {

constexpr char kDegree = static_cast<char>(0xB0);
constexpr double kArcSecondsPerRadian = 206264.80624709636;
constexpr double kPi = 3.14159265358979323846;

int Unit(int distanceUnits) { return distanceUnits >= 0 && distanceUnits <= 2 ? distanceUnits : 0; }

}  // namespace

double EarthRadius(int distanceUnits) {
  static constexpr double kRadius[3] = {6378.0, 3986.0, 3437.7467707849396};
  return kRadius[Unit(distanceUnits)];
}

const char* DistanceUnitLabel(int distanceUnits) {
  static constexpr const char* kLabel[3] = {"km", "mi", "nm"};
  return kLabel[Unit(distanceUnits)];
}

std::string DistanceLine(double totalAngle, double bearing, int distanceUnits) {
  const int distance = static_cast<int>(totalAngle * EarthRadius(distanceUnits));
  const double degrees = bearing * 180.0 / kPi;
  return FormatText("Distance: %d %s,  Bearing: %.01f%c %s", distance, DistanceUnitLabel(distanceUnits), degrees,
                    kDegree, CompassPointName(degrees));
}

std::string TravelTimeText(int minutes) {
  if (minutes < 1440) return FormatText("%dh, %dm", minutes / 60, minutes % 60);
  return FormatText("%dd, %dh, %dm", minutes / 1440, (minutes % 1440) / 60, minutes % 60);
}

std::string TimeToDestinationLine(double totalAngle, double knots) {
  if (!(knots > 0.0001)) return {};
  const double minutes = kArcSecondsPerRadian / knots * totalAngle;
  // A crawl over a long path would overflow an int: such a time is shown capped.
  const int whole = minutes < 2e9 ? static_cast<int>(minutes) : 2000000000;
  return "Time To Destination: " + TravelTimeText(whole);
}

std::string TimeDifferenceLine(const Place& first, const Place& last, const platform::SystemTime& now) {
  if (!first.name || !last.name || (first.flags & kPlaceRouteMark) || (last.flags & kPlaceRouteMark)) return {};
  const int firstDst = DstStatus(now, first, nullptr) ? 60 : 0;
  const int lastDst = DstStatus(now, last, nullptr) ? 60 : 0;
  const int diff = lastDst - firstDst - first.zoneOffset + last.zoneOffset;
  return FormatText("Time Difference: %c%02d:%02d", diff >= 0 ? '+' : '-', std::abs(diff / 60), std::abs(diff % 60));
}

double DrawPath(const OverlayContext& o, const PlaceList& places, const Place* extra, const PathStyle& style) {
  double total = 0;
  double firstBearing = 0;
  bool haveBearing = false;
  const Place* previous = nullptr;
  auto leg = [&](const Place& from, const Place& to) {
    double bearing = 0;
    const double d = DrawGreatCircle(o, from.latitude * kRadiansPerArcMinute, from.longitude * kRadiansPerArcMinute,
                                     to.latitude * kRadiansPerArcMinute, to.longitude * kRadiansPerArcMinute,
                                     style.color, style.lineStyle, &bearing);
    total += d;
    if (!haveBearing) {
      firstBearing = d > 0 ? bearing : 0;
      haveBearing = true;
    }
  };
  for (const auto& place : places) {
    if (!place) continue;
    if (previous) leg(*previous, *place);
    DrawPlace(o, *place, style.color);
    previous = place.get();
  }
  if (extra) {
    if (previous) leg(*previous, *extra);
    DrawPlace(o, *extra, o.settings.displayedCityColor);
  }

  if (style.lines && style.lineStyle >= 0) {
    auto add = [&](std::string text) {
      if (!text.empty()) style.lines->push_back({std::move(text), style.color});
    };
    add(DistanceLine(total, firstBearing, o.settings.distanceUnits));
    add(TimeToDestinationLine(total, style.gpsKnots));
    const Place* first = places.empty() ? extra : places.front().get();
    const Place* last = extra ? extra : (places.empty() ? nullptr : places.back().get());
    if (first && last) add(TimeDifferenceLine(*first, *last, style.now));
  }
  return total;
}

}  // namespace orx
