// The page actions of the Options dialog that live beside the page tables: the Cities
// page's finder and buttons, the GPS page's buttons and status list, and the Weather
// page's places, buttons and status line. Each page has an open step (after the
// controls are filled), its commands, and its part of OK and of closing.
#pragma once

#include <string>

#include "settings/options_dialog.h"

namespace orx {

// Cities: the displayed cities listed, the finder in "City Name" mode.
void OpenCitiesPage(OptionsDialog& dialog, OptionsEnv& env);
// "Add", "Add All", "Remove", "Remove All"; false for other commands.
bool CitiesCommand(OptionsDialog& dialog, OptionsEnv& env, int command);
// When the list changed, the displayed cities become the page's list, in its order.
void ApplyCitiesPage(OptionsDialog& dialog, OptionsEnv& env);

// GPS: the port and baud boxes, status texts enabled.
// Ends a running device detection (OK, Cancel, "Open GPS", "Close GPS").
void StopGpsDetection(OptionsDialog& dialog, OptionsEnv& env);
void OpenGpsPage(OptionsDialog& dialog, OptionsEnv& env);
// "Open GPS", "Close GPS", "Detect", "Add Current", "Clear History".
bool GpsCommand(OptionsDialog& dialog, OptionsEnv& env, int command);
// A waiting status text goes into the list (at most 20 lines).
void GpsTick(OptionsDialog& dialog, OptionsEnv& env);
// "GPS Port" and "GPS Baud" from the boxes.
void ApplyGpsPage(OptionsDialog& dialog, OptionsEnv& env);
// Stops detection and status texts.
void CloseGpsPage(OptionsDialog& dialog, OptionsEnv& env);

// Weather: countries, the weather city list, the status line.
void OpenWeatherPage(OptionsDialog& dialog, OptionsEnv& env);
// ">", "<", "<<", "Update Now".
bool WeatherCommand(OptionsDialog& dialog, OptionsEnv& env, int command);
void WeatherTick(OptionsDialog& dialog, OptionsEnv& env);
// Writes the weather city list when it changed.
void ApplyWeatherPage(OptionsDialog& dialog, OptionsEnv& env);
// Waits for the city-name fetch the page started.
void CloseWeatherPage(OptionsDialog& dialog, OptionsEnv& env);
// The weather service's last message for the About page (empty when none came).
std::string WeatherCredit(OptionsEnv& env);

}  // namespace orx
