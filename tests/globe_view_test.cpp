// The view and its projections: lookup accuracy, the inverse and forward transforms
// agreeing over the whole disc and the whole flat map, and the view operations' limits.
#include "globe/view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "settings/settings.h"

namespace orx {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDeg = kPi / 180;

ViewState SphereView(int32_t radius, double latitude, double longitude) {
  ViewState v;
  v.globeRadius = radius;
  v.textureHeight = 1024;
  BuildColumnTables(v);
  CenterOn(v, latitude, longitude);
  return v;
}

ViewState PlanarView(int32_t textureHeight, int32_t height) {
  ViewState v;
  v.planarMode = true;
  v.textureHeight = textureHeight;
  SetPlanarHeight(v, height);
  return v;
}

TEST(GlobeLookups, TablesFollowTheFunctionsTheyStandFor) {
  EXPECT_EQ(AsinLookup(65536), 16384);
  EXPECT_EQ(AsinLookup(0), 49152);
  EXPECT_EQ(AsinLookup(32768), 0);
  EXPECT_EQ(SinLookup(16384), 32768);
  EXPECT_EQ(CosLookup(65536), 32768);
  double worstTrig = 0, worstAsin = 0;
  for (int32_t angle = 0; angle <= 65536; angle += 7) {
    const double r = angle * kRadiansPerUnit;
    worstTrig = std::max(worstTrig, std::fabs(SinLookup(angle) - 32768 * std::sin(r)));
    worstTrig = std::max(worstTrig, std::fabs(CosLookup(angle) - 32768 * std::cos(r)));
  }
  // Away from +-1, where asin is steep and the 3-bit interpolation cannot follow.
  for (int32_t t = 1024; t <= 64512; t += 5) {
    double expected = std::asin(t / 32768.0 - 1) * kUnitsPerRadian;
    if (expected < 0) expected += 65536;
    worstAsin = std::max(worstAsin, std::fabs(AsinLookup(t) - expected));
  }
  EXPECT_LE(worstTrig, 2.0);
  EXPECT_LE(worstAsin, 2.0);
}

TEST(GlobeProjection, CentreAndDirectionsOfTheSphere) {
  ViewState v = SphereView(118, 0, 0);
  EXPECT_EQ(v.viewLongitude, 16384);
  EXPECT_EQ(v.viewLatitude, 0);
  int32_t a, u;
  ASSERT_TRUE(ScreenToGlobe(v, 120, 160, a, u));
  EXPECT_EQ(u, 32768);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(u, v.viewLongitude + 16384);
  int32_t a2, u2;
  ASSERT_TRUE(ScreenToGlobe(v, 125, 160, a2, u2));
  EXPECT_GT(u2, u);  // east is to the right
  ASSERT_TRUE(ScreenToGlobe(v, 120, 150, a2, u2));
  EXPECT_LT(a2, 0);  // north is up, and texture latitude is negated
  int x, y;
  ASSERT_TRUE(GlobeToScreen(v, 0, 0, x, y));
  EXPECT_EQ(x, 120);
  EXPECT_EQ(y, 160);
  EXPECT_FALSE(GlobeToScreen(v, 0, kPi, x, y));  // the far side
  // Off the disc, and the outermost columns whose half-height is 0.
  EXPECT_FALSE(ScreenToGlobe(v, 1, 160, a, u));
  EXPECT_FALSE(ScreenToGlobe(v, 120, 40, a, u));
  EXPECT_FALSE(ScreenToGlobe(v, 210, 250, a, u));
}

// Every pixel of the disc goes to the Earth and back to within one pixel.
void ExpectSphereRoundTrip(const ViewState& v) {
  int worst = 0, pixels = 0, worstX = 0, worstY = 0;
  for (int y = 0; y < kViewHeight; ++y) {
    for (int x = 0; x < kViewWidth; ++x) {
      int32_t a, u;
      if (!ScreenToGlobe(v, x, y, a, u)) continue;
      ++pixels;
      int bx, by;
      // On the rim a point may round onto the far side; it must still land in place.
      GlobeToScreen(v, -a * kRadiansPerUnit, (u - 32768) * kRadiansPerUnit, bx, by);
      const int error = std::max(std::abs(bx - x), std::abs(by - y));
      if (error > worst) {
        worst = error;
        worstX = x;
        worstY = y;
      }
    }
  }
  EXPECT_GT(pixels, 0);
  EXPECT_LE(worst, 1) << "radius " << v.globeRadius << " view " << v.viewLatitude << "," << v.viewLongitude
                       << " at " << worstX << "," << worstY;
}

TEST(GlobeProjection, SphereRoundTripOverTheWholeDisc) {
  ExpectSphereRoundTrip(SphereView(118, 0, 0));
  ExpectSphereRoundTrip(SphereView(118, 51.5 * kDeg, -0.1 * kDeg));
  ExpectSphereRoundTrip(SphereView(118, -33.9 * kDeg, 151.2 * kDeg));
  ExpectSphereRoundTrip(SphereView(118, 90 * kDeg, 0));   // over the North Pole
  ExpectSphereRoundTrip(SphereView(60, -90 * kDeg, 170 * kDeg));
  ExpectSphereRoundTrip(SphereView(200, 20 * kDeg, 179.9 * kDeg));  // cut at every edge
  ExpectSphereRoundTrip(SphereView(651, 89 * kDeg, 0));  // the largest radius, by the pole
}

TEST(GlobeProjection, FlatMapRoundTripAndLimits) {
  for (const int32_t height : {-1, 320, 200, 120}) {
    ViewState v = PlanarView(1024, height);
    v.planarScrollX = 1900 % (2 * PlanarMapHeight(v));  // the date line on screen
    int worst = 0;
    for (int y = 0; y < kViewHeight; ++y) {
      for (int x = 0; x < kViewWidth; ++x) {
        int32_t a, u;
        if (!ScreenToGlobe(v, x, y, a, u)) {
          EXPECT_TRUE(y < v.planarOffsetY || y >= v.planarOffsetY + PlanarMapHeight(v)) << x << "," << y;
          continue;
        }
        int bx, by;
        ASSERT_TRUE(GlobeToScreen(v, -a * kRadiansPerUnit, (u - 32768) * kRadiansPerUnit, bx, by));
        // Columns compare round the map: the last column is next to the first.
        const int dx = std::abs(bx - x) % (2 * PlanarMapHeight(v));
        worst = std::max({worst, std::min(dx, 2 * PlanarMapHeight(v) - dx), std::abs(by - y)});
      }
    }
    EXPECT_LE(worst, 1) << "height " << height;
  }
}

TEST(GlobeProjection, ClampToGlobeMovesOutsidePointsToTheEdge) {
  ViewState v = SphereView(100, 0, 0);
  int x = 150, y = 170;
  EXPECT_EQ(ClampToGlobe(v, x, y), 1);
  x = 120, y = 0;
  EXPECT_EQ(ClampToGlobe(v, x, y), 0);
  EXPECT_EQ(x, 120);
  EXPECT_EQ(y, 60);
  x = 0, y = 160;
  EXPECT_EQ(ClampToGlobe(v, x, y), 0);
  EXPECT_EQ(x, 20);
  x = 239, y = 319;
  EXPECT_EQ(ClampToGlobe(v, x, y), 0);
  const double r = std::hypot(x - 120, y - 160);
  EXPECT_NEAR(r, 100, 1.5);
  EXPECT_GT(x, 120);
  EXPECT_GT(y, 160);

  ViewState p = PlanarView(512, 120);  // rows 100..219 hold the map
  x = 5, y = 50;
  EXPECT_EQ(ClampToGlobe(p, x, y), 0);
  EXPECT_EQ(y, 100);
  y = 300;
  EXPECT_EQ(ClampToGlobe(p, x, y), 0);
  EXPECT_EQ(y, 219);
}

TEST(GlobeProjection, AngularDistanceAndBearing) {
  double bearing = -1;
  EXPECT_NEAR(AngularDistance(0, 0, 0, kPi / 2, &bearing), kPi / 2, 1e-12);
  EXPECT_NEAR(bearing, kPi / 2, 1e-9);  // due east
  EXPECT_NEAR(AngularDistance(0, 0, 0.5, 0, &bearing), 0.5, 1e-12);
  EXPECT_NEAR(bearing, 0, 1e-6);
  AngularDistance(0, 0, 0, -0.5, &bearing);
  EXPECT_NEAR(bearing, 1.5 * kPi, 1e-9);  // due west
  // Identical points: no NaN from rounding above 1.
  const double d = AngularDistance(0.7, 0.3, 0.7, 0.3, &bearing);
  EXPECT_EQ(d, 0);
  EXPECT_FALSE(std::isnan(bearing));
}

TEST(GlobeView, PlanarHeightLimits) {
  ViewState v;
  v.planarMode = true;
  v.textureHeight = 512;
  EXPECT_EQ(SetPlanarHeight(v, 50), 120);
  EXPECT_EQ(v.planarOffsetY, 100);
  EXPECT_EQ(v.planarHeight, 120);
  EXPECT_EQ(SetPlanarHeight(v, 600), 512);
  EXPECT_EQ(v.planarHeight, -1);
  EXPECT_EQ(v.planarOffsetY, 0);
  v.textureHeight = 0;
  EXPECT_EQ(SetPlanarHeight(v, 300), 0);

  // Scroll offsets scale with the height and stay inside the map.
  v.textureHeight = 1024;
  SetPlanarHeight(v, -1);
  v.planarScrollX = 2000;
  v.planarScrollY = 700;
  SetPlanarHeight(v, 512);
  EXPECT_EQ(v.planarScrollX, 1000);
  EXPECT_EQ(v.planarScrollY, 192);  // 350 clamped to 512 - 320

  // A stored height comes back with the stored offsets, brought into range.
  ViewState s;
  s.planarMode = true;
  s.textureHeight = 1024;
  s.planarScrollX = 5000;
  s.planarScrollY = -7;
  ApplyStoredPlanarHeight(s, 600);
  EXPECT_EQ(s.planarHeight, 600);
  EXPECT_EQ(s.planarScrollX, 5000 % 1200);
  EXPECT_EQ(s.planarScrollY, 0);
}

TEST(GlobeView, ZoomStepLimits) {
  ViewState v = SphereView(118, 0, 0);  // texture height 1024: largest radius 651
  EXPECT_FALSE(ZoomStep(v, Zoom::kReset, false));
  ASSERT_TRUE(ZoomStep(v, Zoom::kIn, true));
  EXPECT_EQ(v.globeRadius, 138);
  EXPECT_EQ(v.columnHalfHeight[kViewCenterX], 138);
  v.globeRadius = 650;
  ASSERT_TRUE(ZoomStep(v, Zoom::kIn, false));
  EXPECT_EQ(v.globeRadius, 654);
  EXPECT_FALSE(ZoomStep(v, Zoom::kIn, false));
  v.globeRadius = 50;
  ASSERT_TRUE(ZoomStep(v, Zoom::kOut, true));
  EXPECT_EQ(v.globeRadius, 40);
  EXPECT_FALSE(ZoomStep(v, Zoom::kOut, false));
  ASSERT_TRUE(ZoomStep(v, Zoom::kReset, false));
  EXPECT_EQ(v.globeRadius, 118);

  ViewState p = PlanarView(1024, -1);
  EXPECT_FALSE(ZoomStep(p, Zoom::kIn, false));  // the texture's own height is the largest
  ASSERT_TRUE(ZoomStep(p, Zoom::kOut, true));
  EXPECT_EQ(PlanarMapHeight(p), 320);
  ASSERT_TRUE(ZoomStep(p, Zoom::kOut, true));
  EXPECT_EQ(PlanarMapHeight(p), 120);
  EXPECT_FALSE(ZoomStep(p, Zoom::kOut, false));
  ASSERT_TRUE(ZoomStep(p, Zoom::kIn, false));
  EXPECT_EQ(PlanarMapHeight(p), 140);
  ASSERT_TRUE(ZoomStep(p, Zoom::kIn, true));
  EXPECT_EQ(PlanarMapHeight(p), 320);
  ASSERT_TRUE(ZoomStep(p, Zoom::kIn, true));
  EXPECT_EQ(p.planarHeight, -1);
}

TEST(GlobeView, PanEdgeScrollAndRotation) {
  ViewState v = SphereView(118, 0, 0);
  PanBy(v, 118, 0);  // R pixels: one radian
  EXPECT_EQ(v.viewLongitude, 16384 - 10430);
  PanBy(v, 0, -100000);
  EXPECT_EQ(v.viewLatitude, 16384);

  v = SphereView(118, 0, 0);
  EXPECT_FALSE(EdgeScroll(v, 10, 160));
  EXPECT_FALSE(EdgeScroll(v, 230, 310));
  EXPECT_TRUE(EdgeScroll(v, 9, 160));
  EXPECT_EQ(v.viewLongitude, 16384 - 1092);
  EXPECT_TRUE(EdgeScroll(v, 231, 0));
  EXPECT_EQ(v.viewLongitude, 16384);
  EXPECT_EQ(v.viewLatitude, -1092);

  v.viewLongitude = 10;
  RotateTick(v, 100);  // below 0 wraps round
  EXPECT_EQ(v.viewLongitude, 10 - 65536 / 50 + 65536);

  ViewState p = PlanarView(1024, -1);
  p.planarScrollX = 5;
  PanBy(p, 10, 40);
  EXPECT_EQ(p.planarScrollX, 2043);
  EXPECT_EQ(p.planarScrollY, 0);
  EXPECT_TRUE(EdgeScroll(p, 235, 315));
  EXPECT_EQ(p.planarScrollX, 2043 + 40 - 2048);
  EXPECT_EQ(p.planarScrollY, 40);
}

TEST(GlobeView, FlightsArrive) {
  ViewState v = SphereView(118, 0, 0);
  StartFlight(v, 10 * kRadiansPerMinute, 10 * kRadiansPerMinute);  // within 21 arc minutes
  StepFlight(v, true, 50);
  EXPECT_FALSE(v.flightActive);
  EXPECT_EQ(v.viewLatitude, static_cast<int32_t>(-10 * kRadiansPerMinute * kUnitsPerRadian));

  const double lat = 48.85 * kDeg, lon = 2.35 * kDeg;
  StartFlight(v, lat, lon);
  double last = 10;
  int steps = 0;
  while (v.flightActive && steps < 200) {
    StepFlight(v, true, 1);
    const double d = AngularDistance(v.flightLatitude, v.flightLongitude, lat, lon, nullptr);
    EXPECT_LT(d, last);
    last = d;
    ++steps;
  }
  EXPECT_FALSE(v.flightActive);
  EXPECT_GT(steps, 5);

  // To the antipodes, and to the far side of the flat map.
  v = SphereView(118, 0.3, 0.4);
  StartFlight(v, -0.3, 0.4 - kPi);
  for (int i = 0; i < 500 && v.flightActive; ++i) StepFlight(v, true, 100);
  EXPECT_FALSE(v.flightActive);
  EXPECT_NEAR(v.viewLatitude, 0.3 * kUnitsPerRadian, 2);

  ViewState p = PlanarView(1024, -1);
  StartFlight(p, 0.2, 3.0);
  StepFlight(p, false, 50);
  int x, y;
  ASSERT_TRUE(GlobeToScreen(p, 0.2, 3.0, x, y));
  EXPECT_NEAR(x, 120, 1);
  EXPECT_NEAR(y, 160, 1);
}

TEST(GlobeView, ZoomToSelection) {
  ViewState v = SphereView(118, 0, 0);
  ASSERT_TRUE(ZoomToSelection(v, 130, 150, 150, 170));
  // The view is centred on the selection's midpoint and the radius grew.
  int x, y;
  int32_t a, u;
  ASSERT_TRUE(ScreenToGlobe(SphereView(118, 0, 0), 140, 160, a, u));
  ASSERT_TRUE(GlobeToScreen(v, -a * kRadiansPerUnit, (u - 32768) * kRadiansPerUnit, x, y));
  EXPECT_NEAR(x, 120, 2);
  EXPECT_NEAR(y, 160, 2);
  EXPECT_GT(v.globeRadius, 118 * 5);
  EXPECT_LE(v.globeRadius, 651);
  // A corner off the globe leaves the view alone.
  const ViewState before = v;
  EXPECT_FALSE(ZoomToSelection(v, 0, 0, 120, 160));
  EXPECT_EQ(v.globeRadius, before.globeRadius);

  ViewState p = PlanarView(1024, -1);
  ASSERT_TRUE(ZoomToSelection(p, 0, 0, 119, 159));
  EXPECT_EQ(PlanarMapHeight(p), 1024);  // 2048 would exceed the texture
  p = PlanarView(1024, 320);
  ASSERT_TRUE(ZoomToSelection(p, 60, 100, 179, 259));
  EXPECT_EQ(PlanarMapHeight(p), 640);
}

TEST(GlobeView, SettingsAreBroughtIntoRange) {
  Settings s;
  s.viewLongitude = 65536;
  s.viewLatitude = 20000;
  s.globeRadius = 0;
  ViewState v;
  LoadViewFromSettings(v, s);
  EXPECT_EQ(v.viewLongitude, 65536);
  EXPECT_EQ(v.viewLatitude, 16384);
  EXPECT_EQ(v.globeRadius, kMinGlobeRadius);
  s.viewLongitude = -1;
  LoadViewFromSettings(v, s);
  EXPECT_EQ(v.viewLongitude, 65535);

  v.planarMode = true;
  v.planarHeight = 400;
  v.planarScrollX = 77;
  Settings out;
  SaveViewToSettings(v, out);
  EXPECT_TRUE(out.sphericalPlanarView);
  EXPECT_EQ(out.planarHeight, 400);
  EXPECT_EQ(out.planarScrollX, 77);
  EXPECT_EQ(out.viewLongitude, 65535);
}

}  // namespace
}  // namespace orx
