// The main window's side of the Find City panel: command 2010 opens it where it was
// last, with the last search text, or closes it and remembers both; a city chosen in it
// becomes the pointed place (or a new distance point) and the globe flies there.
#pragma once

#include <cstdint>

namespace orx {

struct App;

// Command 2010: toggles the panel.
void ToggleFindCity(App& app);

// The go-to action for a city record of the database: in distance mode the city is
// appended to the distance path, otherwise it becomes the pointed place; then the view
// flies to it.
void GoToCity(App& app, const uint8_t* record);

}  // namespace orx
