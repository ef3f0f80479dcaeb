#include "globe/render.h"

#include <algorithm>
#include <thread>

#include "gfx/draw.h"
#include "settings/settings.h"

namespace orx {
namespace {

constexpr Color565 kSelectionColor = 0x07E0;

struct Channels {
  uint32_t r = 0, g = 0, b = 0;
  void Add(Color565 c) {
    r += Red5(c);
    g += Green6(c);
    b += Blue5(c);
  }
};

Color565 Pack(uint32_t r, uint32_t g, uint32_t b) { return static_cast<Color565>(r << 11 | g << 5 | b); }

// Each channel (texel x alpha + background x (256 - alpha)) / 256; alpha 0..255.
inline Color565 RimBlend(Color565 texel, uint32_t alpha, const Channels& bg) {
  const uint32_t inv = 256 - alpha;
  return Pack((Red5(texel) * alpha + bg.r * inv) >> 8, (Green6(texel) * alpha + bg.g * inv) >> 8,
              (Blue5(texel) * alpha + bg.b * inv) >> 8);
}

// One column offset dx (-120..0) of the sphere: its rows and its east coordinate.
struct SphereColumn {
  int32_t top = 0, bottom = -1;  // dy range; empty when bottom < top
  int32_t east = 0;              // |dx| / R, Q15
};

// What every pixel of the sphere shares.
struct SphereJob {
  FrameBuffer* frame = nullptr;
  const ComposedTexture* texture = nullptr;
  const ViewState* view = nullptr;
  bool smooth = false;
  Channels bg;
  Color565 background = 0;
  int32_t rim = 0;          // rim threshold in squared pixels
  int32_t centerTexel = 0;  // texture column at the centre of the view
  int first = 0;            // the outermost column offset drawn
  DiscBasis basis;
  SphereColumn columns[kColumnTableSize];  // by 120 + dx
};

// The columns of the disc: the centre column loses its last row, and columns taller
// than the screen run over rows -160..159.
void PrepareColumns(SphereJob& job) {
  const ViewState& view = *job.view;
  for (int dx = job.first; dx <= 0; ++dx) {
    SphereColumn& c = job.columns[kViewCenterX + dx];
    int32_t h = view.columnHalfHeight[kViewCenterX + dx];
    if (h < kViewCenterY) {
      if (dx == 0) --h;
      c.top = -h;
      c.bottom = h;
    } else {
      c.top = -kViewCenterY;
      c.bottom = kViewCenterY - 1;
    }
    c.east = view.columnEast[kViewCenterX + dx];
  }
}

// Screen rows 160 + dy for dy = firstRow .. lastRow: the right half of each row from
// the disc inverse, the left half as its mirror about the central meridian. The walk
// goes along rows so that neighbouring pixels read neighbouring texels.
template <class Sample>
void SphereRows(const SphereJob& job, int firstRow, int lastRow, const Sample& sample) {
  const ComposedTexture& tex = *job.texture;
  const int32_t r = job.view->globeRadius;
  const int32_t r2 = r * r;
  const uint32_t w1 = static_cast<uint32_t>(tex.width - 1);
  const int32_t width = tex.width;
  const int32_t uBase = job.view->viewLongitude + kQuarterTurn;  // the central meridian
  const int32_t rimLimit = job.rim;
  const int32_t mirrorBase = 2 * job.centerTexel;
  const Channels bg = job.bg;
  const DiscBasis basis = job.basis;
  int first = 0;  // the row's outermost column offset
  for (int dy = firstRow; dy <= lastRow; ++dy) {
    Color565* row = job.frame->data() + static_cast<size_t>(kViewCenterY + dy) * job.frame->width;
    const int32_t dy2 = dy * dy;
    const int32_t north = -dy * 32768 / r;
    // Outside the centre column the columns grow towards the centre, so the row's
    // columns are a run ending at the centre; its start moves a little from row to row.
    auto inColumn = [&job, dy](int dx) {
      const SphereColumn& c = job.columns[kViewCenterX + dx];
      return dy >= c.top && dy <= c.bottom;
    };
    while (first > job.first && inColumn(first - 1)) --first;
    while (first < 0 && !inColumn(first)) ++first;
    const int last = inColumn(0) ? 0 : -1;
    if (first == 0 && last == -1) first = 1;  // no column at all
    // The background around the row's run of disc pixels (the whole row when it has none).
    const int leftEdge = first > last ? kViewWidth : (kViewCenterX - 1) + std::max(first, 1 - kViewCenterX);
    const int rightEdge = first > last ? kViewWidth : (kViewCenterX - 1) - first + 1;
    std::fill(row, row + leftEdge, job.background);
    if (rightEdge < kViewWidth) std::fill(row + rightEdge, row + kViewWidth, job.background);
    for (int dx = first; dx <= last; ++dx) {
      int32_t a, d;
      DiscToGlobe(job.columns[kViewCenterX + dx].east, north, basis, a, d);
      int32_t u = uBase + d;
      if (u > kTurn) u -= kTurn;
      const uint32_t tu = (static_cast<uint32_t>(u) * w1) >> 16;
      const uint32_t tv = (static_cast<uint32_t>(a + kQuarterTurn) * w1) >> 16;
      const int32_t depth = r2 - dx * dx - dy2;  // >= 0 inside the column
      const Color565 texel = sample(tu, tv);
      int32_t mu = mirrorBase - static_cast<int32_t>(tu);
      if (mu < 0) mu += width;
      if (mu >= width) mu -= width;
      const bool mirrored = dx != 0 && dx > -kViewCenterX;
      if (depth >= rimLimit) {
        row[(kViewCenterX - 1) - dx] = texel;
        if (mirrored) row[(kViewCenterX - 1) + dx] = sample(static_cast<uint32_t>(mu), tv);
      } else {
        const uint32_t alpha = static_cast<uint32_t>(depth * 256 / rimLimit);
        row[(kViewCenterX - 1) - dx] = RimBlend(texel, alpha, bg);
        if (mirrored) row[(kViewCenterX - 1) + dx] = RimBlend(sample(static_cast<uint32_t>(mu), tv), alpha, bg);
      }
    }
  }
}

// Reads the texels of the composed texture, or their 2 x 2 means.
template <bool kSmooth>
struct TextureSample {
  const ComposedTexture& tex;
  Color565 operator()(uint32_t u, uint32_t v) const {
    if constexpr (kSmooth) return SmoothTexel2x2(tex, static_cast<int32_t>(u), static_cast<int32_t>(v));
    return tex.pixels[v * static_cast<size_t>(tex.width) + u];
  }
};

// Marks the texels that the sample at (u, v) reads.
struct DemandSample {
  TexelDemand& demand;
  bool smooth;
  Color565 operator()(uint32_t u, uint32_t v) const {
    const auto c = static_cast<int32_t>(u), r = static_cast<int32_t>(v);
    demand.Mark(c, r);
    if (smooth && c > 0 && r > 0) {
      demand.Mark(c - 1, r - 1);
      demand.Mark(c, r - 1);
      demand.Mark(c - 1, r);
    }
    return 0;
  }
};

void SphereBand(const SphereJob& job, int firstRow, int lastRow) {
  if (job.smooth) {
    SphereRows(job, firstRow, lastRow, TextureSample<true>{*job.texture});
  } else {
    SphereRows(job, firstRow, lastRow, TextureSample<false>{*job.texture});
  }
}

// The job of the sphere of `view` over `texture` (only its size is read), drawn into
// `frame`; false when there is no disc to draw. The rows of the disc are top .. bottom.
bool SetUpSphereJob(FrameBuffer& frame, const ComposedTexture& texture, const ViewState& view,
                    const Settings& settings, SphereJob& job, int& top, int& bottom) {
  const int32_t r = view.globeRadius;
  if (texture.width < 1 || texture.height < 1 || r < 1) return false;
  const Color565 background = settings.backgroundColor;
  job.frame = &frame;
  job.texture = &texture;
  job.view = &view;
  job.smooth = settings.textureSmoothing3d;
  job.bg.r = Red5(background);
  job.bg.g = Green6(background);
  job.bg.b = Blue5(background);
  job.background = background;
  job.rim = static_cast<int32_t>(std::clamp<int64_t>(int64_t{r} * r / 32, 81, 324));
  int32_t center = static_cast<int32_t>(int64_t{view.viewLongitude} * (texture.width - 1) / kTurn) + texture.width / 4;
  if (center >= texture.width) center -= texture.width;
  job.centerTexel = center;
  job.first = r < kViewCenterX ? 1 - r : -kViewCenterX;
  job.basis = MakeDiscBasis(view);
  PrepareColumns(job);
  top = std::max(-kViewCenterY, -r);
  bottom = std::min(kViewCenterY - 1, r);
  return true;
}

void DrawSphereOverlays(const OverlayContext& o) {
  if (o.settings.latLonGrid) DrawSphereGrid(o);
  if (o.settings.tropicAndPolarCircles) DrawSphereCircles(o);
}

void DrawPlanarOverlays(const OverlayContext& o) {
  if (o.settings.latLonGrid) DrawPlanarGrid(o);
  if (o.settings.tropicAndPolarCircles) DrawPlanarCircles(o);
}

bool FrameFits(const FrameBuffer& frame) {
  return frame.data() && frame.width >= kViewWidth && frame.height >= kViewHeight;
}

}  // namespace

RenderHelper::RenderHelper() : thread_([this] { Loop(); }) {}

RenderHelper::~RenderHelper() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void RenderHelper::Start(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work_ = std::move(work);
    busy_ = true;
  }
  wake_.notify_all();
}

