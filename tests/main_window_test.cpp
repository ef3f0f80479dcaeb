// The main window as a user drives it: the real start-up in a headless window with a
// manual clock, then stylus, key and timer messages through the window procedure, with
// the view state and the presented frame checked.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/app.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "support/headless_app.h"
#include "support/temp_dir.h"
#include "ui/skin.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
using platform::MakePointParam;

constexpr int H = 320;
constexpr int kSelectionGreen = 0x07E0;

class MainWindow : public testing::HeadlessApp {
 protected:
  void SetUp() override {
    HeadlessApp::SetUp();
    if (HasFatalFailure()) return;
    StartTimer();
    app_.host->Invalidate();
    Pump();
  }
  void Key(uint32_t vk) { Post(platform::kMsgKeyDown, vk); }
  platform::HeadlessDisplay& Display() { return static_cast<platform::HeadlessDisplay&>(app_.host->display()); }
  uint16_t Shown(int x, int y) { return Display().Pixel(x, y); }
  ViewState& View() { return app_.globe.view; }
  CommandBar& Bar() { return app_.window.commandBar; }
  // The centre of command button i with the bar shown.
  Point ButtonCentre(int i) {
    return {Bar().buttons[i].screenX + CommandSlotWidth(i) / 2, H - 10};
  }
  void TapButton(int i) {
    const Point p = ButtonCentre(i);
    Tap(p.x, p.y);
    Pump();  // the posted command
  }
  // Whether the face of button i shows pressed in the presented frame.
  bool FacePressed(int i) {
    const Skin& skin = app_.ui.skin;
    const int x = Bar().buttons[i].screenX + Bar().offset;
    const Color565 pressed = skin.image.pixels16()[18 * skin.image.width + 85];
    const Color565 normal = skin.image.pixels16()[1 * skin.image.width + 85];
    EXPECT_NE(pressed, normal);
    return Shown(x + 1, H - 19 + 1) == pressed;
  }
  bool AnyPixel(int x0, int y0, int x1, int y1, uint16_t colour) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (Shown(x, y) == colour) return true;
    return false;
  }

};

TEST_F(MainWindow, DraggingTurnsTheGlobeOneRadianPerRadiusAndTapsPointWithoutPanRotate) {
  ASSERT_TRUE(app_.settings.panRotate);
  ASSERT_FALSE(View().planarMode);
  const int r = View().globeRadius;
  const int32_t lon = View().viewLongitude, lat = View().viewLatitude;
  const std::vector<uint16_t> before = Display().Picture();
  Down(60, 160);
  Move(60 + r, 160);
  EXPECT_EQ(View().viewLongitude, WrapAngle(lon - 10430));  // one radian in 1/65536 turns
  Move(60 + r, 160 - r / 2);
  EXPECT_EQ(View().viewLatitude, ClampLatitude(lat + 5215));
  Up(60 + r, 160 - r / 2);
  EXPECT_NE(Display().Picture(), before);

  // In small steps each step truncates on its own; the sum stays within a unit a step.
  const int32_t start = View().viewLongitude;
  Down(100, 100);
  for (int i = 1; i <= 10; ++i) Move(100 - 10 * i, 100);
  Up(0, 100);
  const int turned = WrapAngle(View().viewLongitude - start);
  EXPECT_NEAR(turned, 100.0 / r * 10430.378, 10);

  // Pan/Rotate off: the drag points at places and the view stays (away from the edges).
  TapButton(5);
  EXPECT_FALSE(app_.settings.panRotate);
  EXPECT_FALSE(FacePressed(5));
  const int32_t fixed = View().viewLongitude;
  Down(100, 150);
  Move(140, 150);
  EXPECT_EQ(app_.window.currentPoint.x, 140);
  EXPECT_EQ(View().viewLongitude, fixed);
  Up(140, 150);
  EXPECT_EQ(app_.window.currentPoint.x, -1);
}

