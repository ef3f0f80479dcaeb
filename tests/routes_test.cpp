// Route and place files: attribute values, points and labels, every way a file can be
// wrong, pictures beside the route, the route list and its selection, and the routes
// layer drawing where the route goes.
#include "routes/route.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "../tools/gifenc/gif_encoder.h"
#include "app/entry.h"
#include "gfx/draw.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "globe/view.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

namespace orx {
namespace {

using testing::TempDir;
using testing::WriteTextFile;

constexpr Color565 kMark = 0xF81E;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

RouteLoadResult Parse(Route& route, const std::string& xml, const std::filesystem::path& folder = {}) {
  return ParseRoute(route, Bytes(xml), folder);
}

// A w x h GIF of one colour (palette entry 1) with a magenta corner (entry 0).
void WriteImage(const std::filesystem::path& path, int w, int h) {
  tools::GifPicture pic;
  pic.width = w;
  pic.height = h;
  pic.palette = {{255, 0, 255}, {0, 255, 0}};
  pic.indices.assign(static_cast<size_t>(w) * h, 1);
  pic.indices[0] = 0;
  ASSERT_TRUE(tools::WriteGif(path.string(), pic));
}

TEST(RouteAttributes, ColoursAndLineStyles) {
  Route r;
  const std::pair<const char*, Color565> colours[] = {
      {"RED", 0xF800}, {"Gold", 0xFEA0}, {"#FF8000", 0xFC00}, {"#ff8000", 0xFC00}, {"#07", 0x0000},
      {"#12FF8000", 0xFC00},  // only the last six digits count
      {"#FF8000zz", 0xFC00},  // the digits before the junk
      {"orange", 0xFFFF}, {"#", 0xFFFF}, {"#xyz", 0xFFFF}, {"", 0xFFFF}, {" red", 0xFFFF}};
  for (const auto& [text, colour] : colours) {
    r.color = 0x1234;
    ParseRouteColor(r, text);
    EXPECT_EQ(r.color, colour) << text;
  }
  ParseRouteLineStyle(r, "Dash");
  EXPECT_EQ(r.lineStyle, 4);
  ParseRouteLineStyle(r, "wavy");  // unknown: unchanged
  EXPECT_EQ(r.lineStyle, 4);
  ParseRouteLineStyle(r, "NONE");
  EXPECT_EQ(r.lineStyle, -1);
}

TEST(RouteParse, PointsLabelsAndCoordinates) {
  Route r;
  const RouteLoadResult res = Parse(r,
      "<?xml version=\"1.0\"?>\n<anything color=\"RED\" line=\"Dash\">\n"
      "  <point lat=\"40.5\" lon=\"-73.25\">  New York \n</point>\n"
      "  <!-- a comment --> loose text <other lat=\"1\">Other</other>\n"
      "  <Point lat=\"2\">wrong case</Point>\n"
      "  <point lat=\" +12.5abc\" lon=\"nonsense\">A &amp; B<![CDATA[ <c>]]><b>bold</b></point>\n"
      "  <point lat=\"100\" lon=\"190\"/>\n"
      "  <point lat=\"-1e400\" lon=\"nan\">Caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD</point>\n"
      "  <group><point lat=\"5\">nested</point></group>\n"
      "</anything>");
  ASSERT_TRUE(res.ok()) << res.message;
  EXPECT_EQ(r.color, 0xF800);
  EXPECT_EQ(r.lineStyle, 4);
  ASSERT_EQ(r.places.size(), 4u);  // only direct "point" children, in order
  const RoutePlace& ny = *r.places[0];
  EXPECT_EQ(ny.latitude, 2430);
  EXPECT_EQ(ny.longitude, -4395);
  EXPECT_STREQ(ny.name, "New York");
  EXPECT_EQ(ny.displayMask, 3u);
  EXPECT_EQ(ny.flags, kPlaceRouteMark);
  // All text of the element, entities resolved; numbers read as far as they go.
  EXPECT_EQ(r.places[1]->label(), "A & B <c>bold");
  EXPECT_EQ(r.places[1]->latitude, 750);
  EXPECT_EQ(r.places[1]->longitude, 0);
  // No label and no picture: only a vertex; beyond the pole stops at it, longitudes wrap.
  EXPECT_EQ(r.places[2]->displayMask, 0u);
  EXPECT_EQ(r.places[2]->latitude, 5400);
  EXPECT_EQ(r.places[2]->longitude, -10200);
  // UTF-8 labels become Windows-1252; what it cannot hold is dropped. Unreadable numbers are 0.
  EXPECT_EQ(r.places[3]->label(), "Caf\xE9 \x80 ");
  EXPECT_EQ(r.places[3]->latitude, 0);
  EXPECT_EQ(r.places[3]->longitude, 0);
}

TEST(RouteParse, EncodingsOtherThanUtf8) {
  Route r;
  ASSERT_TRUE(Parse(r, "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r color=\"red\"><point>Z\xFCrich \x80</point></r>").ok());
  EXPECT_EQ(r.places.at(0)->label(), "Z\xFCrich \x80");
  ASSERT_TRUE(Parse(r, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r color=\"red\"><point>Z\xFCrich</point></r>").ok());
  EXPECT_EQ(r.places.at(0)->label(), "Z\xFCrich");
  // UTF-16 with a byte order mark.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("<r color=\"blue\"><point lat=\"1\">Oslo</point></r>")) utf16 += std::string{c, '\0'};
  ASSERT_TRUE(Parse(r, utf16).ok());
  EXPECT_EQ(r.color, 0x001F);
  EXPECT_EQ(r.places.at(0)->label(), "Oslo");
}

TEST(RouteParse, MalformedFilesFailWithAReason) {
  Route r;
  // Points without a colour fail; an element without children needs none.
  RouteLoadResult res = Parse(r, "<r line=\"dash\"><point lat=\"1\">A</point></r>");
  EXPECT_EQ(res.status, RouteLoadStatus::kNoColor);
  EXPECT_NE(res.message.find("color"), std::string::npos);
  EXPECT_TRUE(r.places.empty());
  EXPECT_TRUE(Parse(r, "<r/>").ok());
  EXPECT_TRUE(Parse(r, "<r></r>").ok());
  EXPECT_TRUE(Parse(r, "<r>\n  \n</r>").ok());
  EXPECT_TRUE(r.places.empty());
  EXPECT_EQ(Parse(r, "<r><!-- c --></r>").status, RouteLoadStatus::kNoColor);

  const char* broken[] = {"", "   ", "<?xml version=\"1.0\"?>", "not xml at all", "<r color=\"red\"><point>",
                          "<r color=\"red\"><point></r>", "\xFF\xFE\x00", "<r color=\"red\"></x>"};
  for (const char* text : broken) {
    res = Parse(r, text);
    EXPECT_EQ(res.status, RouteLoadStatus::kNotXml) << text;
    EXPECT_FALSE(res.message.empty());
    EXPECT_TRUE(r.places.empty());
  }
  // Entities of a document type are never expanded; they stay as written.
  ASSERT_TRUE(Parse(r, "<!DOCTYPE r [<!ENTITY a \"xxxxxxxx\">]><r color=\"red\"><point>&a;&a;</point></r>").ok());
  EXPECT_EQ(r.places.at(0)->label(), "&a;&a;");
  // Deep nesting is read without recursion.
  std::string deep = "<r color=\"red\">";
  for (int i = 0; i < 200000; ++i) deep += "<a>";
  for (int i = 0; i < 200000; ++i) deep += "</a>";
  deep += "<point>end</point></r>";
  ASSERT_TRUE(Parse(r, deep).ok());
  EXPECT_EQ(r.places.size(), 1u);
}

TEST(RouteFile, LoadingByNameAndFolder) {
  TempDir dir;
  const std::filesystem::path routes = dir.path() / "routes";
  std::filesystem::create_directories(routes);
  WriteTextFile(routes / "a.xml", "<r color=\"gold\"><point lat=\"1\" lon=\"2\">A</point></r>");
  WriteTextFile(routes / "bad.xml", "<r><point>A</point></r>");
  Route r;
  RouteLoadResult res = LoadRouteFile(r, "a.xml", routes);
  ASSERT_TRUE(res.ok()) << res.message;
  EXPECT_EQ(r.fileName, "a.xml");
  EXPECT_EQ(r.folder, routes);
  EXPECT_EQ(r.color, 0xFEA0);

  const std::pair<const char*, RouteLoadStatus> failures[] = {
      {"", RouteLoadStatus::kBadName},         {"../routes/a.xml", RouteLoadStatus::kBadName},
      {"/etc/passwd", RouteLoadStatus::kBadName}, {"missing.xml", RouteLoadStatus::kNotFound},
      {"bad.xml", RouteLoadStatus::kNoColor},  {".", RouteLoadStatus::kNotFound}};
  for (const auto& [name, status] : failures) {
    ASSERT_TRUE(LoadRouteFile(r, "a.xml", routes).ok());
    res = LoadRouteFile(r, name, routes);
    EXPECT_EQ(res.status, status) << name;
    EXPECT_FALSE(res.message.empty());
    EXPECT_TRUE(r.places.empty()) << name;  // what was loaded before is gone
    EXPECT_TRUE(r.fileName.empty()) << name;
  }
  std::string huge = "<r color=\"red\">";
  huge.resize(kMaxRouteFileBytes + 1, ' ');
  WriteTextFile(routes / "huge.xml", huge);
  EXPECT_EQ(LoadRouteFile(r, "huge.xml", routes).status, RouteLoadStatus::kTooLarge);
}

TEST(RouteImages, CentredOffsetAndFailures) {
  TempDir dir;
  WriteImage(dir.path() / "plane.gif", 21, 15);
  WriteImage(dir.path() / "wide.gif", kMaxRouteImageSide + 1, 2);
  WriteTextFile(dir.path() / "broken.gif", "GIF89a\x15\x00");
  Route r;
  ASSERT_TRUE(Parse(r,
      "<r color=\"red\">"
      "<point img=\"plane.gif\"/>"
      "<point img=\"plane.gif\" imgx=\"0\" imgy=\"-3\">Label</point>"
      "<point img=\"missing.gif\" imgx=\"5\">Kept</point>"
      "<point img=\"broken.gif\"/>"
      "<point img=\"wide.gif\"/>"
      "<point img=\"../x/plane.gif\"/>"
      "<point imgx=\"4\" imgy=\"4\">No image</point>"
      "<point img=\"plane.gif\" imgx=\"99999999999\" imgy=\"-1e300\"/>"
      "</r>", dir.path()).ok());
  ASSERT_EQ(r.places.size(), 8u);
  const RoutePlace& centred = *r.places[0];
  ASSERT_NE(centred.image(), nullptr);
  EXPECT_EQ(centred.image()->width, 21);
  EXPECT_EQ(centred.offsetX, -10);
  EXPECT_EQ(centred.offsetY, -7);
  EXPECT_EQ(centred.displayMask, 1u);  // a picture replaces the marker
  EXPECT_EQ(r.places[1]->offsetX, 0);
  EXPECT_EQ(r.places[1]->offsetY, -3);
  // A picture that cannot be loaded leaves the marker and ignores the offsets.
  for (size_t i = 2; i <= 5; ++i) {
    EXPECT_EQ(r.places[i]->image(), nullptr) << i;
    EXPECT_EQ(r.places[i]->offsetX, 0) << i;
    EXPECT_EQ(r.places[i]->displayMask & kPlaceShowMarker, kPlaceShowMarker) << i;
  }
  EXPECT_EQ(r.places[6]->offsetX, 0);
  EXPECT_EQ(r.places[7]->offsetX, kMaxRouteImageOffset);
  EXPECT_EQ(r.places[7]->offsetY, -kMaxRouteImageOffset);
}

TEST(RouteList, FoldersSelectionAndOrder) {
  TempDir dir;
  const RouteFolders folders = MakeRouteFolders(dir.path() / "data", dir.path() / "user");
  std::filesystem::create_directories(folders.bundled);
  std::filesystem::create_directories(folders.user);
  WriteTextFile(folders.bundled / "b.xml", "<r color=\"blue\"/>");
  WriteTextFile(folders.bundled / "same.xml", "<r color=\"red\"><point>bundled</point></r>");
  WriteTextFile(folders.user / "a.XML", "<r color=\"green\"/>");
  WriteTextFile(folders.user / "same.xml", "<r color=\"red\"><point>user</point></r>");
  WriteTextFile(folders.user / "broken.xml", "<r>");
  WriteTextFile(folders.user / "notes.txt", "");
  EXPECT_EQ(ListRouteFiles(folders), (std::vector<std::string>{"a.XML", "b.xml", "broken.xml", "same.xml"}));
  EXPECT_TRUE(ListRouteFiles(MakeRouteFolders(dir.path() / "none", {})).empty());

  RouteList routes;
  // The user's file of a name wins over the bundled one.
  auto hook = RouteLoadHook(routes, folders);
  ASSERT_TRUE(hook("same.xml"));
  EXPECT_EQ(routes.at(0)->places.at(0)->label(), "user");
  EXPECT_FALSE(hook("broken.xml"));
  EXPECT_EQ(routes.size(), 1u);

  EXPECT_EQ(ApplyRouteSelection(routes, folders, {"b.xml", "same.xml", "a.XML"}), 0);
  EXPECT_EQ(RouteNames(routes), (std::vector<std::string>{"same.xml", "b.xml", "a.XML"}));
  // Already loaded routes are kept as they are, not reloaded; deselected ones go.
  const Route* kept = routes[1].get();
  EXPECT_EQ(ApplyRouteSelection(routes, folders, {"b.xml", "missing.xml", "broken.xml", "b.xml"}), 2);
  ASSERT_EQ(routes.size(), 1u);
  EXPECT_EQ(routes[0].get(), kept);
  EXPECT_EQ(ApplyRouteSelection(routes, folders, {}), 0);
  EXPECT_TRUE(routes.empty());
}

// Drawing: a sphere of radius 100 facing (0, 0) over a black frame.
class RouteDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildTrigTables();
    view.globeRadius = 100;
    view.textureHeight = 512;
    BuildColumnTables(view);
    CenterOn(view, 0, 0);
    settings.antialiasedLines = false;
    settings.semiTransparentTextBackground = false;
    ASSERT_TRUE(LoadFont(font, 1));
    strip = MakeResourceImage(kMarkerStripResource);
    ASSERT_TRUE(Load(strip, nullptr, kLoadWhole));
    AddRoutePlaceHooks(hooks, font);
    Clear();
  }
  void Clear() {
    frame.width = kViewWidth;
    frame.height = kViewHeight;
    frame.pixels.reset(new Color565[kViewWidth * kViewHeight]());
  }
  int Count(Color565 c, int x0 = 0, int y0 = 0, int x1 = kViewWidth, int y1 = kViewHeight) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += frame.at(x, y) == c;
    return n;
  }
  OverlayContext Context() { return OverlayContext{frame, view, settings, &strip, &font, &hooks}; }

  ViewState view;
  Settings settings;
  Font font;
  ImageObject strip;
  PlaceDrawHooks hooks;
  FrameBuffer frame;
};

