// Distance paths: totals and bearings against a vector formulation of the sphere, the
// texts of the distance, travel-time and time-difference lines, and a path across the
// date line on the flat map.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

#include "globe/view.h"
#include "measure/distance_path.h"
#include "measure/measure_state.h"
#include "settings/settings.h"
#include "worldtime/world_time.h"

namespace orx {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr Color565 kPath = 0xF81F;
const std::string kDeg(1, static_cast<char>(0xB0));

FrameBuffer Frame() {
  FrameBuffer f;
  f.width = kViewWidth;
  f.height = kViewHeight;
  f.pixels.reset(new Color565[kViewWidth * kViewHeight]());
  return f;
}

ViewState Sphere() {
  ViewState v;
  v.globeRadius = 118;
  v.textureHeight = 512;
  BuildColumnTables(v);
  CenterOn(v, 0, 0);
  return v;
}

std::unique_ptr<Place> At(int latitudeMinutes, int longitudeMinutes, const char* name = nullptr) {
  auto p = std::make_unique<Place>();
  p->latitude = static_cast<int16_t>(latitudeMinutes);
  p->longitude = static_cast<int16_t>(longitudeMinutes);
  p->name = name;
  return p;
}

// Unit vectors: the central angle from the cross and dot products, the bearing from the
// components of the chord direction along the local north and east.
struct Vec {
  double x, y, z;
};
Vec Unit(double lat, double lon) { return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double CentralAngle(double lat1, double lon1, double lat2, double lon2) {
  const Vec a = Unit(lat1, lon1), b = Unit(lat2, lon2);
  const Vec c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  return std::atan2(std::sqrt(Dot(c, c)), Dot(a, b));
}
double BearingDegrees(double lat1, double lon1, double lat2, double lon2) {
  const Vec b = Unit(lat2, lon2);
  const Vec north{-std::sin(lat1) * std::cos(lon1), -std::sin(lat1) * std::sin(lon1), std::cos(lat1)};
  const Vec east{-std::sin(lon1), std::cos(lon1), 0};
  double deg = std::atan2(Dot(b, east), Dot(b, north)) * 180 / kPi;
  return deg < 0 ? deg + 360 : deg;
}

// The distance and bearing read back from a distance line.
void ParseDistanceLine(const std::string& line, int& distance, double& bearing) {
  ASSERT_EQ(std::sscanf(line.c_str(), "Distance: %d km,  Bearing: %lf", &distance, &bearing), 2) << line;
}

TEST(DistancePath, TotalsAndFirstBearingMatchTheVectorFormulation) {
  FrameBuffer f = Frame();
  const ViewState v = Sphere();
  Settings s;
  const OverlayContext o{f, v, s};
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> lat(-5300, 5300), lon(-10799, 10799);
  for (int trial = 0; trial < 200; ++trial) {
    PlaceList path;
    const int legs = 1 + trial % 3;
    for (int i = 0; i <= legs; ++i) path.push_back(At(lat(rng), lon(rng)));
    double expected = 0;
    for (int i = 0; i < legs; ++i) {
      expected += CentralAngle(path[i]->latitude * kRadiansPerArcMinute, path[i]->longitude * kRadiansPerArcMinute,
                               path[i + 1]->latitude * kRadiansPerArcMinute,
                               path[i + 1]->longitude * kRadiansPerArcMinute);
    }
    std::vector<InfoLine> lines;
    PathStyle style;
    style.color = kPath;
    style.lines = &lines;
    const double total = DrawPath(o, path, nullptr, style);
    EXPECT_NEAR(total, expected, 1e-9);
    ASSERT_EQ(lines.size(), 1u);  // unnamed points: no time difference
    EXPECT_EQ(lines[0].color, kPath);
    int km;
    double bearing;
    ParseDistanceLine(lines[0].text, km, bearing);
    EXPECT_NEAR(km, expected * 6378.0, 1.0);
    const double want = BearingDegrees(path[0]->latitude * kRadiansPerArcMinute, path[0]->longitude * kRadiansPerArcMinute,
                                       path[1]->latitude * kRadiansPerArcMinute, path[1]->longitude * kRadiansPerArcMinute);
    const double off = std::fabs(bearing - want);
    EXPECT_LT(std::min(off, 360 - off), 0.051) << lines[0].text << " want " << want;
  }
}

TEST(DistancePath, LinesForTheQuarterCircleASinglePointAndTheLivePoint) {
  FrameBuffer f = Frame();
  const ViewState v = Sphere();
  Settings s;
  const OverlayContext o{f, v, s};
  std::vector<InfoLine> lines;
  PathStyle style;
  style.lines = &lines;

  PlaceList east;
  east.push_back(At(0, 0));
  east.push_back(At(0, 5400));
  DrawPath(o, east, nullptr, style);
  PlaceList one;
  one.push_back(At(0, 0));
  DrawPath(o, one, nullptr, style);
  // One point plus the live point: that single leg, westward.
  const auto west = At(0, -5400);
  DrawPath(o, one, west.get(), style);
  s.distanceUnits = 2;
  DrawPath(o, east, nullptr, style);
  s.distanceUnits = 1;
  DrawPath(o, east, nullptr, style);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].text, "Distance: 10018 km,  Bearing: 90.0" + kDeg + " E");
  EXPECT_EQ(lines[1].text, "Distance: 0 km,  Bearing: 0.0" + kDeg + " N");
  EXPECT_EQ(lines[2].text, "Distance: 10018 km,  Bearing: 270.0" + kDeg + " W");
  EXPECT_EQ(lines[3].text, "Distance: 5400 nm,  Bearing: 90.0" + kDeg + " E");
  EXPECT_EQ(lines[4].text, "Distance: 6261 mi,  Bearing: 90.0" + kDeg + " E");

