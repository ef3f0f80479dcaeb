// The main window procedure: what the program does with each message. Stylus events go
// to the widget layer, then the command bar, then the globe gestures; keys to the
// focused widget or the zoom; the 50 ms timer drives the periodic work; a paint draws
// the scene, the command bar and the widgets and presents the frame.
#include <string>

#include "app/app.h"
#include "app/find_city.h"
#include "app/options_screen.h"
#include "gfx/draw.h"
#include "globe/texture.h"
#include "measure/measure_state.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/messages.h"

namespace orx {

namespace {

using platform::Message;

constexpr char kHelpFile[] = "vantor.htm";

Point PointOf(const Message& m) { return {platform::PointParamX(m.lParam), platform::PointParamY(m.lParam)}; }
bool IsSet(Point p) { return p.x >= 0 || p.y >= 0; }
constexpr Point kNoPoint{-1, -1};

int ScreenHeight(const App& app) { return app.frame.height > 0 ? app.frame.height : kViewHeight; }

void RequestRedraw(App& app) { app.globe.view.redrawRequested = true; }

MeasureSources Measuring(App& app) {
  return {app.measure, app.settings, app.cities, app.selectedCities, app.globe, &app.gps.mainFix};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Texture rebuilds with their progress bar

void RebuildWithProgress(App& app) {
  TextureUi ui;
  bool framed = false;
  ui.progress = [&app, &framed](int value) {
    if (!app.frame.data()) return;
    if (!framed) {
      FillRect(app.frame, 79, 154, 82, 16, kBlack, kFillSolid);
      framed = true;
    }
    ProgressBar bar(app.ui.context);
    bar.Setup(80, 155, 80, 14, true);
    bar.SetPercent(value);
    bar.Draw();
    PresentFrame(app.host->display(), app.frame, -1);
  };
  ui.showMessage = [&app](const char* text, const char* caption, bool openOptions) {
    // With no texture at all, closing the message opens the Options screen, where other
    // maps can be chosen.
    ChangeHandler onResult;
    if (openOptions) onResult = [&app](Widget*, int) { OpenOptionsScreen(app); };
    ShowMessageBox(app.ui, text, caption, kButtonsOk, std::move(onResult));
  };
  const TextureSource source = MakeTextureSource(app.settings, app.paths.dataDir, platform::GetSystemTime());
  if (RebuildTexture(app.globe, source, ui, true) == kTextureOutOfMemory) {
    ShowMessageBox(app.ui, "Not enough memory to compose the globe's texture.", "Error", kButtonsOk, nullptr);
  }
  RequestRedraw(app);
}

namespace {

// ---------------------------------------------------------------------------------------
// Globe gestures

void GlobeStylusDown(App& app, Point p, bool doubleTap) {
  MainWindowState& w = app.window;
  if (app.settings.showCompass && CompassHit(app.gpsDisplay, app.compassImage.get(), p.x, p.y)) {
    w.compassDragging = true;
    return;
  }
  if (w.zoomSelection) {
    int x = p.x, y = p.y;
    if (!ClampToGlobe(app.globe.view, x, y)) w.pressPoint = kNoPoint;
    return;
  }
  if (app.settings.panRotate) return;  // the drag does the work
  // With `Compute Distance` on, a tap near a distance point selects it for dragging; a
  // double tap deletes it.
  MeasureState& m = app.measure;
  m.selectedPoint = -1;
  if (app.settings.computeDistance && !m.distancePath.empty()) {
    m.selectedPoint = FindDistancePoint(m, app.globe.view, p.x, p.y);
  }
  if (doubleTap && m.selectedPoint >= 0) {
    DeleteDistancePoint(m, m.selectedPoint);
    w.pressPoint = kNoPoint;
    w.currentPoint = kNoPoint;
    TrackStylus(Measuring(app), -1, -1);
  } else {
    w.currentPoint = p;
    TrackStylus(Measuring(app), p.x, p.y);
  }
  RequestRedraw(app);
}

void GlobeStylusMove(App& app, Point q) {
  MainWindowState& w = app.window;
  if (w.compassDragging && app.compassImage) {
    DragCompass(app.gpsDisplay, *app.compassImage, q.x - w.pressPoint.x, q.y - w.pressPoint.y, app.frame.width,
                ScreenHeight(app), app.font.glyphHeight);
    w.pressPoint = q;
  } else if (w.zoomSelection) {
    int x = q.x, y = q.y;
    ClampToGlobe(app.globe.view, x, y);
    w.currentPoint = {x, y};
  } else if (app.settings.panRotate) {
    PanBy(app.globe.view, q.x - w.pressPoint.x, q.y - w.pressPoint.y);
    w.pressPoint = q;
  } else {
    w.currentPoint = q;
    TrackStylus(Measuring(app), q.x, q.y);
  }
  RequestRedraw(app);
}

void GlobeStylusUp(App& app) {
  MainWindowState& w = app.window;
  if (w.compassDragging || !IsSet(w.currentPoint)) return;
  if (w.zoomSelection) {
    if (IsSet(w.pressPoint)) {
      ZoomToSelection(app.globe.view, w.pressPoint.x, w.pressPoint.y, w.currentPoint.x, w.currentPoint.y);
    }
    w.zoomSelection = false;
    SetCommandChecked(w.commandBar, kCmdZoomSelection, false);
    RequestRedraw(app);
    return;
  }
  // With `Compute Distance` on and `Pan/Rotate` off, the lifted point becomes a distance
  // point unless the tap selected one.
  if (app.settings.computeDistance && app.measure.selectedPoint < 0 && !app.settings.panRotate &&
      AddDistancePoint(Measuring(app), w.currentPoint.x, w.currentPoint.y)) {
    RequestRedraw(app);
  }
}

// ---------------------------------------------------------------------------------------
// Commands

bool Toggle(App& app, bool& flag, uint32_t command) {
  flag = !flag;
  SetCommandChecked(app.window.commandBar, command, flag);
  return flag;
}

void Suspend(App& app) {
  app.suspended = true;
  app.host->display().Suspend();
  app.host->window().Hide();
}

void OnCommand(App& app, uint32_t command) {
  MainWindowState& w = app.window;
  ViewState& view = app.globe.view;
  switch (command) {
    case kCmdRollout:
      ToggleCommandBar(w.commandBar);  // the bar slides; the globe is not drawn again
      break;
    case kCmdGrid:
      Toggle(app, app.settings.latLonGrid, command);
      RequestRedraw(app);
      break;
    case kCmdDayNight:
      Toggle(app, app.settings.showDayAndNight, command);
      RebuildWithProgress(app);
      break;
    case kCmdOptions:
      OpenOptionsScreen(app);
      break;
    case kCmdComputeDistance:
      // The pointed place is forgotten; turning the mode on empties the distance path.
      DistanceModeChanged(app.measure, Toggle(app, app.settings.computeDistance, command));
      RequestRedraw(app);
      break;
    case kCmdPanRotate:
      Toggle(app, app.settings.panRotate, command);
      break;
    case kCmdSphericalPlanar:
      // The setting is set for the flat map; the button shows checked for the sphere.
      app.settings.sphericalPlanarView = !app.settings.sphericalPlanarView;
      SetCommandChecked(w.commandBar, command, !app.settings.sphericalPlanarView);
      view.planarMode = app.settings.sphericalPlanarView;
      RequestRedraw(app);
      break;
    case kCmdSelectedCities:
      Toggle(app, app.settings.showSelectedCities, command);
      RequestRedraw(app);
      break;
    case kCmdZoomSelection:
      Toggle(app, w.zoomSelection, command);
      break;
    case kCmdZoomOut:
      if (view.planarMode) {
        SetPlanarHeight(view, PlanarMapHeight(view) - 20);
      } else {
        ZoomStep(view, Zoom::kOut, true);
      }
      RequestRedraw(app);
      break;
    case kCmdFindCity:
      ToggleFindCity(app);
      break;
    case kCmdHelp:
      app.host->PostMessage(platform::kMsgHelp);
      break;
    case kCmdClose:
      ShowExitConfirmation(app.ui, [&app](Widget*, int id) {
        if (id == kIdExit) {
          ShutDown(app);
        } else if (id == kIdSuspend) {
          Suspend(app);
        }
      });
      break;
    case kIdExit:
      ShutDown(app);
      return;
    case kIdSuspend:
      Suspend(app);
      return;
    default:
      break;
  }
  app.host->Invalidate();
}

// ---------------------------------------------------------------------------------------
// Keys, help and the timer

void OnKeyDown(App& app, uint32_t key) {
  if (app.ui.main.focused) {
    RouteKey(app.ui.main, static_cast<int>(key), kKeyVirtual);
  } else {
    ViewState& view = app.globe.view;
    switch (key) {
      case platform::kVkReturn: ZoomStep(view, Zoom::kReset, false); break;
      case platform::kVkLeft: ZoomStep(view, Zoom::kOut, false); break;
      case platform::kVkDown: ZoomStep(view, Zoom::kOut, true); break;
      case platform::kVkRight: ZoomStep(view, Zoom::kIn, false); break;
      case platform::kVkUp: ZoomStep(view, Zoom::kIn, true); break;
      default: break;
    }
  }
  app.host->Invalidate();
}

// The help file opens in the desktop's viewer; the display rests meanwhile and resumes
// when the window gets the focus back, or at the next stylus or key input in the window
// (a viewer that opens without taking the focus gives no focus change to wait for).
void OnHelp(App& app) {
  const std::filesystem::path file = app.paths.dataDir / kHelpFile;
  std::error_code ec;
  const bool present = std::filesystem::is_regular_file(file, ec);
  if (present && platform::OpenWithDesktop(file)) {
    app.host->display().Suspend();
    return;
  }
  // Nothing will take the focus, so the display stays up and the user is told.
  const std::string text = present ? "No viewer for the help file was found (tried " + platform::DesktopOpener() +
                                         "). Open " + file.string() + " in a web browser."
                                   : "The help file " + file.string() + " could not be opened.";
  ShowMessageBox(app.ui, text.c_str(), "Error", kButtonsOk, nullptr);
  app.host->Invalidate();
}

void OnTimer(App& app) {
  MainWindowState& w = app.window;
  const Settings& s = app.settings;
  if (!w.firstTickDone) {
    w.firstTickDone = true;
    w.shadowCountdown = s.shadowUpdateInterval * kTicksPerMinute;
    w.gpsHistoryCountdown = s.gpsUpdateInterval * kTicksPerMinute;
  }
  if (s.cityTime && --w.cityTimeCountdown < 1) {
    w.cityTimeCountdown = kCityTimeTicks;
    RequestRedraw(app);
  }
  if (s.showDayAndNight && s.autoUpdateOfEarthsShadow && --w.shadowCountdown < 1) {
    w.shadowCountdown = s.shadowUpdateInterval * kTicksPerMinute;
    RebuildWithProgress(app);
  }
  if (s.rotateGlobe) RotateTick(app.globe.view, s.rotationSpeed);
  // Weather: the workers' tasks, the finished fetch, the automatic update.
  RunWeatherUiTasks(app.weather);
  if (s.showWeather) {
    if (LoadWeatherPlaces(app.weather, app.weatherPlaces)) RequestRedraw(app);
    if (s.weatherAutoUpdate && --w.weatherCountdown < 1) {
      w.weatherCountdown = s.weatherUpdateInterval * kTicksPerMinute;
      StartWeatherFetch(app.weather, WeatherRequestFromSettings(s), false);
    }
  }
  // GPS: the latest fix is copied; with `Auto Update`, history points are added.
  if (GpsTick(app.gps, s, w.gpsHistoryCountdown)) RequestRedraw(app);
  if (app.globe.view.redrawRequested || app.ui.activePanel || app.ui.activeModalDialog) app.host->Invalidate();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Stylus routing

bool RouteStylusDown(App& app, Point p) {
  const StylusResult r = MainStylusDown(app.ui, p);
  if (r.redrawAll) RequestRedraw(app);
  if (r.handled) return true;
  return CommandBarStylusDown(app.window.commandBar, p, ScreenHeight(app), platform::GetTickCount());
}

bool RouteStylusMove(App& app, Point p) {
  const StylusResult r = MainStylusMove(app.ui, p);
  if (r.handled) {
    if (r.redrawAll) RequestRedraw(app);
    return true;
  }
  return CommandBarStylusMove(app.window.commandBar, p, ScreenHeight(app));
}

bool RouteStylusUp(App& app, Point p) {
  const StylusResult r = MainStylusUp(app.ui, p);
  if (r.handled) {
    RequestRedraw(app);
    return true;
  }
  if (CommandBarStylusUp(app.window.commandBar, app.host.get())) {
    RequestRedraw(app);
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Paint

void RenderFrame(App& app) {
  if (!app.frame.data()) return;
  MainWindowState& w = app.window;
  ViewState& view = app.globe.view;
  bool animating = false;
  if (!app.renderHelper) app.renderHelper = std::make_unique<RenderHelper>();
  Scene scene{app.frame, app.globe, app.settings, &app.markerStrip, &app.font};
  scene.helper = app.renderHelper.get();
  scene.layers = &app.sceneLayers;
  scene.placeHooks = &app.placeHooks;
  const bool stylusOnGlobe = IsSet(w.currentPoint);
  scene.stylus.edgeScroll = stylusOnGlobe && !app.settings.panRotate && !w.compassDragging && !w.zoomSelection;
  scene.stylus.x = w.currentPoint.x;
  scene.stylus.y = w.currentPoint.y;
  scene.stylus.zoomSelecting = w.zoomSelection && stylusOnGlobe && IsSet(w.pressPoint);
  scene.stylus.x1 = w.pressPoint.x;
  scene.stylus.y1 = w.pressPoint.y;
  if (RenderSceneOrEmpty(scene, app.ui.activeModalDialog != nullptr, [&app] {
        // Closing the message opens the Options screen, so that other maps can be chosen.
        ShowMessageBox(app.ui, kNoTextureMessage, kErrorCaption, kButtonsOk,
                       [&app](Widget*, int) { OpenOptionsScreen(app); });
      })) {
    animating = true;
  }

  const CommandBarArt art{&app.ui.skin, &app.commandIcons, &app.markerStrip, &app.font};
  const CommandBarFrame bar = DrawCommandBar(app.frame, w.commandBar, art, platform::GetTickCount());
  if (bar.redrawScene) view.redrawRequested = true;
  animating |= bar.animating;
  PaintMainWidgets(app.ui);
  if (view.flightActive) {
    StepFlight(view, app.settings.animatedRotationToCity, app.settings.animationSpeed);
    view.redrawRequested = true;
    animating = true;
  }
  PresentFrame(app.host->display(), app.frame, -1);
  // While anything moves, the next paint follows at once. A shown panel or dialog (caret,
  // auto-repeat) is repainted by the timer instead, at 20 frames a second.
  if (animating || view.redrawRequested) app.host->Invalidate();
}

// ---------------------------------------------------------------------------------------
// The window procedure

intptr_t MainWindowProc(App& app, const platform::Message& m) {
  using namespace platform;
  Host& host = *app.host;
  MainWindowState& w = app.window;
  // While the Options dialog fills the screen, its handler sees every message first.
  if (w.screenMode == kScreenOptions && OptionsScreenProc(app, m)) return 0;
  switch (m.id) {
    case kMsgChar:
      RouteKey(app.ui.main, static_cast<int>(m.wParam), kKeyCharacter);
      host.Invalidate();
      return 0;
    case kMsgDestroy:
      host.PostQuitMessage(0);
      return 0;
    case kMsgSetFocus:
      if (!app.suspended) host.display().Resume();
      host.Invalidate();
      return 1;
    case kMsgKillFocus:
      host.display().Suspend();
      return 1;
    case kMsgPaint:
      RenderFrame(app);
      return 0;
    case kMsgSettingChange:
      return 0;  // nothing of the desktop's settings concerns the program
    case kMsgHelp:
      OnHelp(app);
      return 1;
    case kMsgKeyDown:
      if (!app.suspended) host.display().Resume();
      OnKeyDown(app, static_cast<uint32_t>(m.wParam));
      return 0;
    case kMsgLButtonDown:
    case kMsgLButtonDblClk: {
      const Point p = PointOf(m);
      if (!app.suspended) host.display().Resume();
      w.stylusCaptured = true;
      if (RouteStylusDown(app, p)) {
        host.Invalidate();
        return 0;
      }
      app.globe.view.flightActive = false;
      w.pressPoint = p;
      GlobeStylusDown(app, p, m.id == kMsgLButtonDblClk);
      host.Invalidate();
      return 0;
    }
    case kMsgMouseMove: {
      const Point q = PointOf(m);
      if (!RouteStylusMove(app, q) && IsSet(w.pressPoint)) GlobeStylusMove(app, q);
      host.Invalidate();
      return 0;
    }
    case kMsgLButtonUp: {
      const Point p = PointOf(m);
      if (!RouteStylusUp(app, p)) GlobeStylusUp(app);
      w.compassDragging = false;
      EndCommandPress(w.commandBar);
      w.pressPoint = kNoPoint;
      w.currentPoint = kNoPoint;
      app.measure.selectedPoint = -1;
      TrackStylus(Measuring(app), -1, -1);
      w.stylusCaptured = false;
      host.Invalidate();
      return 0;
    }
    case kMsgWeatherTasks:
      RunWeatherUiTasks(app.weather);
      return 0;
    case kMsgTimer:
      OnTimer(app);
      return 0;
    case kMsgCommand:
      OnCommand(app, static_cast<uint32_t>(m.wParam & 0xFFFF));
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
    default:
      if (HandleUiMessage(app.ui, app.ui.main, m)) {
        host.Invalidate();
        return 0;
      }
      return 0;
  }
}

}  // namespace orx
