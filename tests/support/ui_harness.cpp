#include "support/ui_harness.h"

#include "gfx/draw.h"
#include "platform/messages.h"

namespace orx::test {

std::string SourceDataDir() { return std::string(ORRELUX_SOURCE_DIR) + "/data"; }

namespace {
platform::ManualClock& Installed(platform::ManualClock& clock) {
  platform::InstallClock(&clock);
  return clock;
}
}  // namespace

UiHarness::UiHarness(const char* skinFile, int fontIndex)
    : clock(0, 100000), guarded(240, 320), host(nullptr) {
  Installed(clock);
  fontLoaded = LoadFont(font, fontIndex) == 1;
  AttachUi(ui, guarded.frame, font, &host);
  skinLoaded = LoadStartupSkin(ui, SourceDataDir(), skinFile);
  host.SetWindowProc([this](const platform::Message& m) { return WindowProc(m); });
  host.SetTimer(platform::kAnimationTimerId, platform::kAnimationTimerPeriodMs);
}

UiHarness::~UiHarness() {
  host.SetWindowProc(nullptr);
  platform::InstallClock(nullptr);
}

intptr_t UiHarness::WindowProc(const platform::Message& m) {
  using namespace platform;
  HostWidgets& keyHost = screen == Screen::kMain ? ui.main : ui.options;
  if (HandleUiMessage(ui, keyHost, m)) {
    host.Invalidate();
    return 0;
  }
  const Point p{PointParamX(m.lParam), PointParamY(m.lParam)};
  switch (m.id) {
    case kMsgLButtonDown:
    case kMsgLButtonDblClk:
      if (screen == Screen::kMain) {
        const StylusResult r = MainStylusDown(ui, p);
        if (!r.handled) unhandledDowns.push_back(p.x);
        fullRedraws += r.redrawAll;
      } else {
        OptionsStylusDown(ui, p);
      }
      host.Invalidate();
      return 0;
    case kMsgMouseMove:
      if (screen == Screen::kMain) {
        fullRedraws += MainStylusMove(ui, p).redrawAll;
      } else {
        OptionsStylusMove(ui, p);
      }
      host.Invalidate();
      return 0;
    case kMsgLButtonUp:
      if (screen == Screen::kMain) {
        fullRedraws += MainStylusUp(ui, p).redrawAll;
      } else {
        OptionsStylusUp(ui, p);
      }
      host.Invalidate();
      return 0;
    case kMsgChar:
      RouteKey(keyHost, static_cast<int>(m.wParam), kKeyCharacter);
      host.Invalidate();
      return 0;
    case kMsgKeyDown:
      RouteKey(keyHost, static_cast<int>(m.wParam), kKeyVirtual);
      host.Invalidate();
      return 0;
    case kMsgCommand:
      commands.push_back(static_cast<int>(m.wParam));
      return 0;
    case kMsgTimer:
      host.Invalidate();
      return 0;
    case kMsgPaint:
      Paint();
      return 0;
    default:
      return 0;
  }
}

void UiHarness::Paint() {
  if (screen == Screen::kMain) {
    FillRect(guarded.frame, 0, 0, 240, 320, background, kFillSolid);
    PaintMainWidgets(ui);
  } else {
    PaintOptionsScreen(ui);
  }
}

void UiHarness::Pump() { host.PumpPending(); }

void UiHarness::Down(int x, int y) {
  host.PostMessage(platform::kMsgLButtonDown, 1, platform::MakePointParam(x, y));
  Pump();
}

void UiHarness::Move(int x, int y) {
  host.PostMessage(platform::kMsgMouseMove, 1, platform::MakePointParam(x, y));
  Pump();
}

void UiHarness::Up(int x, int y) {
  host.PostMessage(platform::kMsgLButtonUp, 0, platform::MakePointParam(x, y));
  Pump();
}

void UiHarness::DoubleTap(int x, int y) {
  Tap(x, y);
  clock.Advance(120);
  host.PostMessage(platform::kMsgLButtonDblClk, 1, platform::MakePointParam(x, y));
  Pump();
  Up(x, y);
}

void UiHarness::Char(int code) {
  host.PostMessage(platform::kMsgChar, static_cast<uintptr_t>(code), 0);
  Pump();
}

void UiHarness::VirtualKey(int code) {
  host.PostMessage(platform::kMsgKeyDown, static_cast<uintptr_t>(code), 0);
  Pump();
}

void UiHarness::Advance(uint32_t ms) {
  // In timer-sized steps, so that every tick and the paints it asks for run.
  while (ms > 0) {
    const uint32_t step = ms < platform::kAnimationTimerPeriodMs ? ms : platform::kAnimationTimerPeriodMs;
    clock.Advance(step);
    ms -= step;
    Pump();
  }
}

}  // namespace orx::test
