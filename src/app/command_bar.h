// The command bar along the bottom of the globe screen: 13 buttons with their icons and
// checked states, the press with its hot button and tooltip, and the slide that hides
// the bar to the left edge (leaving its first button) and brings it back.
#pragma once

#include <array>
#include <cstdint>

#include "gfx/font.h"
#include "gfx/framebuffer.h"
#include "gfx/image.h"
#include "ui/widget.h"

namespace orx {

struct Skin;

namespace platform {
class Host;
}

// Command identifiers of the buttons.
enum Command : uint32_t {
  kCmdRollout = 2000,
  kCmdGrid = 2001,
  kCmdDayNight = 2002,
  kCmdOptions = 2003,
  kCmdComputeDistance = 2004,
  kCmdPanRotate = 2005,
  kCmdSphericalPlanar = 2006,
  kCmdSelectedCities = 2007,
  kCmdZoomSelection = 2008,
  kCmdZoomOut = 2009,
  kCmdFindCity = 2010,
  kCmdHelp = 2013,
  kCmdClose = 2014,
};

inline constexpr int kCommandIconsResource = 125;  // 139 x 28: normal row, checked row
inline constexpr int kCommandBarHeight = 21;       // pixels, at the bottom of the screen
inline constexpr int kCommandButtonCount = 13;
inline constexpr int kRolloutWidth = 9;            // button 0; the others are 17 wide
inline constexpr int kCommandButtonWidth = 17;
inline constexpr int kCommandIconHeight = 14;
inline constexpr int kNoHotButton = 10000;
inline constexpr uint32_t kTooltipDelayMs = 999;   // a held button shows its tooltip after this
inline constexpr int kSlideStep = 10;              // pixels per frame

struct CommandButton {
  int iconX;           // in the icon strip
  int iconWidth;
  int screenX;         // with the bar shown
  uint32_t command;
  bool checked;
  const char* tooltip;
};

struct CommandBar {
  std::array<CommandButton, kCommandButtonCount> buttons{{
      {130, 5, 231, kCmdRollout, false, "Command Panel Rollout"},
      {0, 11, 2, kCmdGrid, true, "Lat/Lon Grid"},
      {11, 11, 19, kCmdDayNight, true, "Show Day and Night"},
      {22, 11, 36, kCmdOptions, false, "Options..."},
      {33, 8, 53, kCmdComputeDistance, false, "Compute Distance"},
      {58, 12, 70, kCmdPanRotate, true, "Pan/Rotate"},
      {70, 11, 87, kCmdSphericalPlanar, true, "Spherical/Planar View"},
      {81, 8, 104, kCmdSelectedCities, false, "Show Selected Cities"},
      {89, 11, 121, kCmdZoomSelection, false, "Zoom Selection"},
      {100, 9, 138, kCmdZoomOut, false, "Zoom Out"},
      {109, 10, 155, kCmdFindCity, false, "Find City..."},
      {41, 8, 197, kCmdHelp, false, "Help"},
      {49, 9, 214, kCmdClose, false, "Close..."},
  }};
  bool hidden = false;   // slid away (or sliding away); button 0 shows checked then
  int offset = 0;        // horizontal slide, 0 (shown) .. 9 - screen width (hidden)
  bool pressed = false;  // a button is held
  int hotButton = kNoHotButton;  // the held button's index
  bool overHot = false;  // the stylus is over the held button (its command runs on release)
  uint32_t pressTime = 0;        // tick count of the press
};

// Slot width of button i: 9 for the rollout button, else 17.
int CommandSlotWidth(int index);

// Sets the checked state of the button with that command; other identifiers change nothing.
void SetCommandChecked(CommandBar& bar, uint32_t command, bool checked);
bool CommandChecked(const CommandBar& bar, uint32_t command);

// The button under p on a screen `height` pixels high, with the bar's offset; -1 = none.
int CommandBarHitTest(const CommandBar& bar, Point p, int height);

// Stylus events for the bar (after the widget layer). Down on a button starts a press
// at `now` and is consumed. Move, while pressed, tracks whether the stylus is over the
// held button and is consumed. Up, while pressed, posts the held button's command to
// `window` when the stylus ended over it; consumed. All return false otherwise.
bool CommandBarStylusDown(CommandBar& bar, Point p, int height, uint32_t now);
bool CommandBarStylusMove(CommandBar& bar, Point p, int height);
bool CommandBarStylusUp(CommandBar& bar, platform::Host* window);
// Forgets the press (every stylus-up ends it).
void EndCommandPress(CommandBar& bar);

// Command 2000: the bar slides away, or back; button 0 shows checked while it is away.
void ToggleCommandBar(CommandBar& bar);

// What the bar is drawn with.
struct CommandBarArt {
  const Skin* skin = nullptr;
  const ImageObject* icons = nullptr;        // resource 125
  const ImageObject* markerStrip = nullptr;  // resource 128 (tooltip pointer)
  const Font* font = nullptr;
};

struct CommandBarFrame {
  bool animating = false;     // sliding or a button held: the next frame must follow at once
  bool redrawScene = false;   // the slide has just ended hidden: the scene must fill the band
};

// Draws one frame of the bar at `now`: one slide step, the background, the buttons and,
// for a button held over a second, its tooltip.
CommandBarFrame DrawCommandBar(FrameBuffer& frame, CommandBar& bar, const CommandBarArt& art, uint32_t now);

}  // namespace orx
