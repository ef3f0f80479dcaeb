// The scene layers of the city database: the user's chosen cities and the displayed
// countries, drawn as places over the globe.
#pragma once

#include "globe/overlay.h"
#include "globe/render.h"

namespace orx {

struct App;

// Hooks that give places their country names from the open city database.
PlaceDrawHooks CityPlaceHooks(const App& app);

// Sets the selected-cities layer (the user's cities, when `Show Selected Cities` is on,
// in "Displayed City Color") and the displayed-cities layer (the countries, when `Show
// all countries` is on, in "Displayed Country Color").
void SetCityLayers(const App& app, SceneLayers& layers);

}  // namespace orx
