// Fills the toolkit's lists from the city database: the city lists of the Find City and
// Options dialogs and the choices of their country and population-class combo boxes.
#pragma once

#include <vector>

#include "cities/city_database.h"
#include "ui/lists.h"

namespace orx {

// Appends the builder's city names in their order; the items point into the mapped
// database and are not copied. Returns the number of items added.
int AppendCityItems(ListBox& list, const std::vector<const char*>& names);

// Clears the combo box's list and adds the eight population-class labels in table order.
void PopulationClassNamesIntoList(ComboBox& combo);

// Clears the combo box's list and adds every country name in table order.
void CountryNamesIntoList(ComboBox& combo, const CityDatabase& db);

}  // namespace orx
