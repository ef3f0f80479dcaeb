#include "settings/options_lists.h"

#include <cstdio>
#include <cstring>

#include "cities/city_record.h"
#include "gfx/draw.h"
#include "ui/skin.h"

namespace orx {

const uint8_t* CityListBox::RecordOf(const ListItem& item) const {
  return cities ? ListedCityRecord(*cities, item.text) : nullptr;
}

const char* CityListBox::Format(const ListItem& item, char (&buffer)[101]) const {
  const uint8_t* record = RecordOf(item);
  const char* country = record ? CountryName(*cities, RecordCountry(record)) : "";
  if (!record || RecordCountry(record) == kNoCountry || *country == '\0') return item.text;
  std::snprintf(buffer, sizeof buffer, "%s (%s)", item.text, country);
  return buffer;
}

void CityListBox::DrawItem(const ListItem& item, int rowY, int scrollX) {
  const Skin& s = skin();
  if (showSelection && (item.flags & (kItemSelected | kItemMarked))) {
    FillRect(frame(), x + 4, rowY, textWidth - 1, itemHeight, s.highlight, kFillSolid);
  }
  char buffer[101];
  DrawTextClipped(frame(), font(), x + 4, rowY + (itemHeight - ui_.LineHeight()) / 2, Format(item, buffer), scrollX,
                  textWidth, s.text);
}

int CityListBox::ItemWidth(const ListItem& item) const {
  // The width of "%s (%s)" is the sum of its parts' widths, so the country's width is
  // measured once per font instead of formatting every row.
  const uint8_t* record = RecordOf(item);
  const int country = record ? RecordCountry(record) : kNoCountry;
  const char* countryName = country == kNoCountry ? "" : CountryName(*cities, country);
  if (*countryName == '\0') return TextWidth(font(), item.text);
  if (std::strlen(item.text) + std::strlen(countryName) + 3 > 100) {
    char buffer[101];
    return TextWidth(font(), Format(item, buffer));  // cut at 100 characters
  }
  if (widthsFont_ != font().index) {
    countryWidths_.fill(-1);
    widthsFont_ = font().index;
  }
  int16_t& w = countryWidths_[static_cast<size_t>(country) & 0xFF];
  if (w < 0) w = static_cast<int16_t>(TextWidth(font(), " (") + TextWidth(font(), countryName) + TextWidth(font(), ")"));
  return TextWidth(font(), item.text) + w;
}

void ColorListBox::DrawItem(const ListItem& item, int rowY, int scrollX) {
  const Skin& s = skin();
  if (showSelection && (item.flags & (kItemSelected | kItemMarked))) {
    FillRect(frame(), x + 4, rowY, textWidth - 1, itemHeight, s.highlight, kFillSolid);
  }
  for (const ColorItem& c : items) {
    if (c.name != item.text) continue;
    const int left = x + 6 - scrollX;
    if (left >= x + 4) {
      FillRect(frame(), left, rowY + 2, 16, itemHeight - 4, *c.colour, kFillSolid);
      DrawRectOutline(frame(), left, rowY + 2, 16, itemHeight - 4, s.fieldBorder);
    }
    break;
  }
  const int textSkip = scrollX > 26 ? scrollX - 26 : 0;
  const int textX = x + 30 - (scrollX - textSkip);
  DrawTextClipped(frame(), font(), textX, rowY + (itemHeight - ui_.LineHeight()) / 2, item.text, textSkip,
                  textWidth - (textX - x - 4), s.text);
}

int ColorListBox::ItemWidth(const ListItem& item) const { return 26 + TextWidth(font(), item.text); }

}  // namespace orx
