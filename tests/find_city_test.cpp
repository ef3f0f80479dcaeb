// The Find City panel as a user drives it in the running program: opened and closed by
// its command-bar button and its close box, searched by typed letters, country and
// population class, and a tapped city flown to. Pictures of every mode in both skins
// are written to the build tree (ui_scenes/find_city_*.png) for review.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "cities/city_lists.h"
#include "cities/city_record.h"
#include "gfx/fold.h"
#include "platform/messages.h"
#include "platform/png_writer.h"
#include "support/headless_app.h"
#include "ui/find_city_panel.h"

namespace orx {
namespace {

using platform::MakePointParam;

constexpr int kFindCityButton = 10;
constexpr int kDistanceButton = 4;
constexpr int kPanRotateButton = 5;

class FindCity : public testing::HeadlessApp {
 protected:
  void SetUp() override {
    HeadlessApp::SetUp();
    if (HasFatalFailure()) return;
    app_.host->Invalidate();
    Pump();
  }

  void Tap(int x, int y) {
    HeadlessApp::Tap(x, y);
    Pump();  // what the tap posted
  }
  void Type(const std::string& text) {
    for (unsigned char c : text) Post(platform::kMsgChar, c);
  }
  void TapButton(int i) {
    const CommandButton& b = app_.window.commandBar.buttons[static_cast<size_t>(i)];
    Tap(b.screenX + CommandSlotWidth(i) / 2, 310);
  }
  void Paint() {
    app_.host->Invalidate();
    Pump();
  }
  // Lets the flight run its course.
  void Fly() {
    for (int i = 0; i < 400 && app_.globe.view.flightActive; ++i) Paint();
  }

  FindCityDialog* Panel() { return dynamic_cast<FindCityDialog*>(app_.ui.activePanel.get()); }
  void TapMode(int id) {
    for (const RadioGroup::Item& item : Panel()->modes.items) {
      if (item.id == id) Tap(item.x + 5, item.y + 5);
    }
  }
  Point RowCentre(int row) {
    const ListBox& list = Panel()->results;
    return {list.x + 30, list.y + 2 + row * list.itemHeight + list.itemHeight / 2};
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (int i = 0; i < Panel()->results.ItemCount(); ++i) rows.emplace_back(Panel()->results.ItemAt(i)->text);
    return rows;
  }
  int RowOf(const std::string& text) {
    const std::vector<std::string> rows = Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i] == text) return static_cast<int>(i);
    }
    return -1;
  }
  // Scrolls the result list so that `row` is the first one shown, and taps it.
  void TapRow(int row) {
    ListBox& list = Panel()->results;
    if (list.vScrollShown) list.vScroll.SetPosition(row);
    const int shown = row - (list.vScrollShown ? list.vScroll.position : 0);
    const Point p = RowCentre(shown);
    Tap(p.x, p.y);
  }
  // The view's centre in arc-minutes.
  void ViewCentre(double& latitude, double& longitude) {
    const ViewState& v = app_.globe.view;
    latitude = -v.viewLatitude * 21600.0 / 65536;
    longitude = v.viewLongitude * 21600.0 / 65536 - 5400;
    if (longitude < -10800) longitude += 21600;
  }

  void WritePicture(const std::string& name) {
    Paint();
    const std::filesystem::path dir = std::filesystem::path(ORRELUX_BINARY_DIR) / "ui_scenes";
    std::filesystem::create_directories(dir);
    const auto& display = static_cast<platform::HeadlessDisplay&>(app_.host->display());
    const std::vector<uint16_t> picture = display.Picture();
    ASSERT_TRUE(platform::WritePng565((dir / (name + ".png")).string(), picture.data(), 240, 320, 240));
    std::vector<uint16_t> big(720 * 960);
    for (int y = 0; y < 960; ++y)
      for (int x = 0; x < 720; ++x) big[static_cast<size_t>(y) * 720 + x] = picture[(y / 3) * 240 + x / 3];
    ASSERT_TRUE(platform::WritePng565((dir / (name + "_3x.png")).string(), big.data(), 720, 960, 720));
  }
};

