#include "settings/options_pages.h"

#include <algorithm>
#include <cmath>

#include "settings/options_lists.h"
#include "ui/controls.h"
#include "ui/edit_field.h"
#include "ui/lists.h"

namespace orx {
namespace {

using K = ControlKind;
using S = Settings;

constexpr Bound Flag(bool S::*flag) { return {flag, nullptr}; }
constexpr Bound Number(int32_t S::*number) { return {nullptr, number}; }

constexpr ControlRow Check(int id, const char* label, int x, int y, bool S::*flag, Slot slot = Slot::kNone) {
  return {.kind = K::kCheckBox, .slot = slot, .id = id, .label = label, .x = x, .y = y, .bound = Flag(flag)};
}
// A slider with its track at (x, y), `width` wide, and its caption at captionX.
constexpr ControlRow Track(const char* caption, int x, int y, int width, int captionX, int32_t S::*number,
                           double minimum, double maximum, double step = 1, Slot slot = Slot::kNone) {
  return {.kind = K::kSlider, .slot = slot, .label = caption, .x = x, .y = y, .width = width,
          .bound = Number(number), .minimum = minimum, .maximum = maximum, .step = step, .captionX = captionX};
}
constexpr ControlRow Label(const char* text, int x, int y, Slot slot = Slot::kNone) {
  return {.kind = K::kLabel, .slot = slot, .label = text, .x = x, .y = y};
}
constexpr ControlRow Group(const char* caption, int x, int y, int width, int height) {
  return {.kind = K::kGroupBox, .label = caption, .x = x, .y = y, .width = width, .height = height};
}
constexpr ControlRow Button(int command, const char* text, int x, int y, int width, Slot slot = Slot::kNone) {
  return {.kind = K::kButton, .slot = slot, .id = command, .label = text, .x = x, .y = y, .width = width};
}
constexpr ControlRow Radio(const char* caption, int x, int y, std::span<const Choice> choices, Bound bound,
                           Slot slot = Slot::kNone) {
  return {.kind = K::kRadioGroup, .slot = slot, .label = caption, .x = x, .y = y, .bound = bound, .choices = choices};
}
// A combo box whose drop-down list is `listHeight` pixels, or `lines` lines, high.
constexpr ControlRow Combo(Slot slot, int x, int y, int width, int listHeight, int lines = 0) {
  return {.kind = K::kComboBox, .slot = slot, .x = x, .y = y, .width = width, .height = listHeight, .lines = lines};
}
constexpr ControlRow List(ControlKind kind, Slot slot, int x, int y, int width, int height, bool multiSelect,
                          int maxItems = 0, int itemHeight = 0) {
  return {.kind = kind, .slot = slot, .x = x, .y = y, .width = width, .height = height,
          .multiSelect = multiSelect, .itemHeight = itemHeight, .maxItems = maxItems};
}

// ---------------------------------------------------------------------------------------
// General

constexpr ControlRow kGeneral[] = {
    Check(1024, "Animated rotation to City", 16, 65, &S::animatedRotationToCity),
    Track("Animation Speed:", 120, 82, 80, 16, &S::animationSpeed, 1, 100),
    Check(1023, "Auto update of Earth's shadow", 16, 109, &S::autoUpdateOfEarthsShadow),
    Track("Interval (mins):", 120, 125, 80, 16, &S::shadowUpdateInterval, 1, 20),
    Check(1022, "Rotate Globe", 16, 153, &S::rotateGlobe),
    Track("Rotation Speed:", 120, 169, 80, 16, &S::rotationSpeed, 1, 100),
    Check(1007, "Snap to nearest populous place", 16, 193, &S::snapToNearestPopulousPlace, Slot::kSnapPopulous),
    Check(1006, "Snap to nearest displayed place", 16, 208, &S::snapToNearestDisplayedPlace, Slot::kSnapDisplayed),
    Check(1005, "Snap to nearest known place", 16, 223, &S::snapToNearestKnownPlace, Slot::kSnapKnown),
    Check(1004, "Show country name at snap point", 16, 238, &S::showCountryNameAtSnapPoint, Slot::kShowCountryName),
    Track("Snap Radius:", 120, 258, 80, 16, &S::snapRadius, 1, 200),
    Label("(Nautical miles)", 16, 270),
};

// ---------------------------------------------------------------------------------------
// Display

// "Time Format:" has its own line: its three choices would not fit beside it.
constexpr Choice kLatLonFormats[] = {{"D.DD\xB0", 1036, 110}, {"DD\xB0 MM'", 1037, 164}};
constexpr Choice kTimeFormats[] = {{"12hr", 0, 80, 230}, {"24hr", 1, 125, 230}, {"HHMM", 2, 170, 230}};
constexpr Choice kGridSteps[] = {{"10\xB0", 1030, 80}, {"15\xB0", 1031, 125}, {"30\xB0", 1032, 170}};
constexpr Choice kDistanceUnits[] = {{"km", 0, 80}, {"mi", 1, 125}, {"nm", 2, 170}};

constexpr ControlRow kDisplay[] = {
    Check(1011, "Lat/Lon", 16, 70, &S::latLon),
    Check(1002, "Antipodes", 16, 85, &S::antipodes),
    Radio("Lat/Lon Format:", 16, 103, kLatLonFormats, Flag(&S::latLonFormat)),
    Check(1012, "City Time", 16, 125, &S::cityTime),
    Check(1013, "City Date", 16, 140, &S::cityDate),
    Check(1014, "City's next DST Transition", 16, 155, &S::citysNextDstTransition),
    Check(1017, "City Population", 16, 170, &S::cityPopulation),
    Check(1008, "Tropic and Polar circles", 16, 185, &S::tropicAndPolarCircles),
    Check(1010, "Show all countries", 16, 200, &S::showAllCountries),
    Radio("Time Format:", 16, 216, kTimeFormats, Number(&S::timeFormat)),
    Radio("Grid Step:", 16, 248, kGridSteps, Number(&S::gridStep)),
    Radio("Distance:", 16, 266, kDistanceUnits, Number(&S::distanceUnits)),
};

// ---------------------------------------------------------------------------------------
// Sun/Moon: the twilight box, kind and specularity are stored together on OK (their
// rows carry no binding).

constexpr Choice kTwilightKinds[] = {{"Civil", 1033, 25}, {"Nautical", 1034, 90}, {"Astro", 1035, 155}};

constexpr ControlRow kSunMoon[] = {
    Check(1003, "Sun Spot", 20, 65, &S::sunSpot),
    Check(1015, "Sunrise and Sunset Time", 20, 80, &S::sunriseAndSunsetTime),
    Check(1016, "Sun Azimuth and Elevation", 20, 95, &S::sunAzimuthAndElevation),
    Check(1018, "Moon Spot", 20, 115, &S::moonSpot),
    Check(1019, "Moonrise and Moonset Time", 20, 130, &S::moonriseAndMoonsetTime),
    Check(1020, "Moon Azimuth and Elevation", 20, 145, &S::moonAzimuthAndElevation),
    Group("Earth Shadow Parameters", 15, 180, 210, 90),
    Check(1028, "Show Distinct Twilight", 25, 198, nullptr, Slot::kTwilightShown),
    Radio("", 25, 213, kTwilightKinds, {}, Slot::kTwilightKind),
    Track("Specularity:", 115, 234, 80, 25, nullptr, 0, 100, 1, Slot::kSpecularity),
    Track("Darkness:", 115, 249, 80, 25, &S::earthShadowDarkness, 0, 100),
};

// ---------------------------------------------------------------------------------------
// Maps: the two combo boxes list maps/*.gif and are applied by name.

constexpr Choice kOverlayOperations[] = {
    {"Union", 0, 45, 160},   {"Intersection", 1, 45, 175}, {"Exclusion", 2, 45, 190},
    {"Merge", 3, 45, 205},   {"Overlay", 4, 45, 220},      {"Day/Night", 5, 45, 235},
};

constexpr ControlRow kMaps[] = {
    Label("Main Map:", 30, 62),
    Combo(Slot::kMainMap, 110, 60, 110, 80),
    Label("Overlay Map:", 30, 82),
    Combo(Slot::kOverlayMap, 110, 80, 110, 80),
    Check(1000, "Use Overlay Map", 30, 110, &S::useOverlayMap),
    Group("Overlay Operation", 30, 140, 180, 120),
    Radio("", 45, 160, kOverlayOperations, Number(&S::overlayOperation)),
};

// ---------------------------------------------------------------------------------------
// Cities: the finder (mode, name field or choice box, results) and the displayed cities.

constexpr Choice kFindModes[] = {
    {"City Name", kFindByName, 14}, {"Country", kFindByCountry, 90}, {"Population", kFindByPopulation, 152}};

constexpr ControlRow kCities[] = {
    Radio("", 14, 55, kFindModes, {}, Slot::kFindMode),
    {.kind = K::kEditField, .slot = Slot::kFindName, .x = 14, .y = 72, .width = 212},
    Combo(Slot::kFindChoice, 14, 72, 212, 100),
    Label("Available Cities:", 20, 92),
    List(K::kCityList, Slot::kAvailableCities, 14, 106, 142, 80, true),
    Label("Displayed Cities:", 20, 189),
    List(K::kCityList, Slot::kDisplayedCities, 14, 203, 142, 80, true),
    Button(kCmdCityAdd, "Add", 160, 148, 66),
    Button(kCmdCityAddAll, "Add All", 160, 168, 66),
    Button(kCmdCityRemove, "Remove", 160, 203, 66),
    Button(kCmdCityRemoveAll, "Remove All", 160, 223, 66),
};

// ---------------------------------------------------------------------------------------
// GPS

constexpr ControlRow kGps[] = {
    Label("GPS Port:", 20, 55),
    Combo(Slot::kGpsPort, 20, 70, 65, 0, 5),
    Label("Baud Rate:", 155, 55),
    Combo(Slot::kGpsBaud, 155, 70, 65, 0, 5),
    Button(kCmdDetectGps, "Detect", 95, 68, 50),
    Button(kCmdOpenGps, "Open GPS", 40, 95, 70),
    Button(kCmdCloseGps, "Close GPS", 130, 95, 70),
    List(K::kListBox, Slot::kGpsStatus, 20, 118, 200, 56, false, 20),
    Check(1038, "Show Course", 20, 180, &S::showCourse),
    Check(1039, "Show Compass", 120, 180, &S::showCompass),
    Check(1041, "Show Time To Destination", 20, 195, &S::showTimeToDestination),
    Check(1042, "Show History", 20, 220, &S::showHistory),
    Check(1043, "As Route", 130, 220, &S::asRoute),
    Check(1044, "Auto Update", 20, 235, &S::gpsAutoUpdate),
    Label("(mins)", 40, 249),
    Track("", 130, 235, 70, 130, &S::gpsUpdateInterval, 5, 120),
    Button(kCmdGpsAddCurrent, "Add Current", 20, 265, 90),
    Button(kCmdGpsClearHistory, "Clear History", 130, 265, 90),
};

// ---------------------------------------------------------------------------------------
// Weather

constexpr Choice kTemperatures[] = {{"\xB0" "C", 2036, 115}, {"\xB0" "F", 2037, 165}};

constexpr ControlRow kWeather[] = {
    Label("Country:", 15, 55),
    Combo(Slot::kWeatherCountry, 75, 55, 150, 110),
    Label("Available Cities:", 15, 75),
    List(K::kListBox, Slot::kWeatherAvailable, 15, 90, 90, 87, true),
    Label("Displayed:", 140, 75),
    List(K::kListBox, Slot::kWeatherDisplayed, 135, 90, 90, 87, true),
    Button(kCmdWeatherAdd, ">", 108, 100, 24, Slot::kWeatherAdd),
    Button(kCmdWeatherRemove, "<", 108, 130, 24),
    Button(kCmdWeatherRemoveAll, "<<", 108, 150, 24),
    Check(2039, "Show Place Name", 15, 185, &S::showPlaceName, Slot::kShowPlaceName),
    Check(2038, "Auto Update", 15, 200, &S::weatherAutoUpdate),
    {.kind = K::kSlider, .label = "Interval (mins):", .x = 115, .y = 217, .width = 85,
     .bound = Number(&S::weatherUpdateInterval), .minimum = 15, .maximum = 120, .step = 5,
     .captionX = 15, .captionY = 215},
    Radio("Temperature:", 15, 233, kTemperatures, Flag(&S::temperature), Slot::kTemperature),
    Check(2040, "Show Weather", 15, 255, &S::showWeather),
    Button(kCmdWeatherUpdateNow, "Update Now", 145, 252, 80),
    {.kind = K::kCentredLabel, .slot = Slot::kWeatherStatus, .x = 120, .y = 273},
};

// ---------------------------------------------------------------------------------------
// Routes, Advanced, Colors, Appearance, About

constexpr ControlRow kRoutes[] = {
    Label("Select Routes/Places to show:", 20, 65),
    List(K::kListBox, Slot::kRoutes, 20, 80, 200, 170, true),
    Button(kCmdClearRoutes, "Clear Selection", 124, 255, 96),
};

constexpr ControlRow kAdvanced[] = {
    Group("Distance Arc Smoothing", 15, 65, 210, 55),
    Track("Spherical:", 115, 86, 80, 25, &S::sphericalArcSmoothing, 1, 50),
    Track("Planar:", 115, 101, 80, 25, &S::planarArcSmoothing, 1, 50),
    Group("Advanced Texture Parameters", 15, 135, 210, 60),
    Track("Brightness:", 115, 156, 80, 25, &S::textureBrightness, 0, 100),
    Check(1001, "3D Texture Smoothing", 25, 175, &S::textureSmoothing3d),
    // The two long texts need the page's whole width.
    Check(1021, "Antialiased Lines", 12, 220, &S::antialiasedLines),
    Check(1029, "Direction Pointers for Distance Arc", 12, 235, &S::directionPointersForDistanceArc),
    Check(1040, "Semi-transparent Text Background", 12, 250, &S::semiTransparentTextBackground),
};

constexpr ControlRow kColors[] = {
    Label("Select an item to modify:", 25, 55),
    List(K::kColorList, Slot::kColorItems, 20, 75, 195, 94, false, 0, 15),
    {.kind = K::kColorPicker, .slot = Slot::kColorPicker, .x = 35, .y = 171},
};

constexpr ControlRow kAppearance[] = {
    Label("Select Skin:", 15, 70),
    Combo(Slot::kSkin, 15, 85, 160, 0, 5),
    Label("Select Font:", 15, 140),
    Combo(Slot::kFont, 15, 155, 160, 0, 5),
    Button(kCmdApplyAppearance, "Apply", 170, 255, 50),
};

constexpr ControlRow kAbout[] = {
    {.kind = K::kCentredLabel, .label = "Orrelux", .x = 120, .y = 62},
    {.kind = K::kCentredLabel, .label = "Version " ORRELUX_VERSION, .x = 120, .y = 78},
    {.kind = K::kCentredLabel, .label = "Support:", .x = 120, .y = 100},
    {.kind = K::kCentredLabel, .label = "Help button: the user guide", .x = 120, .y = 114},
    {.kind = K::kCentredLabel, .label = "(c) 2026 the Orrelux developers", .x = 120, .y = 136},
    {.kind = K::kCentredLabel, .label = "Other Credits:", .x = 120, .y = 166},
    List(K::kListBox, Slot::kAbout, 20, 185, 200, 100, false),
};

constexpr OptionsPage kPages[] = {
    {"General", kPageGeneral, kGeneral},       {"Display", kPageDisplay, kDisplay},
    {"Sun/Moon", kPageSunMoon, kSunMoon},      {"Maps", kPageMaps, kMaps},
    {"Cities", kPageCities, kCities},          {"GPS", kPageGps, kGps},
    {"Weather", kPageWeather, kWeather},       {"Routes", kPageRoutes, kRoutes},
    {"Advanced", kPageAdvanced, kAdvanced},    {"Colors", kPageColors, kColors},
    {"Appearance", kPageAppearance, kAppearance}, {"About", kPageAbout, kAbout},
};

template <class T>
std::unique_ptr<Widget> Make(UiContext& ui, T*& out) {
  auto w = std::make_unique<T>(ui);
  out = w.get();
  return w;
}

// Radio group of a flag: its first choice stands for the flag being set.
int FlagChoice(const ControlRow& row, bool set) {
  if (row.choices.size() < 2) return -1;
  return set ? row.choices[0].id : row.choices[1].id;
}

}  // namespace

std::span<const OptionsPage> OptionsPages() { return kPages; }

std::unique_ptr<Widget> BuildControl(const ControlRow& r, UiContext& ui) {
  const int line = ui.LineHeight();
  switch (r.kind) {
    case K::kCheckBox: {
      CheckBox* w;
      auto owned = Make(ui, w);
      w->Setup(r.x, r.y, r.label, r.id);
      return owned;
    }
    case K::kSlider: {
      Slider* w;
      auto owned = Make(ui, w);
      const int captionY = r.captionY >= 0 ? r.captionY : r.y + (11 - line) / 2;
      w->Setup(r.x, r.y, r.width, r.captionX, captionY, r.label, -1, r.minimum, r.maximum, r.minimum, r.step, true,
               true);
      return owned;
    }
    case K::kRadioGroup: {
      RadioGroup* w;
      auto owned = Make(ui, w);
      w->SetPosition(r.x, r.y, r.label);
      for (const Choice& c : r.choices) w->AddItem(c.x, c.y >= 0 ? c.y : r.y, false, c.label, c.id);
      return owned;
    }
    case K::kLabel:
    case K::kCentredLabel: {
      TextLabel* w;
      auto owned = Make(ui, w);
      w->SetText(r.x, r.y, r.label, r.width, false, r.kind == K::kCentredLabel);
      return owned;
    }
    case K::kGroupBox: {
      GroupBox* w;
      auto owned = Make(ui, w);
      w->Setup(r.x, r.y, r.width, r.height, r.label);
      return owned;
    }
    case K::kButton: {
      PushButton* w;
      auto owned = Make(ui, w);
      w->Setup(r.x, r.y, r.width, kButtonHeight, r.label, r.id, true);
      return owned;
    }
    case K::kComboBox: {
      ComboBox* w;
      auto owned = Make(ui, w);
      const int listHeight = r.lines > 0 ? r.lines * line + 4 : r.height;
      w->Setup(r.x, r.y, r.width, listHeight + 15, false);
      return owned;
    }
    case K::kListBox:
    case K::kCityList:
    case K::kColorList: {
      ListBox* w;
      std::unique_ptr<Widget> owned;
      if (r.kind == K::kCityList) {
        CityListBox* c;
        owned = Make(ui, c);
        w = c;
      } else if (r.kind == K::kColorList) {
        ColorListBox* c;
        owned = Make(ui, c);
        w = c;
      } else {
        owned = Make(ui, w);
      }
      w->Setup(r.x, r.y, r.width, r.height, r.multiSelect, r.itemHeight > 0 ? r.itemHeight : line, r.maxItems);
      return owned;
    }
    case K::kEditField: {
      EditField* w;
      auto owned = Make(ui, w);
      w->Setup(r.x, r.y, r.width, 255);
      return owned;
    }
    case K::kColorPicker: {
      ColorPicker* w;
      auto owned = Make(ui, w);
      w->Setup(r.x, r.y);
      return owned;
    }
  }
  return nullptr;
}

void FillControl(const ControlRow& r, Widget& widget, const Settings& s) {
  if (!r.bound.any()) return;
  switch (r.kind) {
    case K::kCheckBox:
      if (r.bound.flag) static_cast<CheckBox&>(widget).ticked = s.*r.bound.flag;
      break;
    case K::kSlider:
      if (r.bound.number) {
        static_cast<Slider&>(widget).value = std::clamp<double>(s.*r.bound.number, r.minimum, r.maximum);
      }
      break;
    case K::kRadioGroup: {
      auto& group = static_cast<RadioGroup&>(widget);
      group.Select(r.bound.flag ? FlagChoice(r, s.*r.bound.flag) : s.*r.bound.number);
      break;
    }
    default:
      break;
  }
}

void ApplyControl(const ControlRow& r, const Widget& widget, Settings& s) {
  if (!r.bound.any()) return;
  switch (r.kind) {
    case K::kCheckBox:
      if (r.bound.flag) s.*r.bound.flag = static_cast<const CheckBox&>(widget).ticked;
      break;
    case K::kSlider:
      if (r.bound.number) s.*r.bound.number = static_cast<int32_t>(std::trunc(static_cast<const Slider&>(widget).value));
      break;
    case K::kRadioGroup: {
      const int id = static_cast<const RadioGroup&>(widget).SelectedId();
      if (id < 0) break;  // nothing chosen: the setting stays
      if (r.bound.flag) {
        s.*r.bound.flag = id == FlagChoice(r, true);
      } else {
        s.*r.bound.number = id;
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace orx
