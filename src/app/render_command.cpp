#include "app/render_command.h"
#include "app/option_walker.h"

#include "app/city_layers.h"
#include "cities/saved_cities.h"
#include "gfx/font.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>

#include "gfx/framebuffer.h"
#include "gfx/image.h"
#include "globe/overlay.h"
#include "globe/render.h"
#include "globe/texture.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/png_writer.h"
#include "platform/settings_store.h"
#include "routes/route.h"
#include "settings/settings.h"
#include "weather/weather.h"

namespace orx {
namespace {

struct RenderOptions {
  std::string output;
  std::optional<int64_t> time;
  std::optional<std::filesystem::path> dataDir;
  std::optional<double> latitude, longitude;  // degrees
  std::optional<int> radius;
  bool planar = false;
  std::optional<int> mapHeight;
  std::optional<bool> grid, circles, shadow, overlay, spots;
  std::optional<int> twilight;  // 0 none, 1033..1035
};

bool ParseNumber(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && std::isfinite(out);
}

bool ParseWhole(const std::string& text, int low, int high, int& out) {
  double v;
  if (!ParseNumber(text, v) || v != std::floor(v) || v < low || v > high) return false;
  out = static_cast<int>(v);
  return true;
}

bool Parse(int argc, char** argv, RenderOptions& o, std::string& error) {
  OptionWalker options(argc, argv);
  while (options.Next()) {
    const std::string& arg = options.name();
    std::string value;
    auto needValue = [&] { return options.Value(value, error); };
    struct Switch {
      const char* on;
      const char* off;
      std::optional<bool> RenderOptions::*field;
    };
    static const Switch kSwitches[] = {{"--grid", "--no-grid", &RenderOptions::grid},
                                       {"--circles", "--no-circles", &RenderOptions::circles},
                                       {"--shadow", "--no-shadow", &RenderOptions::shadow},
                                       {"--overlay", "--no-overlay", &RenderOptions::overlay},
                                       {"--spots", "--no-spots", &RenderOptions::spots}};
    bool matched = false;
    for (const Switch& s : kSwitches) {
      if (arg == s.on || arg == s.off) {
        o.*(s.field) = arg == s.on;
        matched = true;
      }
    }
    if (matched) continue;
    if (arg == "--render") {
      if (!needValue()) return false;
      o.output = value;
    } else if (arg == "--time") {
      if (!needValue()) return false;
      o.time = platform::ParseUtcInstant(value);
      if (!o.time) {
        error = "--time needs a UTC instant such as 2026-12-07T12:00:00Z";
        return false;
      }
    } else if (arg == "--data-dir") {
      if (!needValue()) return false;
      o.dataDir = std::filesystem::path(value);
    } else if (arg == "--view") {
      if (!needValue()) return false;
      const size_t comma = value.find(',');
      double lat, lon;
      if (comma == std::string::npos || !ParseNumber(value.substr(0, comma), lat) ||
          !ParseNumber(value.substr(comma + 1), lon) || std::fabs(lat) > 90 || std::fabs(lon) > 180) {
        error = "--view needs LAT,LON in degrees (north and east positive), e.g. 48.85,2.35";
        return false;
      }
      o.latitude = lat;
      o.longitude = lon;
    } else if (arg == "--radius") {
      int r;
      if (!needValue()) return false;
      if (!ParseWhole(value, 1, 10000, r)) {
        error = "--radius needs a whole number of pixels from 1 to 10000";
        return false;
      }
      o.radius = r;
    } else if (arg == "--planar") {
      o.planar = true;
    } else if (arg == "--map-height") {
      int h;
      if (!needValue()) return false;
      if (!ParseWhole(value, 1, kMaxMapHeight, h)) {
        error = "--map-height needs a whole number of pixels from 1 to 8192";
        return false;
      }
      o.mapHeight = h;
    } else if (arg == "--twilight") {
      if (!needValue()) return false;
      if (value == "none") o.twilight = 0;
      else if (value == "civil") o.twilight = 1033;
      else if (value == "nautical") o.twilight = 1034;
      else if (value == "astro") o.twilight = 1035;
      else {
        error = "--twilight needs none, civil, nautical or astro";
        return false;
      }
    } else {
      error = "unknown option " + arg + " with --render";
      return false;
    }
  }
  if (o.output.empty()) {
    error = "--render needs the name of the PNG file to write";
    return false;
  }
  if (o.mapHeight && !o.planar) {
    error = "--map-height goes with --planar";
    return false;
  }
  return true;
}

// The settings with the command line's choices applied.
void ApplyOptions(const RenderOptions& o, Settings& s) {
  if (o.grid) s.latLonGrid = *o.grid;
  if (o.circles) s.tropicAndPolarCircles = *o.circles;
  if (o.shadow) s.showDayAndNight = *o.shadow;
  if (o.overlay) s.useOverlayMap = *o.overlay;
  if (o.spots) s.sunSpot = s.moonSpot = *o.spots;
  if (o.twilight) {
    // A negative type keeps the chosen band but hides it.
    const int magnitude = std::abs(s.twilightType);
    s.twilightType = *o.twilight == 0 ? -magnitude : *o.twilight;
  }
  if (o.planar) s.sphericalPlanarView = true;
  if (o.radius) s.globeRadius = *o.radius;
  if (o.mapHeight) s.planarHeight = *o.mapHeight;
}

}  // namespace

bool WantsRender(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--render") == 0 || std::strncmp(argv[i], "--render=", 9) == 0) return true;
  }
  return false;
}

