#include <algorithm>
// The rasterizer and the overlays: the sphere samples the texel its projection names,
// the flat map copies and filters as it should, grid lines and circles sit where the
// projections put them in both views, arcs take the short way across the flat map's
// edge, markers are cut at the screen edge, and the scene draws its layers in order.
#include "globe/render.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <set>

#include "app/render_command.h"
#include "gif_encoder.h"
#include "gfx/draw.h"
#include "globe/overlay.h"
#include "globe/texture.h"
#include "platform/png_writer.h"
#include "settings/settings.h"

namespace orx {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180;
constexpr Color565 kMark = 0xF81E;  // a colour no test texture holds

// A texture whose every texel has its own colour (never the background 0).
ComposedTexture UniqueTexture(int height) {
  ComposedTexture t;
  t.height = height;
  t.width = 2 * height;
  t.pixels.reset(new Color565[static_cast<size_t>(t.width) * height]);
  for (int v = 0; v < height; ++v)
    for (int u = 0; u < t.width; ++u) t.pixels[static_cast<size_t>(v) * t.width + u] = static_cast<Color565>(1 + (v * t.width + u) % 0xF000);
  return t;
}

ComposedTexture Uniform(int height, Color565 c) {
  ComposedTexture t;
  t.height = height;
  t.width = 2 * height;
  t.pixels.reset(new Color565[static_cast<size_t>(t.width) * height]);
  std::fill(t.pixels.get(), t.pixels.get() + static_cast<size_t>(t.width) * height, c);
  return t;
}

FrameBuffer Frame() {
  FrameBuffer f;
  f.width = kViewWidth;
  f.height = kViewHeight;
  f.pixels.reset(new Color565[kViewWidth * kViewHeight]());
  return f;
}

ViewState Sphere(int radius, double lat, double lon, int textureHeight) {
  ViewState v;
  v.globeRadius = radius;
  v.textureHeight = textureHeight;
  BuildColumnTables(v);
  CenterOn(v, lat, lon);
  return v;
}

Settings Plain() {
  Settings s;
  s.antialiasedLines = false;  // lines in their exact colour
  return s;
}

// Whether a pixel of colour c lies within `reach` pixels of (x, y).
bool ColourNear(const FrameBuffer& f, int x, int y, Color565 c, int reach = 1) {
  for (int j = -reach; j <= reach; ++j)
    for (int i = -reach; i <= reach; ++i)
      if (f.Contains(x + i, y + j) && f.at(x + i, y + j) == c) return true;
  return false;
}

TEST(GlobeRender, SphereCoversTheDiscAndBlendsTheRim) {
  const ComposedTexture t = Uniform(256, 0xFFFF);
  FrameBuffer f = Frame();
  const ViewState v = Sphere(118, 0, 0, 256);
  const Settings s = Plain();
  for (const int threads : {1, 2}) {
    RenderSphere({f, v, s}, t, threads);
    int left = kViewWidth, right = -1, top = kViewHeight, bottom = -1;
    for (int y = 0; y < kViewHeight; ++y)
      for (int x = 0; x < kViewWidth; ++x)
        if (f.at(x, y)) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    EXPECT_EQ(left, 2);
    EXPECT_EQ(right, 236);
    EXPECT_EQ(top, 43);
    EXPECT_EQ(bottom, 277);
    EXPECT_EQ(f.at(119, 160), 0xFFFF);
    // On the rim white fades into the black background.
    const Color565 rim = f.at(119, 43);
    EXPECT_GT(Red5(rim), 0);
    EXPECT_LT(Red5(rim), 31);
  }
  // The kept helper thread draws the same picture.
  std::vector<Color565> single(f.data(), f.data() + kViewWidth * kViewHeight);
  RenderHelper helper;
  for (int i = 0; i < 3; ++i) {
    std::fill(f.data(), f.data() + kViewWidth * kViewHeight, 0x5555);
    RenderSphere({f, v, s}, t, 2, &helper);
    EXPECT_TRUE(std::equal(single.begin(), single.end(), f.data()));
  }
  // Cut at every edge when larger than the screen.
  const ViewState big = Sphere(300, 0, 0, 256);
  RenderSphere({f, big, s}, t, 2);
  EXPECT_EQ(f.at(0, 0), 0xFFFF);
  EXPECT_EQ(f.at(239, 319), 0xFFFF);
}

// Each drawn pixel holds a texel within one texel of the one the inverse projection
// names for it (the sphere's centre column is screen column 119, one left of the
// projection's centre 120, and mirrored columns are mirrored in texel arithmetic).
void ExpectSphereSamplesItsProjection(const ViewState& v, bool smooth) {
  const ComposedTexture t = UniqueTexture(512);
  FrameBuffer f = Frame();
  Settings s = Plain();
  s.textureSmoothing3d = smooth;
  RenderSphere({f, v, s}, t, 2);
  const int rim = std::max(2, v.globeRadius / 20);
  int checked = 0, bad = 0;
  for (int y = 0; y < kViewHeight; y += 3) {
    for (int x = 0; x < kViewWidth - 1; x += 3) {
      int32_t a, u;
      if (!ScreenToGlobe(v, x + 1, y, a, u)) continue;
      if (std::hypot(x + 1 - 120, y - 160) > v.globeRadius - rim) continue;  // the blended rim
      const int tu = static_cast<int>((static_cast<uint32_t>(u) * (t.width - 1)) >> 16);
      const int tv = static_cast<int>((static_cast<uint32_t>(a + 16384) * (t.width - 1)) >> 16);
      std::set<Color565> near;
      for (int j = -1; j <= 1; ++j)
        for (int i = -2; i <= 2; ++i) {
          const int uu = (tu + i + t.width) % t.width, vv = std::clamp(tv + j, 0, t.height - 1);
          near.insert(smooth ? SmoothTexel2x2(t, uu, vv) : t.at(uu, vv));
        }
      ++checked;
      if (!near.count(f.at(x, y))) ++bad;
    }
  }
  EXPECT_GT(checked, 500);
  EXPECT_EQ(bad, 0) << "of " << checked;
}

TEST(GlobeRender, SphereSamplesTheTexelItsProjectionNames) {
  ExpectSphereSamplesItsProjection(Sphere(118, 35 * kDeg, 140 * kDeg, 512), false);
  ExpectSphereSamplesItsProjection(Sphere(118, -70 * kDeg, -20 * kDeg, 512), true);
  ExpectSphereSamplesItsProjection(Sphere(320, 88 * kDeg, 179 * kDeg, 512), false);
}

TEST(GlobeRender, FlatMapCopiesScalesAndBands) {
  const ComposedTexture t = UniqueTexture(512);
  FrameBuffer f = Frame();
  Settings s = Plain();
  s.backgroundColor = kMark;
  ViewState v;
  v.planarMode = true;
  v.textureHeight = 512;
  v.planarScrollX = 1023;  // W - 1
  v.planarScrollY = 7;
  RenderPlanar({f, v, s}, t);
  EXPECT_EQ(f.at(0, 0), t.at(1023, 7));
  EXPECT_EQ(f.at(1, 0), t.at(0, 7));
  EXPECT_EQ(f.at(239, 319), t.at(238, 326));

  // Half the texture height or less: the 3 x 3 box; the border texels unfiltered; the
  // map between background bands, the last screen row included.
  SetPlanarHeight(v, 200);
  v.planarScrollX = 0;
  RenderPlanar({f, v, s}, t);
  EXPECT_EQ(v.planarOffsetY, 60);
  EXPECT_EQ(f.at(5, 59), kMark);
  EXPECT_EQ(f.at(5, 260), kMark);
  EXPECT_EQ(f.at(5, 319), kMark);
  EXPECT_EQ(f.at(0, 60), t.at(0, 0));
  EXPECT_EQ(f.at(10, 100), SmoothTexel3x3(t, 10 * 1024 / 400, 40 * 512 / 200));
  SetPlanarHeight(v, 300);
  RenderPlanar({f, v, s}, t);
  EXPECT_EQ(f.at(10, 100), SmoothTexel2x2(t, 10 * 1024 / 600, (100 - v.planarOffsetY) * 512 / 300));

  // A texture shorter than the screen at its own height: unfiltered, between bands.
  const ComposedTexture small = UniqueTexture(150);
  ViewState w;
  w.planarMode = true;
  w.textureHeight = 150;
  SetPlanarHeight(w, -1);
  RenderPlanar({f, w, s}, small);
  EXPECT_EQ(w.planarOffsetY, 85);
  EXPECT_EQ(f.at(3, 84), kMark);
  EXPECT_EQ(f.at(3, 85), small.at(3, 0));
  EXPECT_EQ(f.at(3, 234), small.at(3, 149));
  EXPECT_EQ(f.at(3, 235), kMark);
}

TEST(GlobeOverlay, SphereGridAndCirclesLieOnTheirLines) {
  FrameBuffer f = Frame();
  Settings s = Plain();
  s.gridColor = 0x001F;
  s.equatorColor = 0xFFE0;
  s.tropicColor = 0xF800;
  s.arcticColor = 0x07E0;
  const ViewState v = Sphere(118, 30 * kDeg, 170 * kDeg, 1024);  // the 180th meridian in view
  const OverlayContext o{f, v, s};
  DrawSphereGrid(o);
  DrawSphereCircles(o);
  int x, y;
  for (const double lat : {-40.0, 10.0, 50.0, 85.0}) {
    ASSERT_TRUE(GlobeToScreen(v, lat * kDeg, kPi, x, y));
    EXPECT_TRUE(ColourNear(f, x, y, s.equatorColor)) << "180th meridian at " << lat;
  }
  for (const double lon : {150.0, 170.0, -170.0}) {
    ASSERT_TRUE(GlobeToScreen(v, 0, lon * kDeg, x, y));
    EXPECT_TRUE(ColourNear(f, x, y, s.equatorColor)) << "equator at " << lon;
    ASSERT_TRUE(GlobeToScreen(v, 45 * kDeg, lon * kDeg, x, y));
    EXPECT_TRUE(ColourNear(f, x, y, s.gridColor)) << "45N at " << lon;
    ASSERT_TRUE(GlobeToScreen(v, 23.44 * kDeg, lon * kDeg, x, y));
    EXPECT_TRUE(ColourNear(f, x, y, s.tropicColor, 2)) << "tropic at " << lon;
    ASSERT_TRUE(GlobeToScreen(v, 66.53 * kDeg, lon * kDeg, x, y));
    EXPECT_TRUE(ColourNear(f, x, y, s.arcticColor, 2)) << "polar circle at " << lon;
  }
  // Meridians other than the four main ones stop 15 degrees short of the pole.
  ASSERT_TRUE(GlobeToScreen(v, 82 * kDeg, 165 * kDeg, x, y));
  EXPECT_FALSE(ColourNear(f, x, y, s.gridColor, 0));
  ASSERT_TRUE(GlobeToScreen(v, 70 * kDeg, 165 * kDeg, x, y));
  EXPECT_TRUE(ColourNear(f, x, y, s.gridColor));
}

TEST(GlobeOverlay, PlanarGridAndCirclesRows) {
  FrameBuffer f = Frame();
  Settings s = Plain();
  s.gridColor = 0x001F;
  s.equatorColor = 0xFFE0;
  s.tropicColor = 0xF800;
  s.arcticColor = 0x07E0;
  ViewState v;
  v.planarMode = true;
  v.textureHeight = 1024;
  SetPlanarHeight(v, 600);
  v.planarScrollX = 1150;  // the 180th meridian at x = 50, Greenwich off screen
  v.planarScrollY = 200;
  const OverlayContext o{f, v, s};
  DrawPlanarGrid(o);
  DrawPlanarCircles(o);
  EXPECT_EQ(f.at(50, 10), s.equatorColor);             // the 180th meridian
  EXPECT_EQ(f.at(100, 10), s.gridColor);               // 15 degrees east of it
  EXPECT_EQ(f.at(10, 300 - 200), s.equatorColor);      // the equator, H / 2 - scroll
  EXPECT_TRUE(ColourNear(f, 11, 300 - 200 - 78, s.tropicColor, 3));  // 23.45 of 180 degrees: 78 rows, dashed
  int x, y;
  ASSERT_TRUE(GlobeToScreen(v, 0, kPi - 1e-9, x, y));
  EXPECT_NEAR(x, 50, 1);
  ASSERT_TRUE(GlobeToScreen(v, 23.45 * kDeg, -150 * kDeg, x, y));
  EXPECT_NEAR(y, 22, 1);
}

TEST(GlobeOverlay, GreatCircleWrapsAcrossTheFlatMapEdge) {
  FrameBuffer f = Frame();
  Settings s = Plain();
  ViewState v;
  v.planarMode = true;
  v.textureHeight = 512;
  SetPlanarHeight(v, 120);  // the whole map 240 wide, the 180th meridian at x = 0
  const OverlayContext o{f, v, s};
  const double d = DrawGreatCircle(o, 20 * kDeg, 170 * kDeg, -10 * kDeg, -165 * kDeg, kMark, 0, nullptr);
  EXPECT_GT(d, 0);
  int edge = 0;
  for (int y = 0; y < kViewHeight; ++y) {
    for (int x = 0; x < kViewWidth; ++x) {
      if (f.at(x, y) != kMark) continue;
      EXPECT_TRUE(x < 20 || x > 220) << "arc crosses the screen at " << x << "," << y;
      ++edge;
    }
  }
  EXPECT_GT(edge, 20);
  EXPECT_TRUE(ColourNear(f, 0, 160, kMark, 12));
  EXPECT_TRUE(ColourNear(f, 239, 160, kMark, 12));
  // Identical points and a negative dash draw nothing.
  FrameBuffer g = Frame();
  const OverlayContext og{g, v, s};
  EXPECT_EQ(DrawGreatCircle(og, 0.3, 0.2, 0.3, 0.2, kMark, 0, nullptr), 0);
  EXPECT_EQ(DrawGreatCircle(og, 0.3, 0.2, 0.5, 0.9, kMark, -1, nullptr), 0);
  EXPECT_EQ(std::count(g.data(), g.data() + kViewWidth * kViewHeight, kMark), 0);
  // Pole to pole still has a path.
  const ViewState sphere = Sphere(118, 0, 0, 512);
  const OverlayContext os{g, sphere, s};
  EXPECT_NEAR(DrawGreatCircle(os, kPi / 2, 0, -kPi / 2, 0, kMark, 0, nullptr), kPi, 1e-3);
  EXPECT_GT(std::count(g.data(), g.data() + kViewWidth * kViewHeight, kMark), 100);
}

TEST(GlobeOverlay, MarkersAreCutAtTheScreenEdgeNotWrapped) {
  ImageObject strip = MakeResourceImage(kMarkerStripResource);
  ASSERT_TRUE(Load(strip, nullptr, kLoadWhole));
  EXPECT_EQ(strip.width, 47);
  EXPECT_EQ(strip.height, 34);
  FrameBuffer f = Frame();
  Settings s = Plain();
  ViewState v;
  v.planarMode = true;
  v.textureHeight = 512;
  SetPlanarHeight(v, 120);
  const OverlayContext o{f, v, s, &strip};
  // Longitude 178 E lands at x = 238: the Sun shows its left part only.
  DrawMarkerAt(o, 0, 178 * kDeg, 0, 0, 27, 27, &strip);
  int drawn = 0;
  for (int y = 0; y < kViewHeight; ++y)
    for (int x = 0; x < kViewWidth; ++x)
      if (f.at(x, y) != 0) {
        EXPECT_GE(x, 238 - 13) << y;
        ++drawn;
      }
  EXPECT_GT(drawn, 30);
}

TEST(GlobeOverlay, MoonShadingFollowsThePhase) {
  MoonPicture moon;
  auto litColumns = [&](int row) {
    std::string lit;
    const Color565* p = moon.image.pixels16();
    for (int x = 0; x < kMoonSize; ++x) {
      const Color565 c = p[row * kMoonSize + x];
      lit += c == kColorKey ? ' ' : (c == 0 ? '.' : '#');
    }
    return lit;
  };
  ASSERT_TRUE(ShadeMoonImage(moon, 0));  // full
  EXPECT_EQ(litColumns(9), std::string(19, '#'));
  EXPECT_EQ(litColumns(0), "      #######      ");
  ASSERT_TRUE(ShadeMoonImage(moon, -1));  // new
  EXPECT_EQ(litColumns(9), std::string(19, '.'));
  ASSERT_TRUE(ShadeMoonImage(moon, -0.5));  // first quarter: the right half lit
  const std::string half = litColumns(9);
  EXPECT_EQ(half.substr(0, 8), "........");
  EXPECT_EQ(half.substr(11), "########");
  ASSERT_TRUE(ShadeMoonImage(moon, 0.5));  // last quarter: the left half lit
  EXPECT_EQ(litColumns(9).substr(0, 8), "########");
  EXPECT_NEAR(moon.litPercent, 50, 1e-9);
}

TEST(GlobeOverlay, PlaceMarkersAndLabels) {
  ImageObject strip = MakeResourceImage(kMarkerStripResource);
  ASSERT_TRUE(Load(strip, nullptr, kLoadWhole));
  Font font;
  ASSERT_TRUE(LoadFont(font, 1));
  FrameBuffer f = Frame();
  Settings s = Plain();
  s.semiTransparentTextBackground = false;
  ViewState v;
  v.planarMode = true;
  v.textureHeight = 512;
  SetPlanarHeight(v, 512);
  v.planarScrollX = 400;  // Greenwich at x = 112
  v.planarScrollY = 0;
  PlaceDrawHooks hooks;
  hooks.countryName = [](int) { return "Land"; };
  const OverlayContext o{f, v, s, &strip, &font, &hooks};

  Place place;
  place.name = "Top";
  place.population = 0xC100;
  place.latitude = 90 * 60 - 60;  // one degree below the pole: y = 3
  place.longitude = 0;
  DrawPlace(o, place, kMark);
  int above = 0, below = 0;
  for (int y = 0; y < kViewHeight; ++y)
    for (int x = 0; x < kViewWidth; ++x)
      if (f.at(x, y) == kMark) (y < 3 ? above : below)++;
  EXPECT_EQ(above, 0);
  EXPECT_GT(below, 5);  // the label went below the point
  // The 20,000 mark is the boundary between the 5 x 5 and 4 x 4 markers.
  place.population = 0x80C8;
  EXPECT_EQ(PlaceMarkerPart(place).w, 5);
  place.population = 0x80C7;
  EXPECT_EQ(PlaceMarkerPart(place).w, 4);

  // Nothing for a hidden place.
  FrameBuffer g = Frame();
  const OverlayContext og{g, v, s, &strip, &font, &hooks};
  place.displayMask = 0;
  DrawPlace(og, place, kMark);
  EXPECT_EQ(std::count_if(g.data(), g.data() + kViewWidth * kViewHeight, [](Color565 p) { return p != 0; }), 0);
}

TEST(GlobeScene, LayersInOrderAndOnlyWhenRequested) {
  Globe globe;
  globe.texture = Uniform(64, 0x1234);
  globe.view.textureHeight = 64;
  BuildColumnTables(globe.view);
  FrameBuffer f = Frame();
  Settings s = Plain();
  s.sunSpot = s.moonSpot = false;
  std::vector<std::string> calls;
  SceneLayers layers;
  auto note = [&calls](const char* name) { return [&calls, name](const OverlayContext&) { calls.push_back(name); }; };
  layers.selectedCities = note("selected");
  layers.routes = note("routes");
  layers.displayedCities = note("displayed");
  layers.weatherPlaces = note("weather");
  layers.gpsHistory = note("history");
  layers.distancePaths = note("distance");
  layers.tappedPoint = note("tapped");
  layers.infoLines = note("info");
  layers.gpsOverlay = note("gps");
  Scene scene{f, globe, s, nullptr, nullptr, nullptr, &layers};
  globe.view.redrawRequested = true;
  EXPECT_FALSE(RenderScene(scene));
  EXPECT_EQ(calls, (std::vector<std::string>{"selected", "routes", "displayed", "weather", "history", "distance",
                                             "tapped", "info", "gps"}));
  EXPECT_FALSE(globe.view.redrawRequested);
  calls.clear();
  RenderScene(scene);
  EXPECT_EQ(calls, (std::vector<std::string>{"gps"}));

  // A zoom selection replaces the tapped point by the green outline; edge scrolling
  // moves the view and asks for another paint.
  calls.clear();
  globe.view.redrawRequested = true;
  scene.stylus.zoomSelecting = true;
  scene.stylus.x1 = 100, scene.stylus.y1 = 100, scene.stylus.x = 130, scene.stylus.y = 150;
  RenderScene(scene);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "tapped"), 0);
  EXPECT_EQ(f.at(100, 120), 0x07E0);
  scene.stylus = {};
  scene.stylus.edgeScroll = true;
  scene.stylus.x = 3, scene.stylus.y = 160;
  const int32_t before = globe.view.viewLongitude;
  EXPECT_TRUE(RenderScene(scene));
  EXPECT_NE(globe.view.viewLongitude, before);

  // Without a texture: the background and the message.
  Globe empty;
  Scene none{f, empty, s};
  int shown = 0;
  RenderSceneOrEmpty(none, false, [&shown] { ++shown; });
  RenderSceneOrEmpty(none, true, [&shown] { ++shown; });
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(f.at(100, 120), s.backgroundColor);
}

