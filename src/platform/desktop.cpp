#include "platform/desktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

namespace orx::platform {

bool OpenWithDesktop(const std::filesystem::path& path) {
  // ORRELUX_OPENER replaces xdg-open (tests point it at a recorder).
  const char* opener = std::getenv("ORRELUX_OPENER");
  std::string program = opener && *opener ? opener : "xdg-open";
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
