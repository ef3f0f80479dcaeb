// `--render FILE.png`: one frame of the globe drawn headless through the same scene code
// as the window, written as PNG. The program's wallpaper and scripting mode.
//
//   orrelux --render FILE.png [--time T] [--data-dir DIR] [--view LAT,LON] [--radius R]
//           [--planar [--map-height H]] [--grid|--no-grid] [--circles|--no-circles]
//           [--shadow|--no-shadow] [--overlay|--no-overlay]
//           [--twilight none|civil|nautical|astro] [--spots|--no-spots]
//
// What is not given comes from the settings file, which is only read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orx {

// Whether the command line asks for --render (then RunRenderCommand takes all of it).
bool WantsRender(int argc, char** argv);

// The text of --help for the render options.
std::string RenderUsageText();

// Parses the whole command line, draws the frame and writes the PNG. 0 on success, 1
// when the frame cannot be made or written (with a message on standard error), 2 for a
// malformed command line. `settingsFile` replaces the user's settings file (tests).
int RunRenderCommand(int argc, char** argv, const std::optional<std::filesystem::path>& settingsFile = std::nullopt);

}  // namespace orx
