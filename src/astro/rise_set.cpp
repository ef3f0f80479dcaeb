#include "astro/rise_set.h"

#include <cmath>
#include <numbers>

#include "astro/sun_moon.h"

namespace orx {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
constexpr double kCenturiesPerDay = 2.7378507871321012e-5;  // 1 / 36525
constexpr double kSunriseZenith = 1.5853349194640094;       // 90.833 degrees, radians
// The Moon's centre stands 8 arc-minutes above the horizon at rise and set (parallax
// less refraction and semi-diameter).
const double kMoonHorizon = std::sin(0.0023271056693257726);

double SinDeg(double x) { return std::sin(x * kRadiansPerDegree); }
double CosDeg(double x) { return std::cos(x * kRadiansPerDegree); }

struct SolarValues {
  double equationOfTime = 0;  // minutes
  double declination = 0;     // radians
};

SolarValues SolarAt(double julianDay) {
  const double t = (julianDay - 2451545.0) * kCenturiesPerDay;
  double l0 = std::fmod(280.46646 + t * (36000.76983 + 0.0003032 * t), 360.0);
  if (l0 < 0) l0 += 360.0;
  const double m = 357.52911 + t * (35999.05029 - 0.0001537 * t);
  const double e = 0.016708634 - t * (4.2037e-5 + 1.267e-7 * t);
  const double centre = SinDeg(m) * (1.914602 - t * (0.004817 + 1.4e-5 * t)) +
                        SinDeg(2 * m) * (0.019993 - 0.000101 * t) + SinDeg(3 * m) * 0.000289;
  const double omega = 125.04 - 1934.136 * t;
  const double lambda = l0 + centre - 0.00569 - 0.00478 * SinDeg(omega);
  const double meanObliquity =
      23.0 + (26.0 + (21.448 - t * (46.815 + t * (0.00059 - 0.001813 * t))) / 60.0) / 60.0;
  const double obliquity = meanObliquity + 0.00256 * CosDeg(omega);

  SolarValues v;
  v.declination = std::asin(SinDeg(obliquity) * SinDeg(lambda));
  const double y = std::pow(std::tan(obliquity * kRadiansPerDegree / 2.0), 2);
  const double l0r = l0 * kRadiansPerDegree;
  const double mr = m * kRadiansPerDegree;
  v.equationOfTime = 4.0 * kDegreesPerRadian *
                     (y * std::sin(2 * l0r) - 2 * e * std::sin(mr) +
                      4 * e * y * std::sin(mr) * std::cos(2 * l0r) -
                      0.5 * y * y * std::sin(4 * l0r) - 1.25 * e * e * std::sin(2 * mr));
  return v;
}

// Hour angle of the Sun's upper limb at the horizon, radians, or the reason there is none.
SunEventKind SunriseHourAngle(double latitudeRadians, double declination, double& hourAngle) {
  const double c = std::cos(kSunriseZenith) / (std::cos(latitudeRadians) * std::cos(declination)) -
                   std::tan(latitudeRadians) * std::tan(declination);
  if (c < -1.0) return SunEventKind::SunStaysUp;
  if (c > 1.0) return SunEventKind::SunStaysDown;
  hourAngle = std::acos(c);
  return SunEventKind::Occurs;
}

// One event (sign -1 sunrise, +1 sunset) with one refinement at the first estimate.
SunEvent SolarEvent(double julianDay, double latitude, double westLongitude, double sign) {
  const double phi = latitude * kRadiansPerDegree;
  SolarValues v = SolarAt(julianDay);
  double h = 0;
  SunEvent event;
  event.kind = SunriseHourAngle(phi, v.declination, h);
  if (event.kind != SunEventKind::Occurs) return event;
  const double estimate =
      720.0 + 4.0 * (westLongitude + sign * h * kDegreesPerRadian) - v.equationOfTime;

  v = SolarAt(julianDay + estimate / 1440.0);
  event.kind = SunriseHourAngle(phi, v.declination, h);
  if (event.kind != SunEventKind::Occurs) return event;
  event.utcMinutes = 720.0 + 4.0 * (westLongitude + sign * h * kDegreesPerRadian) - v.equationOfTime;
  return event;
}

// Sine of the Moon's altitude less the horizon's, at `hour` after the day's start.
double MoonAltitude(double mjd0, double hour, double latitude, double longitude) {
  const double mjd = mjd0 + hour / 24.0;
  const LunarCoordinates moon = LunarPosition(mjd);
  const double localSidereal = (GreenwichSiderealDegrees(mjd) + longitude) / 15.0;
  const double tau = 15.0 * (localSidereal - moon.rightAscension);
  return SinDeg(latitude) * SinDeg(moon.declination) +
         CosDeg(latitude) * CosDeg(moon.declination) * CosDeg(tau) - kMoonHorizon;
}

struct Parabola {
  double xe = 0, ye = 0;  // extremum
  double z1 = 0, z2 = 0;  // roots
  int roots = 0;          // roots within [-1, 1]
};

Parabola FitParabola(double ym, double y0, double yp) {
  Parabola p;
  const double a = (ym + yp) / 2.0 - y0;
  const double b = (yp - ym) / 2.0;
  const double c = y0;
  p.xe = -b / (2.0 * a);
  p.ye = (a * p.xe + b) * p.xe + c;
  const double d = b * b - 4.0 * a * c;
  if (d > 0) {
    const double dx = std::sqrt(d) / (2.0 * std::fabs(a));
    p.z1 = p.xe - dx;
    p.z2 = p.xe + dx;
    if (std::fabs(p.z1) <= 1.0) ++p.roots;
    if (std::fabs(p.z2) <= 1.0) ++p.roots;
    if (p.z1 < -1.0) p.z1 = p.z2;
  }
  return p;
}

// Local clock time of a sun event: minutes rounded to the nearest, hour wrapped once.
void SunClock(double minutes, int& hour, int& minute) {
  const double hours = minutes / 60.0;
  hour = static_cast<int>(std::floor(hours));
  const double minuteFraction = (hours - hour) * 60.0;
  minute = static_cast<int>(std::floor(minuteFraction));
  const int seconds = static_cast<int>(std::floor((minuteFraction - minute) * 60.0));
  if (seconds >= 30) ++minute;
  if (minute == 60) {
    minute = 0;
    ++hour;
  }
  if (hour > 23) hour -= 24;
  if (hour < 0) hour += 24;
}

int DaylightMinutes(const Place& place, bool dst) { return place.zoneOffset + (dst ? 60 : 0); }

std::string MoonPart(const char* label, const char* missing, bool found, double time,
                     TimeFormat format) {
  if (!found) return missing;
  int hour = static_cast<int>(std::floor(time));
  const int minute = static_cast<int>((time - hour) * 60.0);
  const char* suffix = TwelveHourAdjust(hour, format);
  if (format == TimeFormat::Hhmm) return FormatText("%s: %02d%02d", label, hour, minute);
  return FormatText("%s: %02d:%02d %s", label, hour, minute, suffix);
}

}  // namespace

