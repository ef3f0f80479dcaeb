// Handing a file to the desktop: the user's preferred viewer opens it (xdg-open).
#pragma once

#include <filesystem>
#include <string>

namespace orx::platform {

// The command that opens files: $ORRELUX_OPENER when set (tests point it at a
// recorder), else xdg-open.
std::string DesktopOpener();

// Starts DesktopOpener() on `path` without waiting for it; false when the opener could
// not be started, for example when it is not installed (whether the viewer then shows
// the file is not known). The child is reaped in the background so that no zombie is
// left.
bool OpenWithDesktop(const std::filesystem::path& path);

}  // namespace orx::platform
