#include "app/options_screen.h"

#include "app/app.h"

namespace orx {

OptionsEnv OptionsEnvOf(App& app) {
  OptionsEnv env{app.settings, app.ui,     app.font, app.cities, app.selectedCities, app.displayedCountries,
                 app.routes,   MakeRouteFolders(app.paths.dataDir, app.paths.userDataDir), app.paths.dataDir};
  env.weather = &app.weather;
  env.gps = &app.gps;
  env.rebuildTexture = [&app] { RebuildWithProgress(app); };
  env.returnToGlobe = [&app] {
    app.window.screenMode = kScreenGlobe;
    app.globe.view.redrawRequested = true;
    if (app.host) app.host->Invalidate();
  };
  return env;
}

void OpenOptionsScreen(App& app) {
  if (app.options.isOpen || app.shuttingDown) return;
  OptionsEnv env = OptionsEnvOf(app);
  OpenOptionsDialog(app.options, env);
  app.window.screenMode = kScreenOptions;
  if (app.host) app.host->Invalidate();
}

bool OptionsScreenProc(App& app, const platform::Message& m) {
  if (app.window.screenMode != kScreenOptions || !app.options.isOpen) return false;
  OptionsEnv env = OptionsEnvOf(app);
  return OptionsWindowProc(app.options, env, m);
}

}  // namespace orx
