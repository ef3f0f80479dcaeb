#include "app/find_city.h"

#include <memory>
#include <utility>
#include <new>
#include <string>

#include "app/app.h"
#include "globe/view.h"
#include "measure/measure_state.h"
#include "platform/messages.h"
#include "ui/find_city_panel.h"

namespace orx {
namespace {

constexpr double kRadiansPerArcMinute = 2.9088820866572158e-04;

// The index of the command bar button that runs `command`.
int ButtonOf(const CommandBar& bar, uint32_t command) {
  for (int i = 0; i < kCommandButtonCount; ++i) {
    if (bar.buttons[static_cast<size_t>(i)].command == command) return i;
  }
  return 0;
}

void OpenFindCity(App& app) {
  std::unique_ptr<FindCityDialog> panel;
  try {
    panel = std::make_unique<FindCityDialog>(app.ui.context, app.cities);
  } catch (const std::bad_alloc&) {
    ShowMessageBox(app.ui, "Not enough memory", "Error", kButtonsOk, nullptr);
    return;
  }
  const Point at = app.ui.savedPanelPosition;
  panel->Create(at.x, at.y, kFindCityWidth, kFindCityHeight);
  // The close box closes the panel through the command, as the command bar does.
  panel->onChange = [&app](Widget*, int) {
    if (app.ui.main.focused) app.ui.main.focused->SetFocus(false);
    app.ui.main.focused = nullptr;
    app.host->PostMessage(platform::kMsgCommand, kCmdFindCity, ButtonOf(app.window.commandBar, kCmdFindCity));
  };
  panel->onGoTo = [&app](const uint8_t* record) { GoToCity(app, record); };
  if (!app.window.findCityText.empty()) panel->SetSearchText(app.window.findCityText.c_str());
  SetPanel(app.ui, std::move(panel));
}

}  // namespace

void ToggleFindCity(App& app) {
  if (!app.ui.activePanel) {
    OpenFindCity(app);
  } else {
    if (const auto* panel = dynamic_cast<const FindCityDialog*>(app.ui.activePanel.get())) {
      std::string text = panel->SearchText();
      if (text.size() > kFindCitySavedText) text.resize(kFindCitySavedText);
      app.window.findCityText = std::move(text);
    }
    app.ui.activePanel->GetOrigin(app.ui.savedPanelPosition);
    SetPanel(app.ui, nullptr);
  }
  app.globe.view.redrawRequested = true;
}

void GoToCity(App& app, const uint8_t* record) {
  if (!record) return;
  Place place;
  PlaceFromRecord(app.cities, record, place);
  ChoosePlace(app.measure, app.settings.computeDistance, place);
  StartFlight(app.globe.view, place.latitude * kRadiansPerArcMinute, place.longitude * kRadiansPerArcMinute);
  app.globe.view.redrawRequested = true;
}

}  // namespace orx