TEST_F(RouteDrawing, LegsFollowTheRouteInItsStyle) {
  Route r;
  // Along the equator from 40 W to 40 E, then north to 40 N; bare vertices only.
  ASSERT_TRUE(Parse(r, "<r color=\"#F81E\"><point lon=\"-40\"/><point lon=\"40\"/><point lat=\"40\" lon=\"40\"/></r>").ok());
  r.color = kMark;
  int x, y;
  ASSERT_TRUE(GlobeToScreen(view, 0, 0, x, y));
  const OverlayContext o = Context();
  DrawRoute(o, r);
  EXPECT_GT(Count(kMark, x - 2, y - 2, x + 3, y + 3), 0);  // the equator leg passes the centre
  EXPECT_EQ(Count(kMark, 0, 0, kViewWidth, y - 20) > 0, true);  // the northward leg
  EXPECT_EQ(Count(kMark, 0, y + 5, kViewWidth, kViewHeight), 0);  // nothing south of the equator
  const int solid = Count(kMark);

  Clear();
  r.lineStyle = kRouteLineDotted;
  DrawRoute(o, r);
  const int dotted = Count(kMark);
  EXPECT_GT(dotted, 0);
  EXPECT_LT(dotted, solid);

  Clear();
  r.lineStyle = kRouteLineNone;
  DrawRoute(o, r);
  EXPECT_EQ(Count(kMark), 0);  // no line, and vertices have no markers
}