TEST_F(MainWindow, HeldButtonShowsItsTooltipAfterASecondAndRunsOnlyWhenReleasedOverIt) {
  const bool grid = app_.settings.latLonGrid;
  const int tipTop = H - (app_.font.glyphHeight + 4) - 29;
  const Point b = ButtonCentre(1);
  Down(b.x, b.y);
  EXPECT_TRUE(FacePressed(1));
  Advance(950);
  EXPECT_FALSE(AnyPixel(0, tipTop, 120, tipTop, kYellow)) << "tooltip before its second";
  // While a button is held the paint asks for the next one at once.
  EXPECT_TRUE(app_.host->paintRequested());
  Advance(100);
  EXPECT_EQ(Shown(2, tipTop), kYellow);  // the box's left edge at the button's x
  EXPECT_TRUE(AnyPixel(3, tipTop + 2, 100, tipTop + app_.font.glyphHeight, kWhite));

  // Sliding off: the face pops out and releasing runs nothing.
  Move(b.x + 40, b.y - 60);
  EXPECT_FALSE(FacePressed(1));
  Up(b.x + 40, b.y - 60);
  Pump();
  EXPECT_EQ(app_.settings.latLonGrid, grid);
  EXPECT_NE(Shown(2, tipTop), kYellow) << "the tooltip stays after the release";

  // Sliding off and back on before releasing runs it.
  Down(b.x, b.y);
  Move(b.x + 40, b.y);
  Move(b.x, b.y);
  Up(b.x, b.y);
  Pump();
  EXPECT_EQ(app_.settings.latLonGrid, !grid);
  EXPECT_EQ(CommandChecked(Bar(), kCmdGrid), !grid);
  EXPECT_EQ(FacePressed(1), !grid);

  // The rollout button too: sliding off it cancels.
  const Point r = ButtonCentre(0);
  Down(r.x, r.y);
  Move(r.x - 30, r.y);
  Up(r.x - 30, r.y);
  Pump();
  EXPECT_FALSE(Bar().hidden);
}

TEST_F(MainWindow, HiddenBarLeavesItsFirstButtonAtTheLeftEdgeAndATapThereBringsItBack) {
  const Color565 panel = app_.ui.skin.panel;
  TapButton(0);
  EXPECT_TRUE(Bar().hidden);
  for (int i = 0; i < 30 && Bar().offset > 9 - 240; ++i) Pump();
  Pump();
  EXPECT_EQ(Bar().offset, 9 - 240);
  EXPECT_EQ(Shown(1, H - 5), panel);
  EXPECT_NE(Shown(60, H - 5), panel);
  EXPECT_FALSE(AnyPixel(20, H - 19, 230, H - 3, app_.ui.skin.image.pixels16()[85]));  // no faces
  // The rollout arrow now points back (its checked row) at x 2..6.
  EXPECT_TRUE(CommandChecked(Bar(), kCmdRollout));
  EXPECT_NE(Shown(4, H - 11), panel);

  // Taps right of the button go to the globe; any x in 0..8 brings the bar back.
  Tap(9, H - 10);
  Pump();
  EXPECT_TRUE(Bar().hidden);
  Tap(8, H - 2);
  Pump();
  EXPECT_FALSE(Bar().hidden);
  for (int i = 0; i < 30 && Bar().offset < 0; ++i) Pump();
  EXPECT_EQ(Bar().offset, 0);
  Pump();
  EXPECT_EQ(Shown(180, H - 5), panel);  // between buttons 10 and 11
  EXPECT_FALSE(CommandChecked(Bar(), kCmdRollout));
}

TEST_F(MainWindow, ZoomSelectionFitsTheRectangleAndEndsAfterOne) {
  TapButton(8);
  ASSERT_TRUE(app_.window.zoomSelection);
  EXPECT_TRUE(FacePressed(8));
  // A start off the globe selects nothing.
  Down(3, 3);
  Move(100, 100);
  Up(100, 100);
  EXPECT_EQ(View().globeRadius, 118);
  EXPECT_TRUE(app_.window.zoomSelection);

  const int x1 = 50, y1 = 90, x2 = 190, y2 = 240;
  int32_t a1, u1, a2, u2;
  ASSERT_TRUE(ScreenToGlobe(View(), x1, y1, a1, u1));
  ASSERT_TRUE(ScreenToGlobe(View(), x2, y2, a2, u2));
  Down(x1, y1);
  Move(x2, y2);
  // The green rectangle follows the stylus.
  EXPECT_EQ(Shown(x1, y1), kSelectionGreen);
  EXPECT_EQ(Shown(x2, y2), kSelectionGreen);
  EXPECT_EQ(Shown((x1 + x2) / 2, y2), kSelectionGreen);
  Up(x2, y2);
  EXPECT_FALSE(app_.window.zoomSelection);
  EXPECT_FALSE(CommandChecked(Bar(), kCmdZoomSelection));
  EXPECT_GT(View().globeRadius, 118);

  // The two corners now lie symmetric about the centre, their distance the diagonal of
  // the rectangle scaled to fit the screen (141 x 151 fits as 239 x 257).
  auto project = [&](int32_t a, int32_t u, int& x, int& y) {
    return GlobeToScreen(View(), -a * kRadiansPerUnit, u * kRadiansPerUnit - M_PI, x, y);
  };
  int px1, py1, px2, py2;
  ASSERT_TRUE(project(a1, u1, px1, py1));
  ASSERT_TRUE(project(a2, u2, px2, py2));
  EXPECT_NEAR((px1 + px2) / 2.0, 120, 2);
  EXPECT_NEAR((py1 + py2) / 2.0, 160, 2);
  EXPECT_NEAR(std::hypot(px2 - px1, py2 - py1), std::hypot(239, 257), 4);
}

