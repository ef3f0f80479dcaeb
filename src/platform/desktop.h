// Handing a file to the desktop: the user's preferred viewer opens it (xdg-open).
#pragma once

#include <filesystem>

namespace orx::platform {

// Starts the desktop's opener on `path` without waiting for it; false when the opener
// could not be started (whether the viewer then shows the file is not known). The
// child is reaped in the background so that no zombie is left.
bool OpenWithDesktop(const std::filesystem::path& path);

}  // namespace orx::platform
