// The gpsd service as a byte stream: a TCP connection that has asked for the receiver's
// NMEA sentences, read through the same timed single-byte reads as a serial line.
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string>

#include "platform/serial_port.h"

namespace orx::platform {
namespace {

constexpr char kWatchNmea[] = "?WATCH={\"enable\":true,\"nmea\":true}\n";

// A connected non-blocking socket, or -1 when nothing accepts within the time-out.
int Connect(const GpsdAddress& address, int timeoutMs) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(address.port);
  if (::getaddrinfo(address.host.c_str(), service.c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* ai = found; ai != nullptr && fd < 0; ai = ai->ai_next) {
    fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) continue;
    if (::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) break;
    bool connected = false;
    if (errno == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int error = 0;
      socklen_t length = sizeof error;
      connected = ::poll(&p, 1, timeoutMs) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
                  error == 0;
    }
    if (!connected) {
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  return fd;
}

bool SendAll(int fd, std::string_view text, int timeoutMs) {
  while (!text.empty()) {
    const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    if (n > 0) {
      text.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    pollfd p{fd, POLLOUT, 0};
    if (n < 0 && errno == EAGAIN && ::poll(&p, 1, timeoutMs) == 1) continue;
    return false;
  }
  return true;
}

}  // namespace

GpsdAddress ParseGpsdAddress(std::string_view text) {
  GpsdAddress address;
  std::string_view host = text;
  std::string_view port;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close != std::string_view::npos) {
      host = text.substr(1, close - 1);
      const std::string_view rest = text.substr(close + 1);
      if (!rest.empty() && rest.front() == ':') port = rest.substr(1);
    }
  } else if (const size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (!host.empty()) address.host = std::string(host);
  int number = 0;
  const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (!port.empty() && ec == std::errc() && end == port.data() + port.size() && number > 0 && number < 65536) {
    address.port = number;
  }
  return address;
}

GpsdAddress GpsdAddressFromEnvironment() {
  const char* text = std::getenv(kGpsdVariable);
  return ParseGpsdAddress(text != nullptr ? text : "");
}

bool GpsdAnswers(const GpsdAddress& address) {
  const int fd = Connect(address, kGpsdConnectTimeoutMs);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

SerialOpenResult SerialPort::OpenGpsd(const GpsdAddress& address) {
  Close();
  fd_ = Connect(address, kGpsdConnectTimeoutMs);
  if (fd_ < 0) return SerialOpenResult::kOpenFailed;
  if (!OpenWakePipe()) return SerialOpenResult::kTimeoutFailed;
  // A service that takes the connection but not the request is not answering either.
  if (!SendAll(fd_, kWatchNmea, kGpsdConnectTimeoutMs)) return SerialOpenResult::kOpenFailed;
  bufferStart_ = bufferEnd_ = 0;
  return SerialOpenResult::kOk;
}

}  // namespace orx::platform
