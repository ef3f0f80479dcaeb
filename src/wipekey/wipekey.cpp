// Wipekey: erases Orrelux's stored settings, so that its next start uses the built-in
// defaults, and tells the user whether that worked. It shares nothing with Orrelux but
// the location of the settings: $XDG_CONFIG_HOME/orrelux/settings.ini (default
// ~/.config/orrelux/). Its texts go to standard error and, with a display, to a box. The file goes, and with it the orrelux folder once it is empty;
// the folders above it stay.
#include <SDL.h>
#include <dirent.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef ORRELUX_VERSION
#define ORRELUX_VERSION "unknown"
#endif

namespace {

constexpr char kCaption[] = "Wipekey";
constexpr char kSuccess[] = "Orrelux Registry entries have been cleared";
constexpr char kFailure[] =
    "Unable to clear Orrelux Registry entries. If Orrelux is running please close it and try again.";
constexpr char kSettingsName[] = "settings.ini";

// The orrelux configuration folder, by the same rules as Orrelux: $XDG_CONFIG_HOME when
// it is set and absolute, else the home folder's .config, the home folder being $HOME
// or, when that is unset or empty, the account's home from the password database.
std::string ConfigDir() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/orrelux";
  std::string home;
  if (const char* h = std::getenv("HOME"); h != nullptr && h[0] != '\0') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  } else {
    home = "/tmp";
  }
  return home + "/.config/orrelux";
}

// Deletes the settings file, the temporary files an interrupted save may have left
// beside it, and then the folder if nothing else is in it. True when the settings file
// existed and was removed; a missing file means there was nothing stored to clear.
bool DeleteSettingsTree() {
  const std::string dir = ConfigDir();
  const std::string file = dir + "/" + kSettingsName;
  if (::unlink(file.c_str()) != 0) return false;

  const std::string tempPrefix = std::string(kSettingsName) + ".tmp";
  if (DIR* d = ::opendir(dir.c_str())) {
    std::vector<std::string> leftovers;
    while (const dirent* e = ::readdir(d)) {
      if (std::strncmp(e->d_name, tempPrefix.c_str(), tempPrefix.size()) == 0) leftovers.push_back(e->d_name);
    }
    ::closedir(d);
    for (const std::string& name : leftovers) ::unlink((dir + "/" + name).c_str());
  }
  ::rmdir(dir.c_str());  // fails harmlessly when the user keeps other files there
  return true;
}

// Shows the result in a message box when there is a display; the text always goes to
// standard error as well.
void Report(bool ok) {
  const char* text = ok ? kSuccess : kFailure;
  std::fprintf(stderr, "%s\n", text);
  std::fflush(stderr);

  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool haveDisplay = (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
  if (!haveDisplay || SDL_Init(SDL_INIT_VIDEO) != 0) return;
  SDL_ShowSimpleMessageBox(ok ? SDL_MESSAGEBOX_INFORMATION : SDL_MESSAGEBOX_ERROR, kCaption, text, nullptr);
  SDL_Quit();
}

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "Usage: wipekey [--help] [--version]\n"
               "Erases the stored Orrelux settings (%s/%s)\n"
               "so that Orrelux starts with its defaults.\n",
               ConfigDir().c_str(), kSettingsName);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintUsage(stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("wipekey %s\n", ORRELUX_VERSION);
      return 0;
    }
    std::fprintf(stderr, "wipekey: unknown option '%s'\n", argv[i]);
    PrintUsage(stderr);
    return 2;
  }
  Report(DeleteSettingsTree());
  return 0;
}
