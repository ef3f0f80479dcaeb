#include "settings/settings.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace orx {
namespace {

using platform::SettingsStore;
using platform::StoredValue;
using platform::ValueType;

using Flag = bool Settings::*;

// "Flags" bit k is kFlagBits[k].
constexpr std::array<Flag, 32> kFlagBits = {
    &Settings::latLonGrid,
    &Settings::showDayAndNight,
    &Settings::sphericalPlanarView,
    &Settings::panRotate,
    &Settings::computeDistance,
    &Settings::showSelectedCities,
    &Settings::useOverlayMap,
    &Settings::textureSmoothing3d,
    &Settings::antipodes,
    &Settings::sunSpot,
    &Settings::showCountryNameAtSnapPoint,
    &Settings::snapToNearestKnownPlace,
    &Settings::tropicAndPolarCircles,
    &Settings::snapToNearestPopulousPlace,
    &Settings::showAllCountries,
    &Settings::latLon,
    &Settings::cityTime,
    &Settings::cityDate,
    &Settings::citysNextDstTransition,
    &Settings::sunriseAndSunsetTime,
    &Settings::sunAzimuthAndElevation,
    &Settings::rotateGlobe,
    &Settings::autoUpdateOfEarthsShadow,
    &Settings::snapToNearestDisplayedPlace,
    &Settings::animatedRotationToCity,
    &Settings::moonriseAndMoonsetTime,
    &Settings::moonSpot,
    &Settings::moonAzimuthAndElevation,
    &Settings::cityPopulation,
    &Settings::antialiasedLines,
    &Settings::latLonFormat,
    &Settings::directionPointersForDistanceArc,
};

// "Flags2" bit k is kFlag2Bits[k].
constexpr std::array<Flag, 11> kFlag2Bits = {
    &Settings::showCourse,
    &Settings::showCompass,
    &Settings::showTimeToDestination,
    &Settings::semiTransparentTextBackground,
    &Settings::temperature,
    &Settings::weatherAutoUpdate,
    &Settings::showPlaceName,
    &Settings::showWeather,
    &Settings::showHistory,
    &Settings::asRoute,
    &Settings::gpsAutoUpdate,
};

template <size_t N>
uint32_t Pack(const Settings& s, const std::array<Flag, N>& bits) {
  uint32_t word = 0;
  for (size_t k = 0; k < N; ++k) {
    if (s.*bits[k]) word |= 1u << k;
  }
  return word;
}

template <size_t N>
void Unpack(Settings& s, const std::array<Flag, N>& bits, uint32_t word) {
  for (size_t k = 0; k < N; ++k) s.*bits[k] = ((word >> k) & 1u) != 0;
}

using Int = int32_t Settings::*;
using Colour = Color565 Settings::*;
using Text = std::string Settings::*;

struct IntValue {
  const char* name;
  Int field;
};
struct ColourValue {
  const char* name;
  Colour field;
};

// "General" values read and written plainly, after the four view values.
constexpr IntValue kGeneralPlain[] = {
    {"Grid Step", &Settings::gridStep},
    {"Distance Units", &Settings::distanceUnits},
    {"Time Format", &Settings::timeFormat},
    {"Snap Radius", &Settings::snapRadius},
    {"Rotation Speed", &Settings::rotationSpeed},
    {"Animation Speed", &Settings::animationSpeed},
};
constexpr IntValue kGpsValues[] = {
    {"GPS Port", &Settings::gpsPort},
    {"GPS Baud", &Settings::gpsBaud},
    {"GPS Update Interval", &Settings::gpsUpdateInterval},
};
constexpr IntValue kAdvancedValues[] = {
    {"Spherical Arc Smoothing", &Settings::sphericalArcSmoothing},
    {"Planar Arc Smoothing", &Settings::planarArcSmoothing},
    {"Earth Shadow Darkness", &Settings::earthShadowDarkness},
    {"Earth Shadow Specularity", &Settings::earthShadowSpecularity},
    {"Texture Brightness", &Settings::textureBrightness},
    {"Shadow Update Interval", &Settings::shadowUpdateInterval},
    {"Twilight Type", &Settings::twilightType},
};
constexpr ColourValue kColourValues[] = {
    {"Background Color", &Settings::backgroundColor},
    {"Distance Arc Color", &Settings::distanceArcColor},
    {"Grid Color", &Settings::gridColor},
    {"Equator Color", &Settings::equatorColor},
    {"Tropic Color", &Settings::tropicColor},
    {"Arctic Color", &Settings::arcticColor},
    {"Displayed City Color", &Settings::displayedCityColor},
    {"Snapped City Color", &Settings::snappedCityColor},
    {"Displayed Country Color", &Settings::displayedCountryColor},
    {"GPS Course Color", &Settings::gpsCourseColor},
    {"Weather Color", &Settings::weatherColor},
};

constexpr char kGeneral[] = "General";
constexpr char kMaps[] = "Maps";
constexpr char kGps[] = "GPS";
constexpr char kWeather[] = "Weather";
constexpr char kAdvanced[] = "Advanced";
constexpr char kColors[] = "Colors";
constexpr char kRoute[] = "Route";

// A DWORD value; false (and `out` untouched) when missing or stored as a string.
bool ReadDword(const SettingsStore& store, const char* subKey, const char* name, uint32_t& out) {
  StoredValue v;
  if (!store.ReadValue(subKey, name, v) || v.type != ValueType::kDword) return false;
  out = v.dword;
  return true;
}

void ReadInt(const SettingsStore& store, const char* subKey, const char* name, int32_t& field) {
  uint32_t v;
  if (ReadDword(store, subKey, name, v)) field = static_cast<int32_t>(v);
}

// The first kMaxStoredStringChars characters of UTF-8 `text`; a stray byte that is
// not valid UTF-8 counts as a character of its own.
std::string FirstChars(const std::string& text, size_t limit) {
  size_t i = 0;
  for (size_t chars = 0; chars < limit && i < text.size(); ++chars) {
    ++i;
    for (int k = 0; k < 3 && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; ++k) ++i;
  }
  return text.substr(0, i);
}

// A string value cut to its first 129 characters; false when missing or a DWORD.
bool ReadString(const SettingsStore& store, const char* subKey, std::string_view name, std::string& out) {
  StoredValue v;
  if (!store.ReadValue(subKey, name, v) || v.type != ValueType::kString) return false;
  out = FirstChars(v.text, kMaxStoredStringChars);
  return true;
}

int32_t Low16(uint32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF)); }
int32_t High16(uint32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v >> 16)); }
uint32_t Halves(int32_t low, int32_t high) {
  return (static_cast<uint32_t>(high) & 0xFFFF) << 16 | (static_cast<uint32_t>(low) & 0xFFFF);
}

