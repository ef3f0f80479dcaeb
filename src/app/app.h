// The application: the records the program owns for the whole run, and the life cycle
// around them (start-up, the message loop, shutdown and release).
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "cities/city_database.h"
#include "gfx/framebuffer.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "globe/globe.h"
#include "globe/render.h"
#include "gps/gps.h"
#include "measure/gps_display.h"
#include "measure/measure_state.h"
#include "platform/display.h"
#include "platform/host.h"
#include "platform/settings_store.h"
#include "routes/route.h"
#include "settings/options_dialog.h"
#include "settings/settings.h"
#include "ui/ui_state.h"
#include "weather/weather.h"

namespace orx {

// Start-up status codes; a non-zero code ends the program with its closing message.
enum StartupStatus : int {
  kStatusOk = 0,
  kStatusGeneralError = -1,  // window, display or input could not be opened
  kStatusOutOfMemory = -2,   // also a built-in picture or font that does not load
  kStatusFileError = -3,
  kStatusInvalidMaps = -5,
};

// The closing message for a start-up status (empty for 0).
const char* ClosingMessage(int status);

// Where the program looks for things; the entry function fills it from the command
// line and the environment, tests point it at temporary folders.
struct AppPaths {
  std::filesystem::path dataDir;       // bundled data ("beside the program")
  std::filesystem::path userDataDir;   // cities.sav, weather/, the user's routes/
  std::filesystem::path settingsFile;  // the settings key tree
};

struct App {
  AppPaths paths;
  std::unique_ptr<platform::Host> host;   // the main window; null until created
  platform::DisplayProperties displayProperties;
  int pixelCount = 0;
  FrameBuffer frame;
  std::unique_ptr<platform::SettingsStore> settingsStore;
  Settings settings;
  Font font;
  UiState ui;                 // skin, dialogs, panel, keyboard, captured and focused widgets
  MainWindowState window;     // screen, stylus gesture, command bar, timer countdowns
  Globe globe;                // view, composed texture, maps, Sun and Moon
  std::unique_ptr<RenderHelper> renderHelper;  // the sphere's second thread, made at the first paint
  SceneLayers sceneLayers;    // what other subsystems draw over the globe, set up at start-up
  PlaceDrawHooks placeHooks;  // how places get their country names, pictures and labels
  ImageObject commandIcons;   // ("GIF", 125)
  ImageObject markerStrip;    // ("GIF", 128)
  std::unique_ptr<ImageObject> compassImage;
  std::string compassFileName;
  CityDatabase cities;          // empty when cities.bin is missing or damaged
  PlaceList selectedCities;     // the user's selection, kept in cities.sav
  PlaceList displayedCountries; // every country when `Show all countries` is on
  RouteList routes;             // the loaded route and place files, in settings order
  MeasureState measure;         // the pointed place, the distance path, the information stack
  Gps gps;                      // the receiver, the main fix copy, the history, detection
  GpsDisplayState gpsDisplay;   // the marker's frame and the compass position, for the run
  WeatherClient weather;        // weather files, fetch threads, the `weather lock`
  WeatherPlaceList weatherPlaces;  // drawn as the scene's weather layer
  OptionsDialog options{ui.context};  // the Options screen's pages, built while it is shown
  // Problems found during start-up, shown to the user once the screen is up.
  std::vector<std::string> startupNotices;
  uint32_t animationTimer = 0;  // 0 = none
  // Set when the orderly exit begins; read by the single-instance listener thread.
  std::atomic<bool> shuttingDown{false};
  bool suspended = false;       // the "Suspend" choice: display suspended, window hidden
  // Start-up and shutdown sleep through this, so that tests can run without waiting.
  std::function<void(int milliseconds)> sleep;
};

// The orderly start: allocates the frame, fades in the splash, loads the settings, the
// font and the built-in pictures, and builds what the globe needs, showing progress.
// Returns a StartupStatus; on failure everything acquired is released again.
int StartUp(App& app);

// The orderly exit: fade out, save the city selection and the settings, release, and
// destroy the window (whose destruction ends the message loop).
void ShutDown(App& app);

// Frees everything StartUp acquired; safe on a half-finished start-up and when repeated.
void ReleaseAll(App& app);

// The main window procedure.
intptr_t MainWindowProc(App& app, const platform::Message& m);

// Draws the current frame and presents it (the paint work).
void RenderFrame(App& app);

// Composes the globe's texture again with the progress bar; a map-file problem is shown
// in a message box (closing it opens the Options screen when no texture is left).
void RebuildWithProgress(App& app);

}  // namespace orx
