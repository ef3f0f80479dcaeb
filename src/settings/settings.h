// The user settings: the one `Settings` record with its built-in defaults, loaded from
// the settings key tree once at start-up and written back whole at orderly exit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gfx/color.h"
#include "platform/settings_store.h"

namespace orx {

// orrelux-weatherd on loopback (its default port; see weather/service_address.h).
inline constexpr char kDefaultWeatherUrl[] = "http://127.0.0.1:47380/cgi-bin/WeatherService.php";
inline constexpr char kDefaultMainMapFile[] = "Day.gif";
inline constexpr char kDefaultOverlayMapFile[] = "Night.gif";
inline constexpr char kDefaultSkinFile[] = "Default.gif";
inline constexpr uint32_t kDefaultFlags = 0xA5C3AE4A;
inline constexpr uint32_t kDefaultFlags2 = 0x000000CF;
// Longest string taken from a stored value, in characters; the rest is dropped.
inline constexpr size_t kMaxStoredStringChars = 129;

struct Settings {
  // "General" "Flags", bit 0 first.
  bool latLonGrid = false;                      // command 2001
  bool showDayAndNight = true;                  // command 2002
  bool sphericalPlanarView = false;             // set = planar view; command 2006 shows the inverse
  bool panRotate = true;                        // command 2005
  bool computeDistance = false;                 // command 2004
  bool showSelectedCities = false;              // command 2007
  bool useOverlayMap = true;                    // also "Maps" "Use Overlay Map"
  bool textureSmoothing3d = false;
  bool antipodes = false;
  bool sunSpot = true;
  bool showCountryNameAtSnapPoint = true;
  bool snapToNearestKnownPlace = true;
  bool tropicAndPolarCircles = false;
  bool snapToNearestPopulousPlace = true;
  bool showAllCountries = false;
  bool latLon = true;
  bool cityTime = true;
  bool cityDate = true;
  bool citysNextDstTransition = false;
  bool sunriseAndSunsetTime = false;
  bool sunAzimuthAndElevation = false;
  bool rotateGlobe = false;
  bool autoUpdateOfEarthsShadow = true;
  bool snapToNearestDisplayedPlace = true;
  bool animatedRotationToCity = true;
  bool moonriseAndMoonsetTime = false;
  bool moonSpot = true;
  bool moonAzimuthAndElevation = false;
  bool cityPopulation = false;
  bool antialiasedLines = true;
  bool latLonFormat = false;                    // set = decimal degrees, clear = degrees and minutes
  bool directionPointersForDistanceArc = true;

  // "General" "Flags2", bits 0-10.
  bool showCourse = true;
  bool showCompass = true;
  bool showTimeToDestination = true;
  bool semiTransparentTextBackground = true;
  bool temperature = false;                     // set = Celsius, clear = Fahrenheit
  bool weatherAutoUpdate = false;
  bool showPlaceName = true;
  bool showWeather = true;
  bool showHistory = false;
  bool asRoute = false;
  bool gpsAutoUpdate = false;

  // "General": the view as last left, and display choices.
  int32_t globeRadius = 118;      // pixels
  int32_t viewLongitude = 0;      // 1/65536 turn, -32768..32767 as loaded
  int32_t viewLatitude = 0;       // 1/65536 turn, -32768..32767 as loaded
  int32_t planarHeight = -1;      // pixels; -1 = the texture's own height
  int32_t planarScrollX = 0;      // pixels
  int32_t planarScrollY = 0;      // pixels
  int32_t gridStep = 1031;        // 1030 = 10°, 1031 = 15°, 1032 = 30°
  int32_t distanceUnits = 0;      // 0 km, 1 mi, 2 nm
  int32_t timeFormat = 0;         // 0 12hr, 1 24hr, 2 HHMM
  int32_t snapRadius = 60;        // nautical miles, 1..200
  int32_t rotationSpeed = 50;     // 1..100
  int32_t animationSpeed = 50;    // 1..100

  // "Maps": file names (UTF-8) relative to maps/ and skins/.
  std::string mainMapFile = kDefaultMainMapFile;
  std::string overlayMapFile = kDefaultOverlayMapFile;
  int32_t overlayOperation = 5;   // 0 Union, 1 Intersection, 2 Exclusion, 3 Merge, 4 Overlay, 5 Day/Night
  std::string skinFile = kDefaultSkinFile;
  int32_t font = 1;               // 0 10 pt fixed, 1 11 pt variable, 2 9 pt variable

  // "GPS".
  int32_t gpsPort = 0;            // 0..18 = COM1..COM19, 19 = gpsd
  int32_t gpsBaud = 2;            // 0..9 index into 1200 .. 115200 baud
  int32_t gpsUpdateInterval = 30; // minutes, 5..120

  // "Weather".
  int32_t weatherUpdateInterval = 30;  // minutes, 15..120
  std::string weatherUrl = kDefaultWeatherUrl;

  // "Advanced".
  int32_t sphericalArcSmoothing = 16;   // 1..50
  int32_t planarArcSmoothing = 32;      // 1..50
  int32_t earthShadowDarkness = 20;     // percent
  int32_t earthShadowSpecularity = 90;  // percent
  int32_t textureBrightness = 100;      // percent
  int32_t shadowUpdateInterval = 5;     // minutes, 1..20
  int32_t twilightType = -1035;         // ±1033 Civil, ±1034 Nautical, ±1035 Astro; negative = band hidden

  // "Colors".
  Color565 backgroundColor = 0x0000;
  Color565 distanceArcColor = 0xFFFF;
  Color565 gridColor = 0x4414;
  Color565 equatorColor = 0xFFE0;
  Color565 tropicColor = 0xFB00;
  Color565 arcticColor = 0x07E8;
  Color565 displayedCityColor = 0xFFFF;
  Color565 snappedCityColor = 0xFFE0;
  Color565 displayedCountryColor = 0xFFFF;
  Color565 gpsCourseColor = 0xFE40;
  Color565 weatherColor = 0x07F9;
  Color565 gpsHistoryColor = 0xFFFF;    // not stored: every run starts with it

  // "Route": file names relative to routes/, in list order.
  std::vector<std::string> routeFiles;

  bool operator==(const Settings&) const = default;
};

// The 32 "Flags" bits and the 11 "Flags2" bits (bits 11-31 ignored / written as 0).
uint32_t PackFlags(const Settings& s);
void UnpackFlags(Settings& s, uint32_t flags);
uint32_t PackFlags2(const Settings& s);
void UnpackFlags2(Settings& s, uint32_t flags2);

// What loading needs from the rest of the program; every hook may be left empty.
struct SettingsHooks {
  // Sets the checked state of a command bar button (2001, 2002, 2004..2007).
  std::function<void(int command, bool checked)> setCommandChecked;
  // Called when `Show all countries` is set: every country becomes displayed.
  std::function<void()> showAllCountries;
  // Loads routes/<name> into the route list; false ends restoring the list.
  std::function<bool(const std::string& name)> loadRoute;
};

// Overwrites `s` from the store in the fixed load order: a missing value, or one of
// the other type, leaves its field as it was. Route names go to `routeFiles` (with a
// loadRoute hook, only those that loaded). Ends with ClampSettings.
void LoadSettings(Settings& s, const platform::SettingsStore& store, const SettingsHooks& hooks = {});

// Writes every setting into the store, replaces the "Route" sub-key by `routeFiles`,
// and commits the store to its file. False when the commit failed (callers ignore it).
bool SaveSettings(const Settings& s, platform::SettingsStore& store);

// Brings every value into the range the program can draw with (rules in settings.cpp).
void ClampSettings(Settings& s);

}  // namespace orx
