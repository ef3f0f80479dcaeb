// Where the program's files are: the data directory with the bundled data ("beside the
// program"), the user data directory it writes to and the settings file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orx::platform {

// The data directory: `override` (from --data-dir) if given, else $ORRELUX_DATA_DIR,
// else the executable's directory when it holds cities.bin or maps/, else
// <prefix>/share/orrelux beside the installed executable. Null when none exists.
std::optional<std::filesystem::path> FindDataDir(const std::optional<std::filesystem::path>& override);

// The directory of the running executable.
std::filesystem::path ExecutableDir();

// $XDG_DATA_HOME/orrelux (default ~/.local/share/orrelux); not created here.
std::filesystem::path UserDataDir();
// $XDG_CONFIG_HOME/orrelux (default ~/.config/orrelux): the settings key tree.
std::filesystem::path ConfigDir();
// ConfigDir() / "settings.ini".
std::filesystem::path SettingsFilePath();
// The per-user socket that keeps a single copy running.
std::filesystem::path InstanceSocketPath();

}  // namespace orx::platform
