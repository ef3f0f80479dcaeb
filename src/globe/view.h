// The view of the Earth and the projections between screen pixels and points on the
// Earth: angle units, the integer lookup tables, `ViewState`, the sphere (orthographic)
// and flat-map (equirectangular, wrapping) transforms, and every operation that changes
// the view (centring, panning, edge scrolling, rotation, flights, zooming).
//
// Angle units: 65536 = one turn (16384 = 90 degrees). Two conventions are kept apart:
//   texture longitude u = geographic longitude + 32768 (0 = 180 W), 0..65536
//   texture latitude  a = minus the geographic latitude (-16384 = North Pole)
//   view longitude      = texture longitude of the view centre - 16384, 0..65536
//   view latitude       = texture latitude of the view centre, -16384..16384
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace orx {

struct Settings;

inline constexpr int32_t kTurn = 65536;
inline constexpr int32_t kHalfTurn = 32768;
inline constexpr int32_t kQuarterTurn = 16384;
inline constexpr double kUnitsPerDegree = 182.04444444444445;
inline constexpr double kUnitsPerRadian = 10430.378350470453;
inline constexpr double kRadiansPerUnit = 9.587379924285257e-05;
inline constexpr double kRadiansPerMinute = 2.9088820866572158e-04;  // one arc minute
inline constexpr double kMinutesPerRadian = 3437.7467707849396;

// The fixed screen the view is drawn into.
inline constexpr int kViewWidth = 240;
inline constexpr int kViewHeight = 320;
inline constexpr int kViewCenterX = 120;
inline constexpr int kViewCenterY = 160;
inline constexpr int kColumnTableSize = kViewCenterX + 1;  // column offsets -120..0
inline constexpr int kColumnFactorShift = 9;  // extra fraction bits of the column factor

inline constexpr int32_t kDefaultGlobeRadius = 118;
inline constexpr int32_t kMinGlobeRadius = 40;

struct ViewState {
  int32_t viewLongitude = 0;   // units, 0..65536
  int32_t viewLatitude = 0;    // units, -16384..16384
  int32_t globeRadius = kDefaultGlobeRadius;  // pixels
  bool planarMode = false;
  int32_t planarHeight = -1;   // pixels of the whole flat map (180 degrees); -1 = texture height
  int32_t planarScrollX = 0;   // map column at screen column 0, 0..2H-1
  int32_t planarScrollY = 0;   // map row at the first map row on screen, 0..max(0, H-320)
  int32_t planarOffsetY = 0;   // empty rows above a map shorter than the screen
  int32_t textureHeight = 0;   // rows of the composed texture; 0 before the first one
  bool redrawRequested = true;

  // The animated flight: radians, geographic (north and east positive).
  bool flightActive = false;
  double flightLatitude = 0;
  double flightLongitude = 0;
  double targetLatitude = 0;
  double targetLongitude = 0;

  // For column offset d = k - 120 (k = 0..120) within the radius: 2^24 / sqrt(R^2 - d^2)
  // (the step of the column's arcsine argument per row, Q15 with 9 more fraction bits so
  // that large radii keep their precision) and sqrt(R^2 - d^2), both truncated; 0 beyond
  // the radius. Rebuilt with the radius.
  std::array<int32_t, kColumnTableSize> columnFactor{};
  std::array<int32_t, kColumnTableSize> columnHalfHeight{};
};

// The sine, cosine (both Q15) and arcsine (units + 16384) tables, 8193 entries each.
// They are fixed mathematical data, filled once before main() and again by this call.
void BuildTrigTables();
// Rebuilds the two column tables for view.globeRadius.
void BuildColumnTables(ViewState& view);

namespace detail {
inline constexpr int kTrigEntries = 8193;
extern int32_t sineTable[kTrigEntries];
extern int32_t cosineTable[kTrigEntries];
extern int32_t arcsineTable[kTrigEntries];

// Table entry at index / 8 with the linear 3-bit interpolation; index 0..65536.
inline int32_t Interpolate(const int32_t* table, int32_t index) {
  const int32_t i = index >> 3;
  const int32_t base = table[i];
  const int32_t fraction = index & 7;
  if (fraction == 0) return base;
  return base + (((table[i + 1] - base) * fraction) >> 3);
}
}  // namespace detail

// sin and cos in Q15 (32768 = 1.0) of an angle 0..65536.
inline int32_t SinLookup(int32_t angle) { return detail::Interpolate(detail::sineTable, angle); }
inline int32_t CosLookup(int32_t angle) { return detail::Interpolate(detail::cosineTable, angle); }
// asin(x) in units for t = x * 32768 + 32768 (0..65536); negative angles wrapped into
// 49152..65536.
inline int32_t AsinLookup(int32_t t) {
  const int32_t v = detail::Interpolate(detail::arcsineTable, t) - kQuarterTurn;
  return v < 0 ? v + kTurn : v;
}

// The texture latitude (units, 0..65536 wrapped) of a disc point, from the angle along
// its column circle la (0..65536) and the column angle's sin and cos (Q15):
// asin(sin la cx). Within about 11 degrees of a pole that arcsine is too steep to read
// from the table, so there the colatitude comes from cos a = hypot(sx, cos la cx).
inline int32_t TextureLatitude(int32_t la, int32_t sx, int32_t cx) {
  const int32_t s = (SinLookup(la) * cx) >> 15;
  if (s > -32113 && s < 32113) return AsinLookup(s + 32768);  // |sin a| < 0.98
  const int64_t north = (int64_t{CosLookup(la)} * cx) >> 15;
  const double c = std::sqrt(static_cast<double>(int64_t{sx} * sx + north * north));
  const int32_t colatitude = AsinLookup(static_cast<int32_t>(c) + 32768);
  return s > 0 ? kQuarterTurn - colatitude : kTurn - kQuarterTurn + colatitude;
}

// The longitude distance |d| (units, 0..32768) of a disc point from the view's central
// meridian, for the column angle's |sin| and cos (Q15), the angle along the column
// circle la (0..65536) and the point's texture latitude a (0..65536 wrapped). Of the two
// ways to get it, sin d = |sx| / cos a and cos d = cos la cx / cos a, the one that is
// well-conditioned at the point is taken: one division and one arcsine either way.
inline int32_t MeridianOffset(int32_t sxAbs, int32_t cx, int32_t la, int32_t a) {
  const int32_t c = CosLookup(a);
  if (c <= 0) return kQuarterTurn;  // a pole: every longitude is the same point
  const int32_t cl = CosLookup(la);
  if (int64_t{sxAbs} * 46341 < int64_t{c} * 32768) {  // |sin d| < 0.7071
    const int32_t d = AsinLookup(sxAbs * 32768 / c + 32768);
    return cl < 0 ? kHalfTurn - d : d;
  }
  int64_t t = int64_t{cl} * cx / c + 32768;
  t = t < 0 ? 0 : (t > kTurn ? kTurn : t);
  int32_t m = AsinLookup(static_cast<int32_t>(t));  // 90 degrees - d
  if (m > kQuarterTurn) m -= kTurn;
  return kQuarterTurn - m;
}

// A longitude-like angle brought into 0..65536 (any int32 input).
int32_t WrapAngle(int32_t angle);
// A latitude-like angle clamped to -16384..16384.
int32_t ClampLatitude(int32_t angle);

// The flat map's height in force: planarHeight, or the texture's height when -1.
int32_t PlanarMapHeight(const ViewState& view);

// Texture latitude a and texture longitude u of a screen pixel; false when the pixel is
// off the globe (off the map rows in the flat view).
bool ScreenToGlobe(const ViewState& view, int x, int y, int32_t& a, int32_t& u);
// Screen point (rounded to the nearest pixel) of texture angles on the sphere; false
// when on the far hemisphere.
bool ProjectAngles(const ViewState& view, int32_t a, int32_t u, int& x, int& y);
// Screen point of a geographic position (radians) in either view; false when not visible.
bool GlobeToScreen(const ViewState& view, double latitude, double longitude, int& x, int& y);
// 1 when (x, y) lies on the globe (on the map rows); otherwise 0 with the point moved
// to the nearest point of the globe's edge.
int ClampToGlobe(const ViewState& view, int& x, int& y);
// Great-circle angle between two positions (radians); with `bearing`, also the initial
// bearing from the first to the second, 0..2pi.
double AngularDistance(double lat1, double lon1, double lat2, double lon2, double* bearing);

// Centres the view on a geographic position (radians), in the current mode.
void CenterOn(ViewState& view, double latitude, double longitude);
// Sets the flat map's height (-1 = the texture's own, at least 120) and returns the
// height in force, 0 when there is no texture.
int32_t SetPlanarHeight(ViewState& view, int32_t height);
// The stored flat-map height re-applied at start-up, keeping the stored scroll offsets
// (brought into range for the new height).
void ApplyStoredPlanarHeight(ViewState& view, int32_t storedHeight);

enum class Zoom { kIn, kOut, kReset };
// One zoom step (small: 4 pixels of radius or 20 map rows; big: 20 or a jump between
// the texture height, 320 and 120). False when refused.
bool ZoomStep(ViewState& view, Zoom direction, bool big);
// A stylus drag by (dx, dy) pixels: the globe follows the stylus.
void PanBy(ViewState& view, int dx, int dy);
// Turns the view while the stylus is held within 10 pixels of a screen edge; true when
// the view moved.
bool EdgeScroll(ViewState& view, int x, int y);
// One timer tick of the continuous rotation; speed 1..100.
void RotateTick(ViewState& view, int rotationSpeed);
// Starts a flight from the current view to a geographic position (radians).
void StartFlight(ViewState& view, double latitude, double longitude);
// One step of the flight (once per paint): `animated` false or a target within 21 arc
// minutes arrives at once; speed 1..100 moves 0.055..0.55 of the remaining arc.
void StepFlight(ViewState& view, bool animated, int animationSpeed);
// Fits the view to the rectangle spanned by two screen points; false when unchanged.
bool ZoomToSelection(ViewState& view, int x1, int y1, int x2, int y2);

// The view from the settings, brought into range (longitude 0..65536, latitude
// +-16384, radius at least 40), with its column tables built; keeps textureHeight.
void LoadViewFromSettings(ViewState& view, const Settings& settings);
// The view into the settings fields that are stored at exit.
void SaveViewToSettings(const ViewState& view, Settings& settings);

}  // namespace orx