  // A negative line style draws and measures nothing and adds no line.
  style.lineStyle = -1;
  EXPECT_EQ(DrawPath(o, east, nullptr, style), 0);
  EXPECT_EQ(lines.size(), 5u);

  // Pole to pole: an arc is still drawn.
  FrameBuffer g = Frame();
  const OverlayContext og{g, v, s};
  PlaceList poles;
  poles.push_back(At(5400, 0));
  poles.push_back(At(-5400, 0));
  style.lineStyle = 0;
  style.color = kPath;
  EXPECT_NEAR(DrawPath(og, poles, nullptr, style), kPi, 1e-3);
  EXPECT_GT(std::count(g.data(), g.data() + kViewWidth * kViewHeight, kPath), 100);
}

TEST(DistancePath, TravelTimesAndTimeDifferences) {
  EXPECT_EQ(TravelTimeText(750), "12h, 30m");
  EXPECT_EQ(TravelTimeText(1439), "23h, 59m");
  EXPECT_EQ(TravelTimeText(1440), "1d, 0h, 0m");
  EXPECT_EQ(TravelTimeText(18000), "12d, 12h, 0m");
  EXPECT_EQ(TimeToDestinationLine(1.0, 0.0001), "");
  EXPECT_EQ(TimeToDestinationLine(1.0, 0), "");
  // One radian (3437.75 nautical miles) at 100 knots: 2062.6 minutes.
  EXPECT_EQ(TimeToDestinationLine(1.0, 100), "Time To Destination: 1d, 10h, 22m");
  EXPECT_FALSE(TimeToDestinationLine(3.0, 1e-3).empty());  // no overflow at a crawl

  // 7 December: a rule from the last Sunday of March to the last Sunday of October is
  // out of DST; one from October to March (southern summer) is in it.
  const platform::SystemTime now = platform::SystemTimeFromMillis(*platform::ParseUtcInstant("2026-12-07T12:00:00Z"));
  Place first, last;
  first.name = "Southern";
  first.zoneOffset = 60;
  first.dstStart = {static_cast<uint16_t>(0x8000 | (5 << 11) | (1 << 8) | 10), 120};
  first.dstEnd = {static_cast<uint16_t>(0x8000 | (5 << 11) | (1 << 8) | 3), 180};
  last.name = "Western";
  last.zoneOffset = -300;
  ASSERT_TRUE(DstStatus(now, first, nullptr));
  EXPECT_EQ(TimeDifferenceLine(first, last, now), "Time Difference: -07:00");
  EXPECT_EQ(TimeDifferenceLine(last, first, now), "Time Difference: +07:00");
  last.zoneOffset = 90;  // half an hour ahead of the first place's standard time
  first.dstStart = first.dstEnd = {};
  EXPECT_EQ(TimeDifferenceLine(first, last, now), "Time Difference: +00:30");
  last.zoneOffset = 30;
  EXPECT_EQ(TimeDifferenceLine(first, last, now), "Time Difference: -00:30");
  last.flags = kPlaceRouteMark;
  EXPECT_EQ(TimeDifferenceLine(first, last, now), "");
  last.flags = 0;
  last.name = nullptr;
  EXPECT_EQ(TimeDifferenceLine(first, last, now), "");
}

