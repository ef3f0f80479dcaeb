#include "globe/overlay.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "gfx/draw.h"
#include "settings/settings.h"

namespace orx {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kTropic = 4268;        // 23.44 degrees
constexpr int32_t kPolarCircle = 12111;  // 66.53 degrees
constexpr double kTropicShare = 0.13027777777777777;  // 23.45 of the map's 180 degrees
constexpr double kPolarShare = 0.3696111111111111;    // 66.53 of 180
constexpr double kArrowSpread = 0.3490658503988659;   // 20 degrees
constexpr int kArrowLength = 9;
constexpr int kLabelGap = 3;

// Row widths of the Moon disc, centred in its 19 columns.
constexpr int kMoonRowWidths[kMoonSize] = {7, 11, 13, 15, 17, 17, 19, 19, 19, 19,
                                           19, 19, 19, 17, 17, 15, 13, 11, 7};

void Line(const OverlayContext& o, int x0, int y0, int x1, int y1, Color565 c, int dash) {
  DrawLine(o.frame, x0, y0, x1, y1, c, dash, o.settings.antialiasedLines);
}

int32_t DegreesToUnits(int degrees) { return degrees * kTurn / 360; }

// A polyline of projected texture angles, joining neighbours that are both visible.
class SphereTrace {
 public:
  SphereTrace(const OverlayContext& o, Color565 c, int dash) : o_(o), c_(c), dash_(dash) {}
  void Add(int32_t a, int32_t u) {
    int x, y;
    const bool visible = ProjectAngles(o_.view, a, u, x, y);
    if (visible && visible_) Line(o_, px_, py_, x, y, c_, dash_);
    visible_ = visible;
    px_ = x;
    py_ = y;
  }

 private:
  const OverlayContext& o_;
  Color565 c_;
  int dash_;
  bool visible_ = false;
  int px_ = 0, py_ = 0;
};

// Whether a rectangle lies wholly on the screen.
bool OnScreen(int left, int top, int w, int h) {
  return left >= 0 && top >= 0 && left + w <= kViewWidth && top + h <= kViewHeight;
}

}  // namespace

StripPart PlaceMarkerPart(const Place& place) {
  if (place.flags & kPlaceMarker6) return {7, 27, 7, 7};
  if (place.flags & kPlaceRouteMark) return {23, 27, 7, 7};
  if (place.flags & kPlaceMarker5) return {30, 20, 5, 5};
  if (place.population >= 0xC000) return {0, 27, 7, 7};
  if (place.population >= 0x80C8) return {14, 27, 5, 5};
  return {19, 27, 4, 4};
}

int GridSpacingDegrees(int gridStep) {
  switch (gridStep) {
    case 1030: return 10;
    case 1032: return 30;
    default: return 15;
  }
}

void DrawParallel(const OverlayContext& o, int32_t a, Color565 color, int dash) {
  SphereTrace trace(o, color, dash);
  for (int degrees = 0; degrees <= 360; degrees += 5) trace.Add(a, DegreesToUnits(degrees));
}

void DrawSphereGrid(const OverlayContext& o) {
  const int s = GridSpacingDegrees(o.settings.gridStep);
  const Color565 grid = o.settings.gridColor, equator = o.settings.equatorColor;
  for (int latitude = -(90 - s); latitude <= 90 - s; latitude += s) {
    if (latitude != 0) DrawParallel(o, DegreesToUnits(latitude), grid, 0);
  }
  for (int longitude = 0; longitude < 360; longitude += s) {
    const bool highlighted = longitude == 0 || longitude == 180;
    const bool toPoles = s >= 30 || longitude % 90 == 0;
    const int reach = toPoles ? 90 : 90 - s;
    SphereTrace trace(o, highlighted ? equator : grid, 0);
    const int32_t u = DegreesToUnits(longitude);
    for (int k = 0; k <= 2 * reach / 5; ++k) trace.Add(DegreesToUnits(-reach + 5 * k), u);
  }
  DrawParallel(o, 0, equator, 0);
}

