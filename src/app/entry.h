// The entry function: command line, single instance, the main window, start-up, the
// message loop and the closing messages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/app.h"
#include "platform/host.h"

namespace orx {

struct CommandLine {
  int scale = 0;                 // --scale N (1..8); 0 = fit the desktop
  bool fullscreen = false;       // --fullscreen
  std::optional<int64_t> time;   // --time T (or ORRELUX_TIME): UTC milliseconds
  std::optional<std::filesystem::path> dataDir;  // --data-dir DIR
  std::optional<std::string> info;  // --info LAT,LON | --info CITY: print the information lines
  std::optional<std::string> find;  // --find PREFIX: list the matching cities
  bool help = false;
  bool version = false;
};

// Parses GNU-style options (--opt value and --opt=value). False with `error` set on a
// mistake.
bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string& error);
std::string UsageText();

// What the entry function uses from the outside world; tests replace pieces.
struct EntryEnvironment {
  // Opens the main window (null with an error text when no display can be had).
  std::function<std::unique_ptr<platform::NativeWindow>(const platform::WindowOptions&, std::string*)> createWindow;
  // Shows a closing message.
  std::function<void(const std::string&)> showClosingMessage;
  std::optional<AppPaths> paths;  // default: from the data-directory rules and XDG
  std::filesystem::path instanceSocket;  // default: the per-user socket
  std::function<void(int)> sleep;        // default: really sleep
  std::function<void(App&)> onRunning;   // called once before the message loop
};

// Runs the program; returns the exit code (0 when another copy was found).
int RunOrrelux(const CommandLine& cmd, EntryEnvironment env = {});

// main(): parses the command line and runs the program or the informational options.
int Main(int argc, char** argv);

}  // namespace orx
