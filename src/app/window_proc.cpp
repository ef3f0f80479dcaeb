// The main window procedure: what the program does with each message.
#include "app/app.h"
#include "platform/messages.h"

namespace orx {

namespace {
constexpr uint32_t kCmdExit = 2022;
constexpr uint32_t kCmdSuspend = 2023;
}  // namespace

void RenderFrame(App& app) {
  if (!app.frame.data()) return;
  // The globe, its overlays and the user-interface layer are drawn here as they join.
  app.redrawRequested = false;
  PresentFrame(app.host->display(), app.frame, -1);
}

intptr_t MainWindowProc(App& app, const platform::Message& m) {
  using namespace platform;
  Host& host = *app.host;
  switch (m.id) {
    case kMsgDestroy:
      host.PostQuitMessage(0);
      return 0;
    case kMsgSetFocus:
      host.display().Resume();
      host.Invalidate();
      return 1;
    case kMsgKillFocus:
      host.display().Suspend();
      return 1;
    case kMsgPaint:
      RenderFrame(app);
      return 0;
    case kMsgTimer:
      if (app.redrawRequested) host.Invalidate();
      return 0;
    case kMsgClose:
      // The window manager's close button and the termination signals take the orderly
      // exit; the close sent by ShutDown itself destroys the window.
      if (!app.shuttingDown) {
        ShutDown(app);
      } else {
        host.window().Hide();
        host.SendMessage(kMsgDestroy);
      }
      return 0;
    case kMsgShowInstance:
      // Another start asked for this copy: show it again (also after "Suspend").
      app.suspended = false;
      host.window().Show();
      host.window().Raise();
      host.display().Resume();
      host.Invalidate();
      return 0;
    case kMsgCommand:
      switch (static_cast<uint32_t>(m.wParam & 0xFFFF)) {
        case kCmdExit:
          ShutDown(app);
          return 0;
        case kCmdSuspend:
          app.suspended = true;
          host.display().Suspend();
          host.window().Hide();
          return 0;
        default:
          break;
      }
      host.Invalidate();
      return 0;
    default:
      return 0;
  }
}

}  // namespace orx
