// The Cities page: the finder that fills "Available Cities:" by name prefix, country or
// population class, the four buttons between the two lists, and on OK the displayed
// cities rebuilt from "Displayed Cities:".
#include <unordered_set>

#include "cities/city_lists.h"
#include "settings/options_actions.h"
#include "ui/edit_field.h"

namespace orx {
namespace {

CityListBox& Available(const OptionsDialog& d) { return d.controls.at<CityListBox>(Slot::kAvailableCities); }
CityListBox& Displayed(const OptionsDialog& d) { return d.controls.at<CityListBox>(Slot::kDisplayedCities); }

void Refill(const OptionsDialog& d, const std::vector<const char*>& names) {
  CityListBox& list = Available(d);
  list.Clear();
  list.AddItems(names);
}

// "City Name": every change of the text lists the cities whose names start with it.
void FindByName(const OptionsDialog& d, const CityDatabase& db) {
  std::vector<const char*> names;
  ListCitiesByNamePrefix(db, d.controls.at<EditField>(Slot::kFindName).Text(), kCityListLimit, names);
  Refill(d, names);
}

// "Country" and "Population": the cities of the chosen entry.
void FindByChoice(const OptionsDialog& d, const CityDatabase& db) {
  const ListItem* item = d.controls.at<ComboBox>(Slot::kFindChoice).SelectedItem();
  std::vector<const char*> names;
  if (item) {
    if (d.controls.at<RadioGroup>(Slot::kFindMode).SelectedId() == kFindByCountry) {
      const int country = CountryIndexOfName(db, item->text);
      if (country != kNoCountry) ListCitiesOfCountry(db, country, kCityListLimit, names);
    } else {
      const auto [from, below] = PopulationClassBounds(item->text);
      if (from >= 0) ListCitiesOfPopulationClass(db, from, below, kCityListLimit, names);
    }
  }
  Refill(d, names);
}

void ModeChanged(const OptionsDialog& d, const CityDatabase& db) {
  auto& field = d.controls.at<EditField>(Slot::kFindName);
  auto& choice = d.controls.at<ComboBox>(Slot::kFindChoice);
  const int mode = d.controls.at<RadioGroup>(Slot::kFindMode).SelectedId();
  ShowWidget(field, mode == kFindByName);
  ShowWidget(choice, mode != kFindByName);
  if (mode == kFindByName) {
    FindByName(d, db);
    return;
  }
  choice.Clear();
  if (mode == kFindByCountry) {
    for (const char* name : CountryNames(db)) choice.AddItem(name, false);
  } else {
    for (const PopulationClass& c : PopulationClasses()) choice.AddItem(c.label, false);
  }
  FindByChoice(d, db);
}

// Appends the items of the available list (all, or the selected ones) that the
// displayed list does not hold yet.
void AddCities(OptionsDialog& d, bool all) {
  CityListBox& from = Available(d);
  CityListBox& to = Displayed(d);
  std::unordered_set<const char*> shown;
  for (int i = 0; i < to.ItemCount(); ++i) shown.insert(to.ItemAt(i)->text);
  for (int i = 0; i < from.ItemCount(); ++i) {
    const ListItem* item = from.ItemAt(i);
    if ((all || (item->flags & kItemSelected)) && shown.insert(item->text).second) to.AddItem(item->text, false);
  }
  from.ClearSelection();
  d.citiesChanged = true;
}

// Removes the selected items; cities of the same name stay apart (by their record).
void RemoveSelectedCities(OptionsDialog& d) {
  CityListBox& list = Displayed(d);
  std::vector<const char*> kept;
  for (int i = 0; i < list.ItemCount(); ++i) {
    const ListItem* item = list.ItemAt(i);
    if (!(item->flags & kItemSelected)) kept.push_back(item->text);
  }
  list.Clear();
  list.AddItems(kept);
  d.citiesChanged = true;
}

}  // namespace

void OpenCitiesPage(OptionsDialog& d, OptionsEnv& env) {
  const CityDatabase& db = env.cities;
  Available(d).cities = &db;
  Displayed(d).cities = &db;
  for (const auto& place : env.displayedCities) {
    if (place->name) Displayed(d).AddItem(place->name, false);
  }
  d.controls.at<EditField>(Slot::kFindName).onChange = [&d, &db](Widget*, int) { FindByName(d, db); };
  d.controls.at<ComboBox>(Slot::kFindChoice).onChange = [&d, &db](Widget*, int) { FindByChoice(d, db); };
  auto& mode = d.controls.at<RadioGroup>(Slot::kFindMode);
  mode.onChange = [&d, &db](Widget*, int) { ModeChanged(d, db); };
  mode.Select(kFindByName);
}

bool CitiesCommand(OptionsDialog& d, OptionsEnv&, int command) {
  switch (command) {
    case kCmdCityAdd:
      AddCities(d, false);
      return true;
    case kCmdCityAddAll:
      AddCities(d, true);
      return true;
    case kCmdCityRemove:
      RemoveSelectedCities(d);
      return true;
    case kCmdCityRemoveAll:
      Displayed(d).Clear();
      d.citiesChanged = true;
      return true;
    default:
      return false;
  }
}

void ApplyCitiesPage(OptionsDialog& d, OptionsEnv& env) {
  if (!d.citiesChanged) return;
  PlaceList places;
  const CityListBox& list = Displayed(d);
  for (int i = 0; i < list.ItemCount(); ++i) {
    auto place = std::make_unique<Place>();
    if (PlaceOfListItem(env.cities, list.ItemAt(i)->text, *place)) places.push_back(std::move(place));
  }
  env.displayedCities = std::move(places);
  d.citiesChanged = false;
}

}  // namespace orx