void DrawSphereCircles(const OverlayContext& o) {
  const int dash = 3 * o.view.globeRadius / 320 + 1;
  DrawParallel(o, -kTropic, o.settings.tropicColor, dash);
  DrawParallel(o, kTropic, o.settings.tropicColor, dash);
  DrawParallel(o, -kPolarCircle, o.settings.arcticColor, dash);
  DrawParallel(o, kPolarCircle, o.settings.arcticColor, dash);
}

void DrawPlanarGrid(const OverlayContext& o) {
  const int64_t h = PlanarMapHeight(o.view);
  if (h < 1) return;
  const int s = GridSpacingDegrees(o.settings.gridStep);
  const int n = 360 / s;
  const double step = s * 2.0 * static_cast<double>(h) / 360.0;
  const int top = o.view.planarOffsetY;
  for (int i = 0; i < n; ++i) {
    int64_t x = static_cast<int64_t>(i * step) - o.view.planarScrollX;
    if (x < 0) x += 2 * h;
    if (x >= 2 * h) x -= 2 * h;
    if (x < 0 || x >= kViewWidth) continue;
    const Color565 c = (i == 0 || i == n / 2) ? o.settings.equatorColor : o.settings.gridColor;
    Line(o, static_cast<int>(x), top, static_cast<int>(x), static_cast<int>(std::min<int64_t>(top + h, INT32_MAX / 2)), c, 0);
  }
  for (int j = 0; j <= n / 2; ++j) {
    const int64_t y = static_cast<int64_t>(j * step) - o.view.planarScrollY;
    if (y < 0 || y >= kViewHeight) continue;
    const Color565 c = j == (n / 2) / 2 ? o.settings.equatorColor : o.settings.gridColor;
    Line(o, 0, top + static_cast<int>(y), kViewWidth - 1, top + static_cast<int>(y), c, 0);
  }
}

void DrawPlanarCircles(const OverlayContext& o) {
  const int64_t h = PlanarMapHeight(o.view);
  const int64_t t = o.view.textureHeight;
  if (h < 1 || t < 1) return;
  const int dash = static_cast<int>(4 * h / t + 1);
  const int64_t k1 = static_cast<int64_t>(static_cast<double>(h) * kTropicShare);
  const int64_t k2 = static_cast<int64_t>(static_cast<double>(h) * kPolarShare);
  const int64_t middle = h / 2 - o.view.planarScrollY;
  const struct {
    int64_t y;
    Color565 c;
  } rows[] = {{middle - k1, o.settings.tropicColor}, {middle + k1, o.settings.tropicColor},
              {middle - k2, o.settings.arcticColor}, {middle + k2, o.settings.arcticColor}};
  for (const auto& row : rows) {
    if (row.y < 0 || row.y >= kViewHeight) continue;
    const int y = o.view.planarOffsetY + static_cast<int>(row.y);
    Line(o, 0, y, kViewWidth - 1, y, row.c, dash);
  }
}

