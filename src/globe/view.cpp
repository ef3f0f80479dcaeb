#include "globe/view.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "settings/settings.h"

namespace orx {

namespace detail {
int32_t sineByUnit[kTurn + kQuarterTurn + 1];
uint16_t arcsineByArgument[kTurn + 1];
uint16_t depthBySquare[kTurn + 1];
uint16_t arctangentByRatio[kHalfTurn + 1];
}  // namespace detail

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kEdgeStep = 1092;      // 6 degrees
constexpr int kEdgeMargin = 10;          // pixels from the screen edge
constexpr int kArrivalMinutes = 21;      // a flight closer than this jumps

// The tables exist before any code can ask for a lookup.
const bool kTablesReady = (BuildTrigTables(), true);

int32_t Truncate(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return v > 0 ? INT32_MAX : (v < 0 ? INT32_MIN : 0);
  return static_cast<int32_t>(v);
}

// n brought into 0..m-1 (m > 0) for any n.
int32_t WrapInto(int64_t n, int64_t m) {
  int64_t r = n % m;
  if (r < 0) r += m;
  return static_cast<int32_t>(r);
}

int32_t ClampScrollY(int64_t y, int32_t height) {
  if (height <= kViewHeight) return 0;
  return static_cast<int32_t>(std::clamp<int64_t>(y, 0, height - kViewHeight));
}

// Keeps the flat-map scroll offsets inside the map of height h.
void NormalizeScroll(ViewState& view, int32_t h) {
  if (h < 1) return;
  view.planarScrollX = WrapInto(view.planarScrollX, 2 * int64_t{h});
  view.planarScrollY = ClampScrollY(view.planarScrollY, h);
}

double ClampUnit(double v) { return std::clamp(v, -1.0, 1.0); }

// A great-circle point a fraction of the way between two positions: A and B weigh the
// start and the end (sin((1 - f) d) / sin d and sin(f d) / sin d).
void Slerp(double a, double b, double lat1, double lon1, double lat2, double lon2, double& lat,
           double& lon) {
  lat = std::asin(ClampUnit(a * std::sin(lat1) + b * std::sin(lat2)));
  const double c = std::cos(lat);
  const double y = a * std::cos(lat1) * std::sin(lon1) + b * std::cos(lat2) * std::sin(lon2);
  lon = c != 0 ? std::asin(ClampUnit(y / c)) : 0.0;
  if (a * std::cos(lat1) * std::cos(lon1) + b * std::cos(lat2) * std::cos(lon2) < 0) {
    lon = kPi - lon;
    if (lon > kPi) lon -= 2 * kPi;
  }
}

// The orthographic projection of a position (radians) for the view, in floating point:
// it runs once per point of a line or marker, never per pixel, and so can afford to be
// exact and round to the nearest pixel.
bool ProjectSphere(const ViewState& view, double latitude, double longitude, int& x, int& y) {
  const double lat0 = -view.viewLatitude * kRadiansPerUnit;
  const double dl = longitude - (view.viewLongitude - kQuarterTurn) * kRadiansPerUnit;
  const double cl = std::cos(latitude), sl = std::sin(latitude);
  const double c0 = std::cos(lat0), s0 = std::sin(lat0);
  const double east = cl * std::sin(dl);
  const double north = c0 * sl - s0 * cl * std::cos(dl);
  const double toward = s0 * sl + c0 * cl * std::cos(dl);
  const double r = view.globeRadius;
  x = static_cast<int>(std::clamp(std::floor(kViewCenterX + east * r + 0.5), -1e9, 1e9));
  y = static_cast<int>(std::clamp(std::floor(kViewCenterY - north * r + 0.5), -1e9, 1e9));
  return toward >= 0;
}

// The limit of the spherical zoom: a radius at which a texel is about a pixel.
int32_t MaxGlobeRadius(const ViewState& view) {
  return Truncate(2.0 * view.textureHeight / kPi);
}

}  // namespace

