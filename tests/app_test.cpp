// The program's life cycle through the platform layer: start-up status codes and their
// closing messages, the orderly exit that saves the settings, suspend and show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/entry.h"
#include "cities/city_lists.h"
#include "platform/messages.h"
#include "platform/settings_store.h"

namespace orx {
namespace {

namespace fs = std::filesystem;

class AppLifeCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("orrelux_app_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "data");
    // Start-up loads the skin named in the settings from the data directory.
    fs::copy(fs::path(ORRELUX_SOURCE_DIR) / "data" / "skins", dir_ / "data" / "skins", fs::copy_options::recursive);
    paths_.dataDir = dir_ / "data";
    paths_.userDataDir = dir_ / "user";
    paths_.settingsFile = dir_ / "config" / "settings.ini";
  }
  void TearDown() override { fs::remove_all(dir_); }

  // An environment with a headless window over `display` (none: the window cannot open).
  EntryEnvironment Env(std::function<std::unique_ptr<platform::Display>()> display) {
    EntryEnvironment env;
    env.createWindow = [display](const platform::WindowOptions&, std::string* error)
        -> std::unique_ptr<platform::NativeWindow> {
      if (!display) {
        *error = "no display";
        return nullptr;
      }
      return platform::CreateHeadlessWindow(display());
    };
    env.showClosingMessage = [this](const std::string& text) { messages_.push_back(text); };
    env.paths = paths_;
    env.instanceSocket = dir_ / "instance.sock";
    env.sleep = [](int) {};
    return env;
  }
  static std::unique_ptr<platform::Display> Screen() {
    return std::make_unique<platform::HeadlessDisplay>();
  }