TEST_F(MainWindow, KeysZoomByTheirStepsAndStopAtTheLimits) {
  Key(platform::kVkRight);
  EXPECT_EQ(View().globeRadius, 122);
  Key(platform::kVkUp);
  EXPECT_EQ(View().globeRadius, 142);
  Key(platform::kVkDown);
  EXPECT_EQ(View().globeRadius, 122);
  Key(platform::kVkReturn);
  EXPECT_EQ(View().globeRadius, 118);
  View().globeRadius = 41;
  Key(platform::kVkLeft);
  EXPECT_EQ(View().globeRadius, 40);
  Key(platform::kVkLeft);
  EXPECT_EQ(View().globeRadius, 40);
  // The frame follows: at radius 40 the globe leaves the screen's corner area dark.
  EXPECT_EQ(Shown(60, 160), app_.settings.backgroundColor);

  // On the flat map the same keys change the map's height.
  TapButton(6);
  ASSERT_TRUE(View().planarMode);
  EXPECT_FALSE(FacePressed(6));
  Key(platform::kVkReturn);
  EXPECT_EQ(PlanarMapHeight(View()), 320);
  Key(platform::kVkLeft);
  EXPECT_EQ(PlanarMapHeight(View()), 300);
  Key(platform::kVkRight);
  EXPECT_EQ(PlanarMapHeight(View()), 320);
  Key(platform::kVkDown);
  EXPECT_EQ(PlanarMapHeight(View()), 120);
  EXPECT_EQ(View().planarOffsetY, 100);
  TapButton(9);  // Zoom Out stops at 120 rows too
  EXPECT_EQ(PlanarMapHeight(View()), 120);
}

TEST_F(MainWindow, TimerTurnsTheGlobeAndRecomputesTheShadowOnItsInterval) {
  app_.settings.rotateGlobe = true;
  app_.settings.rotationSpeed = 100;
  const int32_t lon = View().viewLongitude;
  const int presents = Display().presentCount();
  Advance(500);
  EXPECT_EQ(View().viewLongitude, WrapAngle(lon - 10 * (65536 / 50)));
  EXPECT_GE(Display().presentCount(), presents + 10) << "one frame per tick";
  app_.settings.rotateGlobe = false;

  // "Shadow Update Interval" 5 minutes (counted from the first tick): the texture is
  // composed again for the clock's new time.
  const std::vector<Color565> texture(app_.globe.texture.pixels.get(),
                                      app_.globe.texture.pixels.get() +
                                          app_.globe.texture.width * app_.globe.texture.height);
  auto same = [&] {
    return std::equal(texture.begin(), texture.end(), app_.globe.texture.pixels.get());
  };
  Advance(5 * 60000 - 600);
  EXPECT_TRUE(same());
  Advance(200);
  EXPECT_FALSE(same());
}

TEST_F(MainWindow, CloseAsksAndSuspendHidesUntilAnotherStartShowsTheWindow) {
  TapButton(12);
  ASSERT_NE(app_.ui.activeModalDialog, nullptr);
  auto* dialog = static_cast<ExitConfirmDialog*>(app_.ui.activeModalDialog.get());
  // While the dialog is up a tap on the globe reaches only the dialog.
  const int32_t lon = View().viewLongitude;
  Down(120, 60);
  Move(200, 60);
  Up(200, 60);
  EXPECT_EQ(View().viewLongitude, lon);
  ASSERT_NE(app_.ui.activeModalDialog, nullptr);
  Tap(dialog->suspendButton.x + 5, dialog->suspendButton.y + 5);
  Pump();
  EXPECT_EQ(app_.ui.activeModalDialog, nullptr);
  EXPECT_TRUE(app_.suspended);
  EXPECT_FALSE(app_.host->window().visible());
  EXPECT_TRUE(Display().suspended());
  Post(platform::kMsgShowInstance);
  EXPECT_TRUE(app_.host->window().visible());
  EXPECT_FALSE(Display().suspended());

  // "Exit" saves the view and ends the loop.
  Key(platform::kVkUp);
  TapButton(12);
  dialog = static_cast<ExitConfirmDialog*>(app_.ui.activeModalDialog.get());
  ASSERT_NE(dialog, nullptr);
  Tap(dialog->exitButton.x + 5, dialog->exitButton.y + 5);
  Pump();
  EXPECT_TRUE(app_.host->quit());
  platform::SettingsStore store(app_.paths.settingsFile);
  platform::StoredValue v;
  ASSERT_TRUE(store.ReadValue("General", "Last Zoom Radius", v));
  EXPECT_EQ(v.dword, 138u);
}

