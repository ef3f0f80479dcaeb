// The main window's interaction state: which screen is up, the stylus gesture on the
// globe, the zoom-selection mode, the command bar and the countdowns of the timer work;
// and the stylus routing that the window procedure uses before the globe gestures.
#pragma once

#include <cstdint>
#include <string>

#include "app/command_bar.h"
#include "ui/widget.h"

namespace orx {

struct App;

inline constexpr int kScreenGlobe = 1;
inline constexpr int kScreenOptions = 3;  // the Options dialog fills the screen

// Timer countdowns are in ticks of the 50 ms animation timer.
inline constexpr int kTicksPerMinute = 60000 / 50;
inline constexpr int kCityTimeTicks = 600;  // 30 s

struct MainWindowState {
  int screenMode = kScreenGlobe;
  Point pressPoint{-1, -1};    // last stylus-down on the globe; (-1, -1) = none
  Point currentPoint{-1, -1};  // the stylus on the globe while down; (-1, -1) = up
  bool stylusCaptured = false;
  bool compassDragging = false;  // the compass (its position is in the GPS display state)
  bool zoomSelection = false;     // the mode of command 2008; ends after one selection
  CommandBar commandBar;
  std::string findCityText;  // the Find City panel's search text while it is closed
  // Timer work: set up on the first tick.
  bool firstTickDone = false;
  int shadowCountdown = 0;
  int gpsHistoryCountdown = 0;
  int weatherCountdown = 10;
  int cityTimeCountdown = kCityTimeTicks;
};

// Stylus events for the widget layer (modal dialog, keyboard, Find City panel) and then
// the command bar; true when one of them consumed the event. Points are in frame pixels.
bool RouteStylusDown(App& app, Point p);
bool RouteStylusMove(App& app, Point p);
bool RouteStylusUp(App& app, Point p);


}  // namespace orx
