// The GPS position on the globe: the blinking marker at the fix, the course line a
// quarter of a great circle long, the compass picture with its needle, the course and
// the speed, the place that follows the GPS position, and the drawn history.
#pragma once

#include <cstdint>
#include <string>

#include "cities/city_database.h"
#include "gfx/image.h"
#include "globe/overlay.h"
#include "globe/render.h"
#include "gps/nmea.h"
#include "measure/measure_state.h"

namespace orx {

inline constexpr int kGpsMarkerFrameMs = 100;  // the marker's next frame after this long
inline constexpr int kCompassMaxSize = 100;    // larger pictures are cut to this
inline constexpr int kCompassNeedleLength = 20;
inline constexpr StripPart kGpsFollowerPart{27, 9, 11, 11};  // around the marker of a followed fix

// The display's own state, kept for the run.
struct GpsDisplayState {
  int markerFrame = 0;       // 0..3
  uint32_t markerTick = 0;   // tick count of the last frame change
  int compassX = -1;         // top-left of the compass picture; -1 until first drawn
  int compassY = -1;
  bool compassShown = false; // the last paint drew the compass (it can be dragged)
};

// What the GPS layers read; every reference must outlive the layers.
struct GpsDisplaySources {
  GpsDisplayState& state;
  const GpsFix& fix;                    // the main window's copy
  const PlaceList& history;
  MeasureState& measure;                // its `gpsFollower` moves with the fix
  const std::unique_ptr<ImageObject>& compass;  // the loaded "compass.gif", or null
};

// The end of the course line from (latitude, longitude) along `courseDegrees`, a quarter
// of a great circle away (radians in and out).
void CourseLineEnd(double latitude, double longitude, double courseDegrees, double& endLatitude,
                   double& endLongitude);
// "84.4\xB0 E" from the course in degrees.
std::string CourseText(double courseDegrees);
// "18 kmph", "11 mph" or "10 knots" from the speed in knots for "Distance Units".
std::string SpeedText(double knots, int distanceUnits);

// The compass picture's size, each side at most kCompassMaxSize.
int CompassWidth(const ImageObject& compass);
int CompassHeight(const ImageObject& compass);
// True when (x, y) lies on a pixel of the compass drawn by the last paint that is not
// transparent.
bool CompassHit(const GpsDisplayState& state, const ImageObject* compass, int x, int y);
// Moves the compass by (dx, dy), kept 5 pixels from the sides and above the two text
// lines of `glyphHeight` under it.
void DragCompass(GpsDisplayState& state, const ImageObject& compass, int dx, int dy, int frameWidth,
                 int frameHeight, int glyphHeight);

// The GPS overlay of a paint: nothing without a valid fix; else the course line (with
// `Show Course`, on redrawn frames), the marker (while it is more than 5 pixels inside
// the view, on redrawn frames and every kGpsMarkerFrameMs), the compass (with `Show
// Compass` and a picture, on redrawn frames), and the following place moved to the fix.
// `now` is the tick count in milliseconds.
void DrawGpsOverlay(const GpsDisplaySources& sources, const OverlayContext& o, uint32_t now);
// With `Show History`: the history points, joined by a dotted line with `As Route`.
void DrawGpsHistory(const GpsDisplaySources& sources, const OverlayContext& o);

// Sets the GPS history and GPS overlay layers of the scene.
void SetGpsLayers(const GpsDisplaySources& sources, SceneLayers& layers);

}  // namespace orx
