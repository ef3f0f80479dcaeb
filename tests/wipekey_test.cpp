// Runs the built wipekey program against a settings tree in a temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "platform/paths.h"
#include "platform/settings_store.h"
#include "support/temp_dir.h"

namespace orx {
namespace {

namespace fs = std::filesystem;

constexpr char kSuccess[] = "Orrelux Registry entries have been cleared\n";
constexpr char kFailure[] =
    "Unable to clear Orrelux Registry entries. If Orrelux is running please close it and try again.\n";

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class Wipekey : public ::testing::Test {
 protected:
  Wipekey() { fs::create_directories(config_); }

  // `env` holds VAR=value words; without a display no message box is tried.
  RunResult RunWipekey(const std::string& env, const std::string& args = "") {
    const fs::path out = root_.path() / "out.txt", err = root_.path() / "err.txt";
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY " + env + " '" ORRELUX_BINARY_DIR "/src/wipekey' " +
                            args + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, orx::testing::ReadTextFile(out),
            orx::testing::ReadTextFile(err)};
  }
  RunResult RunWithConfig(const std::string& args = "") {
    return RunWipekey("XDG_CONFIG_HOME='" + config_.string() + "'", args);
  }

  static void StoreFullTree(const fs::path& file) {
    platform::SettingsStore store(file);
    for (const char* key : {"General", "Maps", "GPS", "Weather", "Advanced", "Colors", "Route"}) {
      store.WriteDword(key, "Value", 1);
    }
    ASSERT_TRUE(store.Commit());
  }

  orx::testing::TempDir root_;
  fs::path config_ = root_.path() / "config";
};

TEST_F(Wipekey, NothingStoredIsAFailure) {
  RunResult r = RunWithConfig();
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, kFailure);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(fs::is_directory(config_));
}

TEST_F(Wipekey, DeletesTheTreeKeepsItsParentsAndFailsTheSecondTime) {
  const fs::path dir = config_ / "orrelux";
  StoreFullTree(dir / "settings.ini");
  orx::testing::WriteTextFile(dir / "settings.ini.tmp4242", "left by an interrupted save");
  fs::create_directories(config_ / "other-program");

  RunResult first = RunWithConfig();
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.err, kSuccess);
  EXPECT_EQ(first.out, "");
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_TRUE(fs::is_directory(config_ / "other-program"));

  RunResult second = RunWithConfig();
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.err, kFailure);
  EXPECT_TRUE(fs::is_directory(config_));
}

TEST_F(Wipekey, KeepsTheUsersOwnFilesAndOptionsTouchNothing) {
  const fs::path dir = config_ / "orrelux";
  StoreFullTree(dir / "settings.ini");
  orx::testing::WriteTextFile(dir / "notes.txt", "mine");
  EXPECT_EQ(RunWithConfig("--version").exitCode, 0);
  EXPECT_EQ(RunWithConfig("--help").exitCode, 0);
  EXPECT_EQ(RunWithConfig("--bogus").exitCode, 2);
  EXPECT_TRUE(fs::exists(dir / "settings.ini"));

  EXPECT_EQ(RunWithConfig().err, kSuccess);
  EXPECT_FALSE(fs::exists(dir / "settings.ini"));
  EXPECT_TRUE(fs::exists(dir / "notes.txt"));
}

// Without an absolute XDG_CONFIG_HOME the tree is under $HOME/.config, as Orrelux puts it.
TEST_F(Wipekey, FallsBackToHomeConfig) {
  const fs::path dir = root_.path() / ".config" / "orrelux";
  StoreFullTree(dir / "settings.ini");
  StoreFullTree(config_ / "orrelux" / "settings.ini");
  RunResult r = RunWipekey("XDG_CONFIG_HOME=relative/path HOME='" + root_.path().string() + "'");
  EXPECT_EQ(r.err, kSuccess);
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_TRUE(fs::is_directory(root_.path() / ".config"));
  EXPECT_TRUE(fs::exists(config_ / "orrelux" / "settings.ini"));
}

// Both programs name the same settings file in any environment; with HOME unset they
// both take the account's home folder. (Only --help runs: nothing of the real home
// folder is touched.)
TEST_F(Wipekey, AgreesWithOrreluxWhereTheSettingsAre) {
  auto helpNames = [](const fs::path& file) { return "(" + file.string() + ")"; };
  struct Case {
    const char* env;  // for wipekey
    const char* home;
    const char* xdg;
  };
  const std::string home = root_.path().string();
  const Case cases[] = {{"-u HOME -u XDG_CONFIG_HOME", nullptr, nullptr},
                        {"HOME= XDG_CONFIG_HOME=", "", ""},
                        {"-u HOME XDG_CONFIG_HOME=relative", nullptr, "relative"}};
  const char* savedHome = std::getenv("HOME");
  const std::string homeCopy = savedHome ? savedHome : "";
  const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string xdgCopy = savedXdg ? savedXdg : "";
  for (const Case& c : cases) {
    c.home ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
    c.xdg ? ::setenv("XDG_CONFIG_HOME", c.xdg, 1) : ::unsetenv("XDG_CONFIG_HOME");
    const fs::path expected = platform::SettingsFilePath();
    savedHome ? ::setenv("HOME", homeCopy.c_str(), 1) : ::unsetenv("HOME");
    savedXdg ? ::setenv("XDG_CONFIG_HOME", xdgCopy.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    const RunResult r = RunWipekey(c.env, "--help");
    EXPECT_NE(r.out.find(helpNames(expected)), std::string::npos) << c.env << ": " << r.out;
  }
}

}  // namespace
}  // namespace orx
