// The two list boxes of the Options dialog that draw their own rows: city lists, whose
// items are city names in cities.bin drawn as "name (country)", and the colour items
// of the Colors page, each drawn with a swatch of its colour.
#pragma once

#include <array>
#include <span>

#include "cities/city_database.h"
#include "ui/lists.h"

namespace orx {

class CityListBox : public ListBox {
 public:
  using ListBox::ListBox;
  void DrawItem(const ListItem& item, int rowY, int scrollX) override;
  int ItemWidth(const ListItem& item) const override;

  const CityDatabase* cities = nullptr;  // where the item names point into

 private:
  // The record of an item's name. The items are names the city lists gave out, so the
  // record is found from the name's place in the file, without searching an index; null
  // for a text outside the city records.
  const uint8_t* RecordOf(const ListItem& item) const;
  // Text widths of the country names in the current font, measured once (-1 = not yet).
  mutable std::array<int16_t, 256> countryWidths_{};
  mutable int widthsFont_ = -1;
  // "%s (%s)" of the item's city, or its text alone; at most 100 characters.
  const char* Format(const ListItem& item, char (&buffer)[101]) const;
};

struct ColorItem {
  const char* name;     // the list text
  Color565* colour;     // the dialog's copy the swatch shows
};

class ColorListBox : public ListBox {
 public:
  using ListBox::ListBox;
  // A 16-pixel swatch, then the name 30 pixels from the left.
  void DrawItem(const ListItem& item, int rowY, int scrollX) override;
  int ItemWidth(const ListItem& item) const override;

  std::span<const ColorItem> items;  // found by the item's text pointer
};

}  // namespace orx
