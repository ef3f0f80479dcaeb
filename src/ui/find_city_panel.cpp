#include "ui/find_city_panel.h"

#include <algorithm>
#include <string>

#include "cities/city_lists.h"
#include "cities/city_names.h"
#include "cities/city_record.h"
#include "ui/city_lists_ui.h"
#include "ui/skin.h"

namespace orx {

FindCityDialog::FindCityDialog(UiContext& ui, const CityDatabase& db)
    : Dialog(ui), edit(ui), results(ui), choice(ui), modes(ui), db_(db) {}

void FindCityDialog::Reset() {
  Dialog::Reset();
  edit.Reset();
  results.Reset();
  choice.Reset();
  modes.Reset();
  records_.clear();
}

void FindCityDialog::Create(int px, int py, int w, int h) {
  Reset();
  Dialog::Create(px, py, w, h, kDialogTextBar | kDialogCloseBox, "Find City");
  bodyColour = skin().page;
  const int t = y + titleBarHeight;
  const int x0 = x;
  const int bottom = y + height;

  modes.SetPosition(x0 + 4, t + 4, "");
  AddModeItems(t + 4);
  modes.onChange = [this](Widget*, int) { ModeChanged(); };

  edit.Setup(x0 + 4, t + 22, width - 8, kFindCityTextLength);
  edit.onChange = [this](Widget*, int) { TextChanged(); };

  choice.Setup(x0 + 4, t + 22, width - 8, (bottom - 10) - (t + 22), false);
  choice.list.horizontalScroll = false;
  choice.onChange = [this](Widget*, int code) {
    if (code == kNotifySelectionChanged) ChoiceChanged();
  };

  results.Setup(x0 + 4, t + 40, width - 8, (bottom - 4) - (t + 40), false, ui_.LineHeight(), 0);
  // Long names are cut at the edge rather than giving up a row of the small list to a
  // horizontal bar.
  results.horizontalScroll = false;
  results.onChange = [this](Widget*, int) { ResultTapped(); };

  modes.Select(kFindByName);
}

void FindCityDialog::AddModeItems(int itemY) {
  struct Mode {
    const char* label;
    int id;
    int left;  // from the panel's left edge
  };
  Mode items[] = {{"Cty", kFindByName, 4}, {"Ctry", kFindByCountry, 44}, {"Pop", kFindByPopulation, 84}};
  // Each item is its radio mark and label; when the last would be cut by the panel's edge
  // (wide fonts), the three are spread evenly across the panel instead.
  auto itemWidth = [this](const Mode& m) { return modes.ItemWidth(m.label); };
  if (items[2].left + itemWidth(items[2]) > width - 4) {
    const int total = itemWidth(items[0]) + itemWidth(items[1]) + itemWidth(items[2]);
    const int gap = std::max((width - 8 - total) / 2, 0);
    items[1].left = items[0].left + itemWidth(items[0]) + gap;
    items[2].left = items[1].left + itemWidth(items[1]) + gap;
  }
  for (const Mode& m : items) modes.AddItem(x + m.left, itemY, false, m.label, m.id);
}

const uint8_t* FindCityDialog::RecordAt(int index) const {
  if (index < 0 || index >= static_cast<int>(records_.size())) return nullptr;
  return records_[static_cast<size_t>(index)];
}

void FindCityDialog::ClearResults() {
  results.Clear();
  records_.clear();
}

void FindCityDialog::AddResult(const uint8_t* record, const char* name) {
  const char* own = RecordName(record);
  ListItem* item = nullptr;
  if (name == own) {
    item = results.AddItem(own, false);  // points into the mapped database
  } else {
    // Found by another name: "München (Munich)".
    const std::string text = std::string(own) + " (" + name + ")";
    item = results.AddItem(text.c_str(), true);
  }
  if (item) records_.push_back(record);
}

void FindCityDialog::ModeChanged() {
  switch (modes.SelectedId()) {
    case kFindByName:
      ShowWidget(choice, false);
      ShowWidget(edit, true);
      TextChanged();
      break;
    case kFindByCountry:
      ShowWidget(edit, false);
      ShowWidget(choice, true);
      CountryNamesIntoList(choice, db_);
      ChoiceChanged();
      break;
    case kFindByPopulation:
      ShowWidget(edit, false);
      ShowWidget(choice, true);
      PopulationClassNamesIntoList(choice);
      ChoiceChanged();
      break;
    default:
      break;
  }
}

void FindCityDialog::TextChanged() {
  ClearResults();
  if (modes.SelectedId() != kFindByName) return;
  for (const CityNameMatch& m : ListCitiesByAnyNamePrefix(db_, edit.Text(), kCityListLimit)) {
    AddResult(m.record, m.name);
  }
}

void FindCityDialog::ChoiceChanged() {
  ClearResults();
  const ListItem* selected = choice.SelectedItem();
  if (!selected) return;
  std::vector<const char*> names;
  if (modes.SelectedId() == kFindByCountry) {
    const int country = CountryIndexOfName(db_, selected->text);
    if (country == 255) return;
    ListCitiesOfCountry(db_, country, kCityListLimit, names);
  } else if (modes.SelectedId() == kFindByPopulation) {
    const auto [lower, upper] = PopulationClassBounds(selected->text);
    if (lower < 0) return;
    ListCitiesOfPopulationClass(db_, lower, upper, kCityListLimit, names);
  }
  for (const char* name : names) AddResult(RecordOfName(name), name);
}

void FindCityDialog::ResultTapped() {
  const uint8_t* record = RecordAt(results.NextSelected(0));
  if (record && onGoTo) onGoTo(record);
}

void FindCityDialog::Draw() {
  if (!visible()) return;
  Dialog::Draw();
  for (Widget* child : std::initializer_list<Widget*>{&modes, &edit, &results, &choice}) {
    if (child != capturedChild) child->Draw();
  }
  if (capturedChild) capturedChild->Draw();
}

bool FindCityDialog::StylusDown(Point p, Widget*& captured) {
  if (!visible()) return false;
  Widget* const order[5] = {capturedChild, &edit, &results, &choice, &modes};
  for (int i = 0; i < 5; ++i) {
    Widget* child = order[i];
    if (!child || (i > 0 && child == order[0])) continue;
    Widget* taken = nullptr;
    if (child->StylusDown(p, taken)) {
      capturedChild = child;
      // A child that takes a tap without capturing it (the radio group) still gets the
      // gesture, so that the tap does not reach the globe under the panel.
      captured = taken ? taken : child;
      return true;
    }
  }
  capturedChild = nullptr;
  return Dialog::StylusDown(p, captured);
}

bool FindCityDialog::StylusUp(platform::Host* window, Point p) {
  capturedChild = nullptr;
  return Dialog::StylusUp(window, p);
}

void FindCityDialog::LayoutChildren() {
  const int t = y + titleBarHeight;
  modes.MoveTo(x + 4, t + 4);
  edit.MoveTo(x + 4, t + 22);
  choice.MoveTo(x + 4, t + 22);
  results.MoveTo(x + 4, t + 40);
}

}  // namespace orx
