// The widget toolkit driven as a user would: skins, the simple controls, dialogs and the
// message box, and the routing of the main window and of the Options screen, through
// the headless harness (stylus and key messages into the real host operations).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "gif_encoder.h"
#include "gfx/draw.h"
#include "support/allocation_counter.h"
#include "support/ui_harness.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/edit_field.h"
#include "ui/lists.h"
#include "ui/tab_control.h"
#include "ui/skin.h"

namespace orx::test {
namespace {

namespace fs = std::filesystem;

// A scratch data directory whose skins/ folder holds the given files.
struct SkinDir {
  fs::path root = fs::temp_directory_path() / ("orx_skins_" + std::to_string(::getpid()));
  SkinDir() {
    fs::create_directories(root / "skins");
    fs::copy_file(fs::path(SourceDataDir()) / "skins" / "Default.gif", root / "skins" / "Default.gif",
                  fs::copy_options::overwrite_existing);
  }
  ~SkinDir() { fs::remove_all(root); }
  // A skin of w x h pixels in one colour, with its panel pixel in `panel`.
  void WriteFlat(const std::string& name, int w, int h, tools::Rgb panel) {
    tools::GifPicture pic;
    pic.width = w;
    pic.height = h;
    pic.palette = {{0x80, 0x80, 0x80}, panel};
    pic.indices.assign(static_cast<size_t>(w) * h, 0);
    pic.indices[static_cast<size_t>(skin_pixel::kPanel.y) * w + skin_pixel::kPanel.x] = 1;
    ASSERT_TRUE(tools::WriteGif((root / "skins" / name).string(), pic));
  }
};

// ---------------------------------------------------------------------------------------
// Skins

TEST(Skin, ColoursComeFromTheirPixelsAndTheSecondSkinDiffers) {
  Skin def, dark;
  ASSERT_TRUE(LoadSkin(def, SourceDataDir(), "Default.gif"));
  ASSERT_TRUE(LoadSkin(dark, SourceDataDir(), "Dark.gif"));
  const Color565* px = def.image.pixels16();
  auto at = [&](Point p) { return px[p.y * def.image.width + p.x]; };
  EXPECT_GE(def.image.width, kSkinMinWidth);
  EXPECT_GE(def.image.height, kSkinMinHeight);
  EXPECT_EQ(def.highlight, at(skin_pixel::kHighlight));
  EXPECT_EQ(def.fieldBackground, at(skin_pixel::kFieldBackground));
  EXPECT_EQ(def.frame, at(skin_pixel::kFrame));
  EXPECT_EQ(def.panel, at(skin_pixel::kPanel));
  EXPECT_EQ(def.page, at(skin_pixel::kPage));
  EXPECT_EQ(def.fieldBorder, at(skin_pixel::kFieldBorder));
  EXPECT_EQ(def.text, kBlack);
  EXPECT_NE(def.panel, dark.panel);
  EXPECT_NE(def.frame, dark.frame);
}

TEST(Skin, AFailedLoadKeepsTheSkinInUseAndSaysSo) {
  SkinDir dir;
  dir.WriteFlat("Small.gif", 100, 64, {0xFF, 0xFF, 0xFF});  // narrower than the layout
  std::ofstream(dir.root / "skins" / "Broken.gif") << "GIF89a but nothing more";
  UiHarness h;
  Settings settings;
  ASSERT_TRUE(LoadStartupSkin(h.ui, dir.root, "Default.gif"));
  const Color565 panel = h.ui.skin.panel;
  const Color565* pixels = h.ui.skin.image.pixels16();

  for (const char* name : {"Small.gif", "Broken.gif", "Missing.gif"}) {
    EXPECT_FALSE(ChangeSkin(h.ui, settings, dir.root, name)) << name;
    EXPECT_EQ(h.ui.skin.image.pixels16(), pixels) << name;
    EXPECT_EQ(h.ui.skin.panel, panel) << name;
    EXPECT_EQ(h.ui.skin.fileName, "Default.gif");
    EXPECT_EQ(settings.skinFile, "Default.gif");
    ASSERT_TRUE(h.ui.activeModalDialog) << name;
    EXPECT_STREQ(h.ui.activeModalDialog->title, "Error");
  }
  // The skin already in use is not loaded again.
  fs::remove(dir.root / "skins" / "Default.gif");
  EXPECT_FALSE(ChangeSkin(h.ui, settings, dir.root, "Default.gif"));
}

TEST(Skin, DialogsKeepTheBodyColourOfTheSkinTheyWereMadeWith) {
  SkinDir dir;
  dir.WriteFlat("White.gif", 112, 64, {0xFF, 0xFF, 0xFF});
  UiHarness h;
  Settings settings;
  Dialog before(h.ui.context);
  ASSERT_TRUE(ChangeSkin(h.ui, settings, dir.root, "White.gif"));
  EXPECT_EQ(settings.skinFile, "White.gif");
  Dialog after(h.ui.context);
  EXPECT_EQ(after.bodyColour, kWhite);
  EXPECT_NE(before.bodyColour, kWhite);
}

// ---------------------------------------------------------------------------------------
// Controls

TEST(PushButton, OnlyAReleaseInsideActivatesAndTheLookFollowsTheStylus) {
  UiHarness h;
  h.screen = UiHarness::Screen::kOptions;
  PushButton b(h.ui.context);
  b.Setup(50, 100, 60, 99, "Apply", 2042, true);
  EXPECT_EQ(b.height, kButtonHeight);
  h.ui.optionsWidgets = {&b};
  h.Paint();
  const Color565 normal = h.Pixel(80, 101);

  h.Down(60, 105);
  EXPECT_NE(h.Pixel(80, 101), normal);  // pressed look
  h.Move(200, 200);
  EXPECT_EQ(h.Pixel(80, 101), normal);
  h.Up(200, 200);
  EXPECT_TRUE(h.commands.empty());

  h.Down(60, 105);
  h.Move(200, 200);
  h.Move(100, 110);
  h.Up(100, 110);
  EXPECT_EQ(h.commands, std::vector<int>{2042});

  EnableWidget(b, false);
  h.Tap(60, 105);
  EXPECT_EQ(h.commands.size(), 1u);
  h.Paint();
  EXPECT_NE(h.Pixel(80, 101), normal);  // disabled shows the pressed look
  h.ui.optionsWidgets.clear();
}

TEST(CheckBoxAndRadio, TapsToggleAndSelectWithoutCapturing) {
  UiHarness h;
  CheckBox box(h.ui.context);
  box.Setup(10, 10, "Sun Spot", 7);
  int changes = 0;
  box.onChange = [&](Widget* sender, int code) {
    EXPECT_EQ(sender, &box);
    EXPECT_EQ(code, kNotifyValueChanged);
    ++changes;
  };
  Widget* captured = nullptr;
  EXPECT_TRUE(box.StylusDown({10 + 16 + 5, 21}, captured));  // on the text, last row
  EXPECT_TRUE(box.ticked);
  EXPECT_EQ(captured, nullptr);
  EXPECT_FALSE(box.StylusDown({20, 22}, captured));  // one pixel below the row
  EXPECT_TRUE(box.ticked);
  EnableWidget(box, false);
  EXPECT_FALSE(box.StylusDown({12, 12}, captured));
  EXPECT_EQ(changes, 1);

  RadioGroup group(h.ui.context);
  group.SetPosition(0, 0, "");
  group.AddItem(10, 40, true, "km", 1);
  group.AddItem(60, 40, false, "mi", 2);
  int notified = 0;
  group.onChange = [&](Widget*, int) { ++notified; };
  EXPECT_TRUE(group.StylusDown({62, 45}, captured));
  EXPECT_EQ(group.SelectedId(), 2);
  group.Select(99);
  EXPECT_EQ(group.SelectedId(), -1);
  EXPECT_EQ(notified, 2);
  group.MoveTo(10, 10);
  EXPECT_EQ(group.items[1].x, 70);
  EXPECT_EQ(group.items[1].y, 50);
}

TEST(Slider, ArrowsStepWithinBoundsAndDraggingPastTheEndsGivesTheBounds) {
  UiHarness h;
  h.screen = UiHarness::Screen::kOptions;
  Slider s(h.ui.context);
  s.Setup(20, 100, 122, 20, 86, "Radius", 0, 50, 400, 399.5, 1, true, true);
  h.ui.optionsWidgets = {&s};
  h.Tap(140, 105);  // right arrow
  EXPECT_DOUBLE_EQ(s.value, 400);
  h.Tap(140, 105);
  EXPECT_DOUBLE_EQ(s.value, 400);
  EXPECT_EQ(h.ui.options.focused, nullptr);  // arrows do not capture

  h.Down(81, 105);  // the middle of the track: value from the position, then a drag
  EXPECT_NEAR(s.value, 50 + (81 - 20 - 11) * 350.0 / 100, 1e-9);
  EXPECT_EQ(h.ui.options.focused, &s);
  h.Move(500, 0);
  EXPECT_DOUBLE_EQ(s.value, 400);
  h.Move(-30, 0);
  EXPECT_DOUBLE_EQ(s.value, 50);
  h.Up(-30, 0);
  h.ui.optionsWidgets.clear();
}

TEST(ProgressBar, PercentIsLimitedAndTheFillMatches) {
  UiHarness h;
  ProgressBar bar(h.ui.context);
  bar.Setup(40, 120, 160, 14, true);
  bar.SetPercent(150);
  EXPECT_EQ(bar.percent, 100);
  EXPECT_STREQ(bar.percentText, "100 %");
  bar.SetPercent(-5);
  EXPECT_STREQ(bar.percentText, "0 %");
  bar.SetPercent(30);
  EXPECT_EQ(bar.fillWidth, 48);
  bar.Draw();
  EXPECT_EQ(h.Pixel(41, 121), 0x001F);
  EXPECT_EQ(h.Pixel(40 + 48, 121), kBlack);
  EXPECT_EQ(h.Pixel(40, 120), kWhite);
  EXPECT_EQ(h.Pixel(199, 133), kWhite);
}

TEST(ColorPicker, FitsTheScreenAndReportsEveryCellPassed) {
  UiHarness h;
  ColorPicker picker(h.ui.context);
  picker.Setup(200, 250);
  EXPECT_EQ(picker.x, 76);
  EXPECT_EQ(picker.y, 320 - 110);
  std::vector<int> colours;
  picker.onChange = [&](Widget*, int colour) { colours.push_back(colour); };
  Widget* captured = nullptr;
  ASSERT_TRUE(picker.StylusDown({picker.x, picker.y}, captured));
  EXPECT_EQ(captured, &picker);
  picker.StylusMove({picker.x + 162, picker.y + 108});  // the closing grid line
  EXPECT_EQ(colours, (std::vector<int>{ColorPicker::CellColor(0, 0), ColorPicker::CellColor(17, 11)}));
  EXPECT_EQ(ColorPicker::CellColor(17, 11), kWhite);
  EXPECT_EQ(picker.selectedX, picker.x + 9 * 17);
  EXPECT_EQ(picker.StylusMove({picker.x + 163, picker.y}), kMoveNotHandled);
  picker.StylusUp(nullptr, {0, 0});
  EXPECT_EQ(picker.selectedX, -1);
}

// ---------------------------------------------------------------------------------------
// Word wrap and the message box

constexpr const char* kFortyCities =
    "Weather data is limited to 40 cities at a time.\nIf you wish to add new ones, please remove some of the "
    "existing cities from the list.";

TEST(TextBlock, WrapsAtBlanksAndNewlinesWithinTheWidth) {
  UiHarness h;
  TextBlock block(h.ui.context);
  block.SetText(kFortyCities, 120, 160, 190, 270, true, true);
  ASSERT_GE(block.lines.size(), 3u);
  EXPECT_EQ(block.lines[0].rfind("Weather data", 0), 0u);
  int joined = 0;
  for (const std::string& line : block.lines) {
    EXPECT_LT(TextWidth(h.font, line.c_str()), 190) << line;
    EXPECT_NE(line.front(), ' ');
    joined += static_cast<int>(line.size());
  }
  // The line break of the text ends a line; the blanks where lines were wrapped are dropped.
  EXPECT_EQ(std::count_if(block.lines.begin(), block.lines.end(),
                          [](const std::string& l) { return l.size() >= 7 && l.substr(l.size() - 7) == "a time."; }),
            1);
  EXPECT_EQ(joined + static_cast<int>(block.lines.size()) - 1, static_cast<int>(std::strlen(kFortyCities)));
  EXPECT_EQ(block.height, static_cast<int>(block.lines.size()) * h.ui.context.LineHeight());
  EXPECT_NEAR(block.x + block.width / 2, 120, 1);

  block.SetText("ab\n\n  c", 0, 0, 190, 100, true, false);
  EXPECT_EQ(block.lines, (std::vector<std::string>{"ab", "", "c"}));
  // A word wider than the line is cut, at most one glyph past the width.
  block.SetText("WWWWWWWWWWWWWWWWWWWW", 0, 0, 40, 100, true, false);
  ASSERT_GE(block.lines.size(), 2u);
  for (const std::string& line : block.lines) EXPECT_LE(TextWidth(h.font, line.c_str()), 40 + CharWidth(h.font, 'W'));
  block.SetText("word", 0, 0, 0, 100, true, false);  // no room at all: one glyph a line
  EXPECT_EQ(block.lines.size(), 4u);
}

TEST(MessageBox, IsCentredTitledAndClosedOnlyThroughItsButtons) {
  UiHarness h;
  std::vector<int> results;
  ShowMessageBox(h.ui, kFortyCities, "", kButtonsOk, [&](Widget* sender, int id) {
    EXPECT_EQ(sender, nullptr);
    results.push_back(id);
  });
  auto* box = static_cast<MessageBox*>(h.ui.activeModalDialog.get());
  ASSERT_NE(box, nullptr);
  EXPECT_STREQ(box->title, "ERROR");
  EXPECT_NEAR(box->x + box->width / 2, 120, 1);
  EXPECT_NEAR(box->message.y + box->message.height / 2, 160, 1);

  h.Tap(box->x + 4, box->y + box->height - 4);  // the body, beside the button
  h.Tap(5, 5);                                  // outside: nothing at all
  EXPECT_TRUE(h.ui.activeModalDialog);
  EXPECT_TRUE(h.unhandledDowns.empty());
  EXPECT_TRUE(results.empty());

  h.Tap(box->first.x + 10, box->first.y + 9);
  EXPECT_FALSE(h.ui.activeModalDialog);
  EXPECT_EQ(results, std::vector<int>{kIdOk});
}

TEST(MessageBox, ASecondBoxReplacesTheFirstWithoutItsResult) {
  UiHarness h;
  int firstCalls = 0, secondCalls = 0;
  ShowMessageBox(h.ui, "first", "One", kButtonsOkCancel, [&](Widget*, int) { ++firstCalls; });
  auto* first = static_cast<MessageBox*>(h.ui.activeModalDialog.get());
  // The first box's OK is pressed, then another box replaces it before the result
  // message is handled: that stale result must not close the new box.
  h.Down(first->first.x + 5, first->first.y + 5);
  h.ui.activeModalDialog->StylusUp(&h.host, {first->first.x + 5, first->first.y + 5});
  ShowMessageBox(h.ui, "second", "Two", kButtonsYesNo, [&](Widget*, int id) {
    EXPECT_EQ(id, kIdCancel);
    ++secondCalls;
  });
  h.Pump();
  ASSERT_TRUE(h.ui.activeModalDialog);
  auto* second = static_cast<MessageBox*>(h.ui.activeModalDialog.get());
  EXPECT_STREQ(second->second.text, "No");
  h.Tap(second->second.x + 5, second->second.y + 5);
  EXPECT_FALSE(h.ui.activeModalDialog);
  EXPECT_EQ(firstCalls, 0);
  EXPECT_EQ(secondCalls, 1);

  // A result message with a null lParam destroys the dialog and calls nothing.
  ShowMessageBox(h.ui, "third", nullptr, 7, [&](Widget*, int) { ++secondCalls; });
  EXPECT_EQ(static_cast<MessageBox*>(h.ui.activeModalDialog.get())->buttons, kButtonsOk);
  h.host.PostMessage(platform::kMsgDialogResult, kIdOk, 0);
  h.Pump();
  EXPECT_FALSE(h.ui.activeModalDialog);
  EXPECT_EQ(secondCalls, 1);
}

TEST(MessageBox, DraggingMovesTextAndButtonsAndStaysOnTheScreen) {
  UiHarness h;
  ShowMessageBox(h.ui, "Error fetching weather data", "Error", kButtonsOkCancel, nullptr);
  auto* box = static_cast<MessageBox*>(h.ui.activeModalDialog.get());
  const int dx = box->first.x - box->x, dy = box->first.y - box->y, tx = box->message.x - box->x;
  const int redraws = h.fullRedraws;
  h.Down(box->x + 20, box->y + 4);
  h.Move(box->x + 10, box->y + 2);
  EXPECT_GT(h.fullRedraws, redraws);
  h.Move(-300, 900);
  h.Up(-300, 900);
  EXPECT_EQ(box->x, 0);
  EXPECT_EQ(box->y + box->height, 320);
  EXPECT_EQ(box->first.x - box->x, dx);
  EXPECT_EQ(box->first.y - box->y, dy);
  EXPECT_EQ(box->message.x - box->x, tx);
  EXPECT_TRUE(h.GuardsIntact());
}

TEST(MessageBox, AWorkerThreadsBoxAppearsThroughTheQueue) {
  UiHarness h;
  std::atomic<bool> calledOnUiThread{false};
  const auto uiThread = std::this_thread::get_id();
  std::thread worker([&] {
    ShowMessageBox(h.ui, "A previous weather fetch is still in progress.\n\nPlease try again later.", "Busy",
                   kButtonsOk, [&](Widget*, int) { calledOnUiThread = std::this_thread::get_id() == uiThread; });
  });
  worker.join();
  EXPECT_FALSE(h.ui.activeModalDialog);
  h.Pump();
  ASSERT_TRUE(h.ui.activeModalDialog);
  auto* box = static_cast<MessageBox*>(h.ui.activeModalDialog.get());
  EXPECT_STREQ(box->title, "Busy");
  EXPECT_NE(std::find(box->message.lines.begin(), box->message.lines.end(), ""), box->message.lines.end());
  h.Tap(box->first.x + 5, box->first.y + 5);
  EXPECT_TRUE(calledOnUiThread);
}

TEST(MessageBox, ABoxAskedForBeforeTheFontIsReadyWaitsForIt) {
  platform::ManualClock clock;
  platform::InstallClock(&clock);
  platform::Host host(nullptr);
  UiState ui;
  host.SetWindowProc([&](const platform::Message& m) {
    HandleUiMessage(ui, ui.main, m);
    return intptr_t{0};
  });
  ShowMessageBox(ui, "Invalid Map File(s).", "Error", kButtonsOk, nullptr);
  host.PumpPending();
  EXPECT_FALSE(ui.activeModalDialog);
  GuardedFrame frame(240, 320);
  Font font;
  ASSERT_EQ(LoadFont(font, 1), 1);
  AttachUi(ui, frame.frame, font, &host);
  host.PumpPending();
  ASSERT_TRUE(ui.activeModalDialog);
  EXPECT_STREQ(ui.activeModalDialog->title, "Error");
  host.SetWindowProc(nullptr);
  platform::InstallClock(nullptr);
}

TEST(ExitConfirmDialog, EachButtonReportsItsIdentifier) {
  for (int which = 0; which < 3; ++which) {
    UiHarness h;
    int result = 0;
    ShowExitConfirmation(h.ui, [&](Widget*, int id) { result = id; });
    auto* d = static_cast<ExitConfirmDialog*>(h.ui.activeModalDialog.get());
    EXPECT_STREQ(d->title, "Confirm");
    EXPECT_EQ(d->width, 193);
    EXPECT_EQ(d->x, (240 - 193) / 2);
    PushButton* buttons[] = {&d->exitButton, &d->suspendButton, &d->cancelButton};
    h.Tap(buttons[which]->x + 3, buttons[which]->y + 3);
    const int expected[] = {kIdExit, kIdSuspend, kIdCancel};
    EXPECT_EQ(result, expected[which]);
    EXPECT_FALSE(h.ui.activeModalDialog);
  }
}

TEST(Dialog, TheCloseBoxAnswersAtOnceOnlyWhenReleasedOnIt) {
  UiHarness h;
  Dialog d(h.ui.context);
  d.Create(40, 40, 120, 80, kDialogCloseBox, "Find City");
  EXPECT_EQ(d.style, kDialogCloseBox | kDialogTextBar);  // a close box brings the title text
  EXPECT_EQ(d.titleBarHeight, 0);                       // but the bar kind stays "none"
  d.Create(40, 40, 120, 80, kDialogCloseBox | kDialogTextBar, "Find City");
  EXPECT_EQ(d.titleBarHeight, h.ui.context.LineHeight() + 8);
  int closes = 0;
  d.onChange = [&](Widget* sender, int code) {
    EXPECT_EQ(sender, nullptr);
    EXPECT_EQ(code, 0);
    ++closes;
  };
  Widget* captured = nullptr;
  ASSERT_TRUE(d.StylusDown({40 + 115, 45}, captured));
  EXPECT_EQ(d.closeBoxState, 3u);
  EXPECT_EQ(d.StylusMove({60, 100}), kMoveHandled);
  EXPECT_EQ(d.closeBoxState, 1u);  // armed, drawn normal
  d.StylusUp(nullptr, {60, 100});
  EXPECT_EQ(closes, 0);
  d.StylusDown({40 + 115, 45}, captured);
  d.StylusUp(nullptr, {40 + 116, 46});
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(d.closeBoxState, 0u);
}

// ---------------------------------------------------------------------------------------
// Routing

// A panel like the Find City dialog: children keep their own capture, the panel only
// remembers which child took the tap.
class TestPanel : public Dialog {
 public:
  explicit TestPanel(UiContext& ui) : Dialog(ui), edit(ui), button(ui) {
    Create(120, 0, 120, 125, kDialogCloseBox | kDialogTextBar, "Find City");
    edit.Setup(124, 40, 112, 255);
    button.Setup(124, 70, 60, 18, "Go", 1, false);
  }
  void Draw() override {
    Dialog::Draw();
    edit.Draw();
    button.Draw();
  }
  bool StylusDown(Point p, Widget*& captured) override {
    for (Widget* w : {static_cast<Widget*>(&edit), static_cast<Widget*>(&button)}) {
      if (w->StylusDown(p, captured)) {
        capturedChild = w;
        return true;
      }
    }
    capturedChild = nullptr;
    return Dialog::StylusDown(p, captured);
  }
  EditField edit;
  PushButton button;
};

TEST(MainRouting, EditFieldsBringTheKeyboardAndOtherTapsTakeItAway) {
  UiHarness h;
  SetPanel(h.ui, std::make_unique<TestPanel>(h.ui.context));
  auto* panel = static_cast<TestPanel*>(h.ui.activePanel.get());

  h.Tap(130, 45);
  EXPECT_EQ(h.ui.main.focused, &panel->edit);
  EXPECT_TRUE(panel->edit.focused());
  ASSERT_TRUE(h.ui.keyboardShown);
  EXPECT_EQ(h.ui.softKeyboard.top, 239);
  EXPECT_EQ(h.Pixel(0, 239), h.ui.skin.highlight);
  EXPECT_NE(h.Pixel(0, 238), h.ui.skin.highlight);

  // Typing on the keyboard reaches the focused field through the soft-key message.
  const auto keys = KeyboardKeys(kLayoutLower);
  const KeyboardKey& q = keys[15];
  h.Tap(q.x + 3, 239 + q.y + 3);
  EXPECT_STREQ(panel->edit.Text(), "q");
  EXPECT_EQ(h.ui.main.focused, &panel->edit);

  h.Tap(130, 75);  // the panel's button: focus moves, the keyboard goes
  EXPECT_EQ(h.ui.main.focused, &panel->button);
  EXPECT_FALSE(panel->edit.focused());
  EXPECT_FALSE(h.ui.keyboardShown);
  EXPECT_NE(h.Pixel(0, 300), h.ui.skin.highlight);

  h.Tap(130, 45);
  const int redraws = h.fullRedraws;
  h.Tap(20, 200);  // the globe: nothing of the toolkit takes it
  EXPECT_EQ(h.unhandledDowns, std::vector<int>{20});
  EXPECT_FALSE(h.ui.keyboardShown);
  EXPECT_EQ(h.ui.main.focused, nullptr);
  EXPECT_GT(h.fullRedraws, redraws);

  h.Paint();
  EXPECT_EQ(h.ui.savedPanelPosition.x, 120);
  SetPanel(h.ui, nullptr);
  EXPECT_EQ(h.ui.main.captured, nullptr);
}

TEST(MainRouting, AModalDialogTakesEveryTap) {
  UiHarness h;
  SetPanel(h.ui, std::make_unique<TestPanel>(h.ui.context));
  ShowMessageBox(h.ui, "Busy", nullptr, kButtonsOk, nullptr);
  h.Tap(130, 45);   // the panel's edit field lies under nothing of the box
  h.Tap(10, 310);   // the command bar
  EXPECT_EQ(h.ui.main.focused, nullptr);
  EXPECT_FALSE(h.ui.keyboardShown);
  EXPECT_TRUE(h.unhandledDowns.empty());
  EXPECT_TRUE(h.ui.activeModalDialog);
}

TEST(OptionsRouting, AControlThatAnswersWithoutCapturingDoesNotStopTheSearch) {
  UiHarness h;
  h.screen = UiHarness::Screen::kOptions;
  CheckBox box(h.ui.context);
  box.Setup(20, 50, "Rotate Globe", 0);
  PushButton under(h.ui.context);  // lies under the check box's text
  under.Setup(30, 48, 80, 18, "Under", 77, true);
  EditField edit(h.ui.context);
  edit.Setup(20, 100, 150, 40);
  h.ui.optionsWidgets = {&box, &under, &edit};

  h.Tap(40, 55);
  EXPECT_TRUE(box.ticked);
  EXPECT_EQ(h.ui.options.focused, &under);
  EXPECT_EQ(h.commands, std::vector<int>{77});

  h.Tap(30, 105);
  EXPECT_EQ(h.ui.options.focused, &edit);
  EXPECT_TRUE(h.ui.keyboardShown);
  h.Char('x');
  h.VirtualKey(platform::kVkHome);
  h.Char('y');
  EXPECT_STREQ(edit.Text(), "yx");

  h.Tap(200, 20);  // nothing there
  EXPECT_FALSE(h.ui.keyboardShown);
  EXPECT_FALSE(edit.focused());
  EXPECT_EQ(h.ui.options.focused, &edit);  // unfocused but still recorded
  h.ui.optionsWidgets.clear();
}

// ---------------------------------------------------------------------------------------
// Drawing

TEST(Drawing, NoWidgetAllocatesWhilePainting) {
  UiHarness h;
  h.screen = UiHarness::Screen::kOptions;
  UiContext& ui = h.ui.context;
  TabControl tabs(ui);
  tabs.Setup(4, 28, 232, 200);
  for (const char* name : {"General", "Display", "Sun/Moon", "Maps", "Cities", "GPS"}) tabs.AddPage(name, 1);
  PushButton button(ui);
  button.Setup(10, 240, 50, 18, "OK", 1, false);
  CheckBox box(ui);
  box.Setup(70, 240, "Grid", 0);
  RadioGroup radio(ui);
  radio.SetPosition(10, 60, "Units");
  radio.AddItem(10, 76, true, "km", 1);
  Slider real(ui);
  real.Setup(10, 100, 150, 10, 90, "Darkness", 0, 0, 1, 0.5, 0.1, false, true);
  TextLabel label(ui);
  label.SetText(10, 120, "label", -1, true, false);
  GroupBox group(ui);
  group.Setup(10, 130, 100, 30, "Group");
  ProgressBar bar(ui);
  bar.Setup(10, 170, 100, 14, true);
  bar.SetPercent(40);
  ColorPicker picker(ui);
  picker.Setup(60, 60);
  ListBox list(ui);
  list.Setup(120, 190, 110, 60, true, 0, -1);
  for (int i = 0; i < 30; ++i) list.AddItem("a long item of the list", true);
  ComboBox combo(ui);
  combo.Setup(10, 190, 100, 80, false);
  combo.AddItem("one", true);
  EditField edit(ui);
  edit.Setup(10, 280, 100, 40);
  edit.SetText("Buenos Aires");
  h.ui.optionsWidgets = {&tabs, &button, &box, &radio, &real, &label, &group, &bar, &picker, &list, &combo, &edit};
  // Tap the edit field (keyboard shown), hold a list arrow (auto-repeat), open the combo.
  h.Tap(edit.x + 5, edit.y + 5);
  h.Down(list.vScroll.barX + 5, list.vScroll.barY + 3 + list.vScroll.length - 11);
  ShowMessageBox(h.ui, "Error fetching weather data", "Error", kButtonsYesNo, nullptr);
  combo.dropped = true;
  combo.SetFocus(true);

  {
    AllocationCounter counter;  // the counter itself counts
    auto probe = std::make_unique<int>(1);
    ASSERT_EQ(counter.count(), 1u);
  }
  for (int frame = 0; frame < 20; ++frame) {
    h.clock.Advance(60);
    AllocationCounter counter;
    h.Paint();
    ASSERT_EQ(counter.count(), 0u) << "frame " << frame;
  }
  EXPECT_GT(list.vScroll.position, 1);  // the repeat ran inside the paints
  h.ui.optionsWidgets.clear();
}

}  // namespace
}  // namespace orx::test
