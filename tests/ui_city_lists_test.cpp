// The city lists of the real database in the toolkit's list and combo boxes.
#include <gtest/gtest.h>

#include <cstring>

#include "cities/city_lists.h"
#include "support/city_file.h"
#include "support/ui_harness.h"
#include "ui/city_lists_ui.h"

namespace orx::test {
namespace {

TEST(CityListsInWidgets, BuildersFillListsAndCombosWithoutCopying) {
  CityDatabase db;
  ASSERT_TRUE(OpenCityDatabase(db, RealCityFilePath()).ok());
  UiHarness h;
  ListBox list(h.ui.context);
  list.Setup(10, 10, 150, 100, false, 14, 20000);
  std::vector<const char*> names;
  ASSERT_TRUE(ListCitiesByNamePrefix(db, "Zur", 20000, names));
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(AppendCityItems(list, names), static_cast<int>(names.size()));
  for (int i = 0; i < list.ItemCount(); ++i) {
    // The item is the name in the mapping, so the city is found from it.
    EXPECT_EQ(list.ItemAt(i)->text, names[i]);
    Place place;
    EXPECT_TRUE(PlaceOfListItem(db, list.ItemAt(i)->text, place));
  }

  ComboBox combo(h.ui.context);
  combo.Setup(10, 120, 150, 100, false);
  combo.AddItem("stale", true);
  PopulationClassNamesIntoList(combo);
  ASSERT_EQ(combo.list.ItemCount(), 8);
  EXPECT_STREQ(combo.list.ItemAt(0)->text, "1 Million and over");
  EXPECT_STREQ(combo.list.ItemAt(7)->text, "Less than 10,000");

  CountryNamesIntoList(combo, db);
  EXPECT_EQ(combo.list.ItemCount(), static_cast<int>(CountryNames(db).size()));
  EXPECT_GE(combo.list.ItemCount(), 240);
  CloseCityDatabase(db);
}

}  // namespace
}  // namespace orx::test
