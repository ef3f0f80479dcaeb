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

  // For column offset d = k - 120 (k = 0..120): the column's half-height on the disc,
  // sqrt(R^2 - d^2) truncated, 0 beyond the radius; and its east coordinate |d| / R in
  // Q15. Rebuilt with the radius.
  std::array<int32_t, kColumnTableSize> columnHalfHeight{};
  std::array<int32_t, kColumnTableSize> columnEast{};
};

// The sine, cosine (both Q15) and arcsine (units + 16384) tables of 8193 entries, and
// their 3-bit linear interpolation expanded once to every argument, so that a lookup
// is one read. They are fixed mathematical data, filled before main() and again by
// this call.
void BuildTrigTables();
// Rebuilds the two column tables for view.globeRadius.
void BuildColumnTables(ViewState& view);

namespace detail {
inline constexpr int kTrigEntries = 8193;
// sin of 0..81920 units (the cosine of x is entry x + 16384), and the arcsine of
// 0..65536 already wrapped into 0..65535.
extern int32_t sineByUnit[kTurn + kQuarterTurn + 1];
extern uint16_t arcsineByArgument[kTurn + 1];
}  // namespace detail

// sin and cos in Q15 (32768 = 1.0) of an angle 0..65536: the table entry at angle / 8
// interpolated linearly over the 3 low bits.
inline int32_t SinLookup(int32_t angle) { return detail::sineByUnit[angle]; }
inline int32_t CosLookup(int32_t angle) { return detail::sineByUnit[angle + kQuarterTurn]; }
// asin(x) in units for t = x * 32768 + 32768 (0..65536); negative angles wrapped into
// 49152..65535.
inline int32_t AsinLookup(int32_t t) { return detail::arcsineByArgument[t]; }

namespace detail {
// sqrt(1 - i / 65536) and atan(i / 32768) (Q15 and units) for the disc inverse.
extern uint16_t depthBySquare[kTurn + 1];
extern uint16_t arctangentByRatio[kHalfTurn + 1];
}  // namespace detail

// The view-dependent constants of the disc inverse.
struct DiscBasis {
  int32_t sinLat = 0;  // sin and cos (Q15) of the view centre's geographic latitude
  int32_t cosLat = 32768;
};
DiscBasis MakeDiscBasis(const ViewState& view);

// A disc point east (>= 0) and north of the centre, in Q15 of the radius, with
// east^2 + north^2 <= 2^30, turned into its texture latitude a (units, -16384..16384)
// and its longitude east of the central meridian (units, 0..32768). Integer only: the
// depth from a table, the latitude from the arcsine of its sine and the longitude from
// an arctangent of the smaller over the larger of its two legs; near a pole, where the
// arcsine is too steep to read from the table, the colatitude from the hypotenuse of
// the legs instead.
inline void DiscToGlobe(int32_t east, int32_t north, const DiscBasis& basis, int32_t& a, int32_t& d) {
  const int32_t depth = detail::depthBySquare[(east * east + north * north) >> 14];
  const int32_t sinLat = (north * basis.cosLat + depth * basis.sinLat) >> 15;
  const int32_t toward = (depth * basis.cosLat - north * basis.sinLat) >> 15;  // cos lat cos d
  const int32_t along = toward < 0 ? -toward : toward;
  if (east == 0 && along == 0) {
    d = 0;
  } else if (east <= along) {
    d = detail::arctangentByRatio[east * 32768 / along];
  } else {
    d = kQuarterTurn - detail::arctangentByRatio[along * 32768 / east];
  }
  if (toward < 0) d = kHalfTurn - d;
  if (sinLat > -32113 && sinLat < 32113) {  // |latitude| below about 78.5 degrees
    const int32_t latitude = AsinLookup(sinLat + 32768);
    a = latitude > kQuarterTurn ? kTurn - latitude : -latitude;
  } else {
    const double c = std::sqrt(static_cast<double>(east * east + toward * toward));
    const int32_t colatitude = AsinLookup(static_cast<int32_t>(c) + 32768);
    a = sinLat > 0 ? colatitude - kQuarterTurn : kQuarterTurn - colatitude;
  }
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
