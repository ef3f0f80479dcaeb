// Where the Sun and the Moon are at a UTC instant: the compact Sun model for shading and
// spots, the low-precision lunar series, the Moon's phase, and elevation and azimuth of
// either body seen from a point. All angles in degrees, north and east positive.
#pragma once

#include <functional>

#include "platform/clock.h"

namespace orx {

struct SunPosition {
  double declination = 0;         // degrees, about -23.44..23.44
  double greenwichHourAngle = 0;  // degrees, (0, 360]
};

struct MoonPosition {
  double declination = 0;         // degrees
  double rightAscension = 0;      // hours, [0, 24)
  double greenwichHourAngle = 0;  // degrees, (-360, 360); only used inside sin/cos
  double phase = 0;               // signed unlit fraction: -1..0 waxing, 0..1 waning
};

// The positions the last refresh left; zero until the first refresh. The application
// owns one, refreshed when the shaded texture is rebuilt and read by everyone else.
struct SkyPositions {
  SunPosition sun;
  MoonPosition moon;
};

struct GeoPoint {
  double latitude = 0;   // degrees
  double longitude = 0;  // degrees east
};

// Equatorial coordinates from the lunar series.
struct LunarCoordinates {
  double declination = 0;     // degrees
  double rightAscension = 0;  // hours, [0, 24)
};

// Hours of the day of a UTC time with whole seconds: hour + minute/60 + second/3600.
double HoursOfDay(const platform::SystemTime& utc);

// The compact Sun model (leap every fourth year; good to a few hundredths of a degree
// in this century) for UTC day, month 1..12, four-digit year and hours of the day.
void UpdateSunPosition(SunPosition& sun, int day, int month, int year, double hours);
// Declination, right ascension and Greenwich hour angle of the Moon (phase untouched).
void UpdateMoonPosition(MoonPosition& moon, int day, int month, int year, double hours);
// The Moon's phase from the phase-angle series (position untouched).
void UpdateMoonPhase(MoonPosition& moon, int day, int month, int year, double hours);

// The refresh run when the shaded texture is rebuilt: Moon position, Moon phase, then
// `shadeMoonImage` with the new phase (may be empty), then the Sun.
void RefreshSkyPositions(SkyPositions& sky, const platform::SystemTime& utc,
                         const std::function<void(double phase)>& shadeMoonImage);

// The point on Earth with the body in its zenith.
GeoPoint SubSolarPoint(const SunPosition& sun);
GeoPoint SubLunarPoint(const MoonPosition& moon);

// Elevation (-90..90) of a body of declination and Greenwich hour angle seen from a point.
double BodyElevation(double declination, double greenwichHourAngle, double latitude,
                     double longitude);
// Azimuth (0..360, 0 = north, 90 = east) of the same body, given its elevation.
double BodyAzimuth(double declination, double greenwichHourAngle, double latitude,
                   double longitude, double elevation);

double SunElevation(const SkyPositions& sky, double latitude, double longitude);
double SunAzimuth(const SkyPositions& sky, double latitude, double longitude, double elevation);
double MoonElevation(const SkyPositions& sky, double latitude, double longitude);
double MoonAzimuth(const SkyPositions& sky, double latitude, double longitude, double elevation);

// Modified Julian Date (Gregorian) of a UTC date and hours of the day.
double ModifiedJulianDate(int day, int month, int year, double hours);
// The lunar series at a Modified Julian Date.
LunarCoordinates LunarPosition(double mjd);
// Greenwich mean sidereal angle at a Modified Julian Date, degrees in [0, 360).
double GreenwichSiderealDegrees(double mjd);

}  // namespace orx
