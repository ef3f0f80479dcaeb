#include "settings/options_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gfx/framebuffer.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/text_encoding.h"
#include "settings/options_actions.h"
#include "settings/options_lists.h"
#include "ui/lists.h"

namespace orx {
namespace {

using platform::Message;

// The colour items of the Colors page, in list order, with the setting each one edits.
struct ColorRow {
  const char* name;
  Color565 Settings::*field;
};
constexpr ColorRow kColorRows[kColorItemCount] = {
    {"Background Color", &Settings::backgroundColor},
    {"Distance Arc", &Settings::distanceArcColor},
    {"Lat/Lon Grid", &Settings::gridColor},
    {"Equator/Meridian", &Settings::equatorColor},
    {"Arctic/Antarctic Circles", &Settings::arcticColor},
    {"Tropic Circles", &Settings::tropicColor},
    {"Displayed Cities", &Settings::displayedCityColor},
    {"City at snap point", &Settings::snappedCityColor},
    {"Displayed Countries", &Settings::displayedCountryColor},
    {"GPS Course", &Settings::gpsCourseColor},
    {"GPS History", &Settings::gpsHistoryColor},
    {"Weather Info", &Settings::weatherColor},
};

// Credits of the bundled data and fonts (About page), 8-bit text: each source, then its
// licence. The weather service's message (which credits its source) follows the first.
constexpr const char* kCredits[] = {
    "Maps: NASA Visible Earth",      "  public domain",
    "Cities: GeoNames",              "  CC BY 4.0",
    "Time zones: IANA tz database",  "  public domain",
    "Country names: countries-list", "  MIT License",
    "Country points: Natural Earth", "  public domain",
    "Fonts: DejaVu Sans and Mono",   "  Bitstream Vera licence",
    "Skins, icons and keyboards:",   "  the Orrelux developers",
};

template <class T>
T& At(const OptionsDialog& d, Slot slot) {
  return d.controls.at<T>(slot);
}

// "Show country name at snap point" is usable while any of the three snap rules is on.
void ApplySnapRule(OptionsDialog& d) {
  const bool any = At<CheckBox>(d, Slot::kSnapPopulous).ticked || At<CheckBox>(d, Slot::kSnapDisplayed).ticked ||
                   At<CheckBox>(d, Slot::kSnapKnown).ticked;
  EnableWidget(At<CheckBox>(d, Slot::kShowCountryName), any);
}

void FillGeneralAndSunMoon(OptionsDialog& d, const Settings& s) {
  EnableWidget(At<CheckBox>(d, Slot::kShowCountryName), s.snapToNearestKnownPlace);
  for (Slot slot : {Slot::kSnapPopulous, Slot::kSnapDisplayed, Slot::kSnapKnown}) {
    At<CheckBox>(d, slot).onChange = [&d](Widget*, int) { ApplySnapRule(d); };
  }
  At<CheckBox>(d, Slot::kTwilightShown).ticked = s.twilightType > 0;
  At<RadioGroup>(d, Slot::kTwilightKind).Select(std::abs(s.twilightType));
  At<Slider>(d, Slot::kSpecularity).value = s.earthShadowSpecularity;
}

// A file name of the settings (UTF-8) as the 8-bit text of a list, and back.
std::string ListText(const std::string& fileName) { return platform::Utf8ToCp1252(fileName); }
std::string FileNameOf(const ListItem& item) { return platform::Cp1252ToUtf8(item.text); }

void FillCombo(ComboBox& combo, const std::vector<std::string>& names, const std::string& current) {
  for (const std::string& name : names) combo.AddItem(ListText(name).c_str(), true);
  combo.SelectText(ListText(current).c_str());
}

void FillMaps(OptionsDialog& d, OptionsEnv& env) {
  d.mapNames = platform::ListFiles(env.dataDir / "maps", ".gif");
  FillCombo(At<ComboBox>(d, Slot::kMainMap), d.mapNames, env.settings.mainMapFile);
  FillCombo(At<ComboBox>(d, Slot::kOverlayMap), d.mapNames, env.settings.overlayMapFile);
}

void FillColors(OptionsDialog& d, const Settings& s) {
  auto& list = At<ColorListBox>(d, Slot::kColorItems);
  for (int i = 0; i < kColorItemCount; ++i) {
    d.colours[i] = s.*kColorRows[i].field;
    d.colorItems[i] = {kColorRows[i].name, &d.colours[i]};
    list.AddItem(kColorRows[i].name, false);
  }
  list.items = d.colorItems;
  At<ColorPicker>(d, Slot::kColorPicker).onChange = [&d](Widget*, int colour) {
    const ListItem* item = At<ColorListBox>(d, Slot::kColorItems).SelectedItem();
    if (!item) return;
    for (int i = 0; i < kColorItemCount; ++i) {
      if (item->text == kColorRows[i].name) d.colours[i] = static_cast<Color565>(colour);
    }
  };
}

void FillAppearance(OptionsDialog& d, OptionsEnv& env) {
  FillCombo(At<ComboBox>(d, Slot::kSkin), platform::ListFiles(env.dataDir / "skins", ".gif"), env.settings.skinFile);
  ComboBox& fonts = At<ComboBox>(d, Slot::kFont);
  for (int i = 0; i < kFontCount; ++i) fonts.AddItem(FontName(i), false);
  fonts.SelectText(FontName(env.settings.font));
}

void FillRoutes(OptionsDialog& d, OptionsEnv& env) {
  ListBox& list = At<ListBox>(d, Slot::kRoutes);
  for (const std::string& name : ListRouteFiles(env.routeFolders)) list.AddItem(ListText(name).c_str(), true);
  for (const std::string& name : RouteNames(env.routes)) list.SelectText(ListText(name).c_str(), true);
}

void FillAbout(OptionsDialog& d, OptionsEnv& env) {
  ListBox& list = At<ListBox>(d, Slot::kAbout);
  list.showSelection = false;
  const std::string message = WeatherCredit(env);
  for (size_t i = 0; i < std::size(kCredits); ++i) {
    if (i == 2 && !message.empty()) {
      list.AddItem("", false);
      list.AddItem("Weather Data:", false);
      list.AddItem(message.c_str(), true);
    }
    list.AddItem(kCredits[i], false);
  }
}

// Applies the chosen skin and font ("Apply" and OK). True when the font changed.
bool ApplyAppearance(OptionsDialog& d, OptionsEnv& env) {
  bool fontChanged = false;
  if (const ListItem* item = At<ComboBox>(d, Slot::kFont).SelectedItem()) {
    for (int i = 0; i < kFontCount; ++i) {
      if (std::string_view(item->text) != FontName(i) || i == env.settings.font) continue;
      if (LoadFont(env.font, i)) {
        env.settings.font = i;
        fontChanged = true;
      }
    }
  }
  if (const ListItem* item = At<ComboBox>(d, Slot::kSkin).SelectedItem()) {
    ChangeSkin(env.ui, env.settings, env.dataDir, FileNameOf(*item));
  }
  return fontChanged;
}

// After another font was applied the open dialog lays its texts out again: button
// captions, tab widths, slider captions, label widths and list rows.
void RelayoutForFont(OptionsDialog& d, const UiContext& ui) {
  const int line = ui.LineHeight();
  d.okButton.MoveTo(d.okButton.x, d.okButton.y);
  d.cancelButton.MoveTo(d.cancelButton.x, d.cancelButton.y);
  for (auto& page : d.tabs.pages) {
    const std::string caption = page->caption;
    page->SetCaption(caption.c_str());
  }
  for (BuiltControl& c : d.controls.controls) {
    const ControlRow& r = *c.row;
    Widget& w = *c.widget;
    switch (r.kind) {
      case ControlKind::kButton:
        w.MoveTo(w.x, w.y);
        break;
      case ControlKind::kSlider:
        if (r.captionY < 0) w.y = r.y + (11 - line) / 2;
        break;
      case ControlKind::kLabel:
      case ControlKind::kCentredLabel: {
        auto& label = static_cast<TextLabel&>(w);
        const std::string text = label.text ? label.text : "";
        label.SetText(r.x, r.y, text.c_str(), r.width, true, r.kind == ControlKind::kCentredLabel);
        break;
      }
      case ControlKind::kListBox:
      case ControlKind::kCityList:
      case ControlKind::kColorList: {
        auto& list = static_cast<ListBox&>(w);
        list.itemHeight = std::max(r.itemHeight, line);
        // Adding an item and removing it again lays the rows out anew.
        static constexpr char kRelayout[] = "\x01";
        if (list.AddItem(kRelayout, false)) list.RemoveItems(kRelayout, false);
        break;
      }
      default:
        break;
    }
  }
  d.tabs.SelectPage(d.tabs.ActivePageId());
}

// "Earth Shadow Specularity" and "Twilight Type": each is stored when it changed. True
// when either changed (the shadow is then composed again).
bool ApplyTwilight(OptionsDialog& d, Settings& s) {
  const int specularity = static_cast<int>(std::trunc(At<Slider>(d, Slot::kSpecularity).value));
  int kind = At<RadioGroup>(d, Slot::kTwilightKind).SelectedId();
  if (kind < 1033 || kind > 1035) kind = std::abs(s.twilightType);
  const int type = At<CheckBox>(d, Slot::kTwilightShown).ticked ? kind : -kind;
  bool changed = false;
  if (specularity != s.earthShadowSpecularity) {
    s.earthShadowSpecularity = specularity;
    changed = true;
  }
  if (type != s.twilightType) {
    s.twilightType = type;
    changed = true;
  }
  return changed;
}

// A map box's choice replaces the file name when it differs; no choice leaves it.
bool ApplyMapChoice(const ComboBox& combo, std::string& fileName) {
  const ListItem* item = combo.SelectedItem();
  if (!item) return false;
  std::string chosen = FileNameOf(*item);
  if (chosen == fileName) return false;
  fileName = std::move(chosen);
  return true;
}

void ApplyRoutes(OptionsDialog& d, OptionsEnv& env) {
  const ListBox& list = At<ListBox>(d, Slot::kRoutes);
  std::vector<std::string> selected;
  for (int i = list.NextSelected(0); i >= 0; i = list.NextSelected(i + 1)) {
    selected.push_back(FileNameOf(*list.ItemAt(i)));
  }
  if (ApplyRouteSelection(env.routes, env.routeFolders, selected) > 0) {
    ShowMessageBox(env.ui, kRouteSelectionFailedMessage, "Error", kButtonsOk, nullptr);
  }
  env.settings.routeFiles = RouteNames(env.routes);
}

void Paint(OptionsEnv& env) {
  UiContext& ui = env.ui.context;
  if (!ui.frame || !ui.frame->data()) return;
  PaintOptionsScreen(env.ui);
  if (ui.host) PresentFrame(ui.host->display(), *ui.frame, -1);
}

void Cancel(OptionsDialog& d, OptionsEnv& env) {
  CloseOptionsDialog(d, env);
  if (env.returnToGlobe) env.returnToGlobe();
}

}  // namespace

OptionsDialog::OptionsDialog(UiContext& ui) : okButton(ui), cancelButton(ui), tabs(ui) {}
OptionsDialog::~OptionsDialog() = default;

void OpenOptionsDialog(OptionsDialog& d, OptionsEnv& env) {
  if (d.isOpen) return;
  UiState& ui = env.ui;
  UiContext& context = ui.context;
  // The globe screen's focus and keyboard rest while the dialog fills the screen.
  if (ui.main.focused) ui.main.focused->SetFocus(false);
  ui.main = {};
  ShowKeyboard(ui, false);
  ui.options = {};

  d.okButton.Setup(140, 299, 45, kButtonHeight, "OK", kCmdOptionsOk, true);
  d.cancelButton.Setup(190, 299, 45, kButtonHeight, "Cancel", kCmdOptionsCancel, true);
  d.tabs.Setup(4, 28, 232, 266);
  d.controls = {};
  for (const OptionsPage& page : OptionsPages()) {
    d.tabs.AddPage(page.caption, page.id);
    for (const ControlRow& row : page.rows) {
      std::unique_ptr<Widget> widget = BuildControl(row, context);
      FillControl(row, *widget, env.settings);
      if (row.slot != Slot::kNone) d.controls.slots[static_cast<size_t>(row.slot)] = widget.get();
      d.tabs.AddChild(page.id, widget.get());
      d.controls.controls.push_back({&row, std::move(widget)});
    }
  }
  FillGeneralAndSunMoon(d, env.settings);
  FillMaps(d, env);
  FillColors(d, env.settings);
  FillAppearance(d, env);
  FillRoutes(d, env);
  FillAbout(d, env);
  d.citiesChanged = false;
  d.weatherCitiesChanged = false;
  OpenCitiesPage(d, env);
  OpenGpsPage(d, env);
  OpenWeatherPage(d, env);

  ++d.openings;
  d.tabs.SelectPage(d.rememberedPage);
  if (d.tabs.ActivePageId() == 0) d.tabs.SelectPage(kPageGeneral);
  ui.optionsWidgets = {&d.okButton, &d.cancelButton, &d.tabs};
  d.isOpen = true;
  if (context.host) context.host->Invalidate();
}

void CloseOptionsDialog(OptionsDialog& d, OptionsEnv& env) {
  if (!d.isOpen) return;
  d.rememberedPage = d.tabs.ActivePageId() ? d.tabs.ActivePageId() : kPageGeneral;
  CloseGpsPage(d, env);
  CloseWeatherPage(d, env);
  UiState& ui = env.ui;
  if (ui.options.focused) ui.options.focused->SetFocus(false);
  ui.options = {};
  ShowKeyboard(ui, false);
  ui.optionsWidgets.clear();
  d.tabs.Reset();
  d.controls = {};
  d.mapNames.clear();
  d.isOpen = false;
}

void ApplyOptions(OptionsDialog& d, OptionsEnv& env) {
  if (!d.isOpen) return;
  Settings& s = env.settings;
  const Settings before = s;
  // 1. GPS detection ends.
  StopGpsDetection(d, env);
  // 2. Check boxes, sliders and radio groups.
  for (const BuiltControl& c : d.controls.controls) ApplyControl(*c.row, *c.widget, s);
  // 3. The colours.
  for (int i = 0; i < kColorItemCount; ++i) s.*kColorRows[i].field = d.colours[i];
  // 4-5. Map files and shading: what the composed texture is made from.
  const bool mainChanged = ApplyMapChoice(At<ComboBox>(d, Slot::kMainMap), s.mainMapFile);
  const bool overlayChanged = ApplyMapChoice(At<ComboBox>(d, Slot::kOverlayMap), s.overlayMapFile);
  const bool shadowChanged = ApplyTwilight(d, s);
  const bool rebuild = s.textureBrightness != before.textureBrightness ||
                       s.earthShadowDarkness != before.earthShadowDarkness ||
                       s.useOverlayMap != before.useOverlayMap || s.overlayOperation != before.overlayOperation ||
                       mainChanged || (overlayChanged && s.useOverlayMap) || shadowChanged;
  // 6. Routes, 7. GPS port and baud, 8. skin and font.
  ApplyRoutes(d, env);
  ApplyGpsPage(d, env);
  ApplyAppearance(d, env);
  // 9. Every country, when asked for and not yet listed.
  if (s.showAllCountries && env.displayedCountries.empty()) AllCountriesAsPlaces(env.cities, env.displayedCountries);
  // 10. Displayed cities, 11. the weather city list.
  ApplyCitiesPage(d, env);
  ApplyWeatherPage(d, env);
  // 12-14. The page lists go with the dialog; the texture follows the new settings.
  if (rebuild && env.rebuildTexture) env.rebuildTexture();
  CloseOptionsDialog(d, env);
  if (env.returnToGlobe) env.returnToGlobe();
}

bool OptionsCommand(OptionsDialog& d, OptionsEnv& env, int command) {
  switch (command) {
    case kCmdOptionsOk:
      ApplyOptions(d, env);
      return true;
    case kCmdOptionsCancel:
      Cancel(d, env);
      return true;
    case kCmdApplyAppearance:
      if (ApplyAppearance(d, env)) RelayoutForFont(d, env.ui.context);
      return true;
    case kCmdClearRoutes:
      At<ListBox>(d, Slot::kRoutes).ClearSelection();
      return true;
    default:
      return CitiesCommand(d, env, command) || GpsCommand(d, env, command) || WeatherCommand(d, env, command);
  }
}

void OptionsTick(OptionsDialog& d, OptionsEnv& env) {
  GpsTick(d, env);
  WeatherTick(d, env);
}

bool OptionsWindowProc(OptionsDialog& d, OptionsEnv& env, const Message& m) {
  using namespace platform;
  if (!d.isOpen) return false;
  UiState& ui = env.ui;
  platform::Host* host = ui.context.host;
  const Point p{PointParamX(m.lParam), PointParamY(m.lParam)};
  switch (m.id) {
    case kMsgLButtonDown:
    case kMsgLButtonDblClk:
      OptionsStylusDown(ui, p);
      break;
    case kMsgMouseMove:
      OptionsStylusMove(ui, p);
      break;
    case kMsgLButtonUp:
      OptionsStylusUp(ui, p);
      break;
    case kMsgKeyDown:
      RouteKey(ui.options, static_cast<int>(m.wParam), kKeyVirtual);
      break;
    case kMsgChar:
      RouteKey(ui.options, static_cast<int>(m.wParam), kKeyCharacter);
      break;
    case kMsgPaint:
      Paint(env);
      return true;
    case kMsgTimer:
      OptionsTick(d, env);
      break;
    case kMsgCommand:
      // Other identifiers (the tab row's scroll buttons) need nothing more.
      OptionsCommand(d, env, static_cast<int>(m.wParam & 0xFFFF));
      break;
    default:
      if (!HandleUiMessage(ui, ui.options, m)) return false;
      break;
  }
  if (host) host->Invalidate();
  return true;
}

}  // namespace orx