// A one-shot picture composes only the texels the sphere reads: every texel outside the
// demand may hold anything without changing the picture, and the demanded ones are
// composed as in the whole texture (the bundled maps, and an interlaced map).
TEST(GlobeRender, SphereReadsOnlyTheDemandedTexels) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("orx_demand_" + std::to_string(getpid()));
  fs::create_directories(dir / "maps");
  tools::GifPicture pic;
  pic.width = 720;
  pic.height = 360;
  pic.interlaced = true;
  for (int i = 0; i < 256; ++i) pic.palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i * 13)});
  for (int i = 0; i < 720 * 360; ++i) pic.indices.push_back(static_cast<uint8_t>(i * 2654435761u >> 24));
  ASSERT_TRUE(tools::WriteGif((dir / "maps" / "Day.gif").string(), pic));
  struct Case {
    fs::path data;
    int radius;
    double lat, lon;
    bool smooth;
  } cases[] = {{fs::path(ORRELUX_SOURCE_DIR) / "data", 118, 0, -60, false},
               {fs::path(ORRELUX_SOURCE_DIR) / "data", 118, 35, 179, true},
               {fs::path(ORRELUX_SOURCE_DIR) / "data", 700, 89.9, 20, false},
               {fs::path(ORRELUX_SOURCE_DIR) / "data", 25, -50, -100, true},
               {dir, 160, 60, 0, true},
               {dir, 118, -80, -179.9, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data.string() + " radius " + std::to_string(c.radius) + " at " + std::to_string(c.lat) + "," + std::to_string(c.lon));
    Settings s = Plain();
    s.textureSmoothing3d = c.smooth;
    s.useOverlayMap = c.data != dir;
    s.latLonGrid = s.tropicAndPolarCircles = false;
    const platform::SystemTime utc = platform::SystemTimeFromMillis(1796644800000);  // 2026-12-07 12:00 UTC
    Globe whole;
    whole.view = Sphere(c.radius, c.lat * kDeg, c.lon * kDeg, 0);
    ASSERT_EQ(RebuildTexture(whole, MakeTextureSource(s, c.data, utc), {}, false), kTextureOk);
    Globe part;
    part.view = whole.view;
    TexelDemand demand;
    TextureSource source = MakeTextureSource(s, c.data, utc);
    source.demand = [&](TexelDemand& d) {
      MarkSphereDemand(part.view, s, d);
      demand = d;
    };
    ASSERT_EQ(RebuildTexture(part, source, {}, false), kTextureOk);
    ASSERT_EQ(demand.width, whole.texture.width);

    // The whole texture with every texel outside the demand spoilt draws the same sphere.
    const ComposedTexture& t = whole.texture;
    ComposedTexture spoilt = Uniform(t.height, kMark);
    size_t demanded = 0;
    for (int v = 0; v < t.height; ++v) {
      for (int u = 0; u < t.width; ++u) {
        if (!(demand.rows[static_cast<size_t>(v)] >> (u / demand.blockWidth) & 1)) continue;
        ++demanded;
        spoilt.pixels[static_cast<size_t>(v) * t.width + u] = t.at(u, v);
        ASSERT_EQ(part.texture.at(u, v), t.at(u, v)) << u << "," << v;
      }
    }
    EXPECT_LT(demanded, static_cast<size_t>(t.width) * t.height / 2);
    FrameBuffer a = Frame(), b = Frame();
    RenderSphere({a, whole.view, s, nullptr}, t, 1);
    RenderSphere({b, whole.view, s, nullptr}, spoilt, 1);
    EXPECT_TRUE(std::equal(a.data(), a.data() + kViewWidth * kViewHeight, b.data()));
  }
  fs::remove_all(dir);
}

