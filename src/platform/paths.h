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
// An explicitly given folder (option or variable) that does not exist gives null.
std::optional<std::filesystem::path> FindDataDir(const std::optional<std::filesystem::path>& override);
// The same rules over given inputs: `envValue` stands for $ORRELUX_DATA_DIR (null or
// empty = unset) and `exeDir` for the executable's directory.
std::optional<std::filesystem::path> FindDataDirIn(const std::optional<std::filesystem::path>& override,
                                                   const char* envValue,
                                                   const std::filesystem::path& exeDir);

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