void BuildTrigTables() {
  constexpr int kEntries = detail::kTrigEntries;
  int32_t sine[kEntries], arcsine[kEntries];
  for (int i = 0; i < kEntries; ++i) {
    sine[i] = static_cast<int32_t>(std::lround(std::sin(i * 2.0 * kPi / 8192.0) * 32768.0));
    const double x = std::clamp(i / 4096.0 - 1.0, -1.0, 1.0);
    arcsine[i] = static_cast<int32_t>(std::lround(std::asin(x) * kUnitsPerRadian + 16384.0));
  }
  // Entry[index >> 3] plus the arithmetic-shifted share of the step to the next entry.
  auto interpolate = [](const int32_t* table, int32_t index) {
    const int32_t i = index >> 3, fraction = index & 7;
    return fraction == 0 ? table[i] : table[i] + (((table[i + 1] - table[i]) * fraction) >> 3);
  };
  // The cosine table is the sine table a quarter turn on (cos(i) = sin(i + 2048)), so the
  // cosine of x is the sine of x + 16384 wherever it is read.
  for (int32_t angle = 0; angle <= kTurn + kQuarterTurn; ++angle) {
    detail::sineByUnit[angle] = interpolate(sine, angle <= kTurn ? angle : angle - kTurn);
  }
  for (int32_t t = 0; t <= kTurn; ++t) {
    const int32_t v = interpolate(arcsine, t) - kQuarterTurn;
    detail::arcsineByArgument[t] = static_cast<uint16_t>(v < 0 ? v + kTurn : v);
  }
  for (int32_t i = 0; i <= kTurn; ++i) {
    detail::depthBySquare[i] = static_cast<uint16_t>(std::min<long>(std::lround(std::sqrt(1.0 - i / 65536.0) * 32768.0), 65535));
  }
  for (int32_t i = 0; i <= kHalfTurn; ++i) {
    detail::arctangentByRatio[i] = static_cast<uint16_t>(std::lround(std::atan(i / 32768.0) * kUnitsPerRadian));
  }
  (void)kTablesReady;
}

DiscBasis MakeDiscBasis(const ViewState& view) {
  const int32_t latitude = WrapAngle(-ClampLatitude(view.viewLatitude));
  return {SinLookup(latitude), CosLookup(latitude)};
}

void BuildColumnTables(ViewState& view) {
  const int64_t r = view.globeRadius;
  for (int k = 0; k < kColumnTableSize; ++k) {
    const int64_t d = kViewCenterX - k;  // |column offset|
    view.columnHalfHeight[k] = 0;
    view.columnEast[k] = 0;
    if (r > 0 && d <= r) {
      view.columnHalfHeight[k] = static_cast<int32_t>(std::sqrt(static_cast<double>(r * r - d * d)));
      view.columnEast[k] = static_cast<int32_t>(d * 32768 / r);
    }
  }
}

int32_t WrapAngle(int32_t angle) {
  if (angle >= 0 && angle <= kTurn) return angle;
  return WrapInto(angle, kTurn);
}

int32_t ClampLatitude(int32_t angle) { return std::clamp(angle, -kQuarterTurn, kQuarterTurn); }

int32_t PlanarMapHeight(const ViewState& view) {
  return view.planarHeight == -1 ? view.textureHeight : view.planarHeight;
}

bool ScreenToGlobe(const ViewState& view, int x, int y, int32_t& a, int32_t& u) {
  if (view.planarMode) {
    const int64_t h = PlanarMapHeight(view);
    if (h < 1) return false;
    const int64_t row = int64_t{view.planarScrollY} - view.planarOffsetY + y;
    if (row < 0 || row >= h) return false;
    const int64_t column = WrapInto(int64_t{view.planarScrollX} + x, 2 * h);
    a = static_cast<int32_t>(row * kTurn / (2 * h) - kQuarterTurn);
    u = static_cast<int32_t>(column * kTurn / (2 * h));
    return true;
  }
  const int32_t r = view.globeRadius;
  if (r < 1) return false;
  const int32_t dy = y - kViewCenterY;
  const int32_t dx = kViewCenterX - x;  // positive to the left
  const int32_t adx = dx < 0 ? -dx : dx;
  if (adx > std::min(r, kViewCenterX - 1)) return false;
  const int32_t h = std::min(view.columnHalfHeight[kViewCenterX - adx], kViewCenterY - 1);
  if (dy > h || dy < -h) return false;
  const int32_t north = -dy * 32768 / r;
  int32_t d = 0;
  DiscToGlobe(view.columnEast[kViewCenterX - adx], north, MakeDiscBasis(view), a, d);
  u = WrapAngle(view.viewLongitude + kQuarterTurn + (dx < 0 ? d : -d));
  return true;
}

