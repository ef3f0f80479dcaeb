// The user-interface state of the application (modal dialog, panel, captured and focused
// widgets of the main window and of the Options screen, the Options widget list, the
// on-screen keyboard, the skin) and the host operations that route stylus and key
// events to widgets and paint them. `ShowMessageBox` is how every part of the program
// reports a run-time error or notice; other threads reach it through the message queue.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "settings/settings.h"
#include "ui/dialogs.h"
#include "ui/skin.h"
#include "ui/soft_keyboard.h"
#include "ui/widget.h"

namespace orx {

// Posted by ShowMessageBox called off the user-interface thread; the window procedure
// hands it to HandleUiMessage, which shows the waiting boxes.
inline constexpr uint32_t kMsgShowMessageBox = platform::kMsgUser + 201;

// The gesture target and the keyboard target of one host (main window or Options screen).
struct HostWidgets {
  Widget* captured = nullptr;
  Widget* focused = nullptr;
};

// What a stylus event did: whether the toolkit took it (else the host's own controls
// may use it) and whether the whole screen must be drawn again.
struct StylusResult {
  bool handled = false;
  bool redrawAll = false;
};

struct UiState {
  // The state belongs to the thread that creates it (the user-interface thread).
  UiState();
  ~UiState();
  UiState(const UiState&) = delete;
  UiState& operator=(const UiState&) = delete;

  UiContext context;   // frame, font, skin (this record's) and window
  Skin skin;
  std::unique_ptr<Dialog> activeModalDialog;  // receives every tap while it exists
  std::unique_ptr<Dialog> activePanel;        // the one non-modal panel of the main window
  Point savedPanelPosition{120, 0};
  HostWidgets main;
  HostWidgets options;
  std::vector<Widget*> optionsWidgets;  // hit-test and paint order of the Options screen
  SoftKeyboard softKeyboard;
  bool keyboardShown = false;

  // Message boxes asked for by other threads, shown by the user-interface thread.
  struct PendingMessageBox {
    std::string text;
    std::string caption;
    bool hasCaption = false;
    int buttons = 0;
    ChangeHandler onResult;
  };
  std::mutex pendingMutex;
  std::vector<PendingMessageBox> pending;
  std::thread::id uiThread;
};

// Points the drawing context at the frame, the font and the window (the skin is the
// state's own); message boxes asked for before are then shown through the queue.
void AttachUi(UiState& ui, FrameBuffer& frame, const Font& font, platform::Host* window);

// Shows a message box over everything at the next paint, replacing any modal dialog
// (whose onResult is not called). buttons: 0 "OK", 1 "OK"/"Cancel", 2 "Yes"/"No".
// Callable from any thread: off the user-interface thread (or before AttachUi) the
// request travels through the window's message queue (kMsgShowMessageBox). onResult runs
// on the UI thread.
void ShowMessageBox(UiState& ui, const char* text, const char* caption, int buttons, ChangeHandler onResult);
// Shows the boxes that other threads asked for (the last one stays on top).
void ShowPendingMessageBoxes(UiState& ui);
// The "Confirm" dialog with "Exit" (2022), "Suspend" (2023) and "Cancel" (2017).
void ShowExitConfirmation(UiState& ui, ChangeHandler onResult);
// Replaces the active modal dialog (null closes it without a result).
void SetModalDialog(UiState& ui, std::unique_ptr<Dialog> dialog);
// Opens or closes (null) the active panel; closing forgets the main window's gesture and
// focus, which lie in the panel, and hides the keyboard.
void SetPanel(UiState& ui, std::unique_ptr<Dialog> panel);

// The dialog-result message: destroys the active modal dialog and then calls its
// onResult (null, wParam). lParam 0 calls nothing; a tag of a dialog that is no longer
// the active one is a stale result and changes nothing.
void HandleDialogResult(UiState& ui, uintptr_t wParam, intptr_t lParam);
// The soft-key message: the focused widget of `host` gets KeyInput (wParam, lParam).
void HandleSoftKey(HostWidgets& host, uintptr_t wParam, intptr_t lParam);
// The toolkit's messages (dialog result, soft key, waiting message boxes); true when
// `m` was one of them. Soft keys go to `keyHost`.
bool HandleUiMessage(UiState& ui, HostWidgets& keyHost, const platform::Message& m);
// Key input (kKeyCharacter or kKeyVirtual) for the focused widget of `host`, if any.
void RouteKey(HostWidgets& host, int code, int kind);

// Shows the soft keyboard at rows 239-319, or hides it (clearing its modifiers).
void ShowKeyboard(UiState& ui, bool on);

// Stylus events of the main window: the modal dialog, then the keyboard, then the panel.
// Not handled means the main window's own controls (the command bar) may use the event.
StylusResult MainStylusDown(UiState& ui, Point p);
StylusResult MainStylusMove(UiState& ui, Point p);
StylusResult MainStylusUp(UiState& ui, Point p);
// Stylus events of the Options screen: the modal dialog, the keyboard, then the widgets
// of the Options list in order (the first that captures gets the focus).
bool OptionsStylusDown(UiState& ui, Point p);
int OptionsStylusMove(UiState& ui, Point p);
bool OptionsStylusUp(UiState& ui, Point p);

// The main window's widget layer over the scene: the panel (its position saved), the
// keyboard when shown, the modal dialog.
void PaintMainWidgets(UiState& ui);
// The whole Options screen: body, header with "OPTIONS", the widgets (the focused one
// last), the keyboard, the modal dialog. The caller presents the frame.
void PaintOptionsScreen(UiState& ui);

// Loads the skin named at start-up; false when it cannot be loaded.
bool LoadStartupSkin(UiState& ui, const std::filesystem::path& dataDir, const std::string& fileName);
// A skin chosen at run time: a name equal to "Skin File" changes nothing (false). Else
// the skin is loaded and becomes "Skin File" (true); when it cannot be loaded the skin in
// use stays, a message box says so, and the answer is false.
bool ChangeSkin(UiState& ui, Settings& settings, const std::filesystem::path& dataDir, const std::string& fileName);

}  // namespace orx
