// Dialogs: the movable `Dialog` frame with its title bar and close box, the word-wrapped
// `TextBlock`, the `MessageBox` and the `ExitConfirmDialog`. A modal dialog reports the
// button that closed it by posting the dialog-result message (wParam = button id,
// lParam = the dialog's resultTag); the host then destroys it and calls its onResult.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/widget.h"

namespace orx {

// Button identifiers carried by the dialog-result message.
inline constexpr int kIdOk = 2016;      // "OK" or "Yes"
inline constexpr int kIdCancel = 2017;  // "Cancel" or "No"
inline constexpr int kIdExit = 2022;
inline constexpr int kIdSuspend = 2023;

// Dialog::style bits.
inline constexpr uint32_t kDialogPlainBar = 1;   // bits 0-1 = 1: an 8-pixel bar
inline constexpr uint32_t kDialogTextBar = 2;    // bits 0-1 = 2: a bar for the title; bit 1: draw the title
inline constexpr uint32_t kDialogCloseBox = 4;

// Message box button sets.
inline constexpr int kButtonsOk = 0;
inline constexpr int kButtonsOkCancel = 1;
inline constexpr int kButtonsYesNo = 2;

class Dialog : public Widget {
 public:
  // Takes its title-bar and body colours from the skin in use now.
  explicit Dialog(UiContext& ui);
  void Reset() override;
  // Sets the frame: rectangle, style and title (referenced; may be null).
  void Create(int x, int y, int width, int height, uint32_t style, const char* title);
  void SetTitle(const char* title);
  // The frame: body, title bar, borders, title and close box.
  void Draw() override;
  // Inside: the title bar starts a drag or arms the close box; any tap inside is taken.
  bool StylusDown(Point p, Widget*& captured) override;
  // Dragging answers kMoveRedrawAll; the dialog stays on the screen.
  int StylusMove(Point p) override;
  // A release on the armed close box calls onResult (null, 0) at once.
  bool StylusUp(platform::Host* window, Point p) override;
  void GetOrigin(Point& out) const override;
  // Repositions the children after the dialog moved.
  virtual void LayoutChildren() {}

  // onChange is the dialog's result callback (onResult).
  int32_t titleBarHeight = 0;
  const char* title = nullptr;
  Widget* capturedChild = nullptr;
  uint32_t style = kDialogTextBar;
  int32_t titleX = 0;
  int32_t titleWidth = 0;
  int32_t dragDX = -1;
  int32_t dragDY = -1;
  uint32_t closeBoxState = 0;  // bit 0 armed, bit 1 drawn pressed
  Color565 titleBarColour = 0;
  Color565 bodyColour = 0;
  // Identifies this dialog in the result message it posts (never 0).
  const uintptr_t resultTag;

 protected:
  bool InCloseBoxZone(Point p) const;
  // Posts the dialog-result message for button `id`.
  void PostResult(platform::Host* window, int id) const;
};

// Lines of text wrapped to a width, each line its own copy.
class TextBlock : public Widget {
 public:
  using Widget::Widget;
  void Reset() override;
  // Wraps `text` ("\n" breaks lines) to at most maxWidth pixels a line. With autoSize
  // the block takes the wrapped text's size; with centre (x, y) is its centre. The block
  // is then moved onto the screen.
  void SetText(const char* text, int x, int y, int maxWidth, int height, bool autoSize, bool centre);
  void Draw() override;
  void MoveTo(int x, int y) override;

  std::vector<std::string> lines;
  Color565 colour = kWhite;
};

class MessageBox : public Dialog {
 public:
  explicit MessageBox(UiContext& ui);
  // Sizes and centres the box around the wrapped text; caption null or empty shows
  // "ERROR". The caption is copied.
  void Setup(const char* text, const char* caption, int buttons);
  void Draw() override;
  bool StylusDown(Point p, Widget*& captured) override;
  int StylusMove(Point p) override;
  bool StylusUp(platform::Host* window, Point p) override;
  void LayoutChildren() override;

  TextBlock message;
  PushButton first;
  PushButton second;
  int buttons = kButtonsOk;

 private:
  int FirstButtonX() const;
  std::string caption_;
};

class ExitConfirmDialog : public Dialog {
 public:
  explicit ExitConfirmDialog(UiContext& ui);
  void Reset() override;
  // Centred on the screen with "Exit", "Suspend" and "Cancel".
  void Setup();
  void Draw() override;
  bool StylusDown(Point p, Widget*& captured) override;
  int StylusMove(Point p) override;
  bool StylusUp(platform::Host* window, Point p) override;
  void LayoutChildren() override;

  PushButton exitButton;
  PushButton suspendButton;
  PushButton cancelButton;
};

}  // namespace orx