bool ProjectAngles(const ViewState& view, int32_t a, int32_t u, int& x, int& y) {
  return ProjectSphere(view, -a * kRadiansPerUnit, (u - kHalfTurn) * kRadiansPerUnit, x, y);
}

bool GlobeToScreen(const ViewState& view, double latitude, double longitude, int& x, int& y) {
  if (!std::isfinite(latitude) || !std::isfinite(longitude)) return false;
  if (!view.planarMode) {
    return ProjectSphere(view, latitude, longitude, x, y);
  }
  const int64_t h = PlanarMapHeight(view);
  if (h < 1) return false;
  const double wrapped = std::fmod(longitude + kPi, 2 * kPi);
  const int64_t column = Truncate(wrapped * 2.0 * h / (2 * kPi)) - int64_t{view.planarScrollX};
  x = WrapInto(column, 2 * h);
  const int64_t row = h / 2 - Truncate(2.0 * h * latitude / (2 * kPi)) + view.planarOffsetY - view.planarScrollY;
  y = static_cast<int>(std::clamp<int64_t>(row, INT32_MIN / 2, INT32_MAX / 2));
  return x >= 0 && x < kViewWidth && y >= view.planarOffsetY &&
         y <= view.planarOffsetY + std::min<int64_t>(h, kViewHeight);
}

int ClampToGlobe(const ViewState& view, int& x, int& y) {
  if (view.planarMode) {
    if (y >= view.planarOffsetY && y < kViewHeight - view.planarOffsetY) return 1;
    y = y < view.planarOffsetY ? view.planarOffsetY : kViewHeight - view.planarOffsetY - 1;
    return 0;
  }
  const int64_t r = view.globeRadius;
  const int64_t dx = int64_t{x} - kViewCenterX;
  const int64_t dy = int64_t{y} - kViewCenterY;
  if (dx * dx + dy * dy <= r * r) return 1;
  int64_t nx, ny;
  if (dx == 0) {
    nx = 0;
    ny = dy <= 0 ? -r : r;
  } else if (dy == 0) {
    nx = dx <= 0 ? -r : r;
    ny = 0;
  } else {
    const double ratio = static_cast<double>(dy) / static_cast<double>(dx);
    const double ax = std::sqrt(static_cast<double>(r * r) / (ratio * ratio + 1.0));
    nx = static_cast<int64_t>(dx < 0 ? -ax : ax);
    ny = static_cast<int64_t>(static_cast<double>(dy) * ax / std::fabs(static_cast<double>(dx)));
  }
  x = static_cast<int>(nx + kViewCenterX);
  y = static_cast<int>(ny + kViewCenterY);
  return 0;
}

double AngularDistance(double lat1, double lon1, double lat2, double lon2, double* bearing) {
  const double d = std::acos(ClampUnit(std::cos(lon2 - lon1) * std::cos(lat2) * std::cos(lat1) +
                                       std::sin(lat2) * std::sin(lat1)));
  if (bearing) {
    const double denominator = std::sin(d) * std::cos(lat1);
    double b = 0;
    if (denominator != 0) b = std::acos(ClampUnit((std::sin(lat2) - std::cos(d) * std::sin(lat1)) / denominator));
    if (std::sin(lon2 - lon1) < 0) b = 2 * kPi - b;
    *bearing = b;
  }
  return d;
}

