// The Weather page: the country box whose choice asks the service for its places, the
// two place lists with ">", "<" and "<<" (at most 40 places), "Update Now" and the
// status line with the age of the weather data or the progress of a fetch.
#include <string>
#include <vector>

#include "settings/options_actions.h"
#include "weather/weather.h"

namespace orx {
namespace {

ListBox& AvailablePlaces(const OptionsDialog& d) { return d.controls.at<ListBox>(Slot::kWeatherAvailable); }
ListBox& DisplayedPlaces(const OptionsDialog& d) { return d.controls.at<ListBox>(Slot::kWeatherDisplayed); }
ComboBox& CountryBox(const OptionsDialog& d) { return d.controls.at<ComboBox>(Slot::kWeatherCountry); }

std::vector<std::string> Texts(const ListBox& list, bool selectedOnly) {
  std::vector<std::string> texts;
  for (int i = 0; i < list.ItemCount(); ++i) {
    const ListItem* item = list.ItemAt(i);
    if (!selectedOnly || (item->flags & kItemSelected)) texts.emplace_back(item->text);
  }
  return texts;
}

void Refill(ListBox& list, const std::vector<std::string>& texts) {
  list.Clear();
  for (const std::string& text : texts) list.AddItem(text.c_str(), true);
}

void ShowStatus(const OptionsDialog& d, const std::string& text) {
  d.controls.at<TextLabel>(Slot::kWeatherStatus).SetText(120, 273, text.c_str(), -1, true, true);
}

// The city-name thread reaches the page through tasks that may run after the dialog
// closed (or opened again): each checks that the page it was started for is shown.
CityNameSink PageSink(OptionsDialog& d) {
  const int opening = d.openings;
  const auto shown = [&d, opening] { return d.isOpen && d.openings == opening; };
  CityNameSink sink;
  sink.setEnabled = [&d, shown](bool on) {
    if (!shown()) return;
    EnableWidget(CountryBox(d), on);
    EnableWidget(AvailablePlaces(d), on);
    EnableWidget(d.controls.at<PushButton>(Slot::kWeatherAdd), on);
  };
  sink.clear = [&d, shown] {
    if (shown()) AvailablePlaces(d).Clear();
  };
  sink.add = [&d, shown](const std::string& text) {
    if (shown()) AvailablePlaces(d).AddItem(text.c_str(), true);
  };
  return sink;
}

// ">": the selected places of the chosen country, as "place~service name", until 40.
void AddPlaces(OptionsDialog& d, OptionsEnv& env) {
  const ListItem* country = CountryBox(d).SelectedItem();
  const char* service = country ? ServiceNameOfCountry(env.cities, country->text) : nullptr;
  if (!service) return;
  std::vector<std::string> displayed = Texts(DisplayedPlaces(d), false);
  if (AddWeatherCities(*env.weather, displayed, Texts(AvailablePlaces(d), true), service) > 0) {
    Refill(DisplayedPlaces(d), displayed);
    d.weatherCitiesChanged = true;
  }
  AvailablePlaces(d).ClearSelection();
}

void RemovePlaces(OptionsDialog& d, bool all) {
  ListBox& list = DisplayedPlaces(d);
  std::vector<std::string> kept;
  for (int i = 0; i < list.ItemCount() && !all; ++i) {
    if (!(list.ItemAt(i)->flags & kItemSelected)) kept.emplace_back(list.ItemAt(i)->text);
  }
  Refill(list, kept);
  d.weatherCitiesChanged = true;
}

// "Update Now": the list is written, then the page's temperature unit, place names and
// the Colors page's weather colour are stored and a fetch that reports its errors starts.
void UpdateNow(OptionsDialog& d, OptionsEnv& env) {
  Settings chosen = env.settings;
  chosen.temperature = d.controls.at<RadioGroup>(Slot::kTemperature).SelectedId() == kCelsiusChoice;
  chosen.showPlaceName = d.controls.at<CheckBox>(Slot::kShowPlaceName).ticked;
  chosen.weatherColor = d.colours[kWeatherColorItem];
  if (!UpdateWeatherNow(*env.weather, Texts(DisplayedPlaces(d), false), WeatherRequestFromSettings(chosen))) return;
  d.weatherCitiesChanged = false;
  env.settings.temperature = chosen.temperature;
  env.settings.showPlaceName = chosen.showPlaceName;
  env.settings.weatherColor = chosen.weatherColor;
}

}  // namespace

void OpenWeatherPage(OptionsDialog& d, OptionsEnv& env) {
  ComboBox& countries = CountryBox(d);
  for (const char* name : CountryNames(env.cities)) countries.AddItem(name, false);
  if (!env.weather) return;
  countries.onChange = [&d, &client = *env.weather, &cities = env.cities, url = env.settings.weatherUrl](Widget*, int) {
    if (const ListItem* item = CountryBox(d).SelectedItem()) StartCityNameFetch(client, cities, item->text, PageSink(d), url);
  };
  std::vector<std::string> displayed;
  ReadWeatherCityList(*env.weather, displayed);
  Refill(DisplayedPlaces(d), displayed);
  ShowStatus(d, WeatherStatusOnOpen(d.weatherStatus, *env.weather));
}

bool WeatherCommand(OptionsDialog& d, OptionsEnv& env, int command) {
  switch (command) {
    case kCmdWeatherAdd:
      if (env.weather) AddPlaces(d, env);
      return true;
    case kCmdWeatherRemove:
    case kCmdWeatherRemoveAll:
      RemovePlaces(d, command == kCmdWeatherRemoveAll);
      return true;
    case kCmdWeatherUpdateNow:
      if (env.weather) UpdateNow(d, env);
      return true;
    default:
      return false;
  }
}

void WeatherTick(OptionsDialog& d, OptionsEnv& env) {
  if (!env.weather) return;
  RunWeatherUiTasks(*env.weather);
  std::string text;
  if (WeatherStatusTick(d.weatherStatus, *env.weather, text)) ShowStatus(d, text);
}

void ApplyWeatherPage(OptionsDialog& d, OptionsEnv& env) {
  if (!d.weatherCitiesChanged || !env.weather) return;
  WriteWeatherCityList(*env.weather, Texts(DisplayedPlaces(d), false));
  d.weatherCitiesChanged = false;
}

void CloseWeatherPage(OptionsDialog&, OptionsEnv& env) {
  if (env.weather) WaitWeatherThreads(*env.weather);
}

std::string WeatherCredit(OptionsEnv& env) { return env.weather ? WeatherServiceMessage(*env.weather) : std::string(); }

}  // namespace orx
