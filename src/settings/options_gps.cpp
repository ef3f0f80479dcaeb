// The GPS page: the port and baud boxes, "Open GPS", "Close GPS", "Detect", the status
// list that the reader's texts fill, "Add Current" and "Clear History".
#include <cstdlib>
#include <mutex>
#include <string>

#include "gps/gps_reader.h"
#include "settings/options_actions.h"

namespace orx {
namespace {

constexpr int kDefaultBaudChoice = 4;  // "14400", what a stored index out of range shows

ComboBox& PortBox(const OptionsDialog& d) { return d.controls.at<ComboBox>(Slot::kGpsPort); }
ComboBox& BaudBox(const OptionsDialog& d) { return d.controls.at<ComboBox>(Slot::kGpsBaud); }
ListBox& StatusList(const OptionsDialog& d) { return d.controls.at<ListBox>(Slot::kGpsStatus); }

// The index of the box's chosen text among its items, or -1.
int ChosenIndex(const ComboBox& box) {
  const ListItem* chosen = box.SelectedItem();
  for (int i = 0; chosen && i < box.list.ItemCount(); ++i) {
    if (box.list.ItemAt(i) == chosen) return i;
  }
  return -1;
}

// Under the fix lock (detection writes the same list): the list becomes `text` alone.
void ShowOnly(const OptionsDialog& d, OptionsEnv& env, const char* text) {
  std::lock_guard<std::mutex> lock(GpsFixLock(*env.gps));
  StatusList(d).Clear();
  StatusList(d).AddItem(text, false);
}

}  // namespace

void OpenGpsPage(OptionsDialog& d, OptionsEnv& env) {
  // A stored choice out of range shows the first port and 14400 baud (which OK then
  // stores); the settings themselves change only with OK.
  const Settings& s = env.settings;
  const int port = s.gpsPort >= 0 && s.gpsPort < kGpsPortCount ? s.gpsPort : 0;
  const int baud = s.gpsBaud >= 0 && s.gpsBaud < static_cast<int>(kGpsBaudRates.size()) ? s.gpsBaud : kDefaultBaudChoice;
  ComboBox& ports = PortBox(d);
  for (int i = 0; i < kGpsPortCount; ++i) ports.AddItem(GpsPortName(i).c_str(), true);
  ports.SelectText(GpsPortName(port).c_str());
  ComboBox& bauds = BaudBox(d);
  for (int rate : kGpsBaudRates) bauds.AddItem(std::to_string(rate).c_str(), true);
  bauds.SelectText(std::to_string(kGpsBaudRates[static_cast<size_t>(baud)]).c_str());
  if (env.gps) EnableGpsStatus(*env.gps, true);
}

void StopGpsDetection(OptionsDialog&, OptionsEnv&) {}

bool GpsCommand(OptionsDialog& d, OptionsEnv& env, int command) {
  switch (command) {
    case kCmdOpenGps: {
      if (!env.gps) return true;
      StopGpsDetection(d, env);
      CloseGpsPort(*env.gps);
      const int port = ChosenIndex(PortBox(d));
      const int baud = ChosenIndex(BaudBox(d));
      if (port < 0 || baud < 0) return true;
      ShowOnly(d, env, "Waiting for GPS data...");
      OpenGpsPort(*env.gps, PortBox(d).SelectedItem()->text, std::atoi(BaudBox(d).SelectedItem()->text));
      env.settings.gpsPort = port;
      env.settings.gpsBaud = baud;
      return true;
    }
    case kCmdCloseGps:
      if (!env.gps) return true;
      StopGpsDetection(d, env);
      CloseGpsPort(*env.gps);
      ShowOnly(d, env, "GPS Port closed.");
      return true;
    case kCmdDetectGps:
    case kCmdGpsAddCurrent:
    case kCmdGpsClearHistory:
      return true;
    default:
      return false;
  }
}

void GpsTick(OptionsDialog& d, OptionsEnv& env) {
  if (!env.gps) return;
  ListBox& list = StatusList(d);
  TakeGpsStatus(*env.gps, [&list](std::string_view text) { list.AddItem(std::string(text).c_str(), true); });
}

void ApplyGpsPage(OptionsDialog& d, OptionsEnv& env) {
  const int port = ChosenIndex(PortBox(d));
  const int baud = ChosenIndex(BaudBox(d));
  env.settings.gpsPort = port >= 0 ? port : 0;
  env.settings.gpsBaud = baud >= 0 ? baud : kDefaultBaudChoice;
}

void CloseGpsPage(OptionsDialog& d, OptionsEnv& env) {
  StopGpsDetection(d, env);
  if (env.gps) EnableGpsStatus(*env.gps, false);
}

}  // namespace orx
