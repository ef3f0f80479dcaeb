// What the stylus measures on the globe: the pointed place with its information lines,
// the distance path built by taps in distance mode, and the scene layers that draw them
// (the path with its distance lines, the tapped point with its snap and the antipode
// marker, and the information stack at the top left).
#pragma once

#include <vector>

#include "cities/city_database.h"
#include "cities/place.h"
#include "gfx/font.h"
#include "gfx/framebuffer.h"
#include "globe/globe.h"
#include "globe/render.h"
#include "globe/view.h"
#include "gps/nmea.h"
#include "measure/info_lines.h"
#include "settings/settings.h"

namespace orx {

// A tap within this squared distance (pixels^2) of a distance point selects it.
inline constexpr int kDistancePointHitSquared = 50;

struct MeasureState {
  MeasureState() { pointed.displayMask = 0; }
  Place pointed;              // display mask 0 = nothing pointed at
  PlaceList distancePath;     // the distance points in tap order
  int selectedPoint = -1;     // index of the distance point being dragged, -1 = none
  int stylusX = -1, stylusY = -1;  // the stylus on the globe while down, -1 = up
  std::vector<InfoLine> lines;     // the information stack of the frame being drawn
  // The place that follows the GPS position (the pointed place or a distance point),
  // or null; set by a snap that lands on the GPS position, cleared by one that does not
  // and when that place goes away.
  Place* gpsFollower = nullptr;
};

// What the measuring layers read; every reference must outlive the layers.
struct MeasureSources {
  MeasureState& state;
  const Settings& settings;
  const CityDatabase& cities;
  const PlaceList& displayedCities;  // snapped to with `Snap to nearest displayed place`
  const Globe& globe;                // the view and the Sun's and Moon's positions
  const GpsFix* gps = nullptr;       // the main window's fix copy, if there is a receiver
};

// The arc-minutes under a screen point (rounded toward zero); false off the globe.
bool ScreenToArcMinutes(const ViewState& view, int x, int y, int& latitude, int& longitude);

// Resets `place` to the point and snaps it with the snap settings, the valid GPS
// position first; `dragged` (a path point being moved) is not snapped to. True when the
// snap found something; `onGps` (when not null) tells whether that is the GPS position.
bool SnapPoint(const MeasureSources& sources, int latitude, int longitude, const Place* dragged, Place& place,
               bool* onGps = nullptr);

// Makes the screen point the pointed place: snapped, display mask 3 when the snap found a
// place and 2 when not. Nothing changes off the globe.
void PointAt(const MeasureSources& sources, int x, int y);

// The stylus at (x, y) on the globe, or lifted at (-1, -1). While down it points at a
// place (outside distance mode, or before the first distance point) or drags the
// selected distance point.
void TrackStylus(const MeasureSources& sources, int x, int y);

// Appends a snapped distance point at the screen point; false off the globe.
bool AddDistancePoint(const MeasureSources& sources, int x, int y);
// The index of the distance point nearest to the screen point within
// kDistancePointHitSquared, or -1.
int FindDistancePoint(const MeasureState& state, const ViewState& view, int x, int y);
// Removes a distance point (an index out of range changes nothing).
void DeleteDistancePoint(MeasureState& state, int index);
// A city chosen from a list: appended to the distance path in distance mode, otherwise
// the pointed place, shown with its marker and label.
void ChoosePlace(MeasureState& state, bool distanceMode, const Place& place);
// Distance mode switched: the pointed place is forgotten, and turning the mode on
// empties the path.
void DistanceModeChanged(MeasureState& state, bool on);

// The stack at the top left: with `band` a darkened band behind it, then line k at
// (2, 2 + k * line spacing) in its colour. The list is emptied.
void DrawInfoStack(FrameBuffer& frame, const Font* font, std::vector<InfoLine>& lines, bool band);

// Sets the distance-path, tapped-point and information-line layers of the scene.
void SetMeasureLayers(const MeasureSources& sources, SceneLayers& layers);

}  // namespace orx