TEST_F(FindCity, OpensInNameModeAndListsTheCitiesOfAnyNameStartingWithTheTypedLetters) {
  TapButton(kFindCityButton);
  ASSERT_NE(Panel(), nullptr);
  FindCityDialog& panel = *Panel();
  EXPECT_EQ(panel.x, 120);
  EXPECT_EQ(panel.y, 0);
  EXPECT_EQ(panel.width, 120);
  EXPECT_EQ(panel.height, 125);
  EXPECT_EQ(panel.Mode(), kFindByName);
  EXPECT_TRUE(panel.edit.visible());
  EXPECT_FALSE(panel.choice.visible());
  EXPECT_EQ(panel.results.ItemCount(), 0);

  // (Taps on the globe point at places, so that a tap that went through would show.)
  TapButton(kPanRotateButton);
  ASSERT_FALSE(app_.settings.panRotate);
  // A tap on the field brings up the keyboard; typed letters list the cities.
  Tap(panel.edit.x + 10, panel.edit.y + 5);
  EXPECT_TRUE(app_.ui.keyboardShown);
  EXPECT_EQ(app_.ui.softKeyboard.top, 239);
  Type("lO");
  const std::vector<std::string> rows = Rows();
  ASSERT_GT(rows.size(), 100u);
  EXPECT_GE(RowOf("London"), 0);
  std::vector<const char*> own;
  ListCitiesByNamePrefix(app_.cities, "lo", kCityListLimit, own);
  EXPECT_GE(rows.size(), own.size()) << "every city of its own name, and those found by another";
  std::vector<std::string> matched;
  for (size_t i = 0; i < rows.size(); ++i) {
    const uint8_t* record = panel.RecordAt(static_cast<int>(i));
    ASSERT_NE(record, nullptr);
    const std::string name = RecordName(record);
    // A city found by another name shows it in brackets after its own.
    matched.push_back(rows[i] == name ? name : rows[i].substr(name.size() + 2, rows[i].size() - name.size() - 3));
    EXPECT_EQ(CompareFoldedN(matched[i].c_str(), "lo", 2), 0) << rows[i];
    if (i > 0) {
      EXPECT_LE(CompareFolded(matched[i - 1].c_str(), matched[i].c_str()), 0) << "name order at " << rows[i];
    }
  }

  // A tap on the mode radio takes the focus from the field: the keyboard goes, and the
  // tap does not reach the globe under the panel.
  TapMode(kFindByName);
  EXPECT_FALSE(app_.ui.keyboardShown);
  EXPECT_EQ(app_.measure.pointed.displayMask, 0);
  EXPECT_EQ(Rows(), rows);

  // Erasing the text empties the list.
  Tap(panel.edit.x + 10, panel.edit.y + 5);
  Post(platform::kMsgKeyDown, platform::kVkEnd);
  Post(platform::kMsgKeyDown, platform::kVkBack);
  EXPECT_FALSE(Rows().empty());
  Post(platform::kMsgKeyDown, platform::kVkBack);
  EXPECT_TRUE(Rows().empty());
}

TEST_F(FindCity, ATappedCityIsFlownToByItsOwnOrAnotherNameAndAgainOnEveryTap) {
  TapButton(kFindCityButton);
  Tap(Panel()->edit.x + 10, Panel()->edit.y + 5);
  Type("Kiev");
  const int row = RowOf("Kyiv (Kiev)");
  ASSERT_GE(row, 0) << "Kyiv by another of its names";
  const uint8_t* city = Panel()->RecordAt(row);
  TapRow(row);
  EXPECT_TRUE(app_.globe.view.flightActive || app_.measure.pointed.latitude == RecordLatitude(city));
  Fly();
  EXPECT_STREQ(app_.measure.pointed.name, "Kyiv");
  EXPECT_EQ(app_.measure.pointed.displayMask, kPlaceShowLabel | kPlaceShowMarker);
  double latitude, longitude;
  ViewCentre(latitude, longitude);
  EXPECT_NEAR(latitude, RecordLatitude(city), 21);
  EXPECT_NEAR(longitude, RecordLongitude(city), 21);

  // Turned away, the same tap flies back.
  app_.globe.view.viewLongitude = WrapAngle(app_.globe.view.viewLongitude + 20000);
  TapRow(row);
  Fly();
  ViewCentre(latitude, longitude);
  EXPECT_NEAR(longitude, RecordLongitude(city), 21);

  // In distance mode the city becomes a new distance point instead.
  TapButton(kDistanceButton);
  ASSERT_TRUE(app_.settings.computeDistance);
  TapRow(row);
  ASSERT_EQ(app_.measure.distancePath.size(), 1u);
  EXPECT_EQ(app_.measure.distancePath[0]->latitude, RecordLatitude(city));
  EXPECT_EQ(app_.measure.distancePath[0]->longitude, RecordLongitude(city));
}