double DrawGreatCircle(const OverlayContext& o, double lat1, double lon1, double lat2, double lon2,
                       Color565 color, int dash, double* bearing) {
  if (dash < 0) return 0;
  if (std::fabs(lat1) >= kPi / 2 && std::fabs(lat2) >= kPi / 2) lat2 *= 0.9999999;
  const double d = AngularDistance(lat1, lon1, lat2, lon2, bearing);
  if (!(d > 0)) return 0;
  // Antipodes have no single great circle: lean the end a little to pick one.
  double endLatitude = lat2, arc = d;
  if (std::sin(arc) < 1e-9) {
    endLatitude += lat2 < 0 ? 1e-6 : -1e-6;
    arc = AngularDistance(lat1, lon1, endLatitude, lon2, nullptr);
  }
  const bool planar = o.view.planarMode;
  const int n = std::max(1, planar ? o.settings.planarArcSmoothing : o.settings.sphericalArcSmoothing);
  const int64_t h = PlanarMapHeight(o.view);
  int px, py;
  bool previousVisible = GlobeToScreen(o.view, lat1, lon1, px, py);

  // The segment from the previous point; on the flat map one that jumps by more than
  // half the map's width crosses its edge and is drawn on both sides of it.
  auto segment = [&](int x, int y, bool visible, bool arrow) {
    if (previousVisible || visible) {
      if (planar && std::abs(int64_t{x} - px) > h) {
        const int shift = static_cast<int>(x > px ? -2 * h : 2 * h);
        Line(o, px, py, x + shift, y, color, dash);
        Line(o, px - shift, py, x, y, color, dash);
        if (arrow) DrawArrowHead(o, px, py, x + shift, y, color);
      } else {
        Line(o, px, py, x, y, color, dash);
        if (arrow) DrawArrowHead(o, px, py, x, y, color);
      }
    }
    px = x;
    py = y;
    previousVisible = visible;
  };

  const double sd = std::sin(arc);
  const double s1 = std::sin(lat1), c1 = std::cos(lat1);
  const double s2 = std::sin(endLatitude), c2 = std::cos(endLatitude);
  for (int i = 1; i < n; ++i) {
    const double f = static_cast<double>(i) / n;
    const double a = std::sin((1 - f) * arc) / sd, b = std::sin(f * arc) / sd;
    const double lat = std::asin(std::clamp(b * s2 + a * s1, -1.0, 1.0));
    const double cl = std::cos(lat);
    double lon = cl != 0 ? std::asin(std::clamp((b * c2 * std::sin(lon2) + a * c1 * std::sin(lon1)) / cl, -1.0, 1.0)) : 0.0;
    if (b * c2 * std::cos(lon2) + a * c1 * std::cos(lon1) < 0) {
      lon = kPi - lon;
      if (lon > kPi) lon -= 2 * kPi;
    }
    int x, y;
    const bool visible = GlobeToScreen(o.view, lat, lon, x, y);
    segment(x, y, visible, o.settings.directionPointersForDistanceArc && i == n / 2);
  }
  int x, y;
  const bool visible = GlobeToScreen(o.view, lat2, lon2, x, y);
  segment(x, y, visible, false);
  return d;
}

void DrawArrowHead(const OverlayContext& o, int x0, int y0, int x1, int y1, Color565 color) {
  const double theta = std::atan2(static_cast<double>(y0) - y1, static_cast<double>(x0) - x1);
  for (const double alpha : {theta - kArrowSpread, theta + kArrowSpread}) {
    const int ex = x1 - static_cast<int>(-kArrowLength * std::cos(alpha));
    const int ey = y1 - static_cast<int>(-kArrowLength * std::sin(alpha));
    Line(o, x1, y1, ex, ey, color, 0);
  }
}

void DrawMarkerAt(const OverlayContext& o, double latitude, double longitude, int sx, int sy, int w,
                  int h, const ImageObject* image) {
  if (!image || !image->pixels || image->bytesPerPixel != 2) return;
  int x, y;
  if (!GlobeToScreen(o.view, latitude, longitude, x, y)) return;
  // The copy is cut at every screen edge (a part beyond the left or top edge starts
  // that much further into the source).
  CopyRectKeyed(o.frame, *image, x - w / 2, y - h / 2, sx, sy, w, h);
}

void DrawSunSpot(const OverlayContext& o, const SkyPositions& sky) {
  const GeoPoint p = SubSolarPoint(sky.sun);
  DrawMarkerAt(o, p.latitude * kPi / 180, p.longitude * kPi / 180, kSunPart.x, kSunPart.y, kSunPart.w,
               kSunPart.h, o.markerStrip);
}

void DrawMoonSpot(const OverlayContext& o, const SkyPositions& sky, const MoonPicture& moon) {
  const GeoPoint p = SubLunarPoint(sky.moon);
  DrawMarkerAt(o, p.latitude * kPi / 180, p.longitude * kPi / 180, 0, 0, kMoonSize, kMoonSize, &moon.image);
}