TEST_F(MainWindow, HelpOpensTheGuideAndRestsTheDisplayUntilTheUserIsBack) {
  const fs::path record = dir_.path() / "opened.txt";
  const fs::path opener = dir_.path() / "opener.sh";
  testing::WriteTextFile(opener, "#!/bin/sh\necho \"$1\" > " + record.string() + "\n");
  fs::permissions(opener, fs::perms::owner_all);
  ::setenv("ORRELUX_OPENER", opener.c_str(), 1);
  TapButton(11);
  Pump();
  ::unsetenv("ORRELUX_OPENER");
  EXPECT_TRUE(Display().suspended());
  for (int i = 0; i < 200 && !fs::exists(record); ++i) usleep(10000);
  usleep(20000);
  EXPECT_EQ(testing::ReadTextFile(record), (app_.paths.dataDir / "vantor.htm").string() + "\n");
  Post(platform::kMsgSetFocus);
  EXPECT_FALSE(Display().suspended());
  // A viewer that opens behind the window gives no focus change: the next tap resumes.
  ::setenv("ORRELUX_OPENER", opener.c_str(), 1);
  Post(platform::kMsgHelp);
  ::unsetenv("ORRELUX_OPENER");
  EXPECT_TRUE(Display().suspended());
  Tap(120, 160);
  EXPECT_FALSE(Display().suspended());

  // The guide explains every button by the name its tooltip shows.
  const std::string guide = testing::ReadTextFile(app_.paths.dataDir / "vantor.htm");
  for (const CommandButton& b : Bar().buttons) {
    std::string name = b.tooltip;
    EXPECT_NE(guide.find(name), std::string::npos) << name;
  }

  // Without a viewer the display stays up and a message says which command was tried.
  const std::string missing = (dir_.path() / "no-viewer").string();
  ::setenv("ORRELUX_OPENER", missing.c_str(), 1);
  Post(platform::kMsgHelp);
  ::unsetenv("ORRELUX_OPENER");
  EXPECT_FALSE(Display().suspended());
  auto* box = static_cast<MessageBox*>(app_.ui.activeModalDialog.get());
  ASSERT_NE(box, nullptr);
  std::string text;
  for (const std::string& line : box->message.lines) text += line + " ";
  EXPECT_NE(text.find("No viewer"), std::string::npos) << text;
  EXPECT_NE(text.find("no-viewer"), std::string::npos) << text;
}

// The icon strip holds, for every button, a picture inside the button's own columns in
// both rows (the checked one different).
TEST(CommandIcons, EveryButtonHasItsIconInItsOwnColumns) {
  ImageObject strip = MakeResourceImage(kCommandIconsResource);
  ASSERT_EQ(Load(strip, nullptr, kLoadWhole), 1);
  ASSERT_EQ(strip.width, 139);
  ASSERT_EQ(strip.height, 2 * kCommandIconHeight);
  const CommandBar bar;
  std::vector<bool> owned(strip.width, false);
  for (const CommandButton& b : bar.buttons) {
    int inkNormal = 0, inkChecked = 0, differ = 0;
    for (int y = 0; y < kCommandIconHeight; ++y) {
      for (int x = b.iconX; x < b.iconX + b.iconWidth; ++x) {
        const Color565 n = strip.pixels16()[y * strip.width + x];
        const Color565 c = strip.pixels16()[(y + kCommandIconHeight) * strip.width + x];
        inkNormal += n != kColorKey;
        inkChecked += c != kColorKey;
        differ += n != c;
      }
    }
    EXPECT_GT(inkNormal, 10) << b.tooltip;
    EXPECT_GT(inkChecked, 10) << b.tooltip;
    EXPECT_GT(differ, 0) << b.tooltip;
    for (int x = b.iconX; x < b.iconX + b.iconWidth; ++x) owned[x] = true;
  }
  for (int x = 0; x < strip.width; ++x) {
    if (owned[x]) continue;
    for (int y = 0; y < strip.height; ++y) EXPECT_EQ(strip.pixels16()[y * strip.width + x], kColorKey) << x << "," << y;
  }
}

TEST(CommandIcons, TheGeneratorReproducesTheCommittedStrip) {
  const std::string tool = std::string(ORRELUX_BINARY_DIR) + "/tools/cmdicongen/cmdicongen";
  if (!fs::exists(tool)) GTEST_SKIP() << "cmdicongen is not built";
  testing::TempDir out;
  ASSERT_EQ(std::system((tool + " --out " + out.path().string() + " >/dev/null").c_str()), 0);
  EXPECT_EQ(testing::ReadTextFile(out.path() / "gif_125_command_icons.gif"),
            testing::ReadTextFile(fs::path(ORRELUX_SOURCE_DIR) / "res" / "gif_125_command_icons.gif"));
}

}  // namespace
}  // namespace orx
