#include "app/city_layers.h"

namespace orx {

PlaceDrawHooks CityPlaceHooks(const CityDatabase& cities) {
  PlaceDrawHooks hooks;
  hooks.countryName = [&cities](int country) -> const char* {
    return cities.isOpen() ? CountryName(cities, country) : nullptr;
  };
  return hooks;
}

void SetCityLayers(const CityLayerSources& s, SceneLayers& layers) {
  layers.selectedCities = [s](const OverlayContext& o) {
    if (!s.settings.showSelectedCities) return;
    for (const auto& place : s.selectedCities) DrawPlace(o, *place, s.settings.displayedCityColor);
  };
  layers.displayedCities = [s](const OverlayContext& o) {
    if (!s.settings.showAllCountries) return;
    for (const auto& place : s.displayedCountries) DrawPlace(o, *place, s.settings.displayedCountryColor);
  };
}

}  // namespace orx
