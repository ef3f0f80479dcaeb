#include "astro/sun_moon.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orx {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kArcsecondToRadian = 4.848136812202333e-6;
constexpr double kCenturiesPerDay = 2.7378507871321012e-5;  // 1 / 36525

double SinDeg(double x) { return std::sin(x * kRadiansPerDegree); }
double CosDeg(double x) { return std::cos(x * kRadiansPerDegree); }

// Fraction of a revolution in [0, 1).
double Frac(double x) {
  x -= std::floor(x);
  if (x < 0) x += 1.0;
  return x;
}

// asin that tolerates arguments pushed just past +-1 by rounding.
double SafeAsin(double x) { return std::asin(std::clamp(x, -1.0, 1.0)); }

}  // namespace

double HoursOfDay(const platform::SystemTime& utc) {
  return utc.hour + utc.minute / 60.0 + utc.second / 3600.0;
}

void UpdateSunPosition(SunPosition& sun, int day, int month, int year, double hours) {
  // Day number with a leap day every fourth year: 693960 on 1 January 1900.
  double n = 365.0 * year + 31.0 * month + day - 46;
  if (month >= 3) {
    n += std::trunc(0.25 * year) - std::trunc(0.4 * month + 2.3);
  } else {
    n += std::trunc((year - 1) / 4.0);
  }
  const double d = n - 693960.0;
  const double q = d / 1461.0;
  const double c = std::trunc(q);

  // Mean anomaly, then the equation of centre in two stages.
  const double a = (q - c) * 1440.02509 + c * 0.0307572 + hours * 0.04106935416666667 + 356.6498973;
  const double e = a + 1.91233 * SinDeg(a);
  double lambda = e + 0.02 * SinDeg(2.0 * e) + 282.55462;
  lambda = 360.0 * (lambda / 360.0 - std::trunc(lambda / 360.0));

  const double t = (year - 2000) * 0.01;
  const double obliquity = 23.43929111 - t * (46.815 + t * (0.00059 - 0.001813 * t)) / 3600.0;
  const double s = SinDeg(obliquity) * SinDeg(lambda);
  sun.declination = std::atan(s / std::sqrt(1.0 - s * s)) * kDegreesPerRadian + 0.00075;

  // Equation of time, seconds of time, from the mean longitude.
  const double l = ((n + hours / 24.0 - 722449.0) * 0.98564734 + 279.306) * kRadiansPerDegree;
  const double eot = 595.63 * std::sin(2 * l) - 429.266 * std::cos(l) - 104.55 * std::sin(l) -
                     2.283 * std::cos(2 * l) + 18.7333 * std::cos(3 * l) + 4.6 * std::sin(3 * l) -
                     13.2 * std::sin(4 * l) - std::cos(5 * l) - std::sin(5 * l) / 3.0 +
                     0.5 * std::sin(6 * l) + 0.231;
  double gha = eot / 240.0 + (hours / 24.0 + 0.5) * 360.0;
  if (gha > 360.0) gha -= 360.0;
  sun.greenwichHourAngle = gha;
}

double ModifiedJulianDate(int day, int month, int year, double hours) {
  if (month <= 2) {
    month += 12;
    year -= 1;
  }
  const double b = std::floor(year / 400.0) - std::floor(year / 100.0) + std::floor(year / 4.0);
  return 365.0 * year - 679004.0 + b + std::floor(30.6001 * (month + 1)) + day + hours / 24.0;
}

LunarCoordinates LunarPosition(double mjd) {
  const double t = (mjd - 51544.5) * kCenturiesPerDay;
  const double l0 = Frac(0.606433 + 1336.855225 * t);              // revolutions
  const double l = kTwoPi * Frac(0.374897 + 1325.552410 * t);      // Moon's mean anomaly
  const double ls = kTwoPi * Frac(0.993133 + 99.997361 * t);       // Sun's mean anomaly
  const double d = kTwoPi * Frac(0.827361 + 1236.853086 * t);      // mean elongation
  const double f = kTwoPi * Frac(0.259086 + 1342.227825 * t);      // argument of latitude

  const double dl = 22640 * std::sin(l) - 4586 * std::sin(l - 2 * d) + 2370 * std::sin(2 * d) +
                    769 * std::sin(2 * l) - 668 * std::sin(ls) - 412 * std::sin(2 * f) -
                    212 * std::sin(2 * l - 2 * d) - 206 * std::sin(l + ls - 2 * d) +
                    192 * std::sin(l + 2 * d) - 165 * std::sin(ls - 2 * d) - 125 * std::sin(d) -
                    110 * std::sin(l + ls) + 148 * std::sin(l - ls) - 55 * std::sin(2 * f - 2 * d);
  const double s = f + (dl + 412 * std::sin(2 * f) + 541 * std::sin(ls)) * kArcsecondToRadian;
  const double g = f - 2 * d;
  const double n = -526 * std::sin(g) + 44 * std::sin(l + g) - 31 * std::sin(g - l) -
                   23 * std::sin(ls + g) + 11 * std::sin(g - ls) - 25 * std::sin(f - 2 * l) +
                   21 * std::sin(f - l);

  const double lambda = kTwoPi * Frac(l0 + dl * 7.716049382716049e-7);
  const double beta = (18520 * std::sin(s) + n) * kArcsecondToRadian;

  // Ecliptic to equatorial with a fixed obliquity.
  const double x = std::cos(beta) * std::cos(lambda);
  const double v = std::cos(beta) * std::sin(lambda);
  const double w = std::sin(beta);
  const double y = 0.91748 * v - 0.39778 * w;
  const double z = 0.39778 * v + 0.91748 * w;
  const double rho = std::sqrt(1.0 - z * z);

  LunarCoordinates out;
  out.declination = std::atan(z / rho) * kDegreesPerRadian;
  out.rightAscension = 7.639437268410976 * std::atan(y / (x + rho));
  if (out.rightAscension < 0) out.rightAscension += 24.0;
  return out;
}