TEST(RenderCommand, WritesTheFrameAndLeavesTheSettingsAlone) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("orx_render_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path settings = dir / "settings.ini";
  {
    std::ofstream out(settings);
    out << "[Colors]\nBackground Color = dword:0x001F\n";
  }
  const auto before = fs::last_write_time(settings);
  const std::string png = (dir / "globe.png").string();
  const std::string data = std::string(ORRELUX_SOURCE_DIR) + "/data";
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "orrelux");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return RunRenderCommand(static_cast<int>(argv.size()), argv.data(), settings);
  };
  ASSERT_EQ(run({"--render", png, "--data-dir", data, "--time", "2026-06-21T12:00:00Z", "--view", "20,0", "--no-spots"}), 0);
  int w = 0, h = 0;
  std::vector<uint32_t> rgb;
  ASSERT_TRUE(platform::ReadPng(png, w, h, rgb));
  EXPECT_EQ(w, 240);
  EXPECT_EQ(h, 320);
  EXPECT_EQ(rgb[0], 0x0000FFu);  // the stored background colour
  EXPECT_NE(rgb[160 * 240 + 120], 0x0000FFu);
  EXPECT_EQ(fs::last_write_time(settings), before);

  ASSERT_EQ(run({"--render", png, "--data-dir", data, "--planar", "--map-height", "200", "--grid"}), 0);
  ASSERT_TRUE(platform::ReadPng(png, w, h, rgb));
  EXPECT_EQ(rgb[10 * 240 + 10], 0x0000FFu);  // the band above a 200-row map

  // `Show all countries` puts every country's name on the picture, in its colour.
  {
    std::ofstream out(settings);
    out << "[General]\nFlags = dword:0xA5C3EE4A\n[Colors]\nDisplayed Country Color = dword:0x07FF\n"
           "Displayed City Color = dword:0x07FF\n";
  }
  ASSERT_EQ(run({"--render", png, "--data-dir", data, "--view", "50,10", "--no-spots"}), 0);
  ASSERT_TRUE(platform::ReadPng(png, w, h, rgb));
  EXPECT_GT(std::count(rgb.begin(), rgb.end(), 0x00FFFFu), 100);

  EXPECT_EQ(run({"--render", png, "--radius", "abc"}), 2);
  EXPECT_EQ(run({"--render", png, "--twilight", "dusk"}), 2);
  EXPECT_EQ(run({"--render", png, "--frobnicate"}), 2);
  EXPECT_EQ(run({"--render"}), 2);
  EXPECT_EQ(run({"--render", png, "--data-dir", dir.string()}), 1);  // no maps there
  EXPECT_TRUE(WantsRender(3, std::vector<char*>{const_cast<char*>("x"), const_cast<char*>("--render=a.png"), nullptr}.data()));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace orx
