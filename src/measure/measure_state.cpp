#include "measure/measure_state.h"

#include <memory>

#include "cities/snap.h"
#include "gfx/draw.h"
#include "globe/overlay.h"
#include "measure/distance_path.h"
#include "platform/clock.h"

namespace orx {
namespace {

constexpr Color565 kAntipodeOuter = 0xFFFF;
constexpr Color565 kAntipodeInner = 0x001F;

// The antipode of the pointed place: a white 5 x 5 square around a blue 3 x 3 one.
void DrawAntipodeMarker(const OverlayContext& o, const Place& place) {
  const ArcMinutePoint a = Antipode({place.latitude, place.longitude});
  int x, y;
  if (!GlobeToScreen(o.view, a.latitude * kRadiansPerArcMinute, a.longitude * kRadiansPerArcMinute, x, y)) return;
  FillRect(o.frame, x - 2, y - 2, 5, 5, kAntipodeOuter, kFillSolid);
  FillRect(o.frame, x - 1, y - 1, 3, 3, kAntipodeInner, kFillSolid);
}

bool StylusDown(const MeasureState& s) { return s.stylusX >= 0 || s.stylusY >= 0; }

void DrawDistancePaths(const MeasureSources& src, const OverlayContext& o) {
  MeasureState& s = src.state;
  // The view may have scrolled under a resting stylus since the last event.
  if (StylusDown(s)) TrackStylus(src, s.stylusX, s.stylusY);
  if (s.distancePath.empty()) return;
  const bool distanceMode = src.settings.computeDistance;
  Place live;
  const Place* extra = nullptr;
  int latitude, longitude;
  if (distanceMode && StylusDown(s) && s.selectedPoint < 0 &&
      ScreenToArcMinutes(o.view, s.stylusX, s.stylusY, latitude, longitude)) {
    SnapPoint(src, latitude, longitude, nullptr, live);
    extra = &live;
  }
  PathStyle style;
  style.color = src.settings.distanceArcColor;
  style.lineStyle = 0;
  // The lines belong to distance mode; outside it the stack describes the pointed place.
  style.lines = distanceMode ? &s.lines : nullptr;
  style.now = platform::GetSystemTime();
  // The time to destination at the GPS speed, with a valid fix and at least one leg.
  const GpsFix* fix = src.gps;
  if (src.settings.showTimeToDestination && fix && fix->status == kGpsValid &&
      (s.distancePath.size() >= 2 || extra)) {
    style.gpsKnots = fix->speed;
  }
  DrawPath(o, s.distancePath, extra, style);
}

void DrawTappedPoint(const MeasureSources& src, const OverlayContext& o) {
  MeasureState& s = src.state;
  const bool distanceMode = src.settings.computeDistance;
  // In distance mode the stylus points at places only until the first distance point.
  if (s.pointed.displayMask == 0 || (distanceMode && !s.distancePath.empty())) return;
  DrawPlace(o, s.pointed, src.settings.snappedCityColor);
  if (src.settings.antipodes && !distanceMode) DrawAntipodeMarker(o, s.pointed);
}

void DrawInfoLayer(const MeasureSources& src, const OverlayContext& o) {
  MeasureState& s = src.state;
  BuildInfoLines(s.pointed, src.settings, platform::GetSystemTime(), src.globe.sky, s.lines);
  DrawInfoStack(o.frame, o.font, s.lines, src.settings.semiTransparentTextBackground);
}

}  // namespace

bool ScreenToArcMinutes(const ViewState& view, int x, int y, int& latitude, int& longitude) {
  int32_t a, u;
  if (!ScreenToGlobe(view, x, y, a, u)) return false;
  latitude = static_cast<int>((-int64_t{a} * 21600) / 65536);
  longitude = static_cast<int>(((int64_t{u} - 32768) * 21600) / 65536);
  return true;
}

// The snapped `place` follows the GPS position from now on, or no longer.
static void Follow(MeasureState& s, Place& place, bool onGps) {
  if (onGps) {
    s.gpsFollower = &place;
  } else if (s.gpsFollower == &place) {
    s.gpsFollower = nullptr;
  }
}

bool SnapPoint(const MeasureSources& src, int latitude, int longitude, const Place* dragged, Place& place,
               bool* onGps) {
  const Settings& st = src.settings;
  place.Reset();
  place.latitude = static_cast<int16_t>(latitude);
  place.longitude = static_cast<int16_t>(longitude);
  SnapSources sources;
  if (src.gps && src.gps->status == kGpsValid) {
    sources.gpsValid = true;
    sources.gpsLatitude = src.gps->latitude;
    sources.gpsLongitude = src.gps->longitude;
  }
  if (st.snapToNearestDisplayedPlace) {
    sources.displayedCities = &src.displayedCities;
    sources.pathPoints = &src.state.distancePath;
    sources.draggedPoint = dragged;
  }
  if (st.snapToNearestKnownPlace) sources.database = &src.cities;
  sources.nearestPopulous = st.snapToNearestPopulousPlace;
  sources.radius = st.snapRadius;
  const SnapResult result = SnapToPlace(sources, latitude, longitude, place);
  if (onGps) *onGps = result == SnapResult::kGps;
  return result != SnapResult::kNone;
}

void PointAt(const MeasureSources& src, int x, int y) {
  int latitude, longitude;
  if (!ScreenToArcMinutes(src.globe.view, x, y, latitude, longitude)) return;
  Place& place = src.state.pointed;
  bool onGps = false;
  const bool found = SnapPoint(src, latitude, longitude, nullptr, place, &onGps);
  Follow(src.state, place, onGps);
  // A snap to the GPS position gives display mask 2 (the marker without a label).
  place.displayMask = found && !onGps ? (kPlaceShowLabel | kPlaceShowMarker) : kPlaceShowMarker;
}

void TrackStylus(const MeasureSources& src, int x, int y) {
  MeasureState& s = src.state;
  s.stylusX = x;
  s.stylusY = y;
  if (!StylusDown(s)) return;
  if (!src.settings.computeDistance || s.distancePath.empty()) {
    PointAt(src, x, y);
    return;
  }
  const int selected = s.selectedPoint;
  int latitude, longitude;
  if (selected >= 0 && selected < static_cast<int>(s.distancePath.size()) &&
      ScreenToArcMinutes(src.globe.view, x, y, latitude, longitude)) {
    // The dragged point follows the stylus, snapped anew, but never to itself.
    Place& point = *s.distancePath[selected];
    Place moved;
    bool onGps = false;
    SnapPoint(src, latitude, longitude, &point, moved, &onGps);
    point = moved;
    Follow(s, point, onGps);
  }
}

bool AddDistancePoint(const MeasureSources& src, int x, int y) {
  int latitude, longitude;
  if (!ScreenToArcMinutes(src.globe.view, x, y, latitude, longitude)) return false;
  auto point = std::make_unique<Place>();
  bool onGps = false;
  SnapPoint(src, latitude, longitude, nullptr, *point, &onGps);
  Follow(src.state, *point, onGps);
  src.state.distancePath.push_back(std::move(point));
  return true;
}

int FindDistancePoint(const MeasureState& state, const ViewState& view, int x, int y) {
  int best = -1;
  int64_t bestSquared = kDistancePointHitSquared;
  for (size_t i = 0; i < state.distancePath.size(); ++i) {
    const Place& p = *state.distancePath[i];
    int sx, sy;
    if (!GlobeToScreen(view, p.latitude * kRadiansPerArcMinute, p.longitude * kRadiansPerArcMinute, sx, sy)) continue;
    const int64_t dx = sx - x, dy = sy - y;
    const int64_t squared = dx * dx + dy * dy;
    if (squared < bestSquared) {
      bestSquared = squared;
      best = static_cast<int>(i);
    }
  }
  return best;
}

void DeleteDistancePoint(MeasureState& state, int index) {
  if (index < 0 || index >= static_cast<int>(state.distancePath.size())) return;
  if (state.gpsFollower == state.distancePath[static_cast<size_t>(index)].get()) state.gpsFollower = nullptr;
  state.distancePath.erase(state.distancePath.begin() + index);
  if (state.selectedPoint == index) {
    state.selectedPoint = -1;
  } else if (state.selectedPoint > index) {
    --state.selectedPoint;
  }
}

void ChoosePlace(MeasureState& state, bool distanceMode, const Place& place) {
  if (distanceMode) {
    state.distancePath.push_back(std::make_unique<Place>(place));
  } else {
    if (state.gpsFollower == &state.pointed) state.gpsFollower = nullptr;
    state.pointed = place;
    state.pointed.displayMask = kPlaceShowLabel | kPlaceShowMarker;
  }
}

void DistanceModeChanged(MeasureState& state, bool on) {
  state.pointed.Reset();
  state.pointed.displayMask = 0;
  if (state.gpsFollower == &state.pointed) state.gpsFollower = nullptr;
  if (on) {
    state.gpsFollower = nullptr;
    state.distancePath.clear();
    state.selectedPoint = -1;
  }
}

void DrawInfoStack(FrameBuffer& frame, const Font* font, std::vector<InfoLine>& lines, bool band) {
  if (font && !lines.empty()) {
    const int lineHeight = font->lineSpacing > 0 ? font->lineSpacing : font->glyphHeight;
    if (band) {
      FillRect(frame, 0, 0, frame.width, static_cast<int>(lines.size()) * lineHeight + 4, 0x0000, kFillDarken);
    }
    int y = 2;
    for (const InfoLine& line : lines) {
      DrawText(frame, *font, 2, y, line.text.c_str(), line.color);
      y += lineHeight;
    }
  }
  lines.clear();
}

void SetMeasureLayers(const MeasureSources& sources, SceneLayers& layers) {
  layers.distancePaths = [sources](const OverlayContext& o) { DrawDistancePaths(sources, o); };
  layers.tappedPoint = [sources](const OverlayContext& o) { DrawTappedPoint(sources, o); };
  layers.infoLines = [sources](const OverlayContext& o) { DrawInfoLayer(sources, o); };
}

}  // namespace orx