  fs::path dir_;
  AppPaths paths_;
  std::vector<std::string> messages_;
};

TEST_F(AppLifeCycle, EveryFailedStartEndsWithItsClosingMessage) {
  CommandLine cmd;
  // The display cannot be opened.
  EXPECT_EQ(RunOrrelux(cmd, Env(nullptr)), 1);
  // The frame buffer cannot be allocated.
  EXPECT_EQ(RunOrrelux(cmd, Env([] { return std::make_unique<platform::HeadlessDisplay>(9000, 2, 2, 18000); })), 1);
  // The data directory is missing.
  paths_.dataDir = dir_ / "missing";
  EXPECT_EQ(RunOrrelux(cmd, Env(Screen)), 1);
  ASSERT_EQ(messages_.size(), 3u);
  EXPECT_EQ(messages_[0], "General error encountered.\nOrrelux will now close.");
  EXPECT_EQ(messages_[1], "Insufficient memory to continue.\nOrrelux will now close.");
  EXPECT_EQ(messages_[2], "General file error.\nOrrelux will now close.");
  EXPECT_STREQ(ClosingMessage(-5), "Invalid Map File(s).\nOrrelux will now close.");
  EXPECT_STREQ(ClosingMessage(-7), "General error encountered.\nOrrelux will now close.");
  // A failed start writes no settings.
  EXPECT_FALSE(fs::exists(paths_.settingsFile));
}

TEST_F(AppLifeCycle, SplashFadesInAndTheOrderlyExitSavesTheSettings) {
  CommandLine cmd;
  int presentsAtRun = 0;
  EntryEnvironment env = Env(Screen);
  env.onRunning = [&](App& app) {
    auto& display = static_cast<platform::HeadlessDisplay&>(app.host->display());
    presentsAtRun = display.presentCount();
    // The start-up picture holds the white "Initializing..." text.
    bool white = false;
    for (int x = 50; x < 120 && !white; ++x)
      for (int y = 116 - app.font.glyphHeight; y < 116; ++y) white |= display.Pixel(x, y) == 0xFFFF;
    EXPECT_TRUE(white);
    app.globe.view.globeRadius = 77;  // the view is saved with the settings
    app.settings.latLonGrid = true;
    app.host->PostMessage(platform::kMsgClose);  // the window manager's close button
  };
  EXPECT_EQ(RunOrrelux(cmd, env), 0);
  EXPECT_TRUE(messages_.empty());
  // 32 fade-in steps and the progress at 0, 30, 50 and 100 per cent.
  EXPECT_GE(presentsAtRun, 36);

  platform::SettingsStore store(paths_.settingsFile);
  platform::StoredValue v;
  ASSERT_TRUE(store.ReadValue("General", "Last Zoom Radius", v));
  EXPECT_EQ(v.dword, 77u);
  ASSERT_TRUE(store.ReadValue("General", "Flags", v));
  EXPECT_EQ(v.dword & 1u, 1u);

  // The next start reads them back.
  env.onRunning = [&](App& app) {
    EXPECT_EQ(app.globe.view.globeRadius, 77);
    EXPECT_TRUE(app.settings.latLonGrid);
    app.host->PostMessage(platform::kMsgCommand, 2022);  // "Exit"
  };
  EXPECT_EQ(RunOrrelux(cmd, env), 0);
}

TEST_F(AppLifeCycle, SuspendHidesAndASecondStartShowsAgain) {
  CommandLine cmd;
  EntryEnvironment env = Env(Screen);
  env.onRunning = [&](App& app) {
    platform::Host& host = *app.host;
    EXPECT_TRUE(host.window().visible());
    host.PostMessage(platform::kMsgCommand, 2023);  // "Suspend"
    host.PumpPending();
    EXPECT_FALSE(host.window().visible());
    EXPECT_TRUE(app.suspended);
    // A second start finds this copy through its socket and ends with 0.
    EntryEnvironment second = Env(Screen);
    second.createWindow = [](const platform::WindowOptions&, std::string*) -> std::unique_ptr<platform::NativeWindow> {
      ADD_FAILURE() << "the second copy must not open a window";
      return nullptr;
    };
    EXPECT_EQ(RunOrrelux(cmd, second), 0);
    for (int i = 0; i < 200 && !host.window().visible(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      host.PumpPending();
    }
    EXPECT_TRUE(host.window().visible());
    EXPECT_FALSE(app.suspended);
    host.PostMessage(platform::kMsgClose);
  };
  EXPECT_EQ(RunOrrelux(cmd, env), 0);
  EXPECT_TRUE(fs::exists(paths_.settingsFile));
}

TEST_F(AppLifeCycle, ADamagedCityDatabaseIsReportedAndTheProgramRunsWithoutCities) {
  // The real database cut short in the middle of its records.
  std::ifstream in(fs::path(ORRELUX_SOURCE_DIR) / "data" / "cities.bin", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 100000u);
  std::ofstream(paths_.dataDir / "cities.bin", std::ios::binary).write(bytes.data(), 100000);

  CommandLine cmd;
  EntryEnvironment env = Env(Screen);
  env.onRunning = [&](App& app) {
    EXPECT_FALSE(app.cities.isOpen());
    ASSERT_EQ(app.startupNotices.size(), 1u);
    EXPECT_NE(app.startupNotices[0].find("damaged at offset"), std::string::npos) << app.startupNotices[0];
    EXPECT_NE(app.ui.activeModalDialog, nullptr);
    app.host->PostMessage(platform::kMsgClose);
  };
  EXPECT_EQ(RunOrrelux(cmd, env), 0);
  EXPECT_TRUE(messages_.empty());
}

// The user's cities persist in cities.sav and are drawn over the globe while `Show
// Selected Cities` is on.
TEST_F(AppLifeCycle, SelectedCitiesAreSavedAndDrawnOnTheGlobe) {
  for (const char* item : {"cities.bin", "maps"})
    fs::create_symlink(fs::path(ORRELUX_SOURCE_DIR) / "data" / item, paths_.dataDir / item);
  constexpr Color565 kMarked = 0x07FF;  // a colour nothing else on this view uses
  auto countMarked = [](App& app) {
    app.globe.view.redrawRequested = true;
    app.host->SendMessage(platform::kMsgPaint);
    int n = 0;
    for (int i = 0; i < app.frame.width * app.frame.height; ++i) n += app.frame.data()[i] == kMarked;
    return n;
  };
  CommandLine cmd;
  EntryEnvironment env = Env(Screen);
  env.onRunning = [&](App& app) {
    app.host->PostMessage(platform::kMsgClose);  // also when an assertion below fails
    ASSERT_TRUE(app.cities.isOpen());
    std::vector<const char*> names;
    ASSERT_TRUE(ListCitiesOfPopulationClass(app.cities, 0xC00A, 0xCFFF, 20000, names));
    auto london = std::find_if(names.begin(), names.end(), [](const char* n) { return std::strcmp(n, "London") == 0; });
    ASSERT_NE(london, names.end());
    auto place = std::make_unique<Place>();
    ASSERT_TRUE(PlaceOfListItem(app.cities, *london, *place));
    app.selectedCities.push_back(std::move(place));
    app.settings.showSelectedCities = true;
    app.settings.displayedCityColor = kMarked;
  };
  ASSERT_EQ(RunOrrelux(cmd, env), 0);
  ASSERT_TRUE(fs::exists(paths_.userDataDir / "cities.sav"));

  env.onRunning = [&](App& app) {
    app.host->PostMessage(platform::kMsgClose);
    ASSERT_EQ(app.selectedCities.size(), 1u);
    EXPECT_STREQ(app.selectedCities[0]->name, "London");
    EXPECT_GT(countMarked(app), 10);  // London's marker and label on the globe
    app.settings.showSelectedCities = false;
    EXPECT_EQ(countMarked(app), 0);
  };
  EXPECT_EQ(RunOrrelux(cmd, env), 0);
}

TEST(CommandLineTest, ParsesOptionsAndRejectsMistakes) {
  auto parse = [](std::vector<const char*> args, CommandLine& cmd, std::string& error) {
    args.insert(args.begin(), "orrelux");
    return ParseCommandLine(static_cast<int>(args.size()), const_cast<char**>(args.data()), cmd, error);
  };
  CommandLine cmd;
  std::string error;
  ASSERT_TRUE(parse({"--scale", "3", "--fullscreen", "--time=2026-12-07T12:00:00Z", "--data-dir", "/x"}, cmd, error));
  EXPECT_EQ(cmd.scale, 3);
  EXPECT_TRUE(cmd.fullscreen);
  EXPECT_EQ(*cmd.time, 1796644800000LL);
  EXPECT_EQ(cmd.dataDir->string(), "/x");
  for (std::vector<const char*> bad : {std::vector<const char*>{"--scale", "0"}, {"--scale"}, {"--time", "yesterday"},
                                       {"--bogus"}, {"--scale", "2x"}}) {
    CommandLine c;
    EXPECT_FALSE(parse(bad, c, error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

// --help: the program's options, then the render options, then --help and --version,
// the closing remark last with its line end, and no line wider than a terminal.
TEST(CommandLineTest, HelpListsTheOptionsInOrder) {
  const std::string help = UsageText();
  size_t at = 0;
  for (const char* item : {"--scale N", "--fullscreen", "--time T", "--data-dir DIR", "--info LAT,LON", "--info CITY",
                           "--find PREFIX", "--render FILE.png", "--twilight", "--help", "--version", "Settings live"}) {
    const size_t found = help.find(item, at);
    ASSERT_NE(found, std::string::npos) << item << " missing or out of order";
    at = found;
  }
  EXPECT_EQ(help.back(), '\n');
  EXPECT_EQ(help.find("  --", at), std::string::npos) << "an option after the closing remark";
  size_t start = 0;
  for (size_t end; (end = help.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
  }
}

}  // namespace
}  // namespace orx