void CenterOn(ViewState& view, double latitude, double longitude) {
  if (!std::isfinite(latitude) || !std::isfinite(longitude)) return;
  view.redrawRequested = true;
  if (!view.planarMode) {
    view.viewLatitude = ClampLatitude(Truncate(-latitude * kUnitsPerRadian));
    view.viewLongitude = WrapAngle(Truncate(std::fmod(longitude + kPi / 2, 4 * kPi) * kUnitsPerRadian));
    return;
  }
  const int64_t h = PlanarMapHeight(view);
  if (h < 1) return;
  const int64_t yc = h / 2 - Truncate(2.0 * h * latitude / (2 * kPi)) + view.planarOffsetY;
  const double wrapped = std::fmod(longitude + kPi, 2 * kPi);
  view.planarScrollX = WrapInto(Truncate(wrapped * 2.0 * h / (2 * kPi)) - int64_t{kViewCenterX}, 2 * h);
  view.planarScrollY = ClampScrollY(yc - kViewCenterY, static_cast<int32_t>(h));
}

int32_t SetPlanarHeight(ViewState& view, int32_t height) {
  const int32_t t = view.textureHeight;
  if (t < 1) return 0;
  int32_t h = height;
  if (h == -1 || h >= t) h = t;
  // At least half the screen width, unless the texture itself is smaller.
  if (h < kViewCenterX) h = std::min(kViewCenterX, t);
  view.planarOffsetY = h < kViewHeight ? (kViewHeight - h) / 2 : 0;
  int32_t old = PlanarMapHeight(view);
  if (old < 1) old = t;
  view.planarScrollX = static_cast<int32_t>(int64_t{view.planarScrollX} * 2 * h / (2 * int64_t{old}));
  view.planarScrollY = h > kViewHeight ? ClampScrollY(int64_t{view.planarScrollY} * h / old, h) : 0;
  view.planarHeight = h >= t ? -1 : h;
  NormalizeScroll(view, h);
  view.redrawRequested = true;
  return h;
}

void ApplyStoredPlanarHeight(ViewState& view, int32_t storedHeight) {
  if (storedHeight == -1) return;
  const int32_t x = view.planarScrollX, y = view.planarScrollY;
  view.planarHeight = -1;
  view.planarScrollX = view.planarScrollY = 0;
  const int32_t h = SetPlanarHeight(view, storedHeight);
  view.planarScrollX = x;
  view.planarScrollY = y;
  NormalizeScroll(view, h);
}

bool ZoomStep(ViewState& view, Zoom direction, bool big) {
  if (!view.planarMode) {
    int32_t r = view.globeRadius;
    switch (direction) {
      case Zoom::kIn:
        if (r >= MaxGlobeRadius(view)) return false;
        r += big ? 20 : 4;
        break;
      case Zoom::kOut:
        if (r <= kMinGlobeRadius) return false;
        r = std::max(r - (big ? 20 : 4), kMinGlobeRadius);
        break;
      case Zoom::kReset:
        if (r == kDefaultGlobeRadius) return false;
        r = kDefaultGlobeRadius;
        break;
    }
    view.globeRadius = r;
    BuildColumnTables(view);
    view.redrawRequested = true;
    return true;
  }
  if (view.textureHeight < 1) return false;
  const int32_t h = PlanarMapHeight(view);
  switch (direction) {
    case Zoom::kIn:
      if (view.planarHeight == -1) return false;
      if (!big) {
        SetPlanarHeight(view, h + 20);
      } else {
        SetPlanarHeight(view, h >= kViewHeight ? -1 : kViewHeight);
      }
      return true;
    case Zoom::kOut:
      if (h <= kViewCenterX) return false;
      SetPlanarHeight(view, big ? (h > kViewHeight ? kViewHeight : kViewCenterX) : h - 20);
      return true;
    case Zoom::kReset:
      SetPlanarHeight(view, kViewHeight);
      return true;
  }
  return false;
}