std::string RenderUsageText() {
  return "  --render FILE.png draw one frame headless, write it as PNG and exit; with:\n"
         "    --view LAT,LON  the view centre in degrees (north and east positive)\n"
         "    --radius R      the globe's radius in pixels\n"
         "    --planar        the flat map, with --map-height H its height in pixels\n"
         "    --grid, --no-grid, --circles, --no-circles, --shadow, --no-shadow,\n"
         "    --overlay, --no-overlay, --spots, --no-spots\n"
         "                    the grid, tropics and polar circles, day and night, the\n"
         "                    overlay map, the Sun and Moon spots\n"
         "    --twilight none|civil|nautical|astro\n"
         "    --time T, --data-dir DIR as above; the rest comes from the settings\n";
}

int RunRenderCommand(int argc, char** argv, const std::optional<std::filesystem::path>& settingsFile) {
  RenderOptions options;
  std::string error;
  if (!Parse(argc, argv, options, error)) {
    std::fprintf(stderr, "orrelux: %s\nTry 'orrelux --help' for more information.\n", error.c_str());
    return 2;
  }
  const std::optional<std::filesystem::path> dataDir = platform::FindDataDir(options.dataDir);
  if (!dataDir) {
    std::fprintf(stderr, "orrelux: no data directory with maps/ found (use --data-dir DIR)\n");
    return 1;
  }

  // The settings are only read: this mode never writes the settings file.
  const platform::SettingsStore store(settingsFile.value_or(platform::SettingsFilePath()));
  Settings settings;
  RouteList routes;
  const RouteFolders routeFolders = MakeRouteFolders(*dataDir, platform::UserDataDir());
  SettingsHooks settingsHooks;
  settingsHooks.loadRoute = RouteLoadHook(routes, routeFolders);
  LoadSettings(settings, store, settingsHooks);
  ApplyOptions(options, settings);
  ClampSettings(settings);

  const platform::SystemTime utc = options.time ? platform::SystemTimeFromMillis(*options.time)
                                                : platform::GetSystemTime();
  Globe globe;
  LoadViewFromSettings(globe.view, settings);
  constexpr double kRadians = std::numbers::pi / 180;
  TextureSource source = MakeTextureSource(settings, *dataDir, utc);
  if (!globe.view.planarMode) {
    // The sphere's centre does not depend on the map, so only the texels it shows are composed.
    if (options.latitude) CenterOn(globe.view, *options.latitude * kRadians, *options.longitude * kRadians);
    source.demand = [&globe, &settings](TexelDemand& demand) { MarkSphereDemand(globe.view, settings, demand); };
  }
  std::string mapMessage;
  TextureUi ui;
  ui.showMessage = [&mapMessage](const char* text, const char*, bool) { mapMessage = text; };
  const int status = RebuildTexture(globe, source, ui, false);
  if (status == kTextureOutOfMemory || globe.texture.empty()) {
    std::fprintf(stderr, "orrelux: %s\n",
                 status == kTextureOutOfMemory ? "not enough memory for the texture" : mapMessage.c_str());
    return 1;
  }
  ApplyStoredPlanarHeight(globe.view, settings.planarHeight);
  if (globe.view.planarMode && options.latitude) {
    CenterOn(globe.view, *options.latitude * kRadians, *options.longitude * kRadians);
  }

  ImageObject markers = MakeResourceImage(kMarkerStripResource);
  if (!Load(markers, nullptr, kLoadWhole)) {
    std::fprintf(stderr, "orrelux: the built-in marker strip cannot be loaded\n");
    return 1;
  }
  FrameBuffer frame;
  frame.width = kViewWidth;
  frame.height = kViewHeight;
  frame.pixels.reset(new Color565[static_cast<size_t>(kViewWidth) * kViewHeight]());
  // The user's cities and the displayed countries, with their labels.
  Font font;
  CityDatabase cities;
  PlaceList selectedCities;
  PlaceList displayedCountries;
  SceneLayers layers;
  PlaceDrawHooks placeHooks;
  if (OpenCityDatabase(cities, *dataDir / "cities.bin").ok()) {
    LoadDisplayedCities(cities, platform::UserDataDir() / "cities.sav", selectedCities);
    if (settings.showAllCountries) AllCountriesAsPlaces(cities, displayedCountries);
    placeHooks = CityPlaceHooks(cities);
    SetCityLayers({settings, cities, selectedCities, displayedCountries}, layers);
  }
  SetRouteLayer(routes, layers);
  // The weather places of the stored weather data file, as the program draws them.
  WeatherClient weather;
  WeatherPlaceList weatherPlaces;
  if (settings.showWeather) {
    weather.paths = MakeWeatherPaths(*dataDir, platform::UserDataDir());
    LoadWeatherPlaces(weather, weatherPlaces);
    SetWeatherLayer(weatherPlaces, layers);
  }
  AddRoutePlaceHooks(placeHooks, font);
  Scene scene{frame, globe, settings, &markers};
  if (LoadFont(font, settings.font)) scene.font = &font;
  scene.layers = &layers;
  scene.placeHooks = &placeHooks;
  globe.view.redrawRequested = true;
  RenderScene(scene);

  if (!platform::WritePng565(options.output, frame.data(), frame.width, frame.height, frame.width)) {
    std::fprintf(stderr, "orrelux: cannot write %s\n", options.output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace orx
