// Arbitrary line rates (14400, 56000, ...) through the kernel's termios2 interface, which
// the C library's termios does not offer. Kept apart because its kernel header clashes
// with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace orx::platform::detail {

bool SetCustomBaudRate(int fd, int baudRate) {
  struct termios2 tio;
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = static_cast<speed_t>(baudRate);
  tio.c_ospeed = static_cast<speed_t>(baudRate);
  return ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace orx::platform::detail
