// Lines and markers drawn over the textured globe through the projections of the view:
// the latitude/longitude grid, the tropics and polar circles, great-circle arcs with
// direction arrows, point markers (the Sun, the Moon in its phase) and places with
// their marker, picture and label.
#pragma once

#include <cstdint>
#include <functional>

#include "astro/sun_moon.h"
#include "cities/place.h"
#include "gfx/color.h"
#include "gfx/font.h"
#include "gfx/framebuffer.h"
#include "gfx/image.h"
#include "globe/globe.h"
#include "globe/view.h"

namespace orx {

struct Settings;

inline constexpr int kMarkerStripResource = 128;  // 47 x 34
inline constexpr int kMoonResource = 136;         // 19 x 19 disc
inline constexpr int kMoonSize = 19;
inline constexpr int kSunSize = 27;

// A piece of the marker strip: source position and size.
struct StripPart {
  int x = 0, y = 0, w = 0, h = 0;
};
inline constexpr StripPart kSunPart{0, 0, 27, 27};
inline constexpr StripPart kTooltipPointerPart{27, 0, 5, 9};
// GPS position marker frame k = 0..3 at (38, 8 k).
constexpr StripPart GpsMarkerPart(int frame) { return {38, 8 * (frame & 3), 9, 9}; }

// The marker of a place by its flags and population.
StripPart PlaceMarkerPart(const Place& place);

// What drawing a place needs from subsystems that come later; each may be empty.
struct PlaceDrawHooks {
  // The country's name for an index (null or "" when it has none).
  std::function<const char*(int country)> countryName;
  // The picture of a route place (flags bit 4) and its offset from the point; null
  // when it has none.
  std::function<const ImageObject*(const Place& place, int& offsetX, int& offsetY)> routeImage;
  // A route place's label, word-wrapped in a block at (x, y) of width x height pixels,
  // drawn in `color` over a darkened background when `darken` is set.
  std::function<void(FrameBuffer& frame, const char* text, int x, int y, int width, int height,
                     Color565 color, bool darken)> drawTextBlock;
};

// Where and with what overlays are drawn.
struct OverlayContext {
  FrameBuffer& frame;
  const ViewState& view;
  const Settings& settings;
  const ImageObject* markerStrip = nullptr;  // resource 128, 16-bit pixels
  const Font* font = nullptr;
  const PlaceDrawHooks* placeHooks = nullptr;
};

// Grid spacing in degrees for "Grid Step" (1030 = 10, 1032 = 30, otherwise 15).
int GridSpacingDegrees(int gridStep);

// A circle of texture latitude a (units) on the sphere.
void DrawParallel(const OverlayContext& o, int32_t a, Color565 color, int dash);
void DrawSphereGrid(const OverlayContext& o);
void DrawSphereCircles(const OverlayContext& o);
void DrawPlanarGrid(const OverlayContext& o);
void DrawPlanarCircles(const OverlayContext& o);

// The great circle between two positions (radians) in N segments ("Spherical/Planar Arc
// Smoothing"), taking the short way across the flat map's edge. Returns the angular
// distance (0 for identical points or a negative dash, which draws nothing).
double DrawGreatCircle(const OverlayContext& o, double lat1, double lon1, double lat2, double lon2,
                       Color565 color, int dash, double* bearing);
// Two 9-pixel strokes at (x1, y1) pointing back along the segment from (x0, y0).
void DrawArrowHead(const OverlayContext& o, int x0, int y0, int x1, int y1, Color565 color);
// The (sx, sy, w, h) part of `image` centred on a position (radians), cut at the screen
// edges; nothing when the position is not visible.
void DrawMarkerAt(const OverlayContext& o, double latitude, double longitude, int sx, int sy, int w,
                  int h, const ImageObject* image);
void DrawSunSpot(const OverlayContext& o, const SkyPositions& sky);
void DrawMoonSpot(const OverlayContext& o, const SkyPositions& sky, const MoonPicture& moon);

// Reloads the Moon disc and shades it for phase p (-1..0 waxing, 0..1 waning).
// False when the picture cannot be loaded (then there is no Moon picture).
bool ShadeMoonImage(MoonPicture& moon, double phase);

// A place's marker, picture and label (name, and the country's name when asked for).
void DrawPlace(const OverlayContext& o, const Place& place, Color565 color);

}  // namespace orx