TEST(DistancePath, CrossesTheDateLineAtTheFlatMapEdges) {
  FrameBuffer f = Frame();
  Settings s;
  s.antialiasedLines = false;
  s.directionPointersForDistanceArc = false;
  ViewState v;
  v.planarMode = true;
  v.textureHeight = 512;
  SetPlanarHeight(v, 120);  // the whole map 240 wide, the 180th meridian at x = 0
  const OverlayContext o{f, v, s};
  PlaceList path;
  path.push_back(At(600, 170 * 60));
  path.push_back(At(-300, -170 * 60));
  PathStyle style;
  style.color = kPath;
  EXPECT_NEAR(DrawPath(o, path, nullptr, style), CentralAngle(10 * kPi / 180, 170 * kPi / 180, -5 * kPi / 180, -170 * kPi / 180), 1e-9);
  int left = 0, right = 0;
  for (int y = 0; y < kViewHeight; ++y) {
    for (int x = 0; x < kViewWidth; ++x) {
      if (f.at(x, y) != kPath) continue;
      EXPECT_TRUE(x < 10 || x >= 230) << "the path crosses the map at " << x << "," << y;
      (x < 120 ? left : right)++;
    }
  }
  EXPECT_GT(left, 3);
  EXPECT_GT(right, 3);
}

TEST(DistancePoints, NearestWithinTheHitRadiusAndDeletionKeepsTheSelection) {
  const ViewState v = Sphere();
  MeasureState m;
  m.distancePath.push_back(At(0, 0));
  m.distancePath.push_back(At(0, 60));
  m.distancePath.push_back(At(0, 600));
  int x0, y0, x1, y1;
  ASSERT_TRUE(GlobeToScreen(v, 0, 0, x0, y0));
  ASSERT_TRUE(GlobeToScreen(v, 0, 60 * kRadiansPerArcMinute, x1, y1));
  ASSERT_GT(x1 - x0, 1);
  EXPECT_EQ(FindDistancePoint(m, v, x0, y0), 0);
  EXPECT_EQ(FindDistancePoint(m, v, x1 + 1, y1), 1);
  EXPECT_EQ(FindDistancePoint(m, v, x0 - 5, y0 - 5), -1);  // 50 px^2 is not below 50
  EXPECT_EQ(FindDistancePoint(m, v, x0 - 5, y0 - 4), 0);
  m.selectedPoint = 2;
  DeleteDistancePoint(m, 0);
  EXPECT_EQ(m.selectedPoint, 1);
  EXPECT_EQ(m.distancePath[1]->longitude, 600);
  DeleteDistancePoint(m, 5);
  EXPECT_EQ(m.distancePath.size(), 2u);
  DeleteDistancePoint(m, 1);
  EXPECT_EQ(m.selectedPoint, -1);
  Place city;
  city.name = "Chosen";
  city.displayMask = 0;
  city.latitude = 123;
  ChoosePlace(m, false, city);
  EXPECT_EQ(m.pointed.displayMask, 3u);
  EXPECT_EQ(m.pointed.latitude, 123);
  ChoosePlace(m, true, city);
  ASSERT_EQ(m.distancePath.size(), 2u);
  EXPECT_STREQ(m.distancePath[1]->name, "Chosen");
  DistanceModeChanged(m, false);
  EXPECT_EQ(m.pointed.displayMask, 0u);
  EXPECT_EQ(m.distancePath.size(), 2u);
  DistanceModeChanged(m, true);
  EXPECT_TRUE(m.distancePath.empty());
}

}  // namespace
}  // namespace orx
