#include "settings/settings.h"

#include <gtest/gtest.h>

#include <map>

#include "support/temp_dir.h"

namespace orx {
namespace {

using platform::SettingsStore;
using platform::StoredValue;
using Names = std::vector<std::string>;

StoredValue Stored(const SettingsStore& store, const char* key, const std::string& name) {
  StoredValue v;
  EXPECT_TRUE(store.ReadValue(key, name, v)) << key << "/" << name;
  return v;
}

Settings LoadFrom(const SettingsStore& store, const SettingsHooks& hooks = {}) {
  Settings s;
  LoadSettings(s, store, hooks);
  return s;
}

TEST(Settings, EmptyStoreGivesDefaultsAndSaveWritesSixSubKeys) {
  SettingsStore store;
  std::vector<std::pair<int, bool>> commands;
  SettingsHooks hooks;
  hooks.setCommandChecked = [&](int c, bool on) { commands.emplace_back(c, on); };
  hooks.showAllCountries = [] { ADD_FAILURE() << "Show all countries is off by default"; };
  EXPECT_EQ(LoadFrom(store, hooks), Settings{});
  // The command bar is set even though nothing was stored; 2006 shows the inverse.
  EXPECT_EQ(commands, (std::vector<std::pair<int, bool>>{
                          {2001, false}, {2002, true}, {2006, true}, {2005, true}, {2004, false}, {2007, false}}));

  SaveSettings(Settings{}, store);
  EXPECT_EQ(store.SubKeys(), (Names{"General", "Maps", "GPS", "Weather", "Advanced", "Colors"}));
  EXPECT_EQ(store.ValueNames("General"),
            (Names{"Flags", "Flags2", "Last Zoom Radius", "Last LatLon", "Last Flat Mode Height", "Last Flat Mode XY",
                   "Grid Step", "Distance Units", "Time Format", "Snap Radius", "Rotation Speed", "Animation Speed"}));
  EXPECT_EQ(store.ValueNames("Maps"), (Names{"Main Map File", "Overlay Map File", "Use Overlay Map",
                                             "Overlay Operation", "Skin File", "Font"}));
  EXPECT_EQ(store.ValueNames("Colors").size(), 11u);
  EXPECT_EQ(Stored(store, "General", "Flags").dword, 0xA5C3AE4Au);
  EXPECT_EQ(Stored(store, "General", "Flags2").dword, 0xCFu);
  EXPECT_EQ(Stored(store, "General", "Last Flat Mode Height").dword, 0xFFFFFFFFu);
  EXPECT_EQ(Stored(store, "Advanced", "Twilight Type").dword, static_cast<uint32_t>(-1035));
  EXPECT_EQ(Stored(store, "Weather", "URL").text, kDefaultWeatherUrl);
}

// Each flag field owns exactly its bit, so packing is the inverse of unpacking.
TEST(Settings, EveryFlagBitIsItsOwnField) {
  EXPECT_EQ(PackFlags(Settings{}), kDefaultFlags);
  EXPECT_EQ(PackFlags2(Settings{}), kDefaultFlags2);
  Settings s;
  for (int bit = 0; bit < 32; ++bit) {
    UnpackFlags(s, 1u << bit);
    UnpackFlags2(s, 0);
    EXPECT_EQ(PackFlags(s), 1u << bit);
    EXPECT_EQ(PackFlags2(s), 0u) << "bit " << bit << " of Flags reached Flags2";
  }
  for (int bit = 0; bit < 11; ++bit) {
    UnpackFlags(s, 0);
    UnpackFlags2(s, 1u << bit);
    EXPECT_EQ(PackFlags2(s), 1u << bit);
    EXPECT_EQ(PackFlags(s), 0u);
  }
  UnpackFlags2(s, 0xFFFFF800);
  EXPECT_EQ(PackFlags2(s), 0u) << "bits 11-31 of Flags2 are ignored";
}

TEST(Settings, FlagsZeroTheOverlaySwitchAndShowAllCountries) {
  SettingsStore store;
  store.WriteDword("General", "Flags", 0);
  std::map<int, bool> commands;
  SettingsHooks hooks;
  hooks.setCommandChecked = [&](int c, bool on) { commands[c] = on; };
  Settings s = LoadFrom(store, hooks);
  EXPECT_EQ(PackFlags(s), 0u);
  EXPECT_FALSE(s.useOverlayMap);
  EXPECT_EQ(PackFlags2(s), kDefaultFlags2) << "Flags2 missing keeps its defaults";
  EXPECT_TRUE(commands[2006]) << "spherical view: 2006 is checked";

  store.WriteDword("Maps", "Use Overlay Map", 7);
  EXPECT_TRUE(LoadFrom(store).useOverlayMap) << "the Maps value is read later and wins";
  store.WriteDword("Maps", "Use Overlay Map", 0);
  store.WriteDword("General", "Flags", 1u << 14);
  int calls = 0;
  hooks.showAllCountries = [&] { ++calls; };
  EXPECT_FALSE(LoadFrom(store, hooks).useOverlayMap);
  EXPECT_EQ(calls, 1);
}

TEST(Settings, ViewValuesAreSignedHalves) {
  SettingsStore store;
  store.WriteDword("General", "Last Zoom Radius", static_cast<uint32_t>(-5));
  store.WriteDword("General", "Last LatLon", 0x0000C000);
  store.WriteDword("General", "Last Flat Mode XY", 0x8000FFFF);
  Settings s = LoadFrom(store);
  EXPECT_EQ(s.globeRadius, 118);
  EXPECT_EQ(s.viewLongitude, -16384);
  EXPECT_EQ(s.viewLatitude, 0);
  EXPECT_EQ(s.planarScrollX, -1);
  EXPECT_EQ(s.planarScrollY, -32768);
  store.WriteDword("General", "Last Zoom Radius", 0);
  EXPECT_EQ(LoadFrom(store).globeRadius, 0);

  // Saving keeps 16 bits of each half.
  s.viewLongitude = 49152;
  s.viewLatitude = -16384;
  s.planarScrollX = 70000;
  s.planarScrollY = -2;
  SaveSettings(s, store);
  EXPECT_EQ(Stored(store, "General", "Last LatLon").dword, 0xC000C000u);
  EXPECT_EQ(Stored(store, "General", "Last Flat Mode XY").dword, 0xFFFE1170u);
}

TEST(Settings, ColoursAndStringsAreCutAndWrongTypesIgnored) {
  SettingsStore store;
  store.WriteDword("Colors", "Weather Color", 0x12345678);
  store.WriteString("Maps", "Skin File", std::string(200, 's'));
  std::string accented;
  for (int i = 0; i < 140; ++i) accented += "\xC3\xA9";
  store.WriteString("Weather", "URL", accented);
  store.WriteString("General", "Snap Radius", "90");
  store.WriteDword("Maps", "Main Map File", 3);
  Settings s = LoadFrom(store);
  EXPECT_EQ(s.weatherColor, 0x5678);
  EXPECT_EQ(s.skinFile, std::string(129, 's'));
  EXPECT_EQ(s.weatherUrl.size(), 129u * 2) << "characters are counted, not bytes";
  EXPECT_EQ(s.snapRadius, 60) << "a value of the other type counts as missing";
  EXPECT_EQ(s.mainMapFile, "Day.gif");
}

TEST(Settings, RouteListEndsAtTheFirstGapOrFailedLoad) {
  SettingsStore store;
  store.WriteDword("Route", "Count", 3);
  store.WriteString("Route", "RouteFile_1", "a.xml");
  store.WriteString("Route", "RouteFile_3", "c.xml");
  EXPECT_EQ(LoadFrom(store).routeFiles, (Names{"a.xml"}));

  store.WriteString("Route", "RouteFile_2", "b.xml");
  Names tried;
  SettingsHooks hooks;
  hooks.loadRoute = [&](const std::string& name) {
    tried.push_back(name);
    return name != "b.xml";
  };
  EXPECT_EQ(LoadFrom(store, hooks).routeFiles, (Names{"a.xml"}));
  EXPECT_EQ(tried, (Names{"a.xml", "b.xml"})) << "later entries are not tried";
  for (uint32_t count : {0u, 0xFFFFFFFFu}) {
    store.WriteDword("Route", "Count", count);
    EXPECT_TRUE(LoadFrom(store).routeFiles.empty()) << count;
  }
  store.WriteDword("Route", "Count", 0x7FFFFFFF);
  EXPECT_EQ(LoadFrom(store).routeFiles.size(), 3u) << "a huge count stops at the first missing name";
}

TEST(Settings, SavingReplacesTheRouteKey) {
  SettingsStore store;
  store.WriteDword("Route", "Count", 5);
  for (int k = 1; k <= 5; ++k) store.WriteString("Route", "RouteFile_" + std::to_string(k), "old.xml");
  Settings s;
  s.routeFiles = {"one.xml", "two.xml"};
  SaveSettings(s, store);
  EXPECT_EQ(store.ValueNames("Route"), (Names{"Count", "RouteFile_1", "RouteFile_2"}));
  EXPECT_EQ(Stored(store, "Route", "Count").dword, 2u);
  EXPECT_EQ(Stored(store, "Route", "RouteFile_2").text, "two.xml");
  s.routeFiles.clear();
  SaveSettings(s, store);
  EXPECT_FALSE(store.HasSubKey("Route"));
}

// Every stored field set away from its default survives a save to disk and a fresh load.
TEST(Settings, EveryFieldRoundTripsThroughTheFile) {
  orx::testing::TempDir dir;
  const auto file = dir.path() / "orrelux" / "settings.ini";
  Settings s;
  UnpackFlags(s, ~kDefaultFlags);
  UnpackFlags2(s, ~kDefaultFlags2 & 0x7FF);
  s.globeRadius = 300, s.viewLongitude = -12345, s.viewLatitude = 16384, s.planarHeight = 640;
  s.planarScrollX = 1279, s.planarScrollY = -7, s.gridStep = 1032, s.distanceUnits = 2, s.timeFormat = 1;
  s.snapRadius = 200, s.rotationSpeed = 1, s.animationSpeed = 100;
  s.mainMapFile = "Blue Marble é.gif", s.overlayMapFile = "Clouds.gif", s.skinFile = "Dark\\Skin.gif";
  s.overlayOperation = 0, s.font = 2, s.gpsPort = 18, s.gpsBaud = 9, s.gpsUpdateInterval = 120;
  s.weatherUpdateInterval = 15, s.weatherUrl = "http://localhost:8080/cgi-bin/WeatherService.php";
  s.sphericalArcSmoothing = 50, s.planarArcSmoothing = 1, s.earthShadowDarkness = 0;
  s.earthShadowSpecularity = 100, s.textureBrightness = 55, s.shadowUpdateInterval = 20, s.twilightType = 1033;
  Color565 next = 1;
  for (Color565* c : {&s.backgroundColor, &s.distanceArcColor, &s.gridColor, &s.equatorColor, &s.tropicColor,
                      &s.arcticColor, &s.displayedCityColor, &s.snappedCityColor, &s.displayedCountryColor,
                      &s.gpsCourseColor, &s.weatherColor}) {
    *c = next++;
  }
  s.routeFiles = {"Trip.xml", "Home places.xml"};
  s.gpsHistoryColor = 0x1234;

  SettingsStore store(file);
  ASSERT_TRUE(SaveSettings(s, store));
  Settings loaded = LoadFrom(SettingsStore(file));
  EXPECT_EQ(loaded.gpsHistoryColor, 0xFFFF) << "the history colour is not stored";
  s.gpsHistoryColor = 0xFFFF;
  EXPECT_EQ(loaded, s);
}

// Hand-edited or damaged values are brought into range when loaded.
TEST(Settings, OutOfRangeValuesAreRepaired) {
  struct Case {
    const char* key;
    const char* name;
    int32_t stored;
    int32_t Settings::*field;
    int32_t expected;
  };
  const Case cases[] = {
      {"General", "Last Zoom Radius", 0x7FFFFFFF, &Settings::globeRadius, 10000},
      {"General", "Last Flat Mode Height", 0, &Settings::planarHeight, -1},
      {"General", "Last Flat Mode Height", -7, &Settings::planarHeight, -1},
      {"General", "Last Flat Mode Height", 8193, &Settings::planarHeight, -1},
      {"General", "Last Flat Mode Height", 8192, &Settings::planarHeight, 8192},
      {"General", "Grid Step", 1033, &Settings::gridStep, 1031},
      {"General", "Distance Units", 3, &Settings::distanceUnits, 0},
      {"General", "Time Format", -1, &Settings::timeFormat, 0},
      {"General", "Snap Radius", 0, &Settings::snapRadius, 1},
      {"General", "Snap Radius", 201, &Settings::snapRadius, 200},
      {"General", "Rotation Speed", -50, &Settings::rotationSpeed, 1},
      {"General", "Animation Speed", 1000, &Settings::animationSpeed, 100},
      {"Maps", "Overlay Operation", 6, &Settings::overlayOperation, 5},
      {"Maps", "Font", 3, &Settings::font, 0},
      {"GPS", "GPS Port", 20, &Settings::gpsPort, 0},
      {"GPS", "GPS Baud", 10, &Settings::gpsBaud, 2},
      {"GPS", "GPS Update Interval", 4, &Settings::gpsUpdateInterval, 5},
      {"Weather", "Update Interval", 500, &Settings::weatherUpdateInterval, 120},
      {"Advanced", "Spherical Arc Smoothing", 0, &Settings::sphericalArcSmoothing, 1},
      {"Advanced", "Planar Arc Smoothing", 51, &Settings::planarArcSmoothing, 50},
      {"Advanced", "Earth Shadow Darkness", -1, &Settings::earthShadowDarkness, 0},
      {"Advanced", "Earth Shadow Specularity", 101, &Settings::earthShadowSpecularity, 100},
      {"Advanced", "Texture Brightness", 255, &Settings::textureBrightness, 100},
      {"Advanced", "Shadow Update Interval", 21, &Settings::shadowUpdateInterval, 20},
      {"Advanced", "Twilight Type", 1036, &Settings::twilightType, -1035},
      {"Advanced", "Twilight Type", INT32_MIN, &Settings::twilightType, -1035},
      {"Advanced", "Twilight Type", -1033, &Settings::twilightType, -1033},
  };
  for (const Case& c : cases) {
    SettingsStore store;
    store.WriteDword(c.key, c.name, static_cast<uint32_t>(c.stored));
    EXPECT_EQ(LoadFrom(store).*c.field, c.expected) << c.name << " = " << c.stored;
  }
  SettingsStore store;
  for (const char* name : {"Main Map File", "Overlay Map File", "Skin File"}) store.WriteString("Maps", name, "");
  store.WriteString("Weather", "URL", "");
  EXPECT_EQ(LoadFrom(store), Settings{}) << "empty names fall back to the built-in ones";
}

}  // namespace
}  // namespace orx