TEST_F(RouteDrawing, LayerDrawsPicturesMarkersAndWrappedLabels) {
  TempDir dir;
  WriteImage(dir.path() / "p.gif", 9, 7);
  RouteList routes;
  routes.push_back(std::make_unique<Route>());
  ASSERT_TRUE(Parse(*routes[0],
      "<r color=\"white\" line=\"none\">"
      "<point img=\"p.gif\" lat=\"20\"/>"
      "<point lat=\"-20\" lon=\"-40\">A rather long label that the block wraps onto several lines</point>"
      "</r>", dir.path()).ok());
  routes[0]->color = kMark;
  SceneLayers layers;
  SetRouteLayer(routes, layers);
  ASSERT_TRUE(layers.routes);
  layers.routes(Context());

  int px, py;
  ASSERT_TRUE(GlobeToScreen(view, 20 * kRadiansPerMinute * 60, 0, px, py));
  // The picture, centred: its green body around the point, its key corner untouched.
  EXPECT_EQ(frame.at(px, py), 0x07E0);
  EXPECT_EQ(frame.at(px - 4, py - 3), 0);
  EXPECT_EQ(frame.at(px + 4, py + 3), 0x07E0);

  int lx, ly;
  ASSERT_TRUE(GlobeToScreen(view, -20 * kRadiansPerMinute * 60, -40 * kRadiansPerMinute * 60, lx, ly));
  ASSERT_LT(lx + 3 + 160, kViewWidth);
  // The label: wrapped into a block at most 160 wide, starting right of the point.
  EXPECT_GT(Count(kMark, lx + 3, 0, std::min(kViewWidth, lx + 3 + 160), ly), 10);
  EXPECT_EQ(Count(kMark, lx + 3 + 161, 0, kViewWidth, kViewHeight), 0);
  EXPECT_EQ(Count(kMark, 0, 0, lx + 3, kViewHeight), 0);
  int rows = 0;
  for (int y = 0; y < kViewHeight; ++y) {
    bool any = false;
    for (int x = lx + 3; x < kViewWidth; ++x) any |= frame.at(x, y) == kMark;
    rows += any;
  }
  EXPECT_GT(rows, font.glyphHeight + 1);  // more than one line of text

  // A route's label near the right edge is moved back onto the screen.
  Clear();
  routes[0]->places.erase(routes[0]->places.begin());
  routes[0]->places[0]->longitude = 55 * 60;
  ASSERT_TRUE(GlobeToScreen(view, -20 * kRadiansPerMinute * 60, 55 * kRadiansPerMinute * 60, lx, ly));
  ASSERT_GT(lx, kViewWidth - 80);
  layers.routes(Context());
  EXPECT_GT(Count(kMark, 0, 0, lx, kViewHeight), 10);
}

