// The Options dialog: a full-screen panel with a tab control of twelve pages, "OK" and
// "Cancel". Opening builds the pages from their tables and fills them from `Settings`;
// nothing is applied until "OK" (the page buttons that act at once are the GPS and
// weather buttons and "Apply" of the Appearance page). While it is open, its handler
// sees every message of the main window first.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "cities/city_database.h"
#include "gfx/font.h"
#include "platform/messages.h"
#include "routes/route.h"
#include "settings/options_lists.h"
#include "settings/options_pages.h"
#include "settings/settings.h"
#include "ui/controls.h"
#include "ui/tab_control.h"
#include "ui/ui_state.h"
#include "weather/weather.h"

namespace orx {

struct Gps;

// What the dialog reads and changes; the application's records, for one message.
struct OptionsEnv {
  Settings& settings;
  UiState& ui;
  Font& font;                      // reloaded when another font is applied
  const CityDatabase& cities;
  PlaceList& displayedCities;      // the user's selection (cities.sav)
  PlaceList& displayedCountries;   // every country when `Show all countries` is on
  RouteList& routes;
  RouteFolders routeFolders;
  std::filesystem::path dataDir;   // maps/ and skins/
  Gps* gps = nullptr;  // the GPS page's port, detection, status list and history
  WeatherClient* weather = nullptr;  // the Weather page's places, fetches and status line
  // Recomposes the globe's texture with the progress display.
  std::function<void()> rebuildTexture;
  // Back to the globe screen with a full redraw.
  std::function<void()> returnToGlobe;
};

// The twelve colours of the Colors page, in list order; "Weather Info" is the last.
inline constexpr int kColorItemCount = 12;
inline constexpr int kWeatherColorItem = 11;
// The Weather page's "\xB0C" choice (`Temperature` set).
inline constexpr int kCelsiusChoice = 2036;

class OptionsDialog {
 public:
  explicit OptionsDialog(UiContext& ui);
  ~OptionsDialog();
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  bool isOpen = false;
  int rememberedPage = kPageGeneral;  // the page shown at the next opening, this run only
  // Change flags of the open dialog.
  bool citiesChanged = false;
  bool weatherCitiesChanged = false;
  int openings = 0;  // counts the openings; late worker tasks check it
  // The Weather page's status line: ticks until the next refresh and the dots shown
  // while a fetch runs; kept from one opening to the next.
  WeatherStatusLine weatherStatus;

  PushButton okButton;
  PushButton cancelButton;
  TabControl tabs;
  OptionsControls controls;              // every page's controls, built at opening
  std::array<Color565, kColorItemCount> colours{};  // the Colors page works on copies
  std::array<ColorItem, kColorItemCount> colorItems{};
  std::vector<std::string> mapNames;     // maps/*.gif, in both map boxes
};

// Builds every page, selects the remembered page, fills the controls from the settings
// and shows the dialog (the main window's screen mode becomes the Options screen).
void OpenOptionsDialog(OptionsDialog& dialog, OptionsEnv& env);
// Remembers the shown page, stops GPS detection and status texts, and frees the pages.
void CloseOptionsDialog(OptionsDialog& dialog, OptionsEnv& env);
// "OK": applies every page (in the fixed order), rebuilds the texture when a map or a
// shading setting changed, closes the dialog and returns to the globe.
void ApplyOptions(OptionsDialog& dialog, OptionsEnv& env);
// One message while the dialog fills the screen. True when the dialog handled it; the
// window's own handling (closing, focus, the orderly exit) then does not run.
bool OptionsWindowProc(OptionsDialog& dialog, OptionsEnv& env, const platform::Message& m);
// Runs a push-button command (2016..2042); false for any other identifier.
bool OptionsCommand(OptionsDialog& dialog, OptionsEnv& env, int command);
// The dialog's share of the 50 ms timer: GPS status texts and the weather status line.
void OptionsTick(OptionsDialog& dialog, OptionsEnv& env);

}  // namespace orx
