#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace orx::platform {
namespace {

constexpr std::string_view kShowRequest = "show\n";
constexpr std::string_view kAcknowledgement = "ok\n";
constexpr int kExchangeTimeoutMs = 2000;  // a copy that does not answer within this is hung

bool MakeAddress(const std::filesystem::path& path, sockaddr_un& addr) {
  const std::string& p = path.native();
  if (p.empty() || p.size() >= sizeof addr.sun_path) return false;
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, p.data(), p.size());
  return true;
}

// Reads until `expected` has arrived whole, the peer closes or the time is up.
bool ReceiveExactly(int fd, std::string_view expected) {
  std::string got;
  while (got.size() < expected.size()) {
    pollfd pfd{fd, POLLIN, 0};
    const int r = ::poll(&pfd, 1, kExchangeTimeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    char buf[16];
    const ssize_t n = ::recv(fd, buf, std::min(sizeof buf, expected.size() - got.size()), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got.append(buf, static_cast<size_t>(n));
  }
  return got == expected;
}

bool SendAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

enum class Contact { kAnswered, kNobody, kStale };

// Asks the copy listening at `addr` to show itself.
Contact AskRunningCopy(const sockaddr_un& addr) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Contact::kNobody;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    const int err = errno;
    ::close(fd);
    // A socket file with nobody listening is what a crashed copy leaves behind.
    return err == ECONNREFUSED ? Contact::kStale : Contact::kNobody;
  }
  // Someone accepted: another copy runs, even if it is too busy to acknowledge.
  if (SendAll(fd, kShowRequest)) ReceiveExactly(fd, kAcknowledgement);
  ::close(fd);
  return Contact::kAnswered;
}

}  // namespace

SingleInstance::~SingleInstance() { Release(); }

bool SingleInstance::Acquire(const std::filesystem::path& socketPath, std::function<void()> onShowRequest) {
  Release();
  sockaddr_un addr;
  // Without a usable socket path this copy cannot be found by others; it runs anyway.
  if (!MakeAddress(socketPath, addr)) return true;

  // Two attempts: a copy starting at the same moment may take the path between our
  // look and our bind.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const Contact contact = AskRunningCopy(addr);
    if (contact == Contact::kAnswered) return false;
    if (contact == Contact::kStale) {
      struct stat st;  // never removes anything but a socket
      if (::lstat(socketPath.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(socketPath.c_str());
    }

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
      ::chmod(socketPath.c_str(), 0600);
      struct stat st;
      if (::lstat(socketPath.c_str(), &st) == 0) {
        socketDevice_ = st.st_dev;
        socketInode_ = st.st_ino;
      }
      if (::listen(fd, 8) != 0 || ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        ::close(fd);
        ::unlink(socketPath.c_str());
        stopPipe_[0] = stopPipe_[1] = -1;
        return true;
      }
      listenFd_ = fd;
      path_ = socketPath;
      listener_ = std::thread([fd, stop = stopPipe_[0], onShowRequest = std::move(onShowRequest)] {
        for (;;) {
          pollfd pfds[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
          if (::poll(pfds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
          }
          if (pfds[1].revents) return;
          if (!(pfds[0].revents & POLLIN)) continue;
          const int conn = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
          if (conn < 0) continue;
          if (ReceiveExactly(conn, kShowRequest)) {
            if (onShowRequest) onShowRequest();
            SendAll(conn, kAcknowledgement);
          }
          ::close(conn);
        }
      });
      return true;
    }
    const int err = errno;
    ::close(fd);
    if (err != EADDRINUSE) return true;
  }
  return true;
}

void SingleInstance::Release() {
  if (listener_.joinable()) {
    const char b = 'q';
    [[maybe_unused]] ssize_t n = ::write(stopPipe_[1], &b, 1);
    listener_.join();
  }
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    // Only our own socket is removed: another copy may own the path by now.
    struct stat st;
    if (!path_.empty() && ::lstat(path_.c_str(), &st) == 0 && st.st_dev == socketDevice_ &&
        st.st_ino == socketInode_)
      ::unlink(path_.c_str());
  }
  for (int& fd : stopPipe_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  path_.clear();
}

}  // namespace orx::platform
