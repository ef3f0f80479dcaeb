#include "platform/desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

namespace orx::platform {

std::string DesktopOpener() {
  const char* opener = std::getenv("ORRELUX_OPENER");
  return opener && *opener ? opener : "xdg-open";
}

bool OpenWithDesktop(const std::filesystem::path& path) {
  std::string program = DesktopOpener();
  std::string file = path.string();
  char* argv[] = {program.data(), file.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace orx::platform
