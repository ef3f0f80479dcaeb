// Today's sunrise and sunset (a closed solar formula with one refinement step) and
// moonrise and moonset (hourly altitude samples fitted by parabolas), with their texts.
// A day without one of the events is an ordinary answer, reported in words.
#pragma once

#include <string>

#include "cities/place.h"
#include "platform/clock.h"
#include "worldtime/calendar.h"

namespace orx {

enum class SunEventKind {
  Occurs,        // the time is valid
  SunStaysUp,    // polar day: no sunset (and no sunrise)
  SunStaysDown,  // polar night: no sunrise (and no sunset)
};

struct SunEvent {
  SunEventKind kind = SunEventKind::Occurs;
  double utcMinutes = 0;  // after 0h UT of the date; may be below 0 or past 1440
};

struct SunriseSunset {
  SunEvent sunrise;
  SunEvent sunset;
};

struct MoonriseMoonset {
  bool riseFound = false;
  bool setFound = false;
  bool aboveAtStart = false;  // the Moon was up at the local midnight that starts the day
  double riseHour = 0;        // local hours after that midnight, 0..24
  double setHour = 0;
};

// Julian Day of a Gregorian date at 0h UT.
double JulianDayOfDate(int year, int month, int day);

// Sunrise and sunset around the solar noon of the day starting at `julianDay` (0h UT),
// for a point in degrees (north and east positive), with the standard 90.833 degree
// zenith distance of the Sun's upper limb.
SunriseSunset ComputeSunriseSunset(double julianDay, double latitude, double longitude);

// Moonrise and moonset within the local day that starts at local midnight of the given
// calendar date, for a zone of `zoneHours` east of UTC (DST included).
MoonriseMoonset ComputeMoonriseMoonset(int year, int month, int day, double zoneHours,
                                       double latitude, double longitude);

// "sunrise: 06:01 am,  sunset : 06:07 pm", "No sunrise today" or "No sunset today" for
// the place on now's UTC date, in its local clock time.
std::string SunriseSunsetLine(const platform::SystemTime& now, const Place& place, bool dst,
                              TimeFormat format);
// "moonrise: 13:05 , moonset: 01:12 ", or "Moon up whole day" / "Moon down whole day",
// or one part replaced by "No moonrise today" / "No moonset today".
std::string MoonriseMoonsetLine(const platform::SystemTime& now, const Place& place, bool dst,
                                TimeFormat format);

}  // namespace orx
