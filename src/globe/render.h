// The globe rasterizer and the order of a scene: the sphere drawn column by column with
// integer lookups (mirrored about the centre column, with an antialiased rim), the flat
// map scaled with box filters, and the layers drawn over them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "gfx/color.h"
#include "gfx/font.h"
#include "gfx/framebuffer.h"
#include "gfx/image.h"
#include "globe/globe.h"
#include "globe/overlay.h"

namespace orx {

struct Settings;

// The mean of the 2 x 2 texels ending at (u, v), or the texel itself on the top row or
// the left column.
Color565 SmoothTexel2x2(const ComposedTexture& texture, int32_t u, int32_t v);
// The mean of the 3 x 3 texels around (u, v), or the texel itself on the top row or the
// left column; (u + 1, v + 1) must lie inside the texture.
Color565 SmoothTexel3x3(const ComposedTexture& texture, int32_t u, int32_t v);

// A second thread that draws half of each sphere frame, kept by whoever renders frame
// after frame (the application, benchmarks) so that no thread is started per frame.
class RenderHelper {
 public:
  RenderHelper();
  ~RenderHelper();
  RenderHelper(const RenderHelper&) = delete;
  RenderHelper& operator=(const RenderHelper&) = delete;
  // Runs `work` on the helper thread; Wait() returns when it is done.
  void Start(std::function<void()> work);
  void Wait();

 private:
  void Loop();
  std::mutex mutex_;
  std::condition_variable wake_;
  std::function<void()> work_;
  bool busy_ = false;
  bool quit_ = false;
  std::thread thread_;
};

// The sphere for the view: background, disc, rim blend, then the grid and the circles
// when their settings are on. With `threads` 2 the upper half of the rows is drawn on
// `helper` (or on a thread of its own when null) while this thread draws the lower
// half; the picture is the same either way.
void RenderSphere(const OverlayContext& o, const ComposedTexture& texture, int threads = 2,
                  RenderHelper* helper = nullptr);
// Marks in `demand` (Reset to the texture's size) every texel that RenderSphere reads
// for `view` and the settings, so that a single picture needs only those composed.
void MarkSphereDemand(const ViewState& view, const Settings& settings, TexelDemand& demand);
// The flat map for the view (its own height, or scaled with 2 x 2 or 3 x 3 box filters),
// then the planar grid and circles when their settings are on.
void RenderPlanar(const OverlayContext& o, const ComposedTexture& texture);

// The layers of the scene that other subsystems draw, in scene order; each may be empty.
struct SceneLayers {
  std::function<void(const OverlayContext&)> selectedCities;
  std::function<void(const OverlayContext&)> routes;
  std::function<void(const OverlayContext&)> displayedCities;
  std::function<void(const OverlayContext&)> weatherPlaces;
  std::function<void(const OverlayContext&)> gpsHistory;
  std::function<void(const OverlayContext&)> distancePaths;
  std::function<void(const OverlayContext&)> tappedPoint;   // the tapped point and its snap
  std::function<void(const OverlayContext&)> infoLines;     // with their background band
  std::function<void(const OverlayContext&)> gpsOverlay;    // drawn at every paint
};

// The stylus state a scene needs from the window's event handling.
struct SceneStylus {
  bool edgeScroll = false;     // stylus down, `Pan/Rotate` off, no compass drag, no zoom selection
  int x = 0, y = 0;            // the stylus point
  bool zoomSelecting = false;  // a zoom selection is being dragged from (x1, y1) to (x, y)
  int x1 = 0, y1 = 0;
};

// Everything a scene is drawn from.
struct Scene {
  FrameBuffer& frame;
  Globe& globe;
  const Settings& settings;
  const ImageObject* markerStrip = nullptr;
  const Font* font = nullptr;
  const PlaceDrawHooks* placeHooks = nullptr;
  const SceneLayers* layers = nullptr;
  SceneStylus stylus;
  int threads = 2;
  RenderHelper* helper = nullptr;  // the sphere's second thread, if the owner keeps one
};

// The scene: edge scrolling; when a redraw was requested, the globe, the Moon and Sun
// spots and the layers; the GPS overlay always; then the request is cleared. True when
// the view moved and another paint should follow at once.
bool RenderScene(Scene& scene);

// The globe part of a paint: the scene, or, without a composed texture, the background
// and (unless a modal dialog is up) `noTexture`, which shows kNoTextureMessage.
bool RenderSceneOrEmpty(Scene& scene, bool modalShown, const std::function<void()>& noTexture);

}  // namespace orx
