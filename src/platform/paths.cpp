#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace orx::platform {
namespace {

namespace fs = std::filesystem;

bool IsDir(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

// An environment variable that XDG rules accept: set, non-empty and absolute.
std::optional<fs::path> XdgDir(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v || v[0] != '/') return std::nullopt;
  return fs::path(v);
}

fs::path HomeDir() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

}  // namespace

std::optional<fs::path> FindDataDirIn(const std::optional<fs::path>& override, const char* envValue,
                                      const fs::path& exeDir) {
  // An explicit choice is final: a missing folder there is reported, not replaced.
  if (override) return IsDir(*override) ? std::optional(*override) : std::nullopt;
  if (envValue && *envValue) return IsDir(envValue) ? std::optional(fs::path(envValue)) : std::nullopt;
  if (!exeDir.empty()) {
    if (Exists(exeDir / "cities.bin") || IsDir(exeDir / "maps")) return exeDir;
    const fs::path installed = exeDir.parent_path() / "share" / "orrelux";
    if (IsDir(installed)) return installed;
  }
  return std::nullopt;
}

std::optional<fs::path> FindDataDir(const std::optional<fs::path>& override) {
  return FindDataDirIn(override, std::getenv("ORRELUX_DATA_DIR"), ExecutableDir());
}

fs::path ExecutableDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path();
}

fs::path UserDataDir() {
  if (auto d = XdgDir("XDG_DATA_HOME")) return *d / "orrelux";
  return HomeDir() / ".local" / "share" / "orrelux";
}

fs::path ConfigDir() {
  if (auto d = XdgDir("XDG_CONFIG_HOME")) return *d / "orrelux";
  return HomeDir() / ".config" / "orrelux";
}

fs::path SettingsFilePath() { return ConfigDir() / "settings.ini"; }

fs::path InstanceSocketPath() {
  if (auto d = XdgDir("XDG_RUNTIME_DIR")) return *d / "orrelux.sock";
  return fs::path("/tmp") / ("orrelux-" + std::to_string(::getuid()) + ".sock");
}

}  // namespace orx::platform