double JulianDayOfDate(int year, int month, int day) {
  if (month <= 2) {
    year -= 1;
    month += 12;
  }
  const double a = std::floor(year * 0.01);
  const double b = 2.0 - a + std::floor(a / 4.0);
  return std::floor(365.25 * (year + 4716)) + std::floor(30.6001 * (month + 1)) + day + b - 1524.5;
}

SunriseSunset ComputeSunriseSunset(double julianDay, double latitude, double longitude) {
  SunriseSunset out;
  out.sunrise = SolarEvent(julianDay, latitude, -longitude, -1.0);
  out.sunset = SolarEvent(julianDay, latitude, -longitude, +1.0);
  return out;
}

MoonriseMoonset ComputeMoonriseMoonset(int year, int month, int day, double zoneHours,
                                       double latitude, double longitude) {
  MoonriseMoonset out;
  const double mjd0 = ModifiedJulianDate(day, month, year, 0.0) - zoneHours / 24.0;
  double ym = MoonAltitude(mjd0, 0.0, latitude, longitude);
  out.aboveAtStart = ym > 0;
  for (int hour = 1; hour < 25 && !(out.riseFound && out.setFound); hour += 2) {
    const double y0 = MoonAltitude(mjd0, hour, latitude, longitude);
    const double yp = MoonAltitude(mjd0, hour + 1, latitude, longitude);
    const Parabola p = FitParabola(ym, y0, yp);
    if (p.roots == 1) {
      if (ym < 0) {
        out.riseHour = hour + p.z1;
        out.riseFound = true;
      } else {
        out.setHour = hour + p.z1;
        out.setFound = true;
      }
    } else if (p.roots == 2) {
      out.riseHour = hour + (p.ye < 0 ? p.z2 : p.z1);
      out.setHour = hour + (p.ye < 0 ? p.z1 : p.z2);
      out.riseFound = out.setFound = true;
    }
    ym = yp;
  }
  return out;
}

std::string SunriseSunsetLine(const platform::SystemTime& now, const Place& place, bool dst,
                              TimeFormat format) {
  const SunriseSunset s = ComputeSunriseSunset(JulianDayOfDate(now.year, now.month, now.day),
                                               place.latitude / 60.0, place.longitude / 60.0);
  for (const SunEvent* e : {&s.sunrise, &s.sunset}) {
    if (e->kind == SunEventKind::SunStaysDown) return "No sunrise today";
    if (e->kind == SunEventKind::SunStaysUp) return "No sunset today";
  }
  const int shift = DaylightMinutes(place, dst);
  int riseHour = 0, riseMinute = 0, setHour = 0, setMinute = 0;
  SunClock(s.sunrise.utcMinutes + shift, riseHour, riseMinute);
  SunClock(s.sunset.utcMinutes + shift, setHour, setMinute);
  const char* riseSuffix = TwelveHourAdjust(riseHour, format);
  const char* setSuffix = TwelveHourAdjust(setHour, format);
  if (format == TimeFormat::Hhmm) {
    return FormatText("sunrise: %02d%02d,  sunset : %02d%02d", riseHour, riseMinute, setHour,
                      setMinute);
  }
  return FormatText("sunrise: %02d:%02d %s,  sunset : %02d:%02d %s", riseHour, riseMinute,
                    riseSuffix, setHour, setMinute, setSuffix);
}

std::string MoonriseMoonsetLine(const platform::SystemTime& now, const Place& place, bool dst,
                                TimeFormat format) {
  const MoonriseMoonset m =
      ComputeMoonriseMoonset(now.year, now.month, now.day, DaylightMinutes(place, dst) / 60.0,
                             place.latitude / 60.0, place.longitude / 60.0);
  if (!m.riseFound && !m.setFound) return m.aboveAtStart ? "Moon up whole day" : "Moon down whole day";
  return MoonPart("moonrise", "No moonrise today", m.riseFound, m.riseHour, format) + ", " +
         MoonPart("moonset", "No moonset today", m.setFound, m.setHour, format);
}

}  // namespace orx