void RenderHelper::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait(lock, [this] { return !busy_; });
}

void RenderHelper::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return quit_ || (busy_ && work_); });
    if (quit_) return;
    std::function<void()> work = std::move(work_);
    work_ = nullptr;
    lock.unlock();
    work();
    lock.lock();
    busy_ = false;
    wake_.notify_all();
  }
}

Color565 SmoothTexel2x2(const ComposedTexture& t, int32_t u, int32_t v) {
  if (u == 0 || v == 0) return t.at(u, v);
  Channels s;
  s.Add(t.at(u - 1, v - 1));
  s.Add(t.at(u, v - 1));
  s.Add(t.at(u - 1, v));
  s.Add(t.at(u, v));
  return Pack(s.r >> 2, s.g >> 2, s.b >> 2);
}

Color565 SmoothTexel3x3(const ComposedTexture& t, int32_t u, int32_t v) {
  if (u == 0 || v == 0) return t.at(u, v);
  Channels s;
  for (int32_t j = v - 1; j <= v + 1; ++j) {
    for (int32_t i = u - 1; i <= u + 1; ++i) s.Add(t.at(i, j));
  }
  return Pack(s.r / 9, s.g / 9, s.b / 9);
}

void RenderSphere(const OverlayContext& o, const ComposedTexture& texture, int threads, RenderHelper* helper) {
  if (!FrameFits(o.frame)) return;
  const Settings& settings = o.settings;
  const Color565 background = settings.backgroundColor;
  const ViewState& view = o.view;
  const int32_t r = view.globeRadius;
  if (texture.empty() || r < 1) {
    FillRect(o.frame, 0, 0, kViewWidth, kViewHeight, background, kFillSolid);
    return;
  }

  // The job is large (its column table); it lives on this stack only while drawing.
  SphereJob job;
  int top = 0, bottom = 0;
  SetUpSphereJob(o.frame, texture, view, settings, job, top, bottom);

  // Rows above and below the disc are background; the band functions fill the rest of
  // each row around its disc pixels, so every pixel is written once.
  if (top > -kViewCenterY) FillRect(o.frame, 0, 0, kViewWidth, kViewCenterY + top, background, kFillSolid);
  if (bottom < kViewCenterY - 1) {
    FillRect(o.frame, 0, kViewCenterY + bottom + 1, kViewWidth, kViewCenterY - 1 - bottom, background, kFillSolid);
  }
  if (threads < 2) {
    SphereBand(job, top, bottom);
  } else if (helper) {
    // The upper half on the helper, the lower half here; each row is written by one.
    helper->Start([&job, top] { SphereBand(job, top, -1); });
    SphereBand(job, 0, bottom);
    helper->Wait();
  } else {
    std::thread band(SphereBand, std::cref(job), top, -1);
    SphereBand(job, 0, bottom);
    band.join();
  }
  DrawSphereOverlays(o);
}

