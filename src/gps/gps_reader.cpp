#include "gps/gps_reader.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <system_error>

#include "platform/serial_port.h"

namespace orx {
namespace detail {

struct GpsShared {
  std::mutex fixLock;
  GpsFix fix;
  std::string statusText;
  bool statusNew = false;
  bool statusEnabled = false;

  std::mutex portLock;
  platform::SerialPort port;

  std::atomic<int> readerState{kGpsReaderStarted};
  std::atomic<int> readersRunning{0};
};

// One started reader: its end is signalled here, and it is told to stop here, so that a
// reader that outlived its wait can never read a port opened after it.
struct GpsReaderRun {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  std::atomic<bool> stop{false};
};

}  // namespace detail

namespace {

using detail::GpsReaderRun;
using detail::GpsShared;

void Post(GpsShared& shared, std::string_view text) {
  std::lock_guard lock(shared.fixLock);
  if (!shared.statusEnabled) return;
  shared.statusText.assign(text.substr(0, kGpsStatusTextMax));
  shared.statusNew = true;
}

void ReaderThread(std::shared_ptr<GpsShared> shared, std::shared_ptr<GpsReaderRun> run, int readTimeoutMs,
                  bool fromGpsd) {
  platform::LowerThreadPriority();
  shared->readerState = kGpsReaderStarted;
  SentenceCutter cutter;
  GpsdReplyFilter gpsdReplies;
  for (;;) {
    uint8_t byte = 0;
    platform::SerialRead result;
    {
      std::lock_guard lock(shared->portLock);
      if (run->stop || !shared->port.isOpen()) break;
      result = shared->port.ReadByte(readTimeoutMs, byte);
    }
    if (result == platform::SerialRead::kInterrupted) {
      // The port is being closed: let the closer take the port lock.
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    // The state is set before the text is posted, so whoever reads the text sees the new state.
    if (result == platform::SerialRead::kError) {
      shared->readerState = kGpsReaderNoData;
      Post(*shared, "Error reading GPS Port");
      break;
    }
    if (result == platform::SerialRead::kTimeout) {
      shared->readerState = kGpsReaderNoData;
      Post(*shared, "No data received");
      continue;
    }
    if (fromGpsd && !gpsdReplies.Pass(byte)) continue;
    const SentenceCutter::Event event = cutter.Push(byte);
    if (event == SentenceCutter::Event::kOverflow) {
      shared->readerState = kGpsReaderOverflow;
      Post(*shared, "Overflow in GPS Sentence");
      break;
    }
    if (event != SentenceCutter::Event::kSentence) continue;
    const std::string_view sentence = cutter.sentence();
    const SentenceKind kind = ClassifySentence(sentence);
    if (kind == SentenceKind::kMalformed) {
      Post(*shared, "Error in GPS Sentence");
      continue;
    }
    if (kind == SentenceKind::kRmc) {
      const RmcDecoded decoded = DecodeRmc(sentence);
      std::lock_guard lock(shared->fixLock);
      ApplyRmc(shared->fix, decoded);
    }
    Post(*shared, sentence);
    shared->readerState = kGpsReaderReceiving;
  }
  {
    std::lock_guard lock(shared->fixLock);
    shared->fix.status = kGpsNoData;
    shared->fix.updated = 1;  // the user-interface thread sees the loss
  }
  --shared->readersRunning;
  std::lock_guard lock(run->lock);
  run->done = true;
  run->ended.notify_all();
}

// Waits at most kGpsThreadWaitMs for the started reader and forgets it. A reader that
// does not end in time is left to end by itself; it owns what it uses.
void WaitForReader(GpsState& gps) {
  if (!gps.run) return;
  bool done = false;
  {
    std::unique_lock lock(gps.run->lock);
    done = gps.run->ended.wait_for(lock, std::chrono::milliseconds(kGpsThreadWaitMs), [&] { return gps.run->done; });
  }
  if (gps.reader.joinable()) {
    if (done) {
      gps.reader.join();
    } else {
      gps.reader.detach();
    }
  }
  gps.run.reset();
}

void ClosePortLocked(GpsState& gps) {
  GpsShared& shared = *gps.shared;
  if (gps.run) gps.run->stop = true;
  shared.port.Interrupt();  // a waiting read returns at once instead of after its time-out
  {
    std::lock_guard lock(shared.portLock);
    shared.port.Close();
  }
  WaitForReader(gps);
}

// What a port name opens: a serial device (empty when there is none) or gpsd.
struct PortTarget {
  std::string device;
  bool gpsd = false;
};

bool OpenDevice(GpsState& gps, const PortTarget& target, int baudRate) {
  std::lock_guard control(gps.controlLock);
  ClosePortLocked(gps);
  GpsShared& shared = *gps.shared;
  platform::SerialOpenResult result;
  {
    std::lock_guard lock(shared.portLock);
    if (target.gpsd) {
      result = shared.port.OpenGpsd(platform::GpsdAddressFromEnvironment());
    } else {
      result = target.device.empty() ? platform::SerialOpenResult::kOpenFailed
                                     : shared.port.Open(target.device, baudRate);
    }
  }
  switch (result) {
    case platform::SerialOpenResult::kOk:
      break;
    case platform::SerialOpenResult::kOpenFailed:
      Post(shared, "Error opening GPS Port");
      return false;
    case platform::SerialOpenResult::kTimeoutFailed:
      Post(shared, "Error setting COMM Timeout");
      return false;
    case platform::SerialOpenResult::kGetStateFailed:
      Post(shared, "Error getting COMM state");
      return false;
    case platform::SerialOpenResult::kSetStateFailed:
      Post(shared, "Error setting COMM state");
      return false;
  }
  auto run = std::make_shared<GpsReaderRun>();
  ++shared.readersRunning;
  try {
    gps.reader = std::thread(ReaderThread, gps.shared, run, gps.readTimeoutMs, target.gpsd);
  } catch (const std::system_error&) {
    --shared.readersRunning;
    Post(shared, "Error creating GPS thread");
    return false;
  }
  gps.run = std::move(run);
  return true;
}

PortTarget TargetOfIndex(int portIndex) {
  if (portIndex == kGpsdPortIndex) return {{}, true};
  if (portIndex < 0 || portIndex >= kGpsPortCount) return {};
  return {platform::SerialDevicePath(portIndex), false};
}

// The port index of "COM1".."COM19" and "gpsd", or -1.
int PortIndexFromName(std::string_view name) {
  if (name == "gpsd") return kGpsdPortIndex;
  if (name.size() < 4 || name.size() > 5 || name.substr(0, 3) != "COM") return -1;
  int number = 0;
  for (char c : name.substr(3)) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number >= 1 && number <= kGpsPortCount ? number - 1 : -1;
}

}  // namespace

GpsState::GpsState() : shared(std::make_shared<detail::GpsShared>()) {}

GpsState::~GpsState() {
  CloseGpsPort(*this);
  ShutdownGps(*this);
}

void InitGps(GpsState& gps) {
  std::lock_guard lock(gps.shared->fixLock);
  gps.shared->fix = GpsFix{};
  gps.shared->statusText.clear();
  gps.shared->statusNew = false;
  gps.shared->statusEnabled = false;
}

bool OpenGpsPort(GpsState& gps, std::string_view portName, int baudRate) {
  if (!portName.empty() && portName.front() == '/') return OpenDevice(gps, {std::string(portName), false}, baudRate);
  return OpenDevice(gps, TargetOfIndex(PortIndexFromName(portName)), baudRate);
}

bool OpenGpsPortByIndex(GpsState& gps, int portIndex, int baudIndex) {
  const bool knownRate = baudIndex >= 0 && static_cast<size_t>(baudIndex) < kGpsBaudRates.size();
  return OpenDevice(gps, TargetOfIndex(portIndex), knownRate ? kGpsBaudRates[static_cast<size_t>(baudIndex)] : 0);
}

void CloseGpsPort(GpsState& gps) {
  std::lock_guard control(gps.controlLock);
  ClosePortLocked(gps);
}

void ShutdownGps(GpsState& gps) {
  std::lock_guard control(gps.controlLock);
  WaitForReader(gps);
}

void GetGpsFix(GpsState& gps, GpsFix& destination) {
  std::lock_guard lock(gps.shared->fixLock);
  destination = gps.shared->fix;
  gps.shared->fix.updated = 0;
}

void PostGpsStatus(GpsState& gps, std::string_view text) { Post(*gps.shared, text); }

void EnableGpsStatus(GpsState& gps, bool enabled) {
  std::lock_guard lock(gps.shared->fixLock);
  gps.shared->statusEnabled = enabled;
}

bool TakeGpsStatus(GpsState& gps, const std::function<void(std::string_view text)>& use) {
  std::lock_guard lock(gps.shared->fixLock);
  if (!gps.shared->statusNew) return false;
  gps.shared->statusNew = false;
  if (use) use(gps.shared->statusText);
  return true;
}

std::mutex& GpsFixLock(GpsState& gps) { return gps.shared->fixLock; }

int GetGpsReaderState(const GpsState& gps) { return gps.shared->readerState; }

void SetGpsReaderState(GpsState& gps, int state) { gps.shared->readerState = state; }

bool GpsReaderRunning(const GpsState& gps) { return gps.shared->readersRunning > 0; }

std::string GpsPortName(int portIndex) {
  if (portIndex == kGpsdPortIndex) return "gpsd";
  if (portIndex < 0 || portIndex >= kGpsPortCount) return {};
  char name[8];
  std::snprintf(name, sizeof name, "COM%d", portIndex + 1);
  return name;
}

}  // namespace orx
