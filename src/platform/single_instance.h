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
  // True when this process is the first copy; it then listens on `socketPath` and calls
  // `onShowRequest` from a listener thread whenever another start asks; the handler
  // returns false once this copy is exiting. False when another copy answered; it has
  // been asked to show itself. A copy that answers that it is exiting is waited for,
  // and this one then starts. A stale socket left by a crashed copy is replaced, and so
  // is one another user put there; when that cannot be removed (a sticky /tmp), the
  // path gets a number ("-2", "-3", ...), which every copy of this user looks at too.
  bool Acquire(const std::filesystem::path& socketPath, std::function<bool()> onShowRequest);
  // Stops the listener (no handler call is running afterwards) and removes our socket.
  void Release();
  // The path this copy listens on (empty when none).
  const std::filesystem::path& path() const { return path_; }

 private:
  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::filesystem::path path_;
  uint64_t socketDevice_ = 0;  // identity of the socket file we bound, so that Release
  uint64_t socketInode_ = 0;   // never removes a socket another copy made since
  std::thread listener_;
};

}  // namespace orx::platform
