#include "gps/gps.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <system_error>

#include "platform/serial_port.h"
#include "settings/settings.h"

namespace orx {
namespace detail {

// One started detection: its run flag, and its end, so that the user-interface thread
// can wait for it with a limit.
struct GpsDetectionRun {
  std::atomic<bool> running{true};
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
};

}  // namespace detail

namespace {

using detail::GpsDetectionRun;
using Change = GpsPageChange;

constexpr int kDefaultBaudChoice = 4;  // "14400", when no rate text matches

// Queues list changes for the dialog; the caller holds the fix lock.
void QueueLocked(Gps& gps, Change::Kind kind, std::string_view text = {}) {
  Change c;
  c.kind = kind;
  c.text = std::string(text);
  gps.pageChanges.push_back(std::move(c));
}

void ShowOnly(Gps& gps, std::initializer_list<std::string_view> texts) {
  std::lock_guard lock(GpsFixLock(gps.reader));
  QueueLocked(gps, Change::kClear);
  for (std::string_view t : texts) QueueLocked(gps, Change::kAdd, t);
}

// Waits at most kGpsThreadWaitMs for the detection thread; one that has not ended is
// joined when the next detection starts or at exit (it ends within a poll or a port
// close once its flag is cleared).
void WaitForDetection(Gps& gps) {
  if (!gps.detection) return;
  bool done = false;
  {
    std::unique_lock lock(gps.detection->lock);
    done = gps.detection->ended.wait_for(lock, std::chrono::milliseconds(kGpsThreadWaitMs),
                                         [&] { return gps.detection->done; });
  }
  if (done && gps.detectionThread.joinable()) gps.detectionThread.join();
}

// The rate of the port being tried: true when detection may go on (not cancelled).
bool Running(const GpsDetectionRun& run) { return run.running.load(); }

// Opens a port for detection unless it was cancelled meanwhile; under the detection lock
// so that StopGpsDetection, once returned, can rely on no further opening.
bool OpenForDetection(Gps& gps, const GpsDetectionRun& run, int portIndex, int baud, bool& cancelled) {
  std::lock_guard guard(gps.detectionLock);
  cancelled = !Running(run);
  if (cancelled) return false;
  // The new reader starts from 0 too, but the first poll must not see the last port's end.
  SetGpsReaderState(gps.reader, kGpsReaderStarted);
  return OpenGpsPort(gps.reader, GpsPortName(portIndex), baud);
}

enum class Probe { kNextRate, kNextPort, kDetected, kCancelled };

// Tries one port at one rate for about three seconds.
Probe TryPort(Gps& gps, const GpsDetectionRun& run, int portIndex, int baud) {
  bool cancelled = false;
  if (!OpenForDetection(gps, run, portIndex, baud, cancelled)) {
    return cancelled ? Probe::kCancelled : Probe::kNextPort;
  }
  for (int poll = 0; poll < kGpsDetectPolls; ++poll) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kGpsDetectPollMs));
    const int state = GetGpsReaderState(gps.reader);
    if (state == kGpsReaderReceiving) return Probe::kDetected;
    if (!Running(run)) return Probe::kCancelled;
    if (state == kGpsReaderOverflow || state == kGpsReaderNoData) break;
  }
  const bool noData = GetGpsReaderState(gps.reader) == kGpsReaderNoData;
  CloseGpsPort(gps.reader);
  return noData ? Probe::kNextPort : Probe::kNextRate;
}

void AddTried(Gps& gps, int portIndex, int baudIndex) {
  std::lock_guard lock(GpsFixLock(gps.reader));
  QueueLocked(gps, Change::kAdd, GpsPortName(portIndex));
  if (baudIndex >= 0) QueueLocked(gps, Change::kAdd, GpsBaudText(baudIndex));
}