std::string RouteValueName(size_t k) { return "RouteFile_" + std::to_string(k); }

// Restores the route list; ends at the first missing name or failed load.
void LoadRoutes(Settings& s, const SettingsStore& store, const SettingsHooks& hooks) {
  s.routeFiles.clear();
  uint32_t stored;
  if (!ReadDword(store, kRoute, "Count", stored)) return;
  const int32_t count = static_cast<int32_t>(stored);
  for (int32_t k = 1; k <= count; ++k) {
    std::string name;
    if (!ReadString(store, kRoute, RouteValueName(static_cast<size_t>(k)), name)) return;
    if (hooks.loadRoute && !hooks.loadRoute(name)) return;
    s.routeFiles.push_back(std::move(name));
  }
}

void ClampInt(int32_t& v, int32_t lo, int32_t hi) { v = std::clamp(v, lo, hi); }
void ResetOutside(int32_t& v, int32_t lo, int32_t hi, int32_t fallback) {
  if (v < lo || v > hi) v = fallback;
}

}  // namespace

uint32_t PackFlags(const Settings& s) { return Pack(s, kFlagBits); }
void UnpackFlags(Settings& s, uint32_t flags) { Unpack(s, kFlagBits, flags); }
uint32_t PackFlags2(const Settings& s) { return Pack(s, kFlag2Bits); }
void UnpackFlags2(Settings& s, uint32_t flags2) { Unpack(s, kFlag2Bits, flags2); }

