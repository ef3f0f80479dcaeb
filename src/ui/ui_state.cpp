#include "ui/ui_state.h"

#include <algorithm>
#include <new>
#include <utility>

#include "gfx/draw.h"
#include "platform/host.h"

namespace orx {
namespace {

// Forgets gesture and focus pointers that name `widget` (about to be destroyed).
void Forget(UiState& ui, const Widget* widget) {
  for (HostWidgets* host : {&ui.main, &ui.options}) {
    if (host->captured == widget) host->captured = nullptr;
    if (host->focused == widget) host->focused = nullptr;
  }
}

// The captured widget of a host takes the focus; the keyboard follows its wish.
void FocusCaptured(UiState& ui, HostWidgets& host) {
  host.focused = host.captured;
  host.focused->SetFocus(true);
  ShowKeyboard(ui, host.focused->WantsKeyboard());
}

}  // namespace

UiState::UiState() : softKeyboard(context), uiThread(std::this_thread::get_id()) { context.skin = &skin; }

UiState::~UiState() {
  // Dialogs first: their destructors must not outlive the context they point to.
  activeModalDialog.reset();
  activePanel.reset();
}

void AttachUi(UiState& ui, FrameBuffer& frame, const Font& font, platform::Host* window) {
  ui.context.frame = &frame;
  ui.context.font = &font;
  ui.context.host = window;
  ui.context.skin = &ui.skin;
  std::lock_guard<std::mutex> lock(ui.pendingMutex);
  if (!ui.pending.empty() && window) window->PostMessage(kMsgShowMessageBox);
}

// ---------------------------------------------------------------------------------------
// Modal dialogs and the panel

void SetModalDialog(UiState& ui, std::unique_ptr<Dialog> dialog) {
  if (ui.activeModalDialog) {
    Forget(ui, ui.activeModalDialog.get());
    ui.activeModalDialog.reset();
  }
  ui.activeModalDialog = std::move(dialog);
}

void SetPanel(UiState& ui, std::unique_ptr<Dialog> panel) {
  if (ui.activePanel) {
    // Everything the main window captured or focused, apart from the keyboard, lies in
    // the panel.
    if (ui.main.captured != &ui.softKeyboard) ui.main.captured = nullptr;
    ui.main.focused = nullptr;
    ShowKeyboard(ui, false);
    Forget(ui, ui.activePanel.get());
    ui.activePanel.reset();
  }
  ui.activePanel = std::move(panel);
}

void ShowMessageBox(UiState& ui, const char* text, const char* caption, int buttons, ChangeHandler onResult) {
  // Off the user-interface thread, or before there is a font and a frame to lay the box
  // out with, the box waits until the UI thread can show it.
  const bool attached = ui.context.font && ui.context.frame;
  if (std::this_thread::get_id() != ui.uiThread || !attached) {
    {
      std::lock_guard<std::mutex> lock(ui.pendingMutex);
      UiState::PendingMessageBox box;
      box.text = text ? text : "";
      box.hasCaption = caption != nullptr;
      box.caption = caption ? caption : "";
      box.buttons = buttons;
      box.onResult = std::move(onResult);
      ui.pending.push_back(std::move(box));
    }
    if (ui.context.host) ui.context.host->PostMessage(kMsgShowMessageBox);
    return;
  }
  SetModalDialog(ui, nullptr);
  std::unique_ptr<MessageBox> box;
  try {
    box = std::make_unique<MessageBox>(ui.context);
    box->Setup(text ? text : "", caption, buttons);
  } catch (const std::bad_alloc&) {
    return;  // no box, and onResult is never called
  }
  box->onChange = std::move(onResult);
  ui.activeModalDialog = std::move(box);
  if (ui.context.host) ui.context.host->Invalidate();
}

void ShowPendingMessageBoxes(UiState& ui) {
  std::vector<UiState::PendingMessageBox> boxes;
  {
    std::lock_guard<std::mutex> lock(ui.pendingMutex);
    boxes.swap(ui.pending);
  }
  for (UiState::PendingMessageBox& box : boxes) {
    ShowMessageBox(ui, box.text.c_str(), box.hasCaption ? box.caption.c_str() : nullptr, box.buttons,
                   std::move(box.onResult));
  }
}

void ShowExitConfirmation(UiState& ui, ChangeHandler onResult) {
  SetModalDialog(ui, nullptr);
  std::unique_ptr<ExitConfirmDialog> dialog;
  try {
    dialog = std::make_unique<ExitConfirmDialog>(ui.context);
  } catch (const std::bad_alloc&) {
    return;
  }
  dialog->Setup();
  dialog->onChange = std::move(onResult);
  ui.activeModalDialog = std::move(dialog);
  if (ui.context.host) ui.context.host->Invalidate();
}

// ---------------------------------------------------------------------------------------
// Messages and keys

void HandleDialogResult(UiState& ui, uintptr_t wParam, intptr_t lParam) {
  if (!ui.activeModalDialog) return;
  if (lParam != 0 && static_cast<uintptr_t>(lParam) != ui.activeModalDialog->resultTag) return;
  ChangeHandler onResult;
  if (lParam != 0) onResult = std::move(ui.activeModalDialog->onChange);
  SetModalDialog(ui, nullptr);
  if (ui.context.host) ui.context.host->Invalidate();
  if (onResult) onResult(nullptr, static_cast<int>(wParam));
}

void RouteKey(HostWidgets& host, int code, int kind) {
  if (host.focused) host.focused->KeyInput(code, kind);
}

void HandleSoftKey(HostWidgets& host, uintptr_t wParam, intptr_t lParam) {
  RouteKey(host, static_cast<int>(wParam), static_cast<int>(lParam));
}

bool HandleUiMessage(UiState& ui, HostWidgets& keyHost, const platform::Message& m) {
  switch (m.id) {
    case platform::kMsgDialogResult:
      HandleDialogResult(ui, m.wParam, m.lParam);
      return true;
    case platform::kMsgSoftKey:
      HandleSoftKey(keyHost, m.wParam, m.lParam);
      return true;
    case kMsgShowMessageBox:
      ShowPendingMessageBoxes(ui);
      return true;
    default:
      return false;
  }
}

void ShowKeyboard(UiState& ui, bool on) {
  if (on) {
    ui.softKeyboard.Show(kKeyboardTop);
  } else {
    ui.softKeyboard.Reset();
  }
  ui.keyboardShown = on;
}

// ---------------------------------------------------------------------------------------
// Stylus routing

StylusResult MainStylusDown(UiState& ui, Point p) {
  StylusResult result;
  ui.main.captured = nullptr;
  if (ui.activeModalDialog) {
    // The tap is the dialog's wherever it lands.
    ui.activeModalDialog->StylusDown(p, ui.main.captured);
    result.handled = true;
    return result;
  }
  if (ui.keyboardShown && ui.softKeyboard.StylusDown(p, ui.main.captured)) {
    result.handled = true;
    return result;
  }
  if (ui.main.focused) {
    ui.main.focused->SetFocus(false);
    ui.main.focused = nullptr;
  }
  if (ui.activePanel) {
    ui.activePanel->StylusDown(p, ui.main.captured);
    if (ui.main.captured) {
      const bool wasShown = ui.keyboardShown;
      FocusCaptured(ui, ui.main);
      result.handled = true;
      result.redrawAll = wasShown != ui.keyboardShown;
      return result;
    }
  }
  if (ui.keyboardShown) {
    ShowKeyboard(ui, false);
    result.redrawAll = true;
  }
  return result;
}

StylusResult MainStylusMove(UiState& ui, Point p) {
  StylusResult result;
  if (!ui.main.captured) return result;
  result.handled = true;
  result.redrawAll = ui.main.captured->StylusMove(p) == kMoveRedrawAll;
  return result;
}

StylusResult MainStylusUp(UiState& ui, Point p) {
  StylusResult result;
  Widget* target = ui.main.captured;
  if (!target) return result;
  ui.main.captured = nullptr;
  target->StylusUp(ui.context.host, p);
  result.handled = true;
  result.redrawAll = true;
  return result;
}

bool OptionsStylusDown(UiState& ui, Point p) {
  ui.options.captured = nullptr;
  if (ui.activeModalDialog) {
    ui.activeModalDialog->StylusDown(p, ui.options.captured);
    return true;
  }
  if (ui.keyboardShown && ui.softKeyboard.StylusDown(p, ui.options.captured)) return true;
  if (ui.options.focused) ui.options.focused->SetFocus(false);  // stays recorded
  for (Widget* widget : ui.optionsWidgets) {
    ui.options.captured = nullptr;
    // A widget that takes the tap without capturing it (a check box) does not end the search.
    if (!widget->StylusDown(p, ui.options.captured) || !ui.options.captured) continue;
    FocusCaptured(ui, ui.options);
    return true;
  }
  ui.options.captured = nullptr;
  ShowKeyboard(ui, false);
  return false;
}

int OptionsStylusMove(UiState& ui, Point p) {
  if (!ui.options.captured) return kMoveNotHandled;
  return ui.options.captured->StylusMove(p);
}

bool OptionsStylusUp(UiState& ui, Point p) {
  Widget* target = ui.options.captured;
  if (!target) return false;
  ui.options.captured = nullptr;
  return target->StylusUp(ui.context.host, p);
}

// ---------------------------------------------------------------------------------------
// Painting

void PaintMainWidgets(UiState& ui) {
  if (ui.activePanel) {
    ui.activePanel->Draw();
    ui.activePanel->GetOrigin(ui.savedPanelPosition);
  }
  if (ui.keyboardShown) ui.softKeyboard.Draw();
  if (ui.activeModalDialog) ui.activeModalDialog->Draw();
}

void PaintOptionsScreen(UiState& ui) {
  FrameBuffer& frame = *ui.context.frame;
  const Skin& s = ui.skin;
  const int h = ui.context.LineHeight();
  const int w = ui.context.ScreenWidth();
  FillRect(frame, 0, h + 7, w, 313 - h, s.panel, kFillSolid);
  FillRect(frame, 0, 0, w, h + 8, s.frame, kFillSolid);
  DrawLine(frame, 0, h + 8, w - 1, h + 8, s.page, 0, false);
  DrawText(frame, *ui.context.font, 100, 4, "OPTIONS", kWhite);
  for (Widget* widget : ui.optionsWidgets) {
    if (widget != ui.options.focused) widget->Draw();
  }
  if (ui.options.focused) ui.options.focused->Draw();
  if (ui.keyboardShown) ui.softKeyboard.Draw();
  if (ui.activeModalDialog) {
    ui.activeModalDialog->Draw();
    if (ui.context.host) ui.context.host->Invalidate();
  }
}

// ---------------------------------------------------------------------------------------
// Skins

bool LoadStartupSkin(UiState& ui, const std::filesystem::path& dataDir, const std::string& fileName) {
  return LoadSkin(ui.skin, dataDir, fileName);
}

bool ChangeSkin(UiState& ui, Settings& settings, const std::filesystem::path& dataDir, const std::string& fileName) {
  if (fileName == settings.skinFile) return false;
  if (LoadSkin(ui.skin, dataDir, fileName)) {
    settings.skinFile = fileName;
    return true;
  }
  std::string text = "The skin \"" + fileName + "\" could not be loaded.\nThe current skin stays in use.";
  ShowMessageBox(ui, text.c_str(), "Error", kButtonsOk, nullptr);
  return false;
}

}  // namespace orx