void MarkSphereDemand(const ViewState& view, const Settings& settings, TexelDemand& demand) {
  ComposedTexture size;  // no pixels: the walk only samples through DemandSample
  size.width = demand.width;
  size.height = demand.height;
  FrameBuffer scratch;
  scratch.width = kViewWidth;
  scratch.height = kViewHeight;
  scratch.pixels.reset(new Color565[static_cast<size_t>(kViewWidth) * kViewHeight]);
  SphereJob job;
  int top = 0, bottom = 0;
  if (!SetUpSphereJob(scratch, size, view, settings, job, top, bottom)) return;
  SphereRows(job, top, bottom, DemandSample{demand, job.smooth});
}

void RenderPlanar(const OverlayContext& o, const ComposedTexture& texture) {
  if (!FrameFits(o.frame)) return;
  const ViewState& view = o.view;
  const Color565 background = o.settings.backgroundColor;
  if (texture.empty()) {
    FillRect(o.frame, 0, 0, kViewWidth, kViewHeight, background, kFillSolid);
    return;
  }
  const int32_t t = texture.height, w = texture.width;
  const int32_t h = view.planarHeight == -1 ? t : std::max(view.planarHeight, 1);
  const int64_t mapWidth = 2 * int64_t{h};
  const int32_t scrollY = h > kViewHeight ? std::clamp(view.planarScrollY, 0, h - kViewHeight) : 0;
  int32_t scrollX = static_cast<int32_t>(view.planarScrollX % mapWidth);
  if (scrollX < 0) scrollX += static_cast<int32_t>(mapWidth);

  if (view.planarHeight == -1 && t >= kViewHeight) {
    // The texture at its own size: a plain indexed copy.
    for (int y = 0; y < kViewHeight; ++y) {
      const Color565* src = &texture.pixels[static_cast<size_t>(scrollY + y) * static_cast<size_t>(w)];
      Color565* dst = &o.frame.at(0, y);
      int32_t column = scrollX;
      for (int x = 0; x < kViewWidth; ++x) {
        dst[x] = src[column];
        if (++column == w) column = 0;
      }
    }
  } else {
    // Scaled, or a texture shorter than the screen: map rows between background bands.
    const int rows = static_cast<int>(std::min<int64_t>(kViewHeight, h));
    const int offset = h < kViewHeight ? (kViewHeight - h) / 2 : 0;
    if (offset > 0) FillRect(o.frame, 0, 0, kViewWidth, offset, background, kFillSolid);
    if (offset + rows < kViewHeight) {
      FillRect(o.frame, 0, offset + rows, kViewWidth, kViewHeight - offset - rows, background, kFillSolid);
    }
    int32_t columns[kViewWidth];
    for (int x = 0; x < kViewWidth; ++x) {
      const int64_t column = (int64_t{scrollX} + x) % mapWidth;
      columns[x] = static_cast<int32_t>(column * w / mapWidth);
    }
    const bool ownSize = h == t;
    const bool strong = h <= t / 2;
    for (int y = 0; y < rows; ++y) {
      const int32_t tv = static_cast<int32_t>((int64_t{scrollY} + y) * t / h);
      Color565* dst = &o.frame.at(0, offset + y);
      const Color565* src = &texture.pixels[static_cast<size_t>(tv) * static_cast<size_t>(w)];
      const bool borderRow = tv == 0 || tv >= t - 1;
      for (int x = 0; x < kViewWidth; ++x) {
        const int32_t tu = columns[x];
        if (ownSize || borderRow || tu == 0 || tu >= w - 1) {
          dst[x] = src[tu];
        } else {
          dst[x] = strong ? SmoothTexel3x3(texture, tu, tv) : SmoothTexel2x2(texture, tu, tv);
        }
      }
    }
  }
  DrawPlanarOverlays(o);
}

