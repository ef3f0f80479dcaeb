#include "app/entry.h"
#include "app/option_walker.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

#include "app/info_command.h"
#include "app/render_command.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/single_instance.h"

namespace orx {
namespace {

bool ParseInt(const std::string& s, int& out) {
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

// `--info gps`, in any letter case.
bool IsGpsQuery(const std::string& query) {
  return query.size() == 3 && (query[0] | 0x20) == 'g' && (query[1] | 0x20) == 'p' && (query[2] | 0x20) == 's';
}

}  // namespace

std::string UsageText() {
  return std::string("Usage: orrelux [OPTION]...\n"
                     "A world clock and interactive globe.\n\n"
         "  --scale N         show the 240 x 320 screen N times enlarged (1..8)\n"
         "  --fullscreen      fill the desktop, integer-scaled and centred\n"
         "  --time T          start the clock at the UTC instant T,\n"
         "                    e.g. 2026-12-07T12:00:00Z (also ORRELUX_TIME)\n"
         "  --data-dir DIR    read maps, skins, routes and cities.bin from DIR\n"
         "                    (also ORRELUX_DATA_DIR)\n"
         "  --info LAT,LON    print the information lines of the place nearest to LAT,LON\n"
         "                    (degrees, north and east positive)\n"
         "  --info CITY       print the information lines of the most populous CITY\n"
         "  --info gps        print the position of the GPS receiver chosen in the\n"
         "                    settings (or ORRELUX_GPS_DEVICE, ORRELUX_GPSD) and the\n"
         "                    lines of the place there; waits at most 10 s for a fix\n"
         "  --find PREFIX     list the cities whose names start with PREFIX\n") +
         RenderUsageText() +
         "  --help            show this help and exit\n"
         "  --version         show the version and exit\n\n"
         "Settings live in $XDG_CONFIG_HOME/orrelux/settings.ini;\n"
         "run wipekey to reset them.\n";
}

bool ParseCommandLine(int argc, char** argv, CommandLine& out, std::string& error) {
  OptionWalker options(argc, argv);
  while (options.Next()) {
    const std::string& arg = options.name();
    std::string value;
    auto needValue = [&] { return options.Value(value, error); };
    if (arg == "--help" || arg == "-h") {
      out.help = true;
    } else if (arg == "--version") {
      out.version = true;
    } else if (arg == "--fullscreen") {
      out.fullscreen = true;
    } else if (arg == "--scale") {
      if (!needValue()) return false;
      if (!ParseInt(value, out.scale) || out.scale < 1 || out.scale > 8) {
        error = "--scale needs a whole number from 1 to 8";
        return false;
      }
    } else if (arg == "--time") {
      if (!needValue()) return false;
      out.time = platform::ParseUtcInstant(value);
      if (!out.time) {
        error = "--time needs a UTC instant such as 2026-12-07T12:00:00Z";
        return false;
      }
    } else if (arg == "--info" || arg == "--find") {
      if (!needValue()) return false;
      (arg == "--info" ? out.info : out.find) = value;
    } else if (arg == "--data-dir") {
      if (!needValue()) return false;
      out.dataDir = std::filesystem::path(value);
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  if (!out.time) {
    if (const char* t = std::getenv("ORRELUX_TIME"); t && *t) {
      out.time = platform::ParseUtcInstant(t);
      if (!out.time) {
        error = "ORRELUX_TIME needs a UTC instant such as 2026-12-07T12:00:00Z";
        return false;
      }
    }
  }
  return true;
}

int RunOrrelux(const CommandLine& cmd, EntryEnvironment env) {
  if (!env.createWindow) env.createWindow = platform::CreateSdlWindow;
  if (!env.showClosingMessage) {
    env.showClosingMessage = [](const std::string& text) { platform::ShowSystemMessageBox(text, ""); };
  }
  if (!env.sleep) {
    env.sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  }
  if (env.instanceSocket.empty()) env.instanceSocket = platform::InstanceSocketPath();

  // 1. Window class and title.
  const std::string title = platform::LoadStringResource(1);

  // 2. Single instance: another copy is asked to show itself and this one ends.
  App app;
  std::atomic<platform::Host*> liveHost{nullptr};
  platform::SingleInstance instance;
  // The listener is stopped before the window goes, so a request never reaches a freed
  // host; once the exit has begun, a second start is told so and waits for it to end.
  if (!instance.Acquire(env.instanceSocket, [&liveHost, &app] {
        if (app.shuttingDown) return false;
        platform::Host* h = liveHost.load();
        if (!h) return false;
        h->PostMessage(platform::kMsgShowInstance);
        return true;
      })) {
    std::fputs("Orrelux is already running; its window was brought to the front\n", stderr);
    return 0;
  }

  // The clock; --time starts UTC at the given instant.
  platform::SystemClock clock(cmd.time);
  platform::InstallClock(&clock);

  // 3. The main window, with the program's directories.
  if (env.paths) {
    app.paths = *env.paths;
  } else {
    app.paths.dataDir = platform::FindDataDir(cmd.dataDir).value_or(std::filesystem::path());
    app.paths.userDataDir = platform::UserDataDir();
    app.paths.settingsFile = platform::SettingsFilePath();
  }
  app.sleep = env.sleep;
  int status = kStatusOk;
  platform::WindowOptions options;
  options.scale = cmd.scale;
  options.fullscreen = cmd.fullscreen;
  options.title = title;
  std::string windowError;
  // 4-5. The window opens its display and input with it.
  std::unique_ptr<platform::NativeWindow> window = env.createWindow(options, &windowError);
  if (!window) {
    if (!windowError.empty()) std::fprintf(stderr, "orrelux: %s\n", windowError.c_str());
    status = kStatusGeneralError;
  } else {
    app.host = std::make_unique<platform::Host>(std::move(window));
    app.host->SetWindowProc([&app](const platform::Message& m) { return MainWindowProc(app, m); });
    liveHost = app.host.get();
    platform::InstallTerminationHandlers(app.host.get());
    // 6. Start-up, the timer and the message loop.
    status = StartUp(app);
    if (status == kStatusOk) {
      app.animationTimer = app.host->SetTimer(platform::kAnimationTimerId, platform::kAnimationTimerPeriodMs);
      app.host->window().Show();
      // Problems met during start-up (a damaged city database) appear over the first frame.
      for (const std::string& notice : app.startupNotices) {
        ShowMessageBox(app.ui, notice.c_str(), "Error", 0, nullptr);
      }
      app.host->Invalidate();
      if (env.onRunning) env.onRunning(app);
      app.host->RunMessageLoop();
    }
    platform::InstallTerminationHandlers(nullptr);
    liveHost = nullptr;
  }
  // The settings are saved by now: a copy started from here on may run.
  instance.Release();
  // 7. The display and input close with the window.
  const int exitCode = app.host ? app.host->exitCode() : 0;
  ReleaseAll(app);
  // 8. The closing message of a failed start, while the (hidden) window still holds the
  //    display connection; then the window goes.
  if (status != kStatusOk) {
    if (app.host) app.host->window().Hide();
    env.showClosingMessage(ClosingMessage(status));
  }
  app.host.reset();
  instance.Release();
  platform::InstallClock(nullptr);
  if (status != kStatusOk) return 1;
  // 9. The quit message's exit code.
  return exitCode;
}

int Main(int argc, char** argv) {
  if (WantsRender(argc, argv)) return RunRenderCommand(argc, argv);
  CommandLine cmd;
  std::string error;
  if (!ParseCommandLine(argc, argv, cmd, error)) {
    std::fprintf(stderr, "orrelux: %s\nTry 'orrelux --help' for more information.\n", error.c_str());
    return 2;
  }
  if (cmd.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (cmd.version) {
    std::printf("orrelux %s\n", ORRELUX_VERSION);
    return 0;
  }
  if (cmd.info || cmd.find) {
    // Terminal commands: the settings are read, never written.
    Settings settings;
    LoadSettings(settings, platform::SettingsStore(platform::SettingsFilePath()), SettingsHooks{});
    const std::filesystem::path citiesFile =
        platform::FindDataDir(cmd.dataDir).value_or(std::filesystem::path()) / "cities.bin";
    if (cmd.info) {
      platform::SystemClock clock(cmd.time);
      const platform::SystemTime now = platform::SystemTimeFromMillis(clock.UtcMillis());
      if (IsGpsQuery(*cmd.info)) return RunGpsInfoCommand(now, settings, citiesFile, std::cout, std::cerr);
      return RunInfoCommand(*cmd.info, now, settings, citiesFile, std::cout, std::cerr);
    }
    return RunFindCommand(*cmd.find, settings, citiesFile, std::cout, std::cerr);
  }
  return RunOrrelux(cmd);
}

}  // namespace orx
