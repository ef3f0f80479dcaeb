// Start-up, shutdown and release of everything the application owns.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/city_layers.h"
#include "app/options_screen.h"
#include "cities/saved_cities.h"
#include "gfx/draw.h"
#include "globe/overlay.h"
#include "globe/texture.h"
#include "measure/measure_state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/resources.h"
#include "ui/controls.h"

namespace orx {
namespace {

constexpr int kSplashResource = 110;
constexpr int kFadeSteps = 32;

void Present(App& app, int fade) { PresentFrame(app.host->display(), app.frame, fade); }

void Sleep(App& app, int ms) {
  if (app.sleep) app.sleep(ms);
}

// The start-up progress bar under "Initializing...", at `percent`.
void ShowProgress(App& app, int percent) {
  ProgressBar bar(app.ui.context);
  bar.Setup(40, 120, 160, 14, true);
  bar.SetPercent(percent);
  bar.Draw();
  Present(app, -1);
}

// The splash fades in from black over 32 presentations.
bool FadeInSplash(App& app) {
  ImageObject splash = MakeResourceImage(kSplashResource);
  if (!Load(splash, nullptr, kLoadWhole) || splash.width <= 0 || splash.height <= 0) return false;
  const int w = std::min(splash.width, app.frame.width);
  const int h = std::min(splash.height, app.frame.height);
  for (int y = 0; y < h; ++y)
    std::memcpy(&app.frame.at(0, y), splash.pixels16() + static_cast<size_t>(y) * splash.width,
                static_cast<size_t>(w) * sizeof(Color565));
  for (int i = 0; i < kFadeSteps; ++i) Present(app, i * 8);
  return true;  // the splash image is released here, whatever follows
}

// Weather: the files in the user's weather/ folder, icons there or bundled, message
// boxes and worker tasks through the window's queue.
void SetUpWeather(App& app) {
  app.weather.paths = MakeWeatherPaths(app.paths.dataDir, app.paths.userDataDir);
  app.weather.serviceDataDir = app.paths.dataDir;
  std::error_code ec;
  std::filesystem::create_directories(app.weather.paths.folder, ec);
  app.weather.showMessage = [&app](const char* text, const char* caption) {
    ShowMessageBox(app.ui, text, caption, kButtonsOk, nullptr);
  };
  platform::Host* host = app.host.get();
  app.weather.wake = [host] { host->PostMessage(kMsgWeatherTasks); };
  SetWeatherLayer(app.weatherPlaces, app.sceneLayers);
}

}  // namespace

const char* ClosingMessage(int status) {
  switch (status) {
    case kStatusOk: return "";
    case kStatusOutOfMemory: return "Insufficient memory to continue.\nOrrelux will now close.";
    case kStatusFileError: return "General file error.\nOrrelux will now close.";
    case kStatusInvalidMaps: return "Invalid Map File(s).\nOrrelux will now close.";
    default: return "General error encountered.\nOrrelux will now close.";
  }
}

int StartUp(App& app) {
  auto fail = [&](int status) {
    ReleaseAll(app);
    return status;
  };
  // 1. `init GPS` (its locks live in its state record, as the weather client's do). The
  //    port is never opened here: only the user opens it.
  InitGpsSubsystem(app.gps);
  // The weather client learns its folders and how to reach the user-interface thread.
  SetUpWeather(app);

  // 2. Display properties and the frame buffer.
  app.displayProperties = app.host->display().Properties();
  app.pixelCount = static_cast<int>(app.displayProperties.width * app.displayProperties.height);
  if (!AllocateFrameBuffer(app.frame, app.displayProperties)) return fail(kStatusOutOfMemory);

  // The bundled data must be readable; without it nothing of the globe can be shown.
  std::error_code ec;
  if (app.paths.dataDir.empty() || !std::filesystem::is_directory(app.paths.dataDir, ec)) {
    return fail(kStatusFileError);
  }

  // 3. Splash.
  if (!FadeInSplash(app)) return fail(kStatusOutOfMemory);

  // 4. Settings.
  app.settingsStore = std::make_unique<platform::SettingsStore>(app.paths.settingsFile);
  // `Show all countries` takes effect once the city database is open (step 10).
  SettingsHooks hooks;
  hooks.setCommandChecked = [&app](int command, bool checked) {
    SetCommandChecked(app.window.commandBar, static_cast<uint32_t>(command), checked);
  };
  hooks.loadRoute = RouteLoadHook(app.routes, MakeRouteFolders(app.paths.dataDir, app.paths.userDataDir));
  LoadSettings(app.settings, *app.settingsStore, hooks);

  // 5. The compass picture's file name.
  app.compassFileName = "compass.gif";

  // 6. The user-interface font and the skin named in the settings.
  if (!LoadFont(app.font, app.settings.font)) return fail(kStatusOutOfMemory);
  AttachUi(app.ui, app.frame, app.font, app.host.get());
  if (!LoadStartupSkin(app.ui, app.paths.dataDir, app.settings.skinFile)) return fail(kStatusOutOfMemory);

  // 7. The command-bar icon strip (125) and the marker strip (128).
  app.commandIcons = MakeResourceImage(kCommandIconsResource);
  app.markerStrip = MakeResourceImage(kMarkerStripResource);
  if (!Load(app.commandIcons, nullptr, kLoadWhole) || !Load(app.markerStrip, nullptr, kLoadWhole)) {
    return fail(kStatusOutOfMemory);
  }

  // 8. The stored view, brought into range: longitude 0..65536, latitude ±16384.
  if (app.settings.viewLongitude > 65536) app.settings.viewLongitude -= 65536;
  if (app.settings.viewLongitude < 0) app.settings.viewLongitude += 65536;
  app.settings.viewLatitude = std::clamp(app.settings.viewLatitude, -16384, 16384);

  // 9. "Initializing..." and the progress bar at 0.
  DrawText(app.frame, app.font, 50, 116 - app.font.glyphHeight, "Initializing...", kWhite);
  ShowProgress(app, 0);

  // 10. The city database and the saved selection; without cities the program runs on.
  {
    const CityDatabaseOpenResult r = OpenCityDatabase(app.cities, app.paths.dataDir / "cities.bin");
    if (r.ok()) {
      LoadDisplayedCities(app.cities, app.paths.userDataDir / "cities.sav", app.selectedCities);
      if (app.settings.showAllCountries) AllCountriesAsPlaces(app.cities, app.displayedCountries);
      app.placeHooks = CityPlaceHooks(app.cities);
      SetCityLayers({app.settings, app.cities, app.selectedCities, app.displayedCountries}, app.sceneLayers);
    } else if (r.status == CityDatabaseStatus::kDamaged) {
      std::fprintf(stderr, "orrelux: %s\n", r.message.c_str());
      app.startupNotices.push_back(r.message);
    }
  }
  SetRouteLayer(app.routes, app.sceneLayers);
  AddRoutePlaceHooks(app.placeHooks, app.font);
  SetMeasureLayers({app.measure, app.settings, app.cities, app.selectedCities, app.globe, &app.gps.mainFix},
                   app.sceneLayers);
  SetGpsLayers({app.gpsDisplay, app.gps.mainFix, app.gps.history, app.measure, app.compassImage}, app.sceneLayers);
  ShowProgress(app, 30);  // 11.

  // 12. The trigonometric tables and the column tables of the stored radius.
  BuildTrigTables();
  LoadViewFromSettings(app.globe.view, app.settings);
  ShowProgress(app, 50);  // 13.

  // 14. The composed texture, without a progress display. Map files that cannot be used
  //     are reported in a message box over the first frame; start-up goes on.
  {
    TextureUi ui;
    ui.showMessage = [&app](const char* text, const char* caption, bool) {
      ShowMessageBox(app.ui, text, caption, kButtonsOk, nullptr);
    };
    const int status = RebuildTexture(
        app.globe, MakeTextureSource(app.settings, app.paths.dataDir, platform::GetSystemTime()), ui, false);
    if (status != kTextureOk) return fail(status);
  }
  // 15. The stored flat-map height, keeping the stored scroll offsets.
  ApplyStoredPlanarHeight(app.globe.view, app.settings.planarHeight);
  ShowProgress(app, 100);  // 16.

  // 17. The first paint renders the scene.
  app.globe.view.redrawRequested = true;
  Sleep(app, 100);

  // 18-19. The snap point is cleared and the optional compass picture loaded.
  auto compass = std::make_unique<ImageObject>(MakeFileImage((app.paths.dataDir / app.compassFileName).string()));
  if (std::filesystem::exists(compass->fileName, ec) && Load(*compass, nullptr, kLoadWhole)) {
    app.compassImage = std::move(compass);
  }
  return kStatusOk;
}

void ShutDown(App& app) {
  if (app.shuttingDown || !app.host) return;
  app.shuttingDown = true;
  // 1. Fade out: 255, 247, ..., 7.
  if (app.frame.data()) {
    for (int i = 0; i < kFadeSteps; ++i) Present(app, 255 - i * 8);
  }
  // 2. The timer.
  if (app.animationTimer) {
    app.host->KillTimer(app.animationTimer);
    app.animationTimer = 0;
  }
  // An Options screen still shown closes as with "Cancel".
  if (app.options.isOpen) {
    OptionsEnv env = OptionsEnvOf(app);
    CloseOptionsDialog(app.options, env);
    app.window.screenMode = kScreenGlobe;
  }
  // 3. The city selection.
  if (app.cities.isOpen() &&
      !SaveDisplayedCities(app.cities, app.paths.userDataDir / "cities.sav", app.selectedCities)) {
    std::fprintf(stderr, "orrelux: could not write %s\n", (app.paths.userDataDir / "cities.sav").c_str());
  }
  // 4. Settings, with the view as the user left it.
  if (app.settingsStore) {
    SaveViewToSettings(app.globe.view, app.settings);
    app.settings.routeFiles = RouteNames(app.routes);  // the routes shown now, in list order
    SaveSettings(app.settings, *app.settingsStore);
    if (!app.settingsStore->Commit()) {
      std::fprintf(stderr, "orrelux: could not write the settings file %s\n",
                   app.paths.settingsFile.c_str());
    }
  }
  // 5. Release, 6. deactivate and close: the window's destruction posts the quit message.
  ReleaseAll(app);
  app.host->SendMessage(platform::kMsgActivate, 0, 0);
  app.host->SendMessage(platform::kMsgClose, 0, 0);
}

void ReleaseAll(App& app) {
  app.frame.pixels.reset();
  app.frame.width = app.frame.height = 0;
  app.globe.texture.pixels.reset();
  app.globe.texture.width = app.globe.texture.height = 0;
  app.renderHelper.reset();
  app.compassImage.reset();
  Destroy(app.commandIcons);
  Destroy(app.markerStrip);
  SetPanel(app.ui, nullptr);
  SetModalDialog(app.ui, nullptr);
  app.measure = MeasureState();  // its places may name cities of the database closed below
  app.selectedCities.clear();
  app.displayedCountries.clear();
  CloseCityDatabase(app.cities);
  app.routes.clear();
  DestroyWeatherPlaces(app.weatherPlaces);
  StopWeatherThreads(app.weather);
  // Detection stops, the port closes and the reader is waited for (at most 5000 ms per
  // wait); the history goes.
  ReleaseGps(app.gps);
}

}  // namespace orx