TEST_F(RouteDrawing, FuzzCorpusLoadsAndDrawsSafely) {
  const std::filesystem::path corpus = std::filesystem::path(ORRELUX_SOURCE_DIR) / "fuzz/corpus/routes";
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(corpus)) {
    const std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(e.path());
    ASSERT_TRUE(bytes) << e.path();
    Route r;
    const RouteLoadResult res = ParseRoute(r, *bytes, corpus);
    if (!res.ok()) {
      EXPECT_FALSE(res.message.empty()) << e.path();
    }
    DrawRoute(Context(), r);
    ++files;
  }
  EXPECT_GE(files, 5);
}

// Start-up restores the stored routes (from the user's routes folder too), stopping at
// the first that cannot be loaded; they are drawn over the globe and kept at exit.
TEST(RouteStartup, StoredRoutesAreRestoredDrawnAndSaved) {
  namespace fs = std::filesystem;
  TempDir dir;
  AppPaths paths{dir.path() / "data", dir.path() / "user", dir.path() / "config" / "settings.ini"};
  fs::create_directories(paths.dataDir);
  fs::copy(fs::path(ORRELUX_SOURCE_DIR) / "data" / "skins", paths.dataDir / "skins", fs::copy_options::recursive);
  fs::create_symlink(fs::path(ORRELUX_SOURCE_DIR) / "data" / "maps", paths.dataDir / "maps");
  fs::create_directories(paths.userDataDir / "routes");
  WriteTextFile(paths.userDataDir / "routes" / "mine.xml",
                "<r color=\"#F800F0\"><point lat=\"0\" lon=\"-30\"/><point lat=\"0\" lon=\"30\"/></r>");
  fs::create_directories(paths.settingsFile.parent_path());
  WriteTextFile(paths.settingsFile,
                "[Route]\nCount = dword:3\nRouteFile_1 = sz:mine.xml\nRouteFile_2 = sz:missing.xml\n"
                "RouteFile_3 = sz:mine.xml\n");
  EntryEnvironment env;
  env.createWindow = [](const platform::WindowOptions&, std::string*) {
    return platform::CreateHeadlessWindow(std::make_unique<platform::HeadlessDisplay>());
  };
  env.showClosingMessage = [](const std::string&) {};
  env.paths = paths;
  env.instanceSocket = dir.path() / "instance.sock";
  env.sleep = [](int) {};
  int drawn = -1;
  size_t loaded = 0;
  env.onRunning = [&](App& app) {
    app.host->PostMessage(platform::kMsgClose);
    loaded = app.routes.size();
    CenterOn(app.globe.view, 0, 0);
    app.settings.antialiasedLines = false;
    app.globe.view.redrawRequested = true;
    app.host->SendMessage(platform::kMsgPaint);
    drawn = 0;
    for (int i = 0; i < app.frame.width * app.frame.height; ++i) drawn += app.frame.data()[i] == 0xF81E;
  };
  CommandLine cmd;
  ASSERT_EQ(RunOrrelux(cmd, env), 0);
  EXPECT_EQ(loaded, 1u);
  EXPECT_GT(drawn, 40);  // the leg along the equator
  const std::string saved = testing::ReadTextFile(paths.settingsFile);
  EXPECT_NE(saved.find("mine.xml"), std::string::npos);
  EXPECT_EQ(saved.find("missing.xml"), std::string::npos);
}

}  // namespace
}  // namespace orx
