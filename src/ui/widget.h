// The base of every control, panel and dialog: `Widget` with its virtual operations and
// flags, the stylus point, the notification callback, and the drawing context that
// widgets draw and measure with (frame buffer, font, skin, window).
#pragma once

#include <cstdint>
#include <functional>

#include "gfx/font.h"
#include "gfx/framebuffer.h"

namespace orx {

namespace platform {
class Host;
}
struct Skin;
class Widget;

// A stylus position in screen pixels.
struct Point {
  int32_t x = 0;
  int32_t y = 0;
};

// Bits of Widget::flags; a new widget has kWidgetEnabled | kWidgetVisible.
inline constexpr uint32_t kWidgetFocused = 1;
inline constexpr uint32_t kWidgetEnabled = 2;
inline constexpr uint32_t kWidgetVisible = 4;

// Codes passed to onChange (the colour picker passes the colour instead).
inline constexpr int kNotifyValueChanged = 0;
inline constexpr int kNotifySelectionChanged = 1125;

// Kinds of KeyInput: a character code, or a virtual-key code.
inline constexpr int kKeyCharacter = 1;
inline constexpr int kKeyVirtual = 2;

// Results of StylusMove.
inline constexpr int kMoveNotHandled = 0;
inline constexpr int kMoveHandled = 1;
inline constexpr int kMoveRedrawAll = 2;  // the widget moved: the host redraws everything

// Owner notification: (sender, code). A dialog's result callback gets (null, button id).
using ChangeHandler = std::function<void(Widget* sender, int code)>;

// What widgets draw into and measure with. One record, owned with the user-interface
// state; every pointer must be set before a widget is set up or drawn. `host` is the
// application window (posting and invalidation); it may stay null in pictures.
struct UiContext {
  FrameBuffer* frame = nullptr;
  const Font* font = nullptr;
  const Skin* skin = nullptr;
  platform::Host* host = nullptr;
  // Tick of the last tap on any edit field, for double taps (valid when set).
  bool editTapSet = false;
  uint32_t editTapTick = 0;

  // The frame's size, or the handheld's 240 x 320 before a frame exists.
  int ScreenWidth() const { return frame && frame->width > 0 ? frame->width : 240; }
  int ScreenHeight() const { return frame && frame->height > 0 ? frame->height : 320; }
  // Pixel height of a line of widget text.
  int LineHeight() const { return font->glyphHeight; }
};

class Widget {
 public:
  explicit Widget(UiContext& ui) : ui_(ui) {}
  virtual ~Widget() = default;
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  // Frees owned texts, items and images and returns to the unconfigured state.
  virtual void Reset() {}
  // Paints into the frame. Never allocates.
  virtual void Draw() = 0;
  // A new tap. True when taken; `captured` then names the widget that gets the rest of
  // the gesture (or stays as it was when the widget takes the tap without capturing).
  virtual bool StylusDown(Point p, Widget*& captured);
  // kMoveNotHandled, kMoveHandled or kMoveRedrawAll.
  virtual int StylusMove(Point p);
  // True when the gesture activated the widget; `window` receives posted messages.
  virtual bool StylusUp(platform::Host* window, Point p);
  // Sets or clears kWidgetFocused.
  virtual void SetFocus(bool on);
  // kind kKeyCharacter: a character code; kKeyVirtual: a virtual-key code.
  virtual void KeyInput(int code, int kind);
  // True for widgets that want the on-screen keyboard while focused.
  virtual bool WantsKeyboard() const { return false; }
  virtual void MoveTo(int x, int y);
  // Dialogs write their top-left corner.
  virtual void GetOrigin(Point& out) const;

  bool visible() const { return (flags & kWidgetVisible) != 0; }
  bool enabled() const { return (flags & kWidgetEnabled) != 0; }
  bool focused() const { return (flags & kWidgetFocused) != 0; }
  bool Contains(Point p) const { return p.x >= x && p.x < x + width && p.y >= y && p.y < y + height; }
  UiContext& context() const { return ui_; }

  ChangeHandler onChange;
  uint32_t flags = kWidgetEnabled | kWidgetVisible;
  int32_t x = -1;
  int32_t y = -1;
  int32_t width = -1;
  int32_t height = -1;

 protected:
  void Notify(int code) {
    if (onChange) onChange(this, code);
  }
  FrameBuffer& frame() const { return *ui_.frame; }
  const Font& font() const { return *ui_.font; }
  const Skin& skin() const { return *ui_.skin; }

  UiContext& ui_;
};

// Show sets kWidgetVisible; hide clears it and the focus flag.
void ShowWidget(Widget& widget, bool on);
void EnableWidget(Widget& widget, bool on);

}  // namespace orx
