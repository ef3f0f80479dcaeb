// The pointing tools as a user drives them: taps on the globe through the window
// procedure of a headless window, with the pointed place, the distance path and the
// information stack in the presented frame checked.
#include <gtest/gtest.h>


#include "app/app.h"
#include "measure/distance_path.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "support/headless_app.h"

namespace orx {
namespace {

using platform::MakePointParam;

constexpr int H = 320;
constexpr Color565 kInfoColour = 0xFFE0;
constexpr Color565 kArcColour = 0xF81F;

class Measuring : public testing::HeadlessApp {
 protected:
  void SetUp() override {
    HeadlessApp::SetUp();
    if (HasFatalFailure()) return;
    Settings& s = app_.settings;
    s.panRotate = false;
    s.rotateGlobe = false;
    s.snapToNearestKnownPlace = false;  // bare points, exactly where tapped
    s.snapToNearestDisplayedPlace = false;
    s.latLon = true;
    s.semiTransparentTextBackground = true;
    s.snappedCityColor = kInfoColour;
    s.distanceArcColor = kArcColour;
    s.antialiasedLines = false;
    CenterOn(app_.globe.view, 0, 0);
    app_.globe.view.redrawRequested = true;
    app_.host->Invalidate();
    Pump();
  }
  void Post(uint32_t id, int x, int y) {
    app_.host->PostMessage(id, 0, MakePointParam(x, y));
    Pump();
  }
  void Tap(int x, int y) {
    Post(platform::kMsgLButtonDown, x, y);
    Post(platform::kMsgLButtonUp, x, y);
  }
  void DoubleTap(int x, int y) {
    Tap(x, y);
    Post(platform::kMsgLButtonDblClk, x, y);
    Post(platform::kMsgLButtonUp, x, y);
  }
  void Command(uint32_t id) {
    app_.host->PostMessage(platform::kMsgCommand, id, 0);
    Pump();
  }
  Point Screen(double latDeg, double lonDeg) {
    int x = -1, y = -1;
    EXPECT_TRUE(GlobeToScreen(app_.globe.view, latDeg * 3.14159265358979 / 180, lonDeg * 3.14159265358979 / 180, x, y));
    return {x, y};
  }
  uint16_t Shown(int x, int y) {
    return static_cast<platform::HeadlessDisplay&>(app_.host->display()).Pixel(x, y);
  }
  int Count(int x0, int y0, int x1, int y1, uint16_t colour) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) n += Shown(x, y) == colour;
    return n;
  }
  int LineHeight() const { return app_.font.lineSpacing > 0 ? app_.font.lineSpacing : app_.font.glyphHeight; }
  MeasureState& M() { return app_.measure; }

};

TEST_F(Measuring, ATapShowsTheLinesOfThePointedPlaceOverADarkenedBand) {
  const int h = LineHeight();
  EXPECT_EQ(Count(0, 0, 239, 3 * h, kInfoColour), 0);
  const Point p = Screen(10, 20);
  Tap(p.x, p.y);
  const Place& pointed = M().pointed;
  EXPECT_EQ(pointed.displayMask, kPlaceShowMarker);  // a bare point: marker, no label
  EXPECT_EQ(pointed.name, nullptr);
  EXPECT_NEAR(pointed.latitude, 600, 40);
  EXPECT_NEAR(pointed.longitude, 1200, 40);
  // The coordinates line (and nothing named) in the first row of the stack.
  EXPECT_GT(Count(2, 2, 239, 1 + h, kInfoColour), 10);
  // The band covers the lines that were drawn; the globe shows through beneath it.
  std::vector<InfoLine> expected;
  BuildInfoLines(pointed, app_.settings, platform::GetSystemTime(), app_.globe.sky, expected);
  ASSERT_FALSE(expected.empty());
  const int rows = static_cast<int>(expected.size());
  EXPECT_GT(Count(2, 2 + (rows - 1) * h, 239, 1 + rows * h, kInfoColour), 10);

  // A drag keeps pointing: the place follows the stylus.
  const Point q = Screen(-30, -10);
  Post(platform::kMsgLButtonDown, p.x, p.y);
  Post(platform::kMsgMouseMove, q.x, q.y);
  EXPECT_NEAR(M().pointed.latitude, -1800, 40);
  Post(platform::kMsgLButtonUp, q.x, q.y);

  // On the whole flat map the antipode shows as a blue square framed in white.
  app_.settings.antipodes = true;
  Command(2006);
  ASSERT_TRUE(app_.globe.view.planarMode);
  SetPlanarHeight(app_.globe.view, 120);
  const Point r = Screen(20, 60);
  Tap(r.x, r.y);
  const ArcMinutePoint a = Antipode({M().pointed.latitude, M().pointed.longitude});
  EXPECT_NEAR(a.longitude, -120 * 60, 100);  // a pixel is 90 arc-minutes here
  const Point anti = Screen(a.latitude / 60.0, a.longitude / 60.0);
  EXPECT_EQ(Shown(anti.x, anti.y), 0x001F);
  EXPECT_EQ(Shown(anti.x + 2, anti.y - 2), 0xFFFF);

  // Distance mode forgets the pointed place and its lines.
  Command(2004);
  EXPECT_EQ(M().pointed.displayMask, 0u);
  EXPECT_EQ(Count(0, 0, 239, 3 * h, kInfoColour), 0);
}