void PanBy(ViewState& view, int dx, int dy) {
  view.redrawRequested = true;
  if (!view.planarMode) {
    const double r = view.globeRadius > 0 ? view.globeRadius : 1;
    view.viewLongitude = WrapAngle(view.viewLongitude - Truncate(dx / r * kUnitsPerRadian));
    view.viewLatitude = ClampLatitude(view.viewLatitude - Truncate(dy / r * kUnitsPerRadian));
    return;
  }
  const int32_t h = PlanarMapHeight(view);
  if (h < 1) return;
  view.planarScrollX = WrapInto(int64_t{view.planarScrollX} - dx, 2 * int64_t{h});
  view.planarScrollY = ClampScrollY(int64_t{view.planarScrollY} - dy, h);
}

bool EdgeScroll(ViewState& view, int x, int y) {
  int sx = 0, sy = 0;  // -1 left / up, +1 right / down
  if (x >= 0 && x < kEdgeMargin) sx = -1;
  if (x > kViewWidth - kEdgeMargin) sx = 1;
  if (y >= 0 && y < kEdgeMargin) sy = -1;
  if (y > kViewHeight - kEdgeMargin) sy = 1;
  if (sx == 0 && sy == 0) return false;
  if (!view.planarMode) {
    view.viewLongitude = WrapAngle(view.viewLongitude + sx * kEdgeStep);
    view.viewLatitude = ClampLatitude(view.viewLatitude + sy * kEdgeStep);
  } else {
    const int32_t h = PlanarMapHeight(view);
    if (h < 1) return false;
    const int32_t step = 2 * h / 50;
    view.planarScrollX = WrapInto(int64_t{view.planarScrollX} + sx * step, 2 * int64_t{h});
    view.planarScrollY = ClampScrollY(int64_t{view.planarScrollY} + sy * step, h);
  }
  view.redrawRequested = true;
  return true;
}

void RotateTick(ViewState& view, int rotationSpeed) {
  const int speed = std::clamp(rotationSpeed, 1, 100);
  view.viewLongitude -= kTurn / (3250 - 32 * speed);
  if (view.viewLongitude < 0) view.viewLongitude += kTurn;
  view.redrawRequested = true;
}

void StartFlight(ViewState& view, double latitude, double longitude) {
  if (!view.planarMode) {
    view.flightLatitude = -view.viewLatitude * kRadiansPerUnit;
    view.flightLongitude = view.viewLongitude * kRadiansPerUnit - kPi / 2;
  } else {
    const int32_t h = std::max(PlanarMapHeight(view), 1);
    int64_t column = int64_t{view.planarScrollX} + kViewCenterX;
    if (column > 2 * h) column -= 2 * h;
    const int64_t yc = h > kViewHeight ? int64_t{view.planarScrollY} + kViewCenterY : h / 2;
    view.flightLongitude = column * 2 * kPi / (2.0 * h) - kPi;
    view.flightLatitude = (h / 2 - yc) * 2 * kPi / (2.0 * h);
  }
  view.targetLatitude = latitude;
  view.targetLongitude = longitude;
  view.flightActive = std::isfinite(latitude) && std::isfinite(longitude);
}

void StepFlight(ViewState& view, bool animated, int animationSpeed) {
  if (!view.flightActive) return;
  const double d = AngularDistance(view.flightLatitude, view.flightLongitude, view.targetLatitude,
                                   view.targetLongitude, nullptr);
  if (!animated || Truncate(d * kMinutesPerRadian) < kArrivalMinutes) {
    view.flightLatitude = view.targetLatitude;
    view.flightLongitude = view.targetLongitude;
    view.flightActive = false;
  } else {
    const double f = std::clamp(animationSpeed, 1, 100) * 0.005 + 0.05;
    double targetLatitude = view.targetLatitude;
    double arc = d;
    if (std::sin(arc) < 1e-6) {
      // Antipodes: every great circle joins them; lean the target a little towards the
      // pole of the start's hemisphere to pick one.
      targetLatitude += view.flightLatitude > 0 ? 1e-3 : -1e-3;
      arc = AngularDistance(view.flightLatitude, view.flightLongitude, targetLatitude,
                            view.targetLongitude, nullptr);
    }
    const double sd = std::sin(arc);
    Slerp(std::sin((1 - f) * arc) / sd, std::sin(f * arc) / sd, view.flightLatitude,
          view.flightLongitude, targetLatitude, view.targetLongitude, view.flightLatitude,
          view.flightLongitude);
  }
  CenterOn(view, view.flightLatitude, view.flightLongitude);
}

