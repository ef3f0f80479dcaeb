// One running copy per user: a Unix-domain socket. A second start asks the first copy
// to show and raise its window, then ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <thread>

namespace orx::platform {

class SingleInstance {
 public:
  ~SingleInstance();
  // True when this process is the first copy; it then listens on `socketPath` (a stale
  // socket left by a crashed copy is replaced) and calls `onShowRequest` from a
  // listener thread whenever another start asks. False when another copy answered; it
  // has been asked to show itself.
  bool Acquire(const std::filesystem::path& socketPath, std::function<void()> onShowRequest);
  void Release();

 private:
  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::filesystem::path path_;
  uint64_t socketDevice_ = 0;  // identity of the socket file we bound, so that Release
  uint64_t socketInode_ = 0;   // never removes a socket another copy made since
  std::thread listener_;
};

}  // namespace orx::platform