void LoadSettings(Settings& s, const SettingsStore& store, const SettingsHooks& hooks) {
  uint32_t v;
  // 1. Flag words.
  if (ReadDword(store, kGeneral, "Flags", v)) UnpackFlags(s, v);
  if (ReadDword(store, kGeneral, "Flags2", v)) UnpackFlags2(s, v);

  // 2. The command bar follows the flags whether or not they were stored.
  if (hooks.setCommandChecked) {
    hooks.setCommandChecked(2001, s.latLonGrid);
    hooks.setCommandChecked(2002, s.showDayAndNight);
    hooks.setCommandChecked(2006, !s.sphericalPlanarView);
    hooks.setCommandChecked(2005, s.panRotate);
    hooks.setCommandChecked(2004, s.computeDistance);
    hooks.setCommandChecked(2007, s.showSelectedCities);
  }

  // 3. "General": the view halves are signed 16-bit numbers.
  if (ReadDword(store, kGeneral, "Last Zoom Radius", v)) {
    s.globeRadius = static_cast<int32_t>(v) < 0 ? 118 : static_cast<int32_t>(v);
  }
  if (ReadDword(store, kGeneral, "Last LatLon", v)) {
    s.viewLongitude = Low16(v);
    s.viewLatitude = High16(v);
  }
  ReadInt(store, kGeneral, "Last Flat Mode Height", s.planarHeight);
  if (ReadDword(store, kGeneral, "Last Flat Mode XY", v)) {
    s.planarScrollX = Low16(v);
    s.planarScrollY = High16(v);
  }
  for (const IntValue& iv : kGeneralPlain) ReadInt(store, kGeneral, iv.name, s.*iv.field);

  // 4. "Maps": "Use Overlay Map" is read after "Flags" and so wins over bit 6.
  ReadString(store, kMaps, "Main Map File", s.mainMapFile);
  ReadString(store, kMaps, "Overlay Map File", s.overlayMapFile);
  if (ReadDword(store, kMaps, "Use Overlay Map", v)) s.useOverlayMap = v != 0;
  ReadInt(store, kMaps, "Overlay Operation", s.overlayOperation);
  ReadString(store, kMaps, "Skin File", s.skinFile);
  ReadInt(store, kMaps, "Font", s.font);

  // 5-7. "GPS", "Weather", "Advanced".
  for (const IntValue& iv : kGpsValues) ReadInt(store, kGps, iv.name, s.*iv.field);
  ReadInt(store, kWeather, "Update Interval", s.weatherUpdateInterval);
  ReadString(store, kWeather, "URL", s.weatherUrl);
  for (const IntValue& iv : kAdvancedValues) ReadInt(store, kAdvanced, iv.name, s.*iv.field);

  // 8. "Colors": only the low 16 bits are a colour.
  for (const ColourValue& cv : kColourValues) {
    if (ReadDword(store, kColors, cv.name, v)) s.*cv.field = static_cast<Color565>(v & 0xFFFF);
  }

  // 9. Every country displayed.
  if (s.showAllCountries && hooks.showAllCountries) hooks.showAllCountries();

  // 10. The route list.
  LoadRoutes(s, store, hooks);

  ClampSettings(s);
}

bool SaveSettings(const Settings& s, SettingsStore& store) {
  // Numbers are written in decimal, bit sets and colours in hex.
  auto dword = [&store](const char* subKey, const char* name, int64_t value) {
    store.WriteDword(subKey, name, static_cast<uint32_t>(value));
  };
  auto hex = [&store](const char* subKey, const char* name, uint32_t value) {
    store.WriteDword(subKey, name, value, platform::DwordFormat::kHex);
  };

  // 1. "General".
  hex(kGeneral, "Flags", PackFlags(s));
  hex(kGeneral, "Flags2", PackFlags2(s));
  dword(kGeneral, "Last Zoom Radius", s.globeRadius);
  hex(kGeneral, "Last LatLon", Halves(s.viewLongitude, s.viewLatitude));
  dword(kGeneral, "Last Flat Mode Height", s.planarHeight);
  hex(kGeneral, "Last Flat Mode XY", Halves(s.planarScrollX, s.planarScrollY));
  for (const IntValue& iv : kGeneralPlain) dword(kGeneral, iv.name, s.*iv.field);

  // 2. "Maps".
  store.WriteString(kMaps, "Main Map File", s.mainMapFile);
  store.WriteString(kMaps, "Overlay Map File", s.overlayMapFile);
  dword(kMaps, "Use Overlay Map", s.useOverlayMap ? 1 : 0);
  dword(kMaps, "Overlay Operation", s.overlayOperation);
  store.WriteString(kMaps, "Skin File", s.skinFile);
  dword(kMaps, "Font", s.font);

  // 3-5. "GPS", "Weather", "Advanced".
  for (const IntValue& iv : kGpsValues) dword(kGps, iv.name, s.*iv.field);
  dword(kWeather, "Update Interval", s.weatherUpdateInterval);
  store.WriteString(kWeather, "URL", s.weatherUrl);
  for (const IntValue& iv : kAdvancedValues) dword(kAdvanced, iv.name, s.*iv.field);

  // 6. "Colors", zero-extended.
  for (const ColourValue& cv : kColourValues) hex(kColors, cv.name, s.*cv.field);

  // 7. The route list replaces whatever "Route" held; an empty list leaves no key.
  store.DeleteSubKey(kRoute);
  if (!s.routeFiles.empty()) {
    dword(kRoute, "Count", static_cast<int64_t>(s.routeFiles.size()));
    for (size_t k = 0; k < s.routeFiles.size(); ++k) {
      store.WriteString(kRoute, RouteValueName(k + 1), s.routeFiles[k]);
    }
  }
  return store.Commit();
}

