// Serial ports: the machine's serial devices in a stable order, and a device opened raw
// 8N1 at a given rate, read one byte at a time with a time-out.
//
// Port index mapping (index 0 is the first port, "COM1" of the settings): the devices
// named by ORRELUX_GPS_DEVICE when it is set and not empty (one path, or several
// separated by ':'), otherwise /dev/ttyUSB*, then /dev/ttyACM*, then /dev/rfcomm*, then
// /dev/ttyS*, each group ordered by its number (ttyUSB2 before ttyUSB10).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orx::platform {

// Names the serial devices to use instead of the scanned ones.
inline constexpr const char* kSerialDeviceVariable = "ORRELUX_GPS_DEVICE";

// The gpsd service: "host:port" in ORRELUX_GPSD (either part may be left out), else
// localhost port 2947.
inline constexpr const char* kGpsdVariable = "ORRELUX_GPSD";
inline constexpr int kGpsdDefaultPort = 2947;
struct GpsdAddress {
  std::string host = "localhost";
  int port = kGpsdDefaultPort;
};
GpsdAddress GpsdAddressFromEnvironment();
// "host:port", "host", ":port" or "[v6-address]:port"; the defaults fill what is missing.
GpsdAddress ParseGpsdAddress(std::string_view text);
// How long connecting to gpsd may take before it counts as not answering.
inline constexpr int kGpsdConnectTimeoutMs = 1000;

// The serial devices in port-index order, from the environment or a scan of /dev.
std::vector<std::string> ListSerialDevices();
// The same from an explicit override list (null or empty: scan `devDir`).
std::vector<std::string> ListSerialDevices(const std::filesystem::path& devDir, const char* overrideList);

// The device of port index `index` (0 = first), or empty when there is none.
std::string SerialDevicePath(int index);

enum class SerialOpenResult {
  kOk,
  kOpenFailed,      // missing device, no permission, or already open exclusively
  kTimeoutFailed,   // the wake-up channel for timed reads could not be made
  kGetStateFailed,  // not a terminal
  kSetStateFailed,  // the line settings or the rate were refused
};

enum class SerialRead {
  kByte,         // one byte delivered
  kTimeout,      // nothing arrived within the time-out
  kInterrupted,  // Interrupt() was called; the port stays open
  kError,        // the device failed or went away (unplugged, pseudo-terminal closed)
};

// A serial device opened for reading and writing, exclusively, raw 8 data bits, no
// parity, one stop bit, no modem-line flow control, XON/XOFF flow control both ways.
// ReadByte runs on one thread; Interrupt may be called from another while it waits.
// Open and Close must not run concurrently with ReadByte.
class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort() { Close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens `path` at `baudRate` bits per second (any positive rate the driver accepts,
  // not only the standard ones), then lowers DTR and RTS (opening raises both). On a
  // failure after opening, the device stays open until Close, as the caller may still
  // want to close it explicitly.
  SerialOpenResult Open(const std::string& path, int baudRate);
  // Connects to gpsd and asks it for the receiver's NMEA sentences; the bytes it sends
  // (its JSON replies and the sentences) are then read like a serial line's. kOpenFailed
  // when nothing accepts the connection within kGpsdConnectTimeoutMs.
  SerialOpenResult OpenGpsd(const GpsdAddress& address);
  void Close();
  bool isOpen() const { return fd_ >= 0; }

  // Waits at most `timeoutMs` for the next byte.
  SerialRead ReadByte(int timeoutMs, uint8_t& byte);
  // Makes a waiting or the next ReadByte return kInterrupted until the port is closed.
  void Interrupt();

 private:
  bool OpenWakePipe();
  int fd_ = -1;
  bool exclusive_ = false;  // a serial device we hold exclusively
  int wake_[2] = {-1, -1};  // pipe: Interrupt writes, ReadByte polls the read end
  std::array<uint8_t, 256> buffer_{};
  size_t bufferStart_ = 0;
  size_t bufferEnd_ = 0;
};

// True when gpsd accepts a connection at `address` (which is closed again at once).
bool GpsdAnswers(const GpsdAddress& address);

// Lowers the calling thread's scheduling priority below normal (best effort).
void LowerThreadPriority();

}  // namespace orx::platform
