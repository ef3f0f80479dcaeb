#include "measure/gps_display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gfx/draw.h"
#include "measure/distance_path.h"
#include "measure/info_lines.h"
#include "platform/clock.h"
#include "settings/settings.h"

namespace orx {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegrees = kPi / 180;
constexpr int kEdgeMargin = 5;  // the marker is drawn only this far inside the view

// Kilometres and statute miles per nautical mile, as degrees of the equator over 60.
constexpr double kKmPerDegree = 111.31709969219834;
constexpr double kMilesPerDegree = 69.56882398449397;

int ArcMinutes(double degrees) { return static_cast<int>(degrees * 60); }  // truncated

void DrawCourseLine(const OverlayContext& o, const GpsFix& fix) {
  const double lat1 = fix.latitude * kDegrees, lon1 = fix.longitude * kDegrees;
  double lat2, lon2;
  CourseLineEnd(lat1, lon1, fix.course, lat2, lon2);
  DrawGreatCircle(o, lat1, lon1, lat2, lon2, o.settings.gpsCourseColor, 2, nullptr);
}

void DrawMarker(const GpsDisplaySources& src, const OverlayContext& o, uint32_t now) {
  GpsDisplayState& st = src.state;
  int x, y;
  if (!GlobeToScreen(o.view, src.fix.latitude * kDegrees, src.fix.longitude * kDegrees, x, y)) return;
  if (x <= kEdgeMargin || y <= kEdgeMargin || x >= o.frame.width - kEdgeMargin || y >= o.frame.height - kEdgeMargin) {
    return;
  }
  const bool nextFrame = now - st.markerTick > static_cast<uint32_t>(kGpsMarkerFrameMs);
  if (!o.view.redrawRequested && !nextFrame) return;
  if (o.markerStrip) {
    const StripPart m = GpsMarkerPart(st.markerFrame);
    CopyRectKeyed(o.frame, *o.markerStrip, x - 4, y - 4, m.x, m.y, m.w, m.h);
    if (src.measure.gpsFollower) {
      const StripPart f = kGpsFollowerPart;
      CopyRectKeyed(o.frame, *o.markerStrip, x - 5, y - 5, f.x, f.y, f.w, f.h);
    }
  }
  if (nextFrame) {
    st.markerFrame = (st.markerFrame + 1) & 3;
    st.markerTick = now;
  }
}

void DrawCompass(const GpsDisplaySources& src, const OverlayContext& o, const ImageObject& compass) {
  GpsDisplayState& st = src.state;
  const int w = CompassWidth(compass), h = CompassHeight(compass);
  if (st.compassX == -1) st.compassX = o.frame.width - w - 5;
  if (st.compassY == -1) st.compassY = 5;
  const int x = st.compassX, y = st.compassY;
  CopyRectKeyed(o.frame, compass, x, y, 0, 0, w, h);
  st.compassShown = true;

  // The needle in the colour of the picture's centre.
  const Color565 needle = compass.pixels16()[static_cast<size_t>(h / 2) * compass.width + w / 2];
  const double course = src.fix.course * kDegrees;
  const int cx = x + w / 2, cy = y + h / 2;
  DrawLine(o.frame, cx, cy, cx + static_cast<int>(kCompassNeedleLength * std::sin(course)),
           cy - static_cast<int>(kCompassNeedleLength * std::cos(course)), needle, 0, o.settings.antialiasedLines);

  if (!o.font) return;
  const std::string course1 = CourseText(src.fix.course);
  const std::string speed = SpeedText(src.fix.speed, o.settings.distanceUnits);
  const int w1 = TextWidth(*o.font, course1.c_str()), w2 = TextWidth(*o.font, speed.c_str());
  const int glyph = o.font->glyphHeight;
  if (o.settings.semiTransparentTextBackground) {
    const int bandWidth = std::max(w1, w2) + 2;
    FillRect(o.frame, x + w / 2 - bandWidth / 2, y + h, bandWidth, 2 * (glyph + 1), 0x0000, kFillDarken);
  }
  DrawText(o.frame, *o.font, x + w / 2 - w1 / 2, y + h + 1, course1.c_str(), o.settings.gpsCourseColor);
  DrawText(o.frame, *o.font, x + w / 2 - w2 / 2, y + h + 1 + glyph, speed.c_str(), o.settings.gpsCourseColor);
}

bool Usable(const ImageObject* compass) {
  return compass && compass->pixels && compass->bytesPerPixel == 2 && compass->width > 0 && compass->height > 0;
}

}  // namespace