TEST_F(Measuring, TapsAddDistancePointsAndADoubleTapDeletesOne) {
  const int h = LineHeight();
  Command(2004);
  ASSERT_TRUE(app_.settings.computeDistance);
  const Point a = Screen(0, 0), b = Screen(0, 40), c = Screen(30, 20);
  Tap(a.x, a.y);
  ASSERT_EQ(M().distancePath.size(), 1u);
  // One point: the stack says 0 km.
  EXPECT_GT(Count(2, 2, 239, 1 + h, kArcColour), 10);
  Tap(b.x, b.y);
  Tap(c.x, c.y);
  ASSERT_EQ(M().distancePath.size(), 3u);
  EXPECT_NEAR(M().distancePath[1]->longitude, 2400, 40);
  // The legs are drawn between the points.
  const Point mid = Screen(0, 20);
  EXPECT_GT(Count(mid.x - 3, mid.y - 3, mid.x + 3, mid.y + 3, kArcColour), 0);

  // A single tap on a point selects it and adds nothing.
  Tap(b.x + 2, b.y);
  EXPECT_EQ(M().distancePath.size(), 3u);
  // A double tap within the hit radius deletes it; the others stay in order.
  DoubleTap(b.x + 3, b.y - 3);
  ASSERT_EQ(M().distancePath.size(), 2u);
  EXPECT_NEAR(M().distancePath[1]->latitude, 1800, 40);
  // Farther than sqrt(50) pixels from a point, the first tap of a double tap adds a
  // point and the second lands on it and deletes it.
  Tap(a.x + 6, a.y + 6);
  EXPECT_EQ(M().distancePath.size(), 3u);
  Post(platform::kMsgLButtonDblClk, a.x + 6, a.y + 6);
  Post(platform::kMsgLButtonUp, a.x + 6, a.y + 6);
  EXPECT_EQ(M().distancePath.size(), 2u);
  EXPECT_NEAR(M().distancePath[0]->longitude, 0, 40);

  // Dragging a point moves it; the path keeps its length.
  const Point d = Screen(-20, 10);
  Post(platform::kMsgLButtonDown, c.x, c.y);
  Post(platform::kMsgMouseMove, d.x, d.y);
  Post(platform::kMsgLButtonUp, d.x, d.y);
  ASSERT_EQ(M().distancePath.size(), 2u);
  EXPECT_NEAR(M().distancePath[1]->latitude, -1200, 40);
  EXPECT_EQ(M().selectedPoint, -1);

  // Leaving distance mode keeps the path but not its lines; entering it again clears it.
  Command(2004);
  EXPECT_EQ(M().distancePath.size(), 2u);
  EXPECT_EQ(Count(0, 0, 239, 3 * h, kArcColour), 0);
  Command(2004);
  EXPECT_TRUE(M().distancePath.empty());
  // Taps off the globe add nothing.
  Tap(2, 2);
  EXPECT_TRUE(M().distancePath.empty());
}

}  // namespace
}  // namespace orx