TEST_F(FindCity, CountryAndPopulationModesListTheChosenChoiceAndNameModeComesBack) {
  TapButton(kFindCityButton);
  FindCityDialog& panel = *Panel();
  Tap(panel.edit.x + 10, panel.edit.y + 5);
  Type("Ber");
  const std::vector<std::string> byName = Rows();

  TapMode(kFindByCountry);
  EXPECT_FALSE(panel.edit.visible());
  EXPECT_TRUE(panel.choice.visible());
  EXPECT_EQ(panel.choice.SelectedItem(), nullptr);
  EXPECT_TRUE(Rows().empty());
  // The drop-down opens over the result list and takes the taps there.
  Tap(panel.choice.x + 20, panel.choice.y + 5);
  ASSERT_TRUE(panel.choice.dropped);
  const ListBox& drop = panel.choice.list;
  const int pick = 2;  // the third country
  Tap(drop.x + 20, drop.y + 2 + pick * drop.itemHeight + 3);
  ASSERT_NE(panel.choice.SelectedItem(), nullptr);
  EXPECT_FALSE(panel.choice.dropped);
  EXPECT_FALSE(app_.globe.view.flightActive) << "the pick reached the result list";
  const int country = CountryIndexOfName(app_.cities, panel.choice.SelectedItem()->text);
  ASSERT_FALSE(Rows().empty());
  for (int i = 0; i < panel.results.ItemCount(); ++i) EXPECT_EQ(RecordCountry(panel.RecordAt(i)), country);

  TapMode(kFindByPopulation);
  EXPECT_EQ(panel.choice.SelectedItem(), nullptr);
  EXPECT_TRUE(Rows().empty());
  Tap(panel.choice.x + 20, panel.choice.y + 5);
  Tap(drop.x + 20, drop.y + 2 + drop.itemHeight / 2);  // "1 Million and over"
  ASSERT_NE(panel.choice.SelectedItem(), nullptr);
  EXPECT_STREQ(panel.choice.SelectedItem()->text, "1 Million and over");
  ASSERT_GT(panel.results.ItemCount(), 100);
  for (int i = 0; i < panel.results.ItemCount(); ++i) {
    const int code = RecordPopulation(panel.RecordAt(i));
    EXPECT_TRUE(code >= 0xC00A && code < 0xCFFF) << i;
    if (i > 0) {
      EXPECT_LE(code, RecordPopulation(panel.RecordAt(i - 1)));
    }
  }

  TapMode(kFindByName);
  EXPECT_TRUE(panel.edit.visible());
  EXPECT_EQ(Rows(), byName);
}

TEST_F(FindCity, ClosingKeepsTheFirst29CharactersAndThePositionForTheNextOpening) {
  TapButton(kFindCityButton);
  FindCityDialog* panel = Panel();
  Tap(panel->edit.x + 10, panel->edit.y + 5);
  const std::string text = "Llanfairpwllgwyngyllgogerychwyrndrobwll";
  Type(text);
  // Dragged by its title bar, the panel moves and stays on the screen.
  Down(panel->x + 30, panel->y + 5);
  Move(panel->x - 200, panel->y + 105);
  Up(0, 105);
  EXPECT_EQ(panel->x, 0);
  EXPECT_EQ(panel->y, 100);
  EXPECT_EQ(panel->edit.x, 4);
  EXPECT_EQ(panel->results.y, panel->y + panel->titleBarHeight + 40);

  // The close box closes it as the command does.
  Tap(panel->x + panel->width - 10, panel->y + 6);
  EXPECT_EQ(Panel(), nullptr);
  EXPECT_FALSE(app_.ui.keyboardShown);
  EXPECT_EQ(app_.ui.main.focused, nullptr);

  TapButton(kFindCityButton);
  ASSERT_NE(Panel(), nullptr);
  EXPECT_EQ(Panel()->x, 0);
  EXPECT_EQ(Panel()->y, 100);
  EXPECT_EQ(std::string(Panel()->SearchText()), text.substr(0, 29));
  TapButton(kFindCityButton);
  EXPECT_EQ(Panel(), nullptr);
}

TEST_F(FindCity, PicturesOfEveryModeInBothSkins) {
  for (const char* skin : {"Default.gif", "Dark.gif"}) {
    const std::string suffix = std::strcmp(skin, "Default.gif") == 0 ? "" : "_dark";
    if (!suffix.empty()) {
      ASSERT_TRUE(ChangeSkin(app_.ui, app_.settings, app_.paths.dataDir, skin));
    }
    TapButton(kFindCityButton);
    FindCityDialog& panel = *Panel();
    Tap(panel.edit.x + 10, panel.edit.y + 5);
    Type("\x01Lo");  // over the text kept from the last round
    // Every mode label inside the panel, the result rows using the whole list.
    const RadioGroup::Item& last = panel.modes.items.back();
    EXPECT_LE(last.x + 15 + TextWidth(app_.font, last.text), panel.x + panel.width - 4);
    EXPECT_FALSE(panel.results.hScrollShown);
    EXPECT_EQ(panel.results.visibleRows, (panel.results.height - 4) / panel.results.itemHeight);
    WritePicture("find_city_name" + suffix);
    TapMode(kFindByCountry);
    Tap(panel.choice.x + 20, panel.choice.y + 5);
    WritePicture("find_city_country_open" + suffix);
    const ListBox& drop = panel.choice.list;
    EXPECT_FALSE(drop.hScrollShown);
    EXPECT_GE(drop.visibleRows, 4);
    Tap(drop.x + 20, drop.y + 2 + 3 * drop.itemHeight + 3);
    ASSERT_NE(panel.choice.SelectedItem(), nullptr) << "the fourth country";
    EXPECT_GT(panel.results.ItemCount(), 0);
    WritePicture("find_city_country" + suffix);
    TapMode(kFindByPopulation);
    Tap(panel.choice.x + 20, panel.choice.y + 5);
    Tap(drop.x + 20, drop.y + 2 + drop.itemHeight + 3);
    WritePicture("find_city_population" + suffix);
    TapButton(kFindCityButton);
  }
}

}  // namespace
}  // namespace orx