void CourseLineEnd(double latitude, double longitude, double courseDegrees, double& endLatitude,
                   double& endLongitude) {
  // A quarter of a great circle: cos d = 0 and sin d = 1. The longitude difference
  // is the design's acos((cos d - sin lat2 sin lat1) / (cos lat2 cos lat1)), signed by the
  // course, written as atan2 so that it stays defined at the poles.
  const double theta = courseDegrees * kDegrees;
  endLatitude = std::asin(std::clamp(std::cos(latitude) * std::cos(theta), -1.0, 1.0));
  const double dLon = std::atan2(std::sin(theta) * std::cos(latitude), -std::sin(endLatitude) * std::sin(latitude));
  endLongitude = longitude + dLon;
}

std::string CourseText(double courseDegrees) {
  char text[100];
  std::snprintf(text, sizeof text, "%.01f%c %s", courseDegrees, '\xB0', CompassPointName(courseDegrees));
  return text;
}

std::string SpeedText(double knots, int distanceUnits) {
  static const char* const kLabels[] = {"kmph", "mph", "knots"};
  const int unit = ((distanceUnits % 3) + 3) % 3;
  double value = knots;
  if (unit == 0) value = knots / 60 * kKmPerDegree;
  if (unit == 1) value = knots / 60 * kMilesPerDegree;
  char text[100];
  std::snprintf(text, sizeof text, "%d %s", static_cast<int>(value), kLabels[unit]);
  return text;
}

int CompassWidth(const ImageObject& compass) { return std::min(compass.width, kCompassMaxSize); }
int CompassHeight(const ImageObject& compass) { return std::min(compass.height, kCompassMaxSize); }

bool CompassHit(const GpsDisplayState& state, const ImageObject* compass, int x, int y) {
  if (!state.compassShown || !Usable(compass)) return false;
  const int px = x - state.compassX, py = y - state.compassY;
  if (px < 0 || py < 0 || px >= CompassWidth(*compass) || py >= CompassHeight(*compass)) return false;
  return compass->pixels16()[static_cast<size_t>(py) * compass->width + px] != kColorKey;
}

void DragCompass(GpsDisplayState& state, const ImageObject& compass, int dx, int dy, int frameWidth,
                 int frameHeight, int glyphHeight) {
  const int w = CompassWidth(compass), h = CompassHeight(compass);
  const int maxX = std::max(5, frameWidth - w - 5);
  const int maxY = std::max(0, frameHeight - 2 * (glyphHeight + 2) - h);
  state.compassX = std::clamp(state.compassX + dx, 5, maxX);
  state.compassY = std::clamp(state.compassY + dy, 0, maxY);
}

void DrawGpsOverlay(const GpsDisplaySources& src, const OverlayContext& o, uint32_t now) {
  const bool redrawn = o.view.redrawRequested;
  if (redrawn) src.state.compassShown = false;
  if (src.fix.status != kGpsValid) return;
  if (src.measure.gpsFollower) {
    src.measure.gpsFollower->latitude = static_cast<int16_t>(ArcMinutes(src.fix.latitude));
    src.measure.gpsFollower->longitude = static_cast<int16_t>(ArcMinutes(src.fix.longitude));
  }
  if (o.settings.showCourse && redrawn) DrawCourseLine(o, src.fix);
  DrawMarker(src, o, now);
  // The compass and its darkened band are drawn over a fresh globe only: drawn again over
  // the last frame, the band would darken further at every paint.
  const ImageObject* compass = src.compass.get();
  if (o.settings.showCompass && redrawn && Usable(compass)) DrawCompass(src, o, *compass);
}

void DrawGpsHistory(const GpsDisplaySources& src, const OverlayContext& o) {
  if (!o.settings.showHistory || src.history.empty()) return;
  PathStyle style;
  style.color = o.settings.gpsHistoryColor;
  style.lineStyle = o.settings.asRoute ? 1 : -1;
  DrawPath(o, src.history, nullptr, style);
}

void SetGpsLayers(const GpsDisplaySources& sources, SceneLayers& layers) {
  layers.gpsHistory = [sources](const OverlayContext& o) { DrawGpsHistory(sources, o); };
  layers.gpsOverlay = [sources](const OverlayContext& o) { DrawGpsOverlay(sources, o, platform::GetTickCount()); };
}

}  // namespace orx
