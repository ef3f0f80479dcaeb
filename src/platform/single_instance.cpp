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
constexpr std::string_view kExiting = "exiting\n";
constexpr int kExchangeTimeoutMs = 2000;  // a copy that does not answer within this is hung
constexpr int kExitWaitMs = 20000;        // longest wait for an exiting copy to end
constexpr int kExitPollMs = 50;
constexpr int kPathCandidates = 4;        // the socket path and three numbered ones

bool MakeAddress(const std::filesystem::path& path, sockaddr_un& addr) {
  const std::string& p = path.native();
  if (p.empty() || p.size() >= sizeof addr.sun_path) return false;
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, p.data(), p.size());
  return true;
}

// Reads one line of at most `limit` bytes; empty when the peer closes or the time is up.
std::string ReceiveLine(int fd, size_t limit) {
  std::string got;
  while (got.size() < limit && (got.empty() || got.back() != '\n')) {
    pollfd pfd{fd, POLLIN, 0};
    const int r = ::poll(&pfd, 1, kExchangeTimeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return {};
    char c;
    const ssize_t n = ::recv(fd, &c, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return {};
    got.push_back(c);
  }
  return got;
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

enum class Contact { kAnswered, kExiting, kNobody, kStale, kForeign };

// Asks the copy listening at `addr` to show itself.
Contact AskRunningCopy(const sockaddr_un& addr) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Contact::kNobody;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    const int err = errno;
    ::close(fd);
    // A socket file with nobody listening is what a crashed copy leaves behind; one we
    // may not even connect to belongs to someone else.
    if (err == EACCES) return Contact::kForeign;
    return err == ECONNREFUSED ? Contact::kStale : Contact::kNobody;
  }
  // A listener of another user is not a copy of ours, whatever it answers.
  ucred peer{};
  socklen_t len = sizeof peer;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0 || peer.uid != ::getuid()) {
    ::close(fd);
    return Contact::kForeign;
  }
  // Someone of ours accepted: another copy runs, even if it is too busy to acknowledge.
  Contact contact = Contact::kAnswered;
  if (SendAll(fd, kShowRequest) && ReceiveLine(fd, kExiting.size()) == kExiting) contact = Contact::kExiting;
  ::close(fd);
  return contact;
}

bool IsSocketFile(const std::filesystem::path& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// The n-th place for the socket: the path itself, then "name-2.sock", "name-3.sock", ...
std::filesystem::path Candidate(const std::filesystem::path& path, int n) {
  if (n == 0) return path;
  std::filesystem::path p = path;
  p.replace_filename(path.stem().string() + "-" + std::to_string(n + 1) + path.extension().string());
  return p;
}

}  // namespace

SingleInstance::~SingleInstance() { Release(); }

bool SingleInstance::Acquire(const std::filesystem::path& socketPath, std::function<bool()> onShowRequest) {
  Release();
  // First look for a copy of ours at every candidate; a copy that is exiting is waited
  // for. `free` is the first candidate we may bind.
  int free = -1;
  for (int n = 0; n < kPathCandidates; ++n) {
    const std::filesystem::path path = Candidate(socketPath, n);
    sockaddr_un addr;
    // Without a usable socket path this copy cannot be found by others; it runs anyway.
    if (!MakeAddress(path, addr)) return true;
    Contact contact = AskRunningCopy(addr);
    for (int waited = 0; contact == Contact::kExiting && waited < kExitWaitMs; waited += kExitPollMs) {
      ::usleep(kExitPollMs * 1000);
      contact = AskRunningCopy(addr);
    }
    if (contact == Contact::kAnswered) return false;
    if (contact == Contact::kForeign || contact == Contact::kStale) {
      if (IsSocketFile(path)) ::unlink(path.c_str());  // never removes anything but a socket
      if (IsSocketFile(path)) continue;                // not ours to remove
    }
    if (free < 0) free = n;
  }
  if (free < 0) return true;

  const std::filesystem::path path = Candidate(socketPath, free);
  sockaddr_un addr;
  MakeAddress(path, addr);
  // Two attempts: a copy starting at the same moment may take the path between our
  // look and our bind.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
      ::chmod(path.c_str(), 0600);
      struct stat st;
      if (::lstat(path.c_str(), &st) == 0) {
        socketDevice_ = st.st_dev;
        socketInode_ = st.st_ino;
      }
      if (::listen(fd, 8) != 0 || ::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        ::close(fd);
        ::unlink(path.c_str());
        stopPipe_[0] = stopPipe_[1] = -1;
        return true;
      }
      listenFd_ = fd;
      path_ = path;
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
          if (ReceiveLine(conn, kShowRequest.size()) == kShowRequest) {
            const bool shown = !onShowRequest || onShowRequest();
            SendAll(conn, shown ? kAcknowledgement : kExiting);
          }
          ::close(conn);
        }
      });
      return true;
    }
    const int err = errno;
    ::close(fd);
    if (err != EADDRINUSE) return true;
    const Contact contact = AskRunningCopy(addr);
    if (contact == Contact::kAnswered) return false;
    if (contact == Contact::kStale && IsSocketFile(path)) ::unlink(path.c_str());
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