// Repairs of values a hand-edited or damaged file can hold, so that no setting can
// divide by zero, loop without end or draw outside the frame:
//   Last Zoom Radius         > 10000 -> 10000 (0 stays 0: the view raises it to its own
//                            minimum; negative was already replaced by 118 when read)
//   Last Flat Mode Height    -1 or 1..8192 kept, anything else -> -1 (0 would divide
//                            by zero in the planar projection)
//   Grid Step                not 1030..1032 -> 1031
//   Distance Units           not 0..2 -> 0
//   Time Format              not 0..2 -> 0
//   Snap Radius              clamped to 1..200
//   Rotation Speed           clamped to 1..100
//   Animation Speed          clamped to 1..100
//   Overlay Operation        not 0..5 -> 5
//   Font                     not 0..2 -> 0
//   GPS Port                 not 0..19 -> 0 (19 = gpsd)
//   GPS Baud                 not 0..9 -> 2 (4800)
//   GPS Update Interval      clamped to 5..120
//   Weather Update Interval  clamped to 15..120
//   Spherical/Planar Arc Smoothing  clamped to 1..50
//   Earth Shadow Darkness, Earth Shadow Specularity, Texture Brightness  clamped to 0..100
//   Shadow Update Interval   clamped to 1..20
//   Twilight Type            magnitude not 1033..1035 -> -1035
//   Main Map File, Overlay Map File, Skin File, URL   empty -> the built-in name
// The view centre and planar offsets are 16-bit halves and need nothing here; colours
// are 16-bit and flags are bits, so every value of theirs is valid.
void ClampSettings(Settings& s) {
  if (s.globeRadius > 10000) s.globeRadius = 10000;
  if (s.globeRadius < 0) s.globeRadius = 118;
  if (s.planarHeight != -1 && (s.planarHeight < 1 || s.planarHeight > 8192)) s.planarHeight = -1;
  ResetOutside(s.gridStep, 1030, 1032, 1031);
  ResetOutside(s.distanceUnits, 0, 2, 0);
  ResetOutside(s.timeFormat, 0, 2, 0);
  ClampInt(s.snapRadius, 1, 200);
  ClampInt(s.rotationSpeed, 1, 100);
  ClampInt(s.animationSpeed, 1, 100);
  ResetOutside(s.overlayOperation, 0, 5, 5);
  ResetOutside(s.font, 0, 2, 0);
  ResetOutside(s.gpsPort, 0, 19, 0);
  ResetOutside(s.gpsBaud, 0, 9, 2);
  ClampInt(s.gpsUpdateInterval, 5, 120);
  ClampInt(s.weatherUpdateInterval, 15, 120);
  ClampInt(s.sphericalArcSmoothing, 1, 50);
  ClampInt(s.planarArcSmoothing, 1, 50);
  ClampInt(s.earthShadowDarkness, 0, 100);
  ClampInt(s.earthShadowSpecularity, 0, 100);
  ClampInt(s.textureBrightness, 0, 100);
  ClampInt(s.shadowUpdateInterval, 1, 20);
  const int64_t twilight = s.twilightType < 0 ? -static_cast<int64_t>(s.twilightType) : s.twilightType;
  if (twilight < 1033 || twilight > 1035) s.twilightType = -1035;
  if (s.mainMapFile.empty()) s.mainMapFile = kDefaultMainMapFile;
  if (s.overlayMapFile.empty()) s.overlayMapFile = kDefaultOverlayMapFile;
  if (s.skinFile.empty()) s.skinFile = kDefaultSkinFile;
  if (s.weatherUrl.empty()) s.weatherUrl = kDefaultWeatherUrl;
}

}  // namespace orx
