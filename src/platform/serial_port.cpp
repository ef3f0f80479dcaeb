#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>

namespace orx::platform {
namespace detail {
bool SetCustomBaudRate(int fd, int baudRate);  // serial_baud.cpp
}

namespace {

// Groups of serial devices in port-index order.
constexpr std::string_view kDevicePrefixes[] = {"ttyUSB", "ttyACM", "rfcomm", "ttyS"};

// The number after `prefix` when `name` is the prefix followed by digits only.
bool DeviceNumber(std::string_view name, std::string_view prefix, long& number) {
  if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 || !name.starts_with(prefix)) return false;
  number = 0;
  for (char c : name.substr(prefix.size())) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return true;
}

struct StandardRate {
  int rate;
  speed_t code;
};

constexpr StandardRate kStandardRates[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

std::vector<std::string> ListSerialDevices(const std::filesystem::path& devDir, const char* overrideList) {
  std::vector<std::string> devices;
  if (overrideList != nullptr && *overrideList != '\0') {
    std::string_view rest(overrideList);
    while (!rest.empty()) {
      const size_t colon = rest.find(':');
      const std::string_view entry = rest.substr(0, colon);
      if (!entry.empty()) devices.emplace_back(entry);
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
    return devices;
  }
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  for (std::string_view prefix : kDevicePrefixes) {
    std::vector<std::pair<long, std::string>> group;
    for (const std::string& name : names) {
      long number = 0;
      if (DeviceNumber(name, prefix, number)) group.emplace_back(number, name);
    }
    std::sort(group.begin(), group.end());
    for (const auto& [number, name] : group) devices.push_back((devDir / name).string());
  }
  return devices;
}

std::vector<std::string> ListSerialDevices() { return ListSerialDevices("/dev", std::getenv(kSerialDeviceVariable)); }

std::string SerialDevicePath(int index) {
  if (index < 0) return {};
  const std::vector<std::string> devices = ListSerialDevices();
  return static_cast<size_t>(index) < devices.size() ? devices[static_cast<size_t>(index)] : std::string();
}

SerialOpenResult SerialPort::Open(const std::string& path, int baudRate) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return SerialOpenResult::kOpenFailed;
  if (!OpenWakePipe()) return SerialOpenResult::kTimeoutFailed;
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return SerialOpenResult::kGetStateFailed;
  // Nobody else may open the device while we read it.
  if (::ioctl(fd_, TIOCEXCL) != 0) return SerialOpenResult::kOpenFailed;
  exclusive_ = true;

  cfmakeraw(&tio);  // 8 data bits, no parity, no echo, no line editing or translation
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS | PARENB);
  tio.c_cflag |= CLOCAL | CREAD;  // ignore the modem lines
  tio.c_iflag |= IXON | IXOFF;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (baudRate <= 0) return SerialOpenResult::kSetStateFailed;
  const auto standard = std::find_if(std::begin(kStandardRates), std::end(kStandardRates),
                                     [&](const StandardRate& r) { return r.rate == baudRate; });
  const speed_t code = standard != std::end(kStandardRates) ? standard->code : B9600;
  if (::cfsetispeed(&tio, code) != 0 || ::cfsetospeed(&tio, code) != 0) return SerialOpenResult::kSetStateFailed;
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return SerialOpenResult::kSetStateFailed;
  if (standard == std::end(kStandardRates) && !detail::SetCustomBaudRate(fd_, baudRate)) {
    return SerialOpenResult::kSetStateFailed;
  }
  // Opening raised DTR and RTS; some receivers reset or stop talking while they are up.
  // Devices without modem lines (pseudo-terminals, some adapters) refuse: no matter.
  int lines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(fd_, TIOCMBIC, &lines);
  ::tcflush(fd_, TCIFLUSH);  // bytes from before the line was set up are noise
  bufferStart_ = bufferEnd_ = 0;
  return SerialOpenResult::kOk;
}

bool SerialPort::OpenWakePipe() {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) == 0) return true;
  wake_[0] = wake_[1] = -1;
  return false;
}

void SerialPort::Close() {
  if (fd_ >= 0 && exclusive_) ::ioctl(fd_, TIOCNXCL);
  exclusive_ = false;
  CloseFd(fd_);
  CloseFd(wake_[0]);
  CloseFd(wake_[1]);
  bufferStart_ = bufferEnd_ = 0;
}

SerialRead SerialPort::ReadByte(int timeoutMs, uint8_t& byte) {
  if (fd_ < 0) return SerialRead::kError;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  while (bufferStart_ == bufferEnd_) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int ready = ::poll(fds, wake_[0] >= 0 ? 2 : 1, static_cast<int>(std::max<long long>(left, 0)));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return SerialRead::kError;
    }
    if (fds[1].revents & POLLIN) return SerialRead::kInterrupted;
    if (ready == 0) return SerialRead::kTimeout;
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
      if (n > 0) {
        bufferStart_ = 0;
        bufferEnd_ = static_cast<size_t>(n);
        break;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      return SerialRead::kError;  // end of file or a failed read: the device is gone
    }
    if (fds[0].revents & POLLNVAL) return SerialRead::kError;
  }
  byte = buffer_[bufferStart_++];
  return SerialRead::kByte;
}

void SerialPort::Interrupt() {
  if (wake_[1] < 0) return;
  const char signal = 1;
  [[maybe_unused]] const ssize_t n = ::write(wake_[1], &signal, 1);  // a full pipe is already signalled
}

void LowerThreadPriority() {
  // On Linux a nice value set for a thread id applies to that thread alone.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int current = ::getpriority(PRIO_PROCESS, tid);
  if (errno == 0 && current < 5) ::setpriority(PRIO_PROCESS, tid, 5);
}

}  // namespace orx::platform
