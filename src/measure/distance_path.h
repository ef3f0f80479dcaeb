// Great-circle paths through a list of places: their legs, markers and labels on the
// globe or the flat map, and the distance, time-to-destination and time-difference lines
// of the information stack. The Earth is a sphere with one radius per distance unit.
#pragma once

#include <string>
#include <vector>

#include "cities/city_database.h"
#include "cities/place.h"
#include "globe/overlay.h"
#include "measure/info_lines.h"
#include "platform/clock.h"

namespace orx {

// Radians per arc-minute (pi / 10800).
inline constexpr double kRadiansPerArcMinute = 2.908882086657216e-4;

// Kilometres, miles or nautical miles per radian of central angle for "Distance Units"
// 0, 1, 2 (other values count as 0), and the unit's label "km", "mi", "nm".
double EarthRadius(int distanceUnits);
const char* DistanceUnitLabel(int distanceUnits);

// "Distance: 10018 km,  Bearing: 90.0\xB0 E" for a total central angle and the first
// leg's initial bearing (radians, 0..2pi clockwise from north).
std::string DistanceLine(double totalAngle, double bearing, int distanceUnits);
// "12h, 30m" below a day, "12d, 12h, 0m" from 1440 minutes on.
std::string TravelTimeText(int minutes);
// "Time To Destination: ..." for a central angle at `knots`; empty when the speed does
// not exceed 0.0001 knots.
std::string TimeToDestinationLine(double totalAngle, double knots);
// "Time Difference: -07:00": the local time at `last` less the local time at `first`
// now; empty when either has no name or was read from a route file.
std::string TimeDifferenceLine(const Place& first, const Place& last, const platform::SystemTime& now);

// How a path is drawn and what it adds to the information stack.
struct PathStyle {
  Color565 color = 0xFFFF;
  int lineStyle = 0;               // 0 solid, 1 dotted, 4 dashed, negative: markers only
  std::vector<InfoLine>* lines = nullptr;  // the stack to add the distance lines to, or null
  double gpsKnots = 0;             // speed for the time to destination, 0 = none
  platform::SystemTime now{};      // for the time difference
};

// Draws the legs between consecutive places (and on to `extra` when not null), each
// place's marker and label in the path colour (`extra` in "Displayed City Color"), and
// adds the text lines when asked for. Returns the total central angle in radians.
double DrawPath(const OverlayContext& o, const PlaceList& places, const Place* extra, const PathStyle& style);

}  // namespace orx