double GreenwichSiderealDegrees(double mjd) {
  const double d = mjd - 51544.5;
  const double t = d * kCenturiesPerDay;
  double theta = 280.46061837 + 360.98564736629 * d + 0.000387933 * t * t -
                 2.5833118057349522e-8 * t * t * t;
  theta = 360.0 * Frac(theta / 360.0);
  if (theta < 0) theta += 360.0;
  return theta;
}

void UpdateMoonPosition(MoonPosition& moon, int day, int month, int year, double hours) {
  const double mjd = ModifiedJulianDate(day, month, year, hours);
  const LunarCoordinates c = LunarPosition(mjd);
  moon.declination = c.declination;
  moon.rightAscension = c.rightAscension;
  moon.greenwichHourAngle = (GreenwichSiderealDegrees(mjd) / 15.0 - c.rightAscension) * 15.0;
}

void UpdateMoonPhase(MoonPosition& moon, int day, int month, int year, double hours) {
  const double y = year;
  const double m = month;
  const double dayCount = 367.0 * y - std::floor(1.75 * (std::floor((m + 9.0) / 12.0) + y)) +
                          std::floor(275.0 * m / 9.0) + day - 730530.0;
  const double jd = dayCount + hours / 24.0 + 2451543.5;
  const double t = (jd - 2451545.0) * kCenturiesPerDay;
  const double t2 = t * t, t3 = t2 * t, t4 = t3 * t;

  const double d = 297.8501921 + 445267.1114034 * t - 0.0018819 * t2 +
                   1.8319447192361523e-6 * t3 - 8.844469995135542e-9 * t4;
  const double mp = 134.9633964 + 477198.8675055 * t + 0.0087414 * t2 +
                    1.4347408140719379e-5 * t3 - 6.797172376291463e-8 * t4;
  const double ms = 357.5291092 + 35999.0502909 * t - 0.0001536 * t2 + 4.083299305839118e-8 * t3;

  double i = 180.0 - d - 6.289 * SinDeg(mp) + 2.1 * SinDeg(ms) - 1.274 * SinDeg(2 * d - mp) -
             0.658 * SinDeg(2 * d) - 0.214 * SinDeg(2 * mp) - 0.11 * SinDeg(d);
  i -= 360.0 * std::floor(i / 360.0);
  moon.phase = (1.0 - (CosDeg(i) + 1.0) / 2.0) * (i >= 180.0 ? 1.0 : -1.0);
}

void RefreshSkyPositions(SkyPositions& sky, const platform::SystemTime& utc,
                         const std::function<void(double phase)>& shadeMoonImage) {
  const double hours = HoursOfDay(utc);
  UpdateMoonPosition(sky.moon, utc.day, utc.month, utc.year, hours);
  UpdateMoonPhase(sky.moon, utc.day, utc.month, utc.year, hours);
  if (shadeMoonImage) shadeMoonImage(sky.moon.phase);
  UpdateSunPosition(sky.sun, utc.day, utc.month, utc.year, hours);
}

GeoPoint SubSolarPoint(const SunPosition& sun) {
  const double gha = sun.greenwichHourAngle;
  return {sun.declination, (gha >= 180.0 ? 360.0 : 0.0) - gha};
}

GeoPoint SubLunarPoint(const MoonPosition& moon) {
  // The Moon's hour angle may be negative; bring it into [0, 360) first so that the
  // longitude lands in (-180, 180].
  double gha = std::fmod(moon.greenwichHourAngle, 360.0);
  if (gha < 0) gha += 360.0;
  return {moon.declination, (gha >= 180.0 ? 360.0 : 0.0) - gha};
}

double BodyElevation(double declination, double greenwichHourAngle, double latitude,
                     double longitude) {
  const double h = greenwichHourAngle + longitude;
  return SafeAsin(CosDeg(h) * CosDeg(latitude) * CosDeg(declination) +
                  SinDeg(latitude) * SinDeg(declination)) *
         kDegreesPerRadian;
}

double BodyAzimuth(double declination, double greenwichHourAngle, double latitude,
                   double longitude, double elevation) {
  const double h = greenwichHourAngle + longitude;
  const double denominator = CosDeg(latitude) * CosDeg(elevation);
  // At a pole or with the body in the zenith every direction is as good; the clamped
  // quotient keeps the result a number.
  const double cosAzimuth =
      denominator == 0.0 ? 1.0
                         : (SinDeg(declination) - SinDeg(latitude) * SinDeg(elevation)) / denominator;
  double azimuth = 90.0 - SafeAsin(cosAzimuth) * kDegreesPerRadian;
  if (SinDeg(h) > 0) azimuth = 360.0 - azimuth;
  return azimuth;
}

double SunElevation(const SkyPositions& sky, double latitude, double longitude) {
  return BodyElevation(sky.sun.declination, sky.sun.greenwichHourAngle, latitude, longitude);
}

double SunAzimuth(const SkyPositions& sky, double latitude, double longitude, double elevation) {
  return BodyAzimuth(sky.sun.declination, sky.sun.greenwichHourAngle, latitude, longitude,
                     elevation);
}

double MoonElevation(const SkyPositions& sky, double latitude, double longitude) {
  return BodyElevation(sky.moon.declination, sky.moon.greenwichHourAngle, latitude, longitude);
}

double MoonAzimuth(const SkyPositions& sky, double latitude, double longitude,
                   double elevation) {
  return BodyAzimuth(sky.moon.declination, sky.moon.greenwichHourAngle, latitude, longitude,
                     elevation);
}

}  // namespace orx
