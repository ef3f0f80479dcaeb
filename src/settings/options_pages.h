// The twelve pages of the Options dialog as tables: every control with its kind,
// identifier, label, position, size, bound setting and range. One builder makes the
// controls of a row, one filler sets them from `Settings` and one applier copies them
// back, so that a page reads like its table and a new setting is one row.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "settings/settings.h"
#include "ui/find_city_panel.h"
#include "ui/widget.h"

namespace orx {

// Page identifiers, in tab order.
enum OptionsPageId : int {
  kPageGeneral = 100,
  kPageDisplay = 105,
  kPageSunMoon = 110,
  kPageMaps = 115,
  kPageCities = 120,
  kPageGps = 125,
  kPageAdvanced = 130,
  kPageWeather = 135,
  kPageRoutes = 140,
  kPageColors = 145,
  kPageAppearance = 150,
  kPageAbout = 155,
};

// Push-button commands of the dialog.
enum OptionsCommand : int {
  kCmdOptionsOk = 2016,
  kCmdOptionsCancel = 2017,
  kCmdCityAdd = 2018,
  kCmdCityAddAll = 2019,
  kCmdCityRemove = 2020,
  kCmdCityRemoveAll = 2021,
  kCmdApplyAppearance = 2027,
  kCmdOpenGps = 2028,
  kCmdCloseGps = 2029,
  kCmdDetectGps = 2030,
  kCmdClearRoutes = 2031,
  kCmdWeatherAdd = 2032,
  kCmdWeatherRemove = 2033,
  kCmdWeatherRemoveAll = 2034,
  kCmdWeatherUpdateNow = 2035,
  kCmdGpsAddCurrent = 2041,
  kCmdGpsClearHistory = 2042,
};

// The Cities page's finder uses the Find City panel's mode choices (kFindByName ...).

enum class ControlKind : uint8_t {
  kCheckBox,
  kSlider,
  kRadioGroup,
  kLabel,
  kCentredLabel,  // x is the centre
  kGroupBox,
  kButton,
  kComboBox,
  kListBox,
  kCityList,      // city names drawn as "name (country)"
  kColorList,     // colour items drawn with a swatch
  kEditField,
  kColorPicker,
};

// Controls the page actions reach by name.
enum class Slot : uint8_t {
  kNone,
  kSnapPopulous,
  kSnapDisplayed,
  kSnapKnown,
  kShowCountryName,
  kTwilightShown,
  kTwilightKind,
  kSpecularity,
  kMainMap,
  kOverlayMap,
  kFindMode,
  kFindName,
  kFindChoice,
  kAvailableCities,
  kDisplayedCities,
  kGpsPort,
  kGpsBaud,
  kGpsStatus,
  kWeatherCountry,
  kWeatherAvailable,
  kWeatherDisplayed,
  kWeatherAdd,
  kShowPlaceName,
  kTemperature,
  kWeatherStatus,
  kRoutes,
  kColorItems,
  kColorPicker,
  kSkin,
  kFont,
  kAbout,
  kCount,
};

// The setting a control stands for: a flag (check box; a radio group whose first
// choice means set) or a number (slider; a radio group whose choice ids are the values).
struct Bound {
  bool Settings::*flag = nullptr;
  int32_t Settings::*number = nullptr;
  constexpr bool any() const { return flag != nullptr || number != nullptr; }
};

struct Choice {
  const char* label;
  int id;     // the value stored for a number setting
  int x;
  int y = -1;  // -1: the group's row
};

struct ControlRow {
  ControlKind kind;
  Slot slot = Slot::kNone;
  int id = -1;                // check box identifier or button command
  const char* label = "";
  int x = 0;                  // slider: the track's left end
  int y = 0;                  // slider: the track's top
  int width = -1;             // slider: track width; label: -1 = its text's width
  int height = 0;             // list: height; combo: list height in pixels
  Bound bound{};
  double minimum = 0;         // slider range and step
  double maximum = 0;
  double step = 1;
  int captionX = 0;           // slider caption
  int captionY = -1;          // -1: centred on the track
  std::span<const Choice> choices{};
  int lines = 0;              // combo: list height in lines of text (instead of pixels)
  bool multiSelect = false;   // list
  int itemHeight = 0;         // list: 0 = one line of text
  int maxItems = 0;           // list: 0 = unlimited
};

struct OptionsPage {
  const char* caption;
  int id;
  std::span<const ControlRow> rows;
};

// The twelve pages in tab order.
std::span<const OptionsPage> OptionsPages();

// One built control and the row it came from.
struct BuiltControl {
  const ControlRow* row;
  std::unique_ptr<Widget> widget;
};

struct OptionsControls {
  std::vector<BuiltControl> controls;
  std::array<Widget*, static_cast<size_t>(Slot::kCount)> slots{};

  template <class T>
  T& at(Slot slot) const {
    return *static_cast<T*>(slots[static_cast<size_t>(slot)]);
  }
};

// Makes and sets up the control of one row (its texts are the table's).
std::unique_ptr<Widget> BuildControl(const ControlRow& row, UiContext& ui);
// Sets a bound control from the settings; rows without a binding are left alone.
void FillControl(const ControlRow& row, Widget& widget, const Settings& s);
// Copies a bound control into its setting: sliders truncated, radio choices by id.
void ApplyControl(const ControlRow& row, const Widget& widget, Settings& s);

}  // namespace orx