// `detect GPS device`: gpsd first when it answers, then every serial port at every rate.
void DetectGpsDevice(Gps& gps, std::shared_ptr<GpsDetectionRun> run) {
  platform::LowerThreadPriority();
  CloseGpsPort(gps.reader);
  ShowOnly(gps, {"Detecting GPS device.", "Please wait..."});
  SetGpsReaderState(gps.reader, kGpsReaderStarted);

  Probe result = Probe::kNextPort;
  int foundPort = -1, foundBaud = -1;
  if (platform::GpsdAnswers(platform::GpsdAddressFromEnvironment())) {
    AddTried(gps, kGpsdPortIndex, -1);
    result = TryPort(gps, *run, kGpsdPortIndex, 0);
    foundPort = kGpsdPortIndex;
  }
  for (int port = 0; port < kGpsPortCount && result != Probe::kDetected && result != Probe::kCancelled; ++port) {
    for (int baud = 0; baud < static_cast<int>(kGpsBaudRates.size()) && Running(*run); ++baud) {
      AddTried(gps, port, baud);
      result = TryPort(gps, *run, port, kGpsBaudRates[static_cast<size_t>(baud)]);
      foundPort = port;
      foundBaud = baud;
      if (result != Probe::kNextRate) break;
    }
    if (!Running(*run) && result != Probe::kDetected) result = Probe::kCancelled;
  }

  const bool received = GetGpsReaderState(gps.reader) == kGpsReaderReceiving;
  bool closeAfter = false;
  {
    std::lock_guard lock(GpsFixLock(gps.reader));
    // Still running: this run ends it. Cancelled after a receiver answered: nothing is
    // said and the port stays open.
    if (run->running.exchange(false)) {
      QueueLocked(gps, Change::kClear);
      if (result == Probe::kDetected && received) {
        QueueLocked(gps, Change::kAdd, "GPS detected.");
        Change found;
        found.kind = Change::kDetected;
        found.port = foundPort;
        found.baud = foundBaud;
        gps.pageChanges.push_back(found);
      } else {
        QueueLocked(gps, Change::kAdd, "No GPS device could be detected.");
        QueueLocked(gps, Change::kAdd, "Please try to open manually.");
      }
    } else if (!received) {
      QueueLocked(gps, Change::kClear);
      QueueLocked(gps, Change::kAdd, "Auto-detect canceled.");
      closeAfter = true;
    }
  }
  if (closeAfter) CloseGpsPort(gps.reader);
  std::lock_guard lock(run->lock);
  run->done = true;
  run->ended.notify_all();
}

}  // namespace

Gps::Gps() = default;

Gps::~Gps() {
  StopGpsDetection(*this, true);
  if (detectionThread.joinable()) detectionThread.join();
}

void InitGpsSubsystem(Gps& gps) {
  InitGps(gps.reader);
  gps.mainFix = GpsFix{};
  gps.lastValid = GpsFix{};
  gps.fixReceived = false;
  std::lock_guard lock(GpsFixLock(gps.reader));
  gps.pageChanges.clear();
}

void ReleaseGps(Gps& gps) {
  StopGpsDetection(gps, true);
  gps.history.clear();
  CloseGpsPort(gps.reader);
  ShutdownGps(gps.reader);
}

// Takes the latest fix into the main copy; true when it was marked updated.
static bool RefreshMainFix(Gps& gps) {
  GetGpsFix(gps.reader, gps.mainFix);
  if (gps.mainFix.status == kGpsValid) {
    gps.fixReceived = true;
    gps.lastValid = gps.mainFix;
  }
  return gps.mainFix.updated != 0;
}

bool GpsTick(Gps& gps, const Settings& settings, int& countdown) {
  bool redraw = RefreshMainFix(gps);
  if (settings.gpsAutoUpdate && --countdown < 1) {
    countdown = settings.gpsUpdateInterval * (60000 / 50);
    // Every expiry records the latest valid fix, so that a receiver sending once a
    // second still leaves its track.
    if (gps.mainFix.status == kGpsValid) {
      AddGpsHistoryPoint(gps.history, gps.mainFix);
      redraw = true;
    }
  }
  // A valid fix is drawn again at every tick: the marker blinks over a fresh globe.
  return redraw || gps.mainFix.status == kGpsValid;
}

std::string GpsBaudText(int baudIndex) {
  if (baudIndex < 0 || static_cast<size_t>(baudIndex) >= kGpsBaudRates.size()) return {};
  return std::to_string(kGpsBaudRates[static_cast<size_t>(baudIndex)]);
}

