// The GPS page: the port and baud boxes, "Open GPS", "Close GPS", "Detect", the status
// list that the reader's and detection's texts fill, "Add Current" and "Clear History".
#include <string>
#include <vector>

#include "gps/gps.h"
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

const char* ChosenText(const ComboBox& box) { return box.SelectedItem() ? box.SelectedItem()->text : ""; }

}  // namespace

void OpenGpsPage(OptionsDialog& d, OptionsEnv& env) {
  // A stored choice out of range shows the first port and 14400 baud (which OK then
  // stores); the settings themselves change only with OK.
  const Settings& s = env.settings;
  const int port = s.gpsPort >= 0 && s.gpsPort < kGpsPortEntries ? s.gpsPort : 0;
  const int baud = s.gpsBaud >= 0 && s.gpsBaud < static_cast<int>(kGpsBaudRates.size()) ? s.gpsBaud : kDefaultBaudChoice;
  ComboBox& ports = PortBox(d);
  for (int i = 0; i < kGpsPortEntries; ++i) ports.AddItem(GpsPortName(i).c_str(), true);
  ports.SelectText(GpsPortName(port).c_str());
  ComboBox& bauds = BaudBox(d);
  for (int i = 0; i < static_cast<int>(kGpsBaudRates.size()); ++i) bauds.AddItem(GpsBaudText(i).c_str(), true);
  bauds.SelectText(GpsBaudText(baud).c_str());
  if (env.gps) EnableGpsStatus(env.gps->reader, true);
}

void StopGpsDetection(OptionsDialog&, OptionsEnv& env) {
  if (env.gps) StopGpsDetection(*env.gps, false);
}

bool GpsCommand(OptionsDialog& d, OptionsEnv& env, int command) {
  switch (command) {
    case kCmdOpenGps:
    case kCmdCloseGps:
    case kCmdDetectGps:
    case kCmdGpsAddCurrent:
    case kCmdGpsClearHistory:
      break;
    default:
      return false;
  }
  if (!env.gps) return true;
  Gps& gps = *env.gps;
  if (command == kCmdOpenGps) OpenGpsFromPage(gps, env.settings, ChosenIndex(PortBox(d)), ChosenIndex(BaudBox(d)));
  if (command == kCmdCloseGps) CloseGpsFromPage(gps);
  if (command == kCmdDetectGps) StartGpsDetection(gps);
  if (command == kCmdGpsAddCurrent) AddCurrentGpsPoint(gps);
  if (command == kCmdGpsClearHistory) ClearGpsHistory(gps);
  GpsTick(d, env);  // the texts these queued show at once
  return true;
}

void GpsTick(OptionsDialog& d, OptionsEnv& env) {
  if (!env.gps) return;
  const std::vector<GpsPageChange> changes = TakeGpsPageChanges(*env.gps);
  if (changes.empty()) return;
  ListBox& list = StatusList(d);
  std::vector<std::string> texts;
  for (int i = 0; i < list.ItemCount(); ++i) texts.emplace_back(list.ItemAt(i)->text);
  const int detected = ApplyGpsPageChanges(texts, changes);
  list.Clear();
  for (const std::string& text : texts) list.AddItem(text.c_str(), true);
  list.ScrollToEnd();  // the newest text stays in sight
  if (detected >= 0) {
    const GpsPageChange& found = changes[static_cast<size_t>(detected)];
    PortBox(d).SelectText(GpsPortName(found.port).c_str());
    if (found.baud >= 0) BaudBox(d).SelectText(GpsBaudText(found.baud).c_str());
    StoreGpsChoice(env.settings, ChosenText(PortBox(d)), ChosenText(BaudBox(d)));
  }
}

void ApplyGpsPage(OptionsDialog& d, OptionsEnv& env) {
  StoreGpsChoice(env.settings, ChosenText(PortBox(d)), ChosenText(BaudBox(d)));
}

void CloseGpsPage(OptionsDialog&, OptionsEnv& env) {
  if (!env.gps) return;
  StopGpsDetection(*env.gps, true);
  EnableGpsStatus(env.gps->reader, false);
}

}  // namespace orx
