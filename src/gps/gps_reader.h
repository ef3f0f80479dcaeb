// The GPS serial reader: opens the receiver's serial port, runs one worker thread that
// cuts the byte stream into NMEA sentences and decodes RMC sentences, and hands the
// latest fix and a one-line status text to the user-interface thread.
//
// Locks: the `fix lock` guards the fix, the status text and its flags (and, by
// convention, the GPS page's list that the Options dialog and detection fill); the
// `port lock` guards the port. The reader never holds both. Never call OpenGpsPort,
// CloseGpsPort or ShutdownGps while holding the fix lock: they wait for the reader,
// which may need it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "gps/nmea.h"

namespace orx {

// Values of the reader state, written by the reader thread and read by detection.
enum GpsReaderState : int {
  kGpsReaderStarted = 0,     // thread started, nothing received yet
  kGpsReaderReceiving = 1,   // a well-formed sentence arrived since the last failure
  kGpsReaderOverflow = -1,   // a sentence overflowed its buffer; the thread has ended
  kGpsReaderNoData = -2,     // a read failed (thread ended) or timed out (thread goes on)
};

// The rates of the "GPS Baud" setting, by index 0..9.
inline constexpr std::array<int, 10> kGpsBaudRates = {1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
inline constexpr int kGpsPortCount = 19;         // serial ports "COM1" .. "COM19", "GPS Port" 0..18
inline constexpr int kGpsdPortIndex = 19;        // "GPS Port" 19: the gpsd service
inline constexpr int kGpsPortEntries = 20;       // every "GPS Port" value, 0..19
inline constexpr int kGpsReadTimeoutMs = 1010;   // one byte: interval 1000 ms + constant 10 ms
inline constexpr int kGpsThreadWaitMs = 5000;    // longest wait for the reader to end
inline constexpr size_t kGpsStatusTextMax = 199; // characters of a status text

namespace detail {
struct GpsShared;
struct GpsReaderRun;
}  // namespace detail

// The GPS fix, status text and port of the program, owned by the application.
struct GpsState {
  GpsState();
  ~GpsState();  // closes the port and waits for the reader
  GpsState(const GpsState&) = delete;
  GpsState& operator=(const GpsState&) = delete;

  int readTimeoutMs = kGpsReadTimeoutMs;  // how long a read waits before "No data received"
  std::shared_ptr<detail::GpsShared> shared;  // the reader thread holds it too
  std::mutex controlLock;                     // serialises opening and closing
  std::shared_ptr<detail::GpsReaderRun> run;  // the started reader, if any
  std::thread reader;
};

// `init GPS`: empties the status text, clears the fix and disables status texts.
void InitGps(GpsState& gps);

// `open GPS port`: "COM1".."COM19" (port index by the serial device mapping), a device
// path beginning with "/", at `baudRate` bits per second, or "gpsd" (the service at
// ORRELUX_GPSD or localhost:2947, which ignores the rate). Closes a port left open
// first. False on failure, with the reason posted as the status text.
bool OpenGpsPort(GpsState& gps, std::string_view portName, int baudRate);
// The same from the settings' "GPS Port" (0..19) and "GPS Baud" (0..9) indices.
bool OpenGpsPortByIndex(GpsState& gps, int portIndex, int baudIndex);

// `close GPS port`: closes the port and waits at most 5000 ms for the reader to end.
void CloseGpsPort(GpsState& gps);

// `shutdown GPS`: waits at most 5000 ms for a reader still running.
void ShutdownGps(GpsState& gps);

// `get GPS fix`: copies the fix and clears the shared updated flag.
void GetGpsFix(GpsState& gps, GpsFix& destination);

// `post GPS status`: while enabled, replaces the status text by at most 199 characters of
// `text` and marks it new; otherwise drops it.
void PostGpsStatus(GpsState& gps, std::string_view text);
// Accept status texts or not (the Options dialog enables them while it is open).
void EnableGpsStatus(GpsState& gps, bool enabled);
// When a new status text is waiting: calls `use` with it under the fix lock, clears the
// new-text flag and returns true.
bool TakeGpsStatus(GpsState& gps, const std::function<void(std::string_view text)>& use);

// The fix lock, for the GPS page's list edits made by the Options dialog and detection.
std::mutex& GpsFixLock(GpsState& gps);

// The reader state (GpsReaderState); detection sets it to 0 before it starts trying.
int GetGpsReaderState(const GpsState& gps);
void SetGpsReaderState(GpsState& gps, int state);

// True while a started reader thread has not yet ended.
bool GpsReaderRunning(const GpsState& gps);

// "COM1" .. "COM19" for index 0..18, "gpsd" for 19; empty otherwise.
std::string GpsPortName(int portIndex);

}  // namespace orx
