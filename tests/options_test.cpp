// The Options screen in the whole program, headless: opened from the command bar, its
// twelve pages (pictures of each in both skins at 1x and 3x for review), the bound
// controls, OK, Cancel and the page actions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/options_screen.h"
#include "cities/city_lists.h"
#include "gfx/fold.h"
#include "cities/saved_cities.h"
#include "gps/gps.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/messages.h"
#include "platform/png_writer.h"
#include "settings/options_lists.h"
#include "support/headless_app.h"
#include "support/pseudo_terminal.h"
#include "ui/controls.h"
#include "ui/edit_field.h"
#include "ui/lists.h"
#include "weather/weather.h"

namespace orx::testing {
namespace {

using platform::MakePointParam;


// What a control draws, as rectangles of ink: its text, boxes, tracks and read-outs.
struct Ink {
  int x, y, w, h;
  std::string what;
};

bool Overlap(const Ink& a, const Ink& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// The width of a text up to the last column its last glyph paints (an advance ends
// in blank columns).
int InkWidth(const Font& font, const char* text) {
  const int width = TextWidth(font, text);
  const size_t n = std::strlen(text);
  if (n == 0 || !font.image.pixels16()) return width;
  const Glyph& g = font.glyphs[static_cast<uint8_t>(text[n - 1])];
  int blank = 0;
  for (int col = g.advance - 1; col >= 0; --col, ++blank) {
    for (int row = 0; row < font.glyphHeight; ++row) {
      const size_t at = static_cast<size_t>(g.sourceY + row) * font.image.width + g.sourceX + col;
      if (font.image.pixels16()[at] != kColorKey) return width - blank;
    }
  }
  return width - blank;
}

void AddInk(const Widget& w, const ControlRow& row, const Font& font, std::vector<Ink>& out) {
  const int line = font.glyphHeight;
  const auto text = [&](int x, int y, const char* t, const std::string& what) {
    if (t && *t) out.push_back({x, y, InkWidth(font, t), line, what});
  };
  switch (row.kind) {
    case ControlKind::kCheckBox: {
      const auto& c = static_cast<const CheckBox&>(w);
      out.push_back({c.x, c.y, 16 + InkWidth(font, c.text), std::max(12, line), c.text});
      break;
    }
    case ControlKind::kRadioGroup: {
      const auto& r = static_cast<const RadioGroup&>(w);
      text(r.x, r.y, r.caption, r.caption);
      for (const RadioGroup::Item& i : r.items) {
        out.push_back({i.x, i.y, 15 + InkWidth(font, i.text), std::max(12, line), i.text});
      }
      break;
    }
    case ControlKind::kSlider: {
      const auto& s = static_cast<const Slider&>(w);
      text(s.x, s.y, s.caption, s.caption);
      // The read-out of the widest value the slider can show.
      const std::string most = std::to_string(static_cast<int>(s.maximum));
      out.push_back({s.trackX, s.trackY, s.trackWidth + 5 + InkWidth(font, most.c_str()), 11,
                     std::string("track of ") + s.caption});
      break;
    }
    case ControlKind::kLabel:
    case ControlKind::kCentredLabel: {
      const auto& l = static_cast<const TextLabel&>(w);
      if (l.text && *l.text) out.push_back({l.x, l.y, InkWidth(font, l.text), line, l.text});
      break;
    }
    case ControlKind::kButton: {
      const auto& b = static_cast<const PushButton&>(w);
      out.push_back({b.x, b.y, b.width, b.height, b.text});
      // The caption with a margin on each side stays inside the button.
      if (TextWidth(font, b.text) + 4 > b.width) out.push_back({b.x, b.y, b.width, b.height, "caption of " + std::string(b.text)});
      break;
    }
    case ControlKind::kComboBox:
      out.push_back({w.x, w.y, w.width, 15, "combo box"});
      break;
    case ControlKind::kEditField:
      out.push_back({w.x, w.y, w.width, w.height, "edit field"});
      break;
    case ControlKind::kGroupBox:
      break;  // checked as a frame around its controls
    default:
      out.push_back({w.x, w.y, w.width, w.height, "list"});
      break;
  }
}

class OptionsTest : public HeadlessApp {
 protected:
  void Command(int id) { Post(platform::kMsgCommand, static_cast<uintptr_t>(id)); }
  void Open() {
    Command(2003);
    ASSERT_TRUE(app_.options.isOpen);
    ASSERT_EQ(app_.window.screenMode, kScreenOptions);
  }
  void ShowPage(int id) {
    app_.options.tabs.SelectPage(id);
    Post(platform::kMsgPaint);
  }
  template <class T>
  T& Control(Slot slot) {
    return app_.options.controls.at<T>(slot);
  }
  // The control of the open dialog built from the row with this label (first match).
  template <class T>
  T& Labelled(const char* label) {
    for (BuiltControl& c : app_.options.controls.controls) {
      if (std::string(c.row->label) == label) return static_cast<T&>(*c.widget);
    }
    ADD_FAILURE() << "no control " << label;
    return static_cast<T&>(*app_.options.controls.controls.front().widget);
  }
  // Taps the centre of a widget's first line.
  void TapOn(const Widget& w, int dx = 4) { Tap(w.x + dx, w.y + 5); }
  // OK or Cancel through the dialog's handler, counting texture rebuilds instead of
  // composing the texture.
  int Close(int command) {
    int rebuilds = 0;
    OptionsEnv env = OptionsEnvOf(app_);
    env.rebuildTexture = [&rebuilds] { ++rebuilds; };
    EXPECT_TRUE(OptionsCommand(app_.options, env, command));
    EXPECT_FALSE(app_.options.isOpen);
    EXPECT_EQ(app_.window.screenMode, kScreenGlobe);
    return rebuilds;
  }
  std::string Stored() const {
    platform::SettingsStore store;
    SaveSettings(app_.settings, store);
    return store.Serialize();
  }
  bool WritePicture(const std::filesystem::path& path, int scale) {
    const FrameBuffer& f = app_.frame;
    std::vector<uint16_t> big(static_cast<size_t>(f.width * scale) * f.height * scale);
    for (int y = 0; y < f.height * scale; ++y)
      for (int x = 0; x < f.width * scale; ++x) big[static_cast<size_t>(y) * f.width * scale + x] = f.at(x / scale, y / scale);
    return platform::WritePng565(path.string(), big.data(), f.width * scale, f.height * scale, f.width * scale);
  }
};

TEST_F(OptionsTest, EveryPageIsDrawnInBothSkinsAndWrittenForReview) {
  const std::filesystem::path dir = std::filesystem::path(ORRELUX_BINARY_DIR) / "options_pages";
  std::filesystem::create_directories(dir);
  for (const char* skin : {"Default.gif", "Dark.gif"}) {
    ASSERT_TRUE(LoadSkin(app_.ui.skin, app_.paths.dataDir, skin));
    Open();
    for (const OptionsPage& page : OptionsPages()) {
      ShowPage(page.id);
      ASSERT_EQ(app_.options.tabs.ActivePageId(), page.id);
      std::string name = std::string(skin).substr(0, std::string(skin).size() - 4) + "_" + page.caption;
      for (char& c : name) c = c == '/' ? '_' : c;
      EXPECT_TRUE(WritePicture(dir / (name + ".png"), 1));
      EXPECT_TRUE(WritePicture(dir / (name + "_3x.png"), 3));
      // The title bar and the OK button are drawn on every page.
      EXPECT_EQ(app_.frame.at(2, 2), app_.ui.skin.frame);
    }
    Command(2017);
    ASSERT_FALSE(app_.options.isOpen);
  }
}


// Every file below the test's folder with its last write time.
std::map<std::string, std::filesystem::file_time_type> Files(const std::filesystem::path& root) {
  std::map<std::string, std::filesystem::file_time_type> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) out[e.path().string()] = e.last_write_time();
  }
  return out;
}

TEST_F(OptionsTest, OkWithoutAChangeKeepsEverySettingRebuildsNothingAndWritesNoFile) {
  app_.settings.gpsBaud = 12;  // shows "14400" (index 4), which OK stores
  app_.settings.twilightType = -1034;
  Settings expected = app_.settings;
  expected.gpsBaud = 4;
  const std::string before = [&] {
    std::swap(app_.settings, expected);
    std::string text = Stored();
    std::swap(app_.settings, expected);
    return text;
  }();
  const auto files = Files(dir_.path());
  const size_t cities = app_.selectedCities.size();
  Open();
  EXPECT_STREQ(Control<ComboBox>(Slot::kGpsBaud).SelectedItem()->text, "14400");
  EXPECT_EQ(app_.settings.gpsBaud, 12);  // nothing changes before OK
  EXPECT_FALSE(Control<CheckBox>(Slot::kTwilightShown).ticked);
  EXPECT_EQ(Control<RadioGroup>(Slot::kTwilightKind).SelectedId(), 1034);
  EXPECT_EQ(Close(2016), 0);
  EXPECT_EQ(Stored(), before);
  EXPECT_EQ(Files(dir_.path()), files);
  EXPECT_EQ(app_.selectedCities.size(), cities);
}

TEST_F(OptionsTest, TappedControlsAreStoredByOkAndForgottenByCancel) {
  const Settings start = app_.settings;
  Open();
  // General: a check box and a slider's right arrow.
  TapOn(Labelled<CheckBox>("Rotate Globe"));
  const Slider& radius = Labelled<Slider>("Snap Radius:");
  Tap(radius.trackX + radius.trackWidth - 5, radius.trackY + 5);
  // Display: a radio choice, on its own page.
  Tap(app_.options.tabs.pages[1]->tabX + 20, 40);
  ASSERT_EQ(app_.options.tabs.ActivePageId(), kPageDisplay);
  const RadioGroup& grid = Labelled<RadioGroup>("Grid Step:");
  Tap(grid.items[2].x + 3, grid.items[2].y + 5);
  EXPECT_EQ(Close(2017), 0);
  EXPECT_EQ(app_.settings.rotateGlobe, start.rotateGlobe);
  EXPECT_EQ(app_.settings.snapRadius, start.snapRadius);
  EXPECT_EQ(app_.settings.gridStep, start.gridStep);

  Open();
  EXPECT_EQ(app_.options.tabs.ActivePageId(), kPageDisplay);  // the page it was closed on
  const RadioGroup& reopened = Labelled<RadioGroup>("Grid Step:");  // built anew
  Tap(reopened.items[2].x + 3, reopened.items[2].y + 5);
  EXPECT_EQ(Close(2016), 0);
  EXPECT_EQ(app_.settings.gridStep, 1032);
}

TEST_F(OptionsTest, TheDialogOpensOnGeneralAfterAStartAndKeepsTheSnapRule) {
  app_.settings.snapToNearestKnownPlace = false;
  app_.settings.snapToNearestPopulousPlace = true;
  Open();
  EXPECT_EQ(app_.options.tabs.ActivePageId(), kPageGeneral);
  CheckBox& country = Control<CheckBox>(Slot::kShowCountryName);
  EXPECT_FALSE(country.enabled());  // on opening it follows "known place" alone
  TapOn(Control<CheckBox>(Slot::kSnapDisplayed));
  EXPECT_TRUE(country.enabled());
  for (Slot slot : {Slot::kSnapPopulous, Slot::kSnapDisplayed, Slot::kSnapKnown}) {
    if (Control<CheckBox>(slot).ticked) TapOn(Control<CheckBox>(slot));
  }
  EXPECT_FALSE(country.enabled());
  const bool shown = country.ticked;
  TapOn(country);
  EXPECT_EQ(country.ticked, shown);  // a disabled box ignores taps
}

TEST_F(OptionsTest, TwilightKindAndSpecularityAreEachStoredWhenChanged) {
  app_.settings.twilightType = 1033;
  app_.settings.earthShadowSpecularity = 40;
  Open();
  // Distinct twilight stays on; only the specularity moves.
  Control<Slider>(Slot::kSpecularity).value = 55.7;
  EXPECT_EQ(Close(2016), 1);
  EXPECT_EQ(app_.settings.earthShadowSpecularity, 55);
  EXPECT_EQ(app_.settings.twilightType, 1033);
  // Twilight turned off with another kind chosen.
  Open();
  Control<CheckBox>(Slot::kTwilightShown).ticked = false;
  Control<RadioGroup>(Slot::kTwilightKind).Select(1035);
  EXPECT_EQ(Close(2016), 1);
  EXPECT_EQ(app_.settings.twilightType, -1035);
  // While it is off, a new kind alone is still kept.
  Open();
  Control<RadioGroup>(Slot::kTwilightKind).Select(1034);
  EXPECT_EQ(Close(2016), 1);
  EXPECT_EQ(app_.settings.twilightType, -1034);
}

TEST_F(OptionsTest, MapChoicesRebuildOnlyWhatTheTextureIsMadeOf) {
  app_.settings.useOverlayMap = false;
  app_.settings.overlayMapFile = "Night.gif";
  Open();
  Control<ComboBox>(Slot::kOverlayMap).SelectText("Day.gif");
  EXPECT_EQ(Close(2016), 0);  // the overlay is off: stored, not composed
  EXPECT_EQ(app_.settings.overlayMapFile, "Day.gif");

  app_.settings.mainMapFile = "Lost.gif";  // not among the maps: the box shows nothing
  Open();
  EXPECT_EQ(Control<ComboBox>(Slot::kMainMap).SelectedItem(), nullptr);
  EXPECT_EQ(Close(2016), 0);
  EXPECT_EQ(app_.settings.mainMapFile, "Lost.gif");

  Open();
  Control<ComboBox>(Slot::kMainMap).SelectText("Night.gif");
  Labelled<CheckBox>("Use Overlay Map").ticked = true;
  EXPECT_EQ(Close(2016), 1);
  EXPECT_EQ(app_.settings.mainMapFile, "Night.gif");
  EXPECT_TRUE(app_.settings.useOverlayMap);
}

TEST_F(OptionsTest, ColoursAreEditedOnCopiesUntilOk) {
  const Color565 grid = app_.settings.gridColor;
  Open();
  ShowPage(kPageColors);
  ColorListBox& list = Control<ColorListBox>(Slot::kColorItems);
  const ColorPicker& picker = Control<ColorPicker>(Slot::kColorPicker);
  Tap(picker.x + 2, picker.y + 2);  // no item chosen: nothing changes
  EXPECT_EQ(app_.options.colours[2], grid);
  Tap(list.x + 40, list.y + 2 + 2 * list.itemHeight + 3);  // "Lat/Lon Grid"
  ASSERT_NE(list.SelectedItem(), nullptr);
  EXPECT_STREQ(list.SelectedItem()->text, "Lat/Lon Grid");
  Tap(picker.x + 2, picker.y + 2);  // the black cell
  EXPECT_EQ(app_.options.colours[2], 0x0000);
  EXPECT_EQ(app_.settings.gridColor, grid);
  EXPECT_EQ(Close(2017), 0);
  EXPECT_EQ(app_.settings.gridColor, grid);
  Open();
  ShowPage(kPageColors);
  ColorListBox& again = Control<ColorListBox>(Slot::kColorItems);  // built anew
  Tap(again.x + 40, again.y + 2 + 2 * again.itemHeight + 3);
  Tap(Control<ColorPicker>(Slot::kColorPicker).x + 2, Control<ColorPicker>(Slot::kColorPicker).y + 2);
  EXPECT_EQ(Close(2016), 0);
  EXPECT_EQ(app_.settings.gridColor, 0x0000);
}

TEST_F(OptionsTest, CitiesFoundByNameAreDisplayedAfterOkAndSavedAtExit) {
  Open();
  ShowPage(kPageCities);
  EditField& field = Control<EditField>(Slot::kFindName);
  TapOn(field);
  EXPECT_TRUE(app_.ui.keyboardShown);
  for (char c : std::string("Zur")) Post(platform::kMsgChar, static_cast<uint8_t>(c));
  CityListBox& found = Control<CityListBox>(Slot::kAvailableCities);
  int zurich = -1;
  for (int i = 0; i < found.ItemCount() && zurich < 0; ++i) {
    if (std::string(found.ItemAt(i)->text) == "Z\xFCrich") zurich = i;
  }
  ASSERT_GE(zurich, 0);
  for (int i = 0; i < found.ItemCount(); ++i) {
    EXPECT_EQ(CompareFolded(std::string(found.ItemAt(i)->text).substr(0, 3).c_str(), "zur"), 0);
  }
  found.SelectIndex(zurich, true);
  Command(2018);  // "Add"
  Command(2018);      // twice: the city is listed once
  CityListBox& shown = Control<CityListBox>(Slot::kDisplayedCities);
  const int before = static_cast<int>(app_.selectedCities.size());
  ASSERT_EQ(shown.ItemCount(), before + 1);
  EXPECT_EQ(found.NextSelected(0), -1);
  // Country mode lists a country's cities.
  const RadioGroup& mode = Control<RadioGroup>(Slot::kFindMode);
  Tap(mode.items[1].x + 3, mode.items[1].y + 5);
  EXPECT_FALSE(field.visible());
  ComboBox& choice = Control<ComboBox>(Slot::kFindChoice);
  EXPECT_TRUE(choice.visible());
  choice.SelectText("Switzerland");
  ASSERT_TRUE(choice.onChange);
  choice.onChange(&choice, kNotifySelectionChanged);
  EXPECT_GT(found.ItemCount(), 10);
  EXPECT_EQ(Close(2016), 0);
  ASSERT_EQ(static_cast<int>(app_.selectedCities.size()), before + 1);
  EXPECT_STREQ(app_.selectedCities.back()->name, "Z\xFC" "rich");

  const size_t count = app_.selectedCities.size();
  ShutDown(app_);
  CityDatabase db;
  OpenCityDatabase(db, app_.paths.dataDir / "cities.bin");
  PlaceList restored;
  LoadDisplayedCities(db, app_.paths.userDataDir / "cities.sav", restored);
  ASSERT_EQ(restored.size(), count);
  EXPECT_STREQ(restored.back()->name, "Z\xFC" "rich");
}

TEST_F(OptionsTest, TheChosenRoutesAreShownAndWrittenAtExit) {
  Open();
  ShowPage(kPageRoutes);
  ListBox& list = Control<ListBox>(Slot::kRoutes);
  ASSERT_GE(list.ItemCount(), 2);
  Command(2031);  // "Clear Selection"
  EXPECT_EQ(list.NextSelected(0), -1);
  list.SelectText("london_sydney.xml", true);
  EXPECT_EQ(Close(2016), 0);
  EXPECT_EQ(RouteNames(app_.routes), std::vector<std::string>{"london_sydney.xml"});

  ShutDown(app_);
  platform::SettingsStore written(app_.paths.settingsFile);
  Settings read;
  LoadSettings(read, written);
  EXPECT_EQ(read.routeFiles, std::vector<std::string>{"london_sydney.xml"});
}

TEST_F(OptionsTest, ApplyChangesTheSkinAndFontAtOnceAndCancelKeepsThem) {
  Open();
  ShowPage(kPageAppearance);
  Control<ComboBox>(Slot::kSkin).SelectText("Dark.gif");
  Control<ComboBox>(Slot::kFont).SelectText("9 pt Variable Width");
  Command(2027);
  EXPECT_EQ(app_.settings.skinFile, "Dark.gif");
  EXPECT_EQ(app_.settings.font, 2);
  EXPECT_EQ(app_.font.index, 2);
  // The open dialog is laid out for the new font.
  const TabPage& general = *app_.options.tabs.pages[0];
  EXPECT_EQ(general.tabWidth, TextWidth(app_.font, "General") + 15);
  EXPECT_EQ(Close(2017), 0);
  EXPECT_EQ(app_.settings.skinFile, "Dark.gif");
  EXPECT_EQ(app_.settings.font, 2);
}

TEST_F(OptionsTest, ClosingTheNoTextureMessageOpensTheDialog) {
  app_.globe.texture = {};
  app_.globe.view.redrawRequested = true;
  Post(platform::kMsgPaint);
  ASSERT_NE(app_.ui.activeModalDialog, nullptr);
  const Widget& box = *app_.ui.activeModalDialog;
  // The box's OK button lies in its bottom row, centred.
  Tap(box.x + box.width / 2, box.y + box.height - 12);
  EXPECT_EQ(app_.ui.activeModalDialog, nullptr);
  EXPECT_TRUE(app_.options.isOpen);
  EXPECT_EQ(app_.window.screenMode, kScreenOptions);
}

// In each of the three fonts, nothing on a page overlaps, every caption fits its button,
// everything lies inside the page, and a group box's frame and caption cross no control.
TEST_F(OptionsTest, NoPageHasOverlappingOrClippedControlsInAnyFont) {
  for (int fontIndex = 0; fontIndex < kFontCount; ++fontIndex) {
    ASSERT_TRUE(LoadFont(app_.font, fontIndex));
    Open();
    const TabControl& tabs = app_.options.tabs;
    const int left = tabs.x + 8, right = tabs.x + tabs.width - 9;
    const int top = tabs.y + 26, bottom = tabs.y + tabs.height - 7;
    for (const OptionsPage& page : OptionsPages()) {
      std::vector<Ink> ink;
      std::vector<const GroupBox*> groups;
      for (const ControlRow& row : page.rows) {
        for (const BuiltControl& c : app_.options.controls.controls) {
          if (c.row != &row || !(c.widget->flags & kWidgetVisible)) continue;
          if (row.kind == ControlKind::kGroupBox) groups.push_back(static_cast<const GroupBox*>(c.widget.get()));
          AddInk(*c.widget, row, app_.font, ink);
        }
      }
      const std::string where = std::string(FontName(fontIndex)) + ", page " + page.caption + ": ";
      for (size_t i = 0; i < ink.size(); ++i) {
        const Ink& a = ink[i];
        // In the fixed-width font (6 pixels a letter) this one text is wider than the page.
        const bool tooLong = fontIndex == 0 && a.what == "Direction Pointers for Distance Arc";
        EXPECT_TRUE(tooLong || (a.x >= left && a.x + a.w <= right && a.y >= top && a.y + a.h <= bottom))
            << where << a.what << " at " << a.x << "," << a.y << " size " << a.w << "x" << a.h << " leaves the page";
        if (a.what.rfind("caption of ", 0) == 0) ADD_FAILURE() << where << a.what << " is clipped";
        for (size_t j = i + 1; j < ink.size(); ++j) {
          if (ink[j].what.rfind("caption of ", 0) == 0 || a.what.rfind("caption of ", 0) == 0) continue;
          EXPECT_FALSE(Overlap(a, ink[j])) << where << a.what << " overlaps " << ink[j].what;
        }
        for (const GroupBox* g : groups) {
          const Ink inside{g->x + 1, g->y + app_.font.glyphHeight, g->width - 2, g->height - app_.font.glyphHeight - 1, ""};
          const Ink whole{g->x, g->y, g->width, g->height, ""};
          const bool in = a.x >= inside.x && a.x + a.w <= inside.x + inside.w && a.y >= inside.y &&
                          a.y + a.h <= inside.y + inside.h;
          EXPECT_TRUE(in || !Overlap(a, whole)) << where << a.what << " crosses the frame of " << g->caption;
        }
      }
    }
    Command(2017);
  }
}

}  // namespace
}  // namespace orx::testing
namespace orx::testing {
namespace {

TEST_F(OptionsTest, TheFortiethWeatherPlaceIsTheLastAndTheLimitIsShown) {
  std::vector<std::string> places;
  for (int i = 0; i < 39; ++i) places.push_back("Place " + std::to_string(i) + "~Switzerland");
  ASSERT_TRUE(WriteWeatherCityList(app_.weather, places));
  Open();
  ShowPage(kPageWeather);
  ListBox& displayed = Control<ListBox>(Slot::kWeatherDisplayed);
  ASSERT_EQ(displayed.ItemCount(), 39);
  Control<ComboBox>(Slot::kWeatherCountry).SelectText("Switzerland");
  ListBox& available = Control<ListBox>(Slot::kWeatherAvailable);
  for (const char* name : {"Bern", "Basel", "Chur"}) available.AddItem(name, false);
  for (int i = 0; i < 3; ++i) available.SelectIndex(i, true);
  Command(2032);
  EXPECT_EQ(displayed.ItemCount(), 40);
  EXPECT_EQ(std::string(displayed.ItemAt(39)->text).substr(0, 5), "Bern~");
  ASSERT_NE(app_.ui.activeModalDialog, nullptr);  // "Limit Exceeded"
  EXPECT_EQ(available.NextSelected(0), -1);
  EXPECT_EQ(Close(2016), 0);  // the changed list is written
  std::vector<std::string> written;
  ReadWeatherCityList(app_.weather, written);
  EXPECT_EQ(written.size(), 40u);
}


// The GPS page's buttons with a pseudo-terminal as the receiver on COM1 (and no gpsd).
class OptionsGpsTest : public OptionsTest {
 protected:
  static constexpr const char* kFix = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    ::setenv(platform::kSerialDeviceVariable, pty.slave().c_str(), 1);
    ::setenv(platform::kGpsdVariable, "127.0.0.1:1", 1);
    OptionsTest::SetUp();
    StartTimer();
  }
  void TearDown() override {
    OptionsTest::TearDown();
    ::unsetenv(platform::kSerialDeviceVariable);
    ::unsetenv(platform::kGpsdVariable);
  }
  void Press(const char* label) {
    const auto& b = Labelled<PushButton>(label);
    Tap(b.x + b.width / 2, b.y + b.height / 2);
  }
  std::vector<std::string> Status() {
    std::vector<std::string> texts;
    const ListBox& list = Control<ListBox>(Slot::kGpsStatus);
    for (int i = 0; i < list.ItemCount(); ++i) texts.emplace_back(list.ItemAt(i)->text);
    return texts;
  }
  // Runs the 50 ms timer, the receiver sending a fix now and then, until `done`.
  // The limit is generous: detection walks several ports and rates, slowly under sanitizers.
  // The fix goes out every 200 ms of real time, however slow a tick is, so the reader
  // never waits long enough to report "No data received".
  bool TickUntil(const std::function<bool()>& done, int ms = 60000) {
    auto next = std::chrono::steady_clock::now();
    return testing::WaitFor(
        [&] {
          if (sending && std::chrono::steady_clock::now() >= next) {
            pty.Write(kFix);
            next = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
          }
          clock_.Advance(50);
          Pump();
          return done();
        },
        ms);
  }
  testing::PseudoTerminal pty;
  bool sending = true;
};

TEST_F(OptionsGpsTest, OpenAddCurrentClearAndCloseWorkAtOnceAndCancelLeavesTheReceiverOpen) {
  app_.settings.gpsPort = 3;
  Open();
  ShowPage(kPageGps);
  Control<ComboBox>(Slot::kGpsPort).SelectText("COM1");
  Control<ComboBox>(Slot::kGpsBaud).SelectText("4800");
  Press("Add Current");  // no fix yet: nothing
  EXPECT_TRUE(app_.gps.history.empty());
  Press("Open GPS");
  EXPECT_EQ(Status(), std::vector<std::string>{"Waiting for GPS data..."});
  EXPECT_EQ(app_.settings.gpsPort, 0);  // stored at once
  EXPECT_EQ(app_.settings.gpsBaud, 2);
  ASSERT_TRUE(TickUntil([&] { return GetGpsReaderState(app_.gps.reader) == kGpsReaderReceiving; }));
  // The sentences received fill the list past its rows: the newest stays in sight.
  const ListBox& list = Control<ListBox>(Slot::kGpsStatus);
  ASSERT_TRUE(TickUntil([&] { return list.ItemCount() > list.visibleRows + 1; }));
  EXPECT_EQ(list.vScroll.position + list.visibleRows, list.ItemCount());
  Press("Add Current");
  Press("Add Current");
  ASSERT_EQ(app_.gps.history.size(), 2u);
  EXPECT_EQ(app_.gps.history[0]->latitude, 48 * 60 + 7);
  Press("Clear History");
  EXPECT_TRUE(app_.gps.history.empty());
  Press("Close GPS");
  EXPECT_EQ(Status(), std::vector<std::string>{"GPS Port closed."});
  EXPECT_FALSE(GpsReaderRunning(app_.gps.reader));

  // Opened again and left with Cancel: the port stays open and the reader goes on,
  // with the choice it was opened with stored.
  Control<ComboBox>(Slot::kGpsBaud).SelectText("9600");
  Press("Open GPS");
  Close(2017);
  EXPECT_TRUE(GpsReaderRunning(app_.gps.reader));
  EXPECT_EQ(app_.settings.gpsPort, 0);
  EXPECT_EQ(app_.settings.gpsBaud, 3);
  app_.gps.fixReceived = false;
  EXPECT_TRUE(TickUntil([&] { return app_.gps.fixReceived; })) << "fixes still arrive on the globe";
}

TEST_F(OptionsGpsTest, DetectFindsTheReceiverAndChoosesItsPortAndCloseEndsTheSearch) {
  Open();
  ShowPage(kPageGps);
  Control<ComboBox>(Slot::kGpsPort).SelectText("COM7");
  Press("Detect");
  ASSERT_TRUE(TickUntil([&] {
    const std::vector<std::string> s = Status();
    return !s.empty() && s.back() == "GPS detected.";
  }));
  EXPECT_STREQ(Control<ComboBox>(Slot::kGpsPort).SelectedItem()->text, "COM1");
  EXPECT_EQ(app_.settings.gpsPort, 0);
  EXPECT_TRUE(GpsReaderRunning(app_.gps.reader)) << "the found receiver stays open";

  // A search without a receiver sending is ended by Close GPS.
  Press("Close GPS");
  sending = false;
  Press("Detect");
  EXPECT_TRUE(TickUntil([&] { return !Status().empty() && Status().front() == "Detecting GPS device."; }));
  Press("Close GPS");
  EXPECT_TRUE(TickUntil([&] { return !GpsDetectionRunning(app_.gps) && Status() == std::vector<std::string>{"Auto-detect canceled."}; }))
      << ::testing::PrintToString(Status());
  EXPECT_FALSE(GpsReaderRunning(app_.gps.reader));
  Close(2017);
}

}  // namespace
}  // namespace orx::testing
