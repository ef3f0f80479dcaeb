#include "ui/city_lists_ui.h"

#include "cities/city_lists.h"

namespace orx {

int AppendCityItems(ListBox& list, const std::vector<const char*>& names) { return list.AddItems(names); }

void PopulationClassNamesIntoList(ComboBox& combo) {
  combo.Clear();
  for (const PopulationClass& c : PopulationClasses()) combo.AddItem(c.label, false);
}

void CountryNamesIntoList(ComboBox& combo, const CityDatabase& db) {
  combo.Clear();
  for (const char* name : CountryNames(db)) combo.AddItem(name, false);
}

}  // namespace orx