bool ZoomToSelection(ViewState& view, int x1, int y1, int x2, int y2) {
  if (view.planarMode) {
    const int32_t old = PlanarMapHeight(view);
    if (old < 1) return false;
    const int64_t w = std::abs(x2 - x1) + 1, h = std::abs(y2 - y1) + 1;
    const int64_t cx = std::min(x1, x2) + w / 2 + view.planarScrollX;
    const int64_t cy = h / 2 - view.planarOffsetY + std::min(y1, y2) + view.planarScrollY;
    const int64_t fit = std::min<int64_t>(kViewHeight, kViewWidth * h / w);
    const int32_t now = SetPlanarHeight(view, static_cast<int32_t>(std::min<int64_t>(old * fit / h, INT32_MAX)));
    if (now < 1) return false;
    view.planarScrollX = WrapInto(now * cx / old - kViewCenterX, 2 * int64_t{now});
    view.planarScrollY = ClampScrollY(now * cy / old - kViewCenterY, now);
    view.redrawRequested = true;
    return true;
  }
  int32_t a1, u1, a2, u2;
  if (!ScreenToGlobe(view, x1, y1, a1, u1) || !ScreenToGlobe(view, x2, y2, a2, u2)) return false;
  const double lat1 = -a1 * kRadiansPerUnit, lon1 = (u1 - kHalfTurn) * kRadiansPerUnit;
  const double lat2 = -a2 * kRadiansPerUnit, lon2 = (u2 - kHalfTurn) * kRadiansPerUnit;
  const double d = std::max(AngularDistance(lat1, lon1, lat2, lon2, nullptr), kRadiansPerMinute);
  const double k = std::sin(d / 2) / std::sin(d);
  double midLatitude, midLongitude;
  Slerp(k, k, lat1, lon1, lat2, lon2, midLatitude, midLongitude);
  CenterOn(view, midLatitude, midLongitude);

  const int64_t w = std::abs(x2 - x1 + 1), h = std::abs(y2 - y1 + 1);
  const int64_t fittedHeight = std::min<int64_t>(kViewHeight, w != 0 ? kViewWidth * h / w : kViewHeight);
  const int64_t fittedWidth = h != 0 ? fittedHeight * w / h : kViewWidth;
  const double diagonal = std::sqrt(static_cast<double>(fittedWidth * fittedWidth + fittedHeight * fittedHeight));
  const int32_t radius = std::min(Truncate(diagonal / (2 * std::sin(d / 2))), MaxGlobeRadius(view));
  if (radius >= kMinGlobeRadius) {
    view.globeRadius = radius;
    BuildColumnTables(view);
  }
  view.redrawRequested = true;
  return true;
}

void LoadViewFromSettings(ViewState& view, const Settings& settings) {
  view.viewLongitude = WrapAngle(settings.viewLongitude);
  view.viewLatitude = ClampLatitude(settings.viewLatitude);
  view.globeRadius = std::max(settings.globeRadius, kMinGlobeRadius);
  view.planarMode = settings.sphericalPlanarView;
  view.planarHeight = settings.planarHeight == -1 || settings.planarHeight >= 1 ? settings.planarHeight : -1;
  view.planarScrollX = settings.planarScrollX;
  view.planarScrollY = settings.planarScrollY;
  view.planarOffsetY = 0;
  view.flightActive = false;
  view.redrawRequested = true;
  BuildColumnTables(view);
}

void SaveViewToSettings(const ViewState& view, Settings& settings) {
  settings.viewLongitude = view.viewLongitude;
  settings.viewLatitude = view.viewLatitude;
  settings.globeRadius = view.globeRadius;
  settings.sphericalPlanarView = view.planarMode;
  settings.planarHeight = view.planarHeight;
  settings.planarScrollX = view.planarScrollX;
  settings.planarScrollY = view.planarScrollY;
}

}  // namespace orx