bool OpenGpsFromPage(Gps& gps, Settings& settings, int portIndex, int baudIndex) {
  // A cancelled detection closes the port it was trying as it ends: it must be over
  // before the chosen port opens, or it would close that one.
  StopGpsDetection(gps, true);
  CloseGpsPort(gps.reader);
  const std::string port = GpsPortName(portIndex);
  const std::string baud = GpsBaudText(baudIndex);
  if (port.empty() || (baud.empty() && portIndex != kGpsdPortIndex)) return false;
  ShowOnly(gps, {"Waiting for GPS data..."});
  const bool opened = OpenGpsPort(gps.reader, port, baud.empty() ? 0 : kGpsBaudRates[static_cast<size_t>(baudIndex)]);
  const int keptBaud = settings.gpsBaud;
  StoreGpsChoice(settings, port, baud);
  if (baud.empty()) settings.gpsBaud = keptBaud;
  return opened;
}

void CloseGpsFromPage(Gps& gps) {
  {
    // Said in the same step that stops detection: a detection that ends by itself says
    // so before, a stopped one adds "Auto-detect canceled." after.
    std::lock_guard guard(gps.detectionLock);
    std::lock_guard lock(GpsFixLock(gps.reader));
    QueueLocked(gps, Change::kClear);
    QueueLocked(gps, Change::kAdd, "GPS Port closed.");
    if (gps.detection) gps.detection->running = false;
  }
  CloseGpsPort(gps.reader);
}

void StartGpsDetection(Gps& gps) {
  StopGpsDetection(gps, true);
  if (gps.detectionThread.joinable()) gps.detectionThread.join();
  auto run = std::make_shared<GpsDetectionRun>();
  try {
    gps.detectionThread = std::thread(DetectGpsDevice, std::ref(gps), run);
  } catch (const std::system_error&) {
    return;  // no thread: nothing is detected, the list stays as it was
  }
  gps.detection = std::move(run);
}

void StopGpsDetection(Gps& gps, bool wait) {
  if (!gps.detection) return;
  {
    std::lock_guard guard(gps.detectionLock);
    gps.detection->running = false;
  }
  if (wait) WaitForDetection(gps);
}

bool GpsDetectionRunning(const Gps& gps) {
  if (!gps.detection) return false;
  std::lock_guard lock(gps.detection->lock);
  return !gps.detection->done;
}

std::vector<GpsPageChange> TakeGpsPageChanges(Gps& gps) {
  std::vector<GpsPageChange> changes;
  {
    std::lock_guard lock(GpsFixLock(gps.reader));
    changes.swap(gps.pageChanges);
  }
  TakeGpsStatus(gps.reader, [&](std::string_view text) {
    Change c;
    c.text = std::string(text);
    changes.push_back(std::move(c));
  });
  return changes;
}

int ApplyGpsPageChanges(std::vector<std::string>& list, const std::vector<GpsPageChange>& changes) {
  int detected = -1;
  for (size_t i = 0; i < changes.size(); ++i) {
    const Change& c = changes[i];
    switch (c.kind) {
      case Change::kClear:
        list.clear();
        break;
      case Change::kAdd:
        if (list.size() >= kGpsPageListMax) list.erase(list.begin());
        list.push_back(c.text);
        break;
      case Change::kDetected:
        detected = static_cast<int>(i);
        break;
    }
  }
  return detected;
}

void StoreGpsChoice(Settings& settings, std::string_view portText, std::string_view baudText) {
  settings.gpsPort = 0;
  for (int i = 0; i < kGpsPortEntries; ++i) {
    if (!portText.empty() && GpsPortName(i) == portText) settings.gpsPort = i;
  }
  settings.gpsBaud = kDefaultBaudChoice;
  for (int i = 0; i < static_cast<int>(kGpsBaudRates.size()); ++i) {
    if (!baudText.empty() && GpsBaudText(i) == baudText) settings.gpsBaud = i;
  }
}

bool AddCurrentGpsPoint(Gps& gps) {
  RefreshMainFix(gps);
  if (!gps.fixReceived) return false;
  AddGpsHistoryPoint(gps.history, gps.lastValid);
  return true;
}

void ClearGpsHistory(Gps& gps) { gps.history.clear(); }

void AddGpsHistoryPoint(PlaceList& history, const GpsFix& fix) {
  auto point = std::make_unique<Place>();
  point->displayMask = kPlaceShowMarker;
  point->flags = kPlaceMarker5;
  point->latitude = static_cast<int16_t>(fix.latitude * 60);
  point->longitude = static_cast<int16_t>(fix.longitude * 60);
  history.push_back(std::move(point));
}

}  // namespace orx
