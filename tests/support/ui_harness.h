// A headless stand-in for the application window around the widget toolkit: a guarded
// 240 x 320 frame, the real font and skin, a manual clock, and a window procedure that
// routes the window's stylus, key and toolkit messages through the real host operations
// of the main window or of the Options screen. Tests post input as the native window
// would and pump the message queue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/font.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "support/guarded_frame.h"
#include "ui/ui_state.h"

namespace orx::test {

// The data directory of the source tree (skins live in its skins/ folder).
std::string SourceDataDir();

class UiHarness {
 public:
  enum class Screen { kMain, kOptions };

  explicit UiHarness(const char* skinFile = "Default.gif", int fontIndex = 1);
  ~UiHarness();
  UiHarness(const UiHarness&) = delete;
  UiHarness& operator=(const UiHarness&) = delete;

  // Stylus input as the window delivers it; each call pumps the queue (and paints).
  void Down(int x, int y);
  void Move(int x, int y);
  void Up(int x, int y);
  void Tap(int x, int y) { Down(x, y); Up(x, y); }
  void DoubleTap(int x, int y);
  // A character (WM_CHAR) or a virtual key (WM_KEYDOWN).
  void Char(int code);
  void VirtualKey(int code);
  // Moves the clock on, letting the 50 ms timer and pending paints run.
  void Advance(uint32_t ms);
  void Pump();
  // Paints the toolkit layer of the current screen now.
  void Paint();

  Color565 Pixel(int x, int y) const { return frame().at(x, y); }
  FrameBuffer& frame() { return guarded.frame; }
  const FrameBuffer& frame() const { return guarded.frame; }
  bool GuardsIntact() const { return guarded.GuardsIntact(); }

  platform::ManualClock clock;
  GuardedFrame guarded;
  Font font;
  platform::Host host;
  UiState ui;
  Screen screen = Screen::kMain;
  Color565 background = 0x2104;   // what the "scene" under the widgets is cleared to
  std::vector<int> commands;      // WM_COMMAND identifiers the window received
  std::vector<int> unhandledDowns;  // main window taps no widget took (x)
  int fullRedraws = 0;            // requests of the main window to redraw everything
  bool fontLoaded = false;
  bool skinLoaded = false;

 private:
  intptr_t WindowProc(const platform::Message& m);
};

}  // namespace orx::test