bool RenderScene(Scene& scene) {
  ViewState& view = scene.globe.view;
  bool moved = false;
  if (scene.stylus.edgeScroll) moved = EdgeScroll(view, scene.stylus.x, scene.stylus.y);
  const OverlayContext o{scene.frame, view, scene.settings, scene.markerStrip, scene.font, scene.placeHooks};
  const SceneLayers* layers = scene.layers;
  auto layer = [&](std::function<void(const OverlayContext&)> SceneLayers::*which) {
    if (layers && layers->*which) (layers->*which)(o);
  };
  if (view.redrawRequested) {
    if (view.planarMode) {
      RenderPlanar(o, scene.globe.texture);
    } else {
      RenderSphere(o, scene.globe.texture, scene.threads, scene.helper);
    }
    if (scene.settings.moonSpot) DrawMoonSpot(o, scene.globe.sky, scene.globe.moon);
    if (scene.settings.sunSpot) DrawSunSpot(o, scene.globe.sky);
    layer(&SceneLayers::selectedCities);
    layer(&SceneLayers::routes);
    layer(&SceneLayers::displayedCities);
    layer(&SceneLayers::weatherPlaces);
    layer(&SceneLayers::gpsHistory);
    layer(&SceneLayers::distancePaths);
    if (scene.stylus.zoomSelecting) {
      const SceneStylus& s = scene.stylus;
      DrawRectOutline(scene.frame, std::min(s.x1, s.x), std::min(s.y1, s.y), std::abs(s.x - s.x1) + 1,
                      std::abs(s.y - s.y1) + 1, kSelectionColor);
    } else {
      layer(&SceneLayers::tappedPoint);
    }
    layer(&SceneLayers::infoLines);
  }
  layer(&SceneLayers::gpsOverlay);
  view.redrawRequested = false;
  return moved;
}

bool RenderSceneOrEmpty(Scene& scene, bool modalShown, const std::function<void()>& noTexture) {
  if (scene.globe.texture.empty()) {
    FillRect(scene.frame, 0, 0, scene.frame.width, scene.frame.height, scene.settings.backgroundColor, kFillSolid);
    if (!modalShown && noTexture) noTexture();
    return false;
  }
  return RenderScene(scene);
}

}  // namespace orx
