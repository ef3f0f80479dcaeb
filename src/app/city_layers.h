// The scene layers of the city database: the user's chosen cities and the displayed
// countries, drawn as places over the globe.
#pragma once

#include "cities/city_database.h"
#include "globe/overlay.h"
#include "globe/render.h"
#include "settings/settings.h"

namespace orx {

// What the city layers draw from; every reference must outlive the layers.
struct CityLayerSources {
  const Settings& settings;
  const CityDatabase& cities;
  const PlaceList& selectedCities;      // the user's cities (cities.sav)
  const PlaceList& displayedCountries;  // every country when `Show all countries` is on
};

// Hooks that give places their country names from the open city database.
PlaceDrawHooks CityPlaceHooks(const CityDatabase& cities);

// Sets the selected-cities layer (the user's cities, when `Show Selected Cities` is on,
// in "Displayed City Color") and the displayed-cities layer (the countries, when `Show
// all countries` is on, in "Displayed Country Color").
void SetCityLayers(const CityLayerSources& sources, SceneLayers& layers);

}  // namespace orx
