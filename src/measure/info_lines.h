// The information lines about the pointed place: coordinates and antipode, local time,
// date and next DST transition, sunrise/sunset and moonrise/moonset, the Sun's and the
// Moon's elevation and azimuth, and the population. Texts are 8-bit (degree sign 0xB0).
#pragma once

#include <string>
#include <vector>

#include "astro/sun_moon.h"
#include "cities/place.h"
#include "gfx/color.h"
#include "platform/clock.h"
#include "settings/settings.h"

namespace orx {

// One line of the information stack: at most 99 characters and its colour.
struct InfoLine {
  std::string text;
  Color565 color = 0xFFFF;
};

struct ArcMinutePoint {
  int latitude = 0;   // arc-minutes, north positive
  int longitude = 0;  // arc-minutes, east positive
};

// The point on the far side of the Earth: latitude negated, longitude moved by 180
// degrees (0 becomes -180 degrees west, 180 degrees becomes 0).
ArcMinutePoint Antipode(ArcMinutePoint point);

// "40\xB0 30' S  73\xB0 00' W" (degrees and minutes) or "40.50\xB0 S  73.00\xB0 W"
// (decimal degrees, `decimal` set).
std::string CoordinatesLine(ArcMinutePoint point, bool decimal);
// The antipode's line: the decimal format as above, or degrees and minutes followed by
// " (A)". `antipode` is the antipode itself.
std::string AntipodeLine(ArcMinutePoint antipode, bool decimal);

// The 16-point compass name of an azimuth in degrees (0..360): "N", "NNE", ... "NNW".
const char* CompassPointName(double azimuth);
// "Sun: Elev: 12.34\xB0 Azim: 123.45\xB0 ESE" and the same with "Moon: ".
std::string SunLine(double elevation, double azimuth);
std::string MoonLine(double elevation, double azimuth);

// "Population: 1.2 Million", "... 12.5 Thousand", "... 1200", "... less than 100", "... NA".
std::string PopulationLine(PopulationCode code);

// Appends the lines that the settings switch on for the pointed place, in their fixed
// order and in "Snapped City Color"; nothing in distance mode or for display mask 0.
// `now` is the UTC time read once for the time block; `sky` the last refreshed
// positions. A place without a name gets only the coordinate and Sun/Moon lines.
void BuildInfoLines(const Place& pointed, const Settings& settings, const platform::SystemTime& now,
                    const SkyPositions& sky, std::vector<InfoLine>& lines);

}  // namespace orx