bool ShadeMoonImage(MoonPicture& moon, double phase) {
  moon.image = MakeResourceImage(kMoonResource);
  if (!Load(moon.image, nullptr, kLoadWhole) || moon.image.width != kMoonSize || moon.image.height != kMoonSize) {
    Destroy(moon.image);
    return false;
  }
  const double p = std::clamp(phase, -1.0, 1.0);
  double q;
  int left, right;  // factors 0..256
  if (p > 0) {
    q = 1 - p;
    left = 256;
    right = 0;
  } else {
    q = -p;
    left = 0;
    right = 256;
  }
  const double w = (0.5 - std::fabs(q - 0.5)) * 0.2;
  const double a = q - w, b = q + w;
  Color565* pixels = reinterpret_cast<Color565*>(moon.image.pixels.get());
  for (int row = 0; row < kMoonSize; ++row) {
    const int n = kMoonRowWidths[row];
    const int first = (kMoonSize - n) / 2;
    for (int i = 0; i < n; ++i) {
      const double t = static_cast<double>(i) / (n - 1);
      int factor;
      if (a == b) factor = a >= 1 ? left : right;
      else if (t < a) factor = left;
      else if (t > b) factor = right;
      else factor = static_cast<int>(left + (right - left) * (t - a) / (b - a));
      Color565& px = pixels[row * kMoonSize + first + i];
      if (px == kColorKey) continue;
      const unsigned r = Red5(px) * factor / 256, g = Green6(px) * factor / 256, bl = Blue5(px) * factor / 256;
      px = static_cast<Color565>(r << 11 | g << 5 | bl);
    }
  }
  moon.litPercent = q * 100;
  moon.ageDays = p * 29.53;
  return true;
}

void DrawPlace(const OverlayContext& o, const Place& place, Color565 color) {
  if (!(place.displayMask & (kPlaceShowLabel | kPlaceShowMarker))) return;
  int x, y;
  if (!GlobeToScreen(o.view, place.latitude * kRadiansPerMinute, place.longitude * kRadiansPerMinute, x, y)) return;
  if (x < 0 || x >= kViewWidth || y < 0 || y > kViewHeight) return;

  if ((place.displayMask & kPlaceShowMarker) && o.markerStrip) {
    const StripPart part = PlaceMarkerPart(place);
    const int left = x - part.w / 2, top = y - part.h / 2;
    if (OnScreen(left, top, part.w, part.h)) {
      CopyRectKeyed(o.frame, *o.markerStrip, left, top, part.x, part.y, part.w, part.h);
    }
  }

  const bool routePlace = (place.flags & kPlaceRouteMark) != 0;
  int labelX = x + kLabelGap;
  if (routePlace && o.placeHooks && o.placeHooks->routeImage) {
    int dx = 0, dy = 0;
    const ImageObject* image = o.placeHooks->routeImage(place, dx, dy);
    if (image && image->pixels && image->bytesPerPixel == 2 && OnScreen(x + dx, y + dy, image->width, image->height)) {
      CopyRectKeyed(o.frame, *image, x + dx, y + dy, 0, 0, image->width, image->height);
      labelX = x + dx + image->width + 2;
    }
  }

  if (!(place.displayMask & kPlaceShowLabel) || !place.name || !o.font) return;
  const Font& font = *o.font;
  const char* country = nullptr;
  if (o.settings.showCountryNameAtSnapPoint && o.placeHooks && o.placeHooks->countryName) {
    country = o.placeHooks->countryName(place.country);
    if (country && !*country) country = nullptr;
  }
  const int width = std::max(TextWidth(font, place.name), country ? TextWidth(font, country) : 0);
  const int height = font.glyphHeight + (country ? font.lineSpacing : 0);
  int top = y - height - kLabelGap;
  if (top < 0) top = y + kLabelGap;
  const bool darken = o.settings.semiTransparentTextBackground;
  if (width < kViewWidth && !routePlace) {
    const int left = std::min(labelX, kViewWidth - width);
    if (darken) FillRect(o.frame, left - 1, top - 1, width + 2, height + 2, kBlack, kFillDarken);
    DrawText(o.frame, font, left, top, place.name, color);
    if (country) DrawText(o.frame, font, left, top + font.lineSpacing, country, o.settings.displayedCountryColor);
  } else if (o.placeHooks && o.placeHooks->drawTextBlock) {
    o.placeHooks->drawTextBlock(o.frame, place.name, labelX, top, 2 * kViewWidth / 3, kViewHeight - top, color, darken);
  }
}

}  // namespace orx
