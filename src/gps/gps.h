// The program's GPS: the reader, the main window's copy of the fix, the history of
// positions, device detection, and the GPS page's status list that detection and the
// Options dialog share.
//
// Threads: the user-interface thread owns everything here except the reader (its own
// thread) and detection (its own thread). Detection never touches widgets or settings:
// every change it makes to the GPS page's list (and a detected port and rate) is queued
// under the fix lock and handed to the user-interface thread by TakeGpsPageChanges,
// which the Options dialog calls on every timer tick.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cities/city_database.h"
#include "gps/gps_reader.h"
#include "gps/nmea.h"

namespace orx {

struct Settings;

inline constexpr size_t kGpsPageListMax = 20;  // items of the GPS page's list
inline constexpr int kGpsDetectPolls = 99;     // polls per rate while detecting
inline constexpr int kGpsDetectPollMs = 30;    // sleep before each poll

// One change of the GPS page's list, in the order it was made.
struct GpsPageChange {
  enum Kind {
    kClear,     // empty the list
    kAdd,       // add `text` (a 21st item drops the oldest)
    kDetected,  // detection found `port` (0..19) and `baud` (0..9, or -1 for the gpsd
                // entry: leave the rate box as it is); select them and StoreGpsChoice
  };
  Kind kind = kAdd;
  std::string text;
  int port = -1;
  int baud = -1;
};

namespace detail {
struct GpsDetectionRun;
}

struct Gps {
  Gps();
  ~Gps();  // stops detection, closes the port and waits for the threads
  Gps(const Gps&) = delete;
  Gps& operator=(const Gps&) = delete;

  GpsState reader;
  GpsFix mainFix;            // the main window's copy, refreshed every tick
  bool fixReceived = false;  // a valid fix has arrived since start-up
  GpsFix lastValid;          // the latest valid fix, the last known position
  PlaceList history;       // oldest first; never stored

  // Changes of the GPS page's list not yet taken by the dialog; under the fix lock.
  std::vector<GpsPageChange> pageChanges;
  // Detection: the current run (its flag and end), and its thread.
  std::shared_ptr<detail::GpsDetectionRun> detection;
  std::thread detectionThread;
  std::mutex detectionLock;  // a stopped detection opens no port after StopGpsDetection
};

// ---- Life cycle and timer work (main window)

// `init GPS`: the reader's status text and fix are emptied; called first in StartUp.
void InitGpsSubsystem(Gps& gps);
// At exit: stops detection, `close GPS port`, then `shutdown GPS` (at most 5000 ms per
// wait), and empties the history.
void ReleaseGps(Gps& gps);
// The timer's GPS work: `get GPS fix` into the main fix copy; with GPS `Auto Update` a
// history point from the latest fix every "GPS Update Interval" minutes (`countdown`
// in 50 ms ticks, started by the caller). True when the scene must be drawn again: the
// fix changed, a point was added, or the fix is valid.
bool GpsTick(Gps& gps, const Settings& settings, int& countdown);

// ---- The Options dialog's GPS page

// The port box's texts come from GpsPortName (0..kGpsPortEntries-1, "gpsd" last), the
// rate box's from GpsBaudText.
std::string GpsBaudText(int baudIndex);  // "1200".."115200" for 0..9; empty otherwise

// "Open GPS": stops detection (waiting at most 5000 ms for it), closes the port; with a port (0..19) and a rate (0..9)
// chosen (-1 = none; the gpsd entry needs no rate): the list shows "Waiting for GPS
// data...", the port is opened and both choices are stored in "GPS Port" and "GPS Baud"
// (a missing rate leaves "GPS Baud" as it is). False when nothing was chosen or the port
// did not open (the reason arrives as a status text).
bool OpenGpsFromPage(Gps& gps, Settings& settings, int portIndex, int baudIndex);
// "Close GPS": the list shows "GPS Port closed." (a stopped detection then adds
// "Auto-detect canceled."); stops detection and closes the port.
void CloseGpsFromPage(Gps& gps);
// "Detect": stops a running detection (waiting at most 5000 ms) and starts a new one on
// its own thread.
void StartGpsDetection(Gps& gps);
// Clears the detection run flag; it ends at its next poll (a found port stays open, else
// the list shows "Auto-detect canceled."). With `wait` (closing the dialog) waits at most
// 5000 ms for the thread.
void StopGpsDetection(Gps& gps, bool wait);
// True while a detection thread has not yet ended.
bool GpsDetectionRunning(const Gps& gps);

// The dialog's timer: the list changes queued since the last call, followed by the
// reader's new status text (as kAdd) when one is waiting.
std::vector<GpsPageChange> TakeGpsPageChanges(Gps& gps);
// Applies changes to a list of texts (at most kGpsPageListMax, the oldest dropped);
// returns the last kDetected change's index into `changes`, or -1.
int ApplyGpsPageChanges(std::vector<std::string>& list, const std::vector<GpsPageChange>& changes);

// `store GPS choice`: "GPS Port" = index of `portText` among the port texts (0 when none
// matches), "GPS Baud" = index of `baudText` among the rates (4 when none matches).
void StoreGpsChoice(Settings& settings, std::string_view portText, std::string_view baudText);

// "Add Current": `get GPS fix` into the main fix copy; once a valid fix has arrived, a
// history point at the last known position (also while the fix is lost meanwhile).
// The main window's tick takes the updated flag every 50 ms, so it cannot serve as the
// condition here. True when a point was added.
bool AddCurrentGpsPoint(Gps& gps);
// "Clear History": destroys every history point.
void ClearGpsHistory(Gps& gps);

// ---- History

// `add history point`: appends a point (display mask 2, flags 32, no name) at the fix
// position in whole arc-minutes (degrees x 60, truncated).
void AddGpsHistoryPoint(PlaceList& history, const GpsFix& fix);

}  // namespace orx
