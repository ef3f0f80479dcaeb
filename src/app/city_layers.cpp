#include "app/city_layers.h"

#include "app/app.h"

namespace orx {

PlaceDrawHooks CityPlaceHooks(const App& app) {
  PlaceDrawHooks hooks;
  hooks.countryName = [&app](int country) -> const char* {
    return app.cities.isOpen() ? CountryName(app.cities, country) : nullptr;
  };
  return hooks;
}

void SetCityLayers(const App& app, SceneLayers& layers) {
  layers.selectedCities = [&app](const OverlayContext& o) {
    if (!app.settings.showSelectedCities) return;
    for (const auto& place : app.selectedCities) DrawPlace(o, *place, app.settings.displayedCityColor);
  };
  layers.displayedCities = [&app](const OverlayContext& o) {
    if (!app.settings.showAllCountries) return;
    for (const auto& place : app.displayedCountries) DrawPlace(o, *place, app.settings.displayedCountryColor);
  };
}

}  // namespace orx
