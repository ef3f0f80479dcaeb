// The Find City panel: a small movable window over the globe in which the user finds a
// city by the first letters of any of its names, by country or by population class,
// and taps it in the result list to go there. It is the main window's non-modal panel:
// taps outside it still reach the globe and the command bar.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "cities/city_database.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/edit_field.h"
#include "ui/lists.h"

namespace orx {

// Search modes: the identifiers of the mode radio items.
inline constexpr int kFindByName = 1025;        // "Cty"
inline constexpr int kFindByCountry = 1026;     // "Ctry"
inline constexpr int kFindByPopulation = 1027;  // "Pop"

inline constexpr int kFindCityWidth = 120;
inline constexpr int kFindCityHeight = 125;
inline constexpr int kFindCityTextLength = 255;
// The main window keeps at most this many characters of the search text between openings.
inline constexpr int kFindCitySavedText = 29;

class FindCityDialog : public Dialog {
 public:
  // A city chosen in the result list: its record in the database.
  using GoTo = std::function<void(const uint8_t* record)>;

  // The database must stay open as long as the panel exists.
  FindCityDialog(UiContext& ui, const CityDatabase& db);
  void Reset() override;
  // The frame titled "Find City" with its close box, the mode radio group, the name
  // field, the choice combo box and the result list, in name mode.
  void Create(int x, int y, int width, int height);
  // The search text (filling the list at once in name mode).
  void SetSearchText(const char* text) { edit.SetText(text); }
  const char* SearchText() const { return edit.Text(); }
  int Mode() const { return modes.SelectedId(); }
  // The record of result row `index`, or null.
  const uint8_t* RecordAt(int index) const;

  void Draw() override;
  // The child that took the last tap first, then the field, the list, the combo box and
  // the radio group; the child that takes it keeps the gesture. Else the frame's.
  bool StylusDown(Point p, Widget*& captured) override;
  bool StylusUp(platform::Host* window, Point p) override;
  void LayoutChildren() override;

  // Called with the chosen city on every tap on a result.
  GoTo onGoTo;

  EditField edit;
  ListBox results;
  ComboBox choice;
  RadioGroup modes;

 private:
  // The three mode items on the row at itemY.
  void AddModeItems(int itemY);
  void ModeChanged();
  void TextChanged();
  void ChoiceChanged();
  void ResultTapped();
  void ClearResults();
  // Appends a city by the name it was found by (its own name, or another in brackets).
  void AddResult(const uint8_t* record, const char* name);

  const CityDatabase& db_;
  std::vector<const uint8_t*> records_;  // one per result row
};

}  // namespace orx
