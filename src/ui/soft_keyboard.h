// SoftKeyboard: the 240 x 81 on-screen keyboard with its lower-case, upper-case and
// symbols layouts and the modifiers Caps, Shift and Ctrl. A released key posts the
// soft-key message (wParam = code, lParam = kind) to the window.
#pragma once

#include <cstdint>
#include <span>

#include "gfx/image.h"
#include "ui/widget.h"

namespace orx {

inline constexpr int kKeyboardWidth = 240;
inline constexpr int kKeyboardHeight = 81;
// The row the hosts show the keyboard at (rows 239-319 of the screen).
inline constexpr int kKeyboardTop = 239;

// Modifier bits of SoftKeyboard::modifiers.
inline constexpr uint32_t kModSymbols = 1;
inline constexpr uint32_t kModCaps = 2;
inline constexpr uint32_t kModShift = 4;
inline constexpr uint32_t kModCtrl = 8;
inline constexpr uint32_t kModSpare = 16;  // toggles, selects nothing

// Kinds of KeyboardKey.
inline constexpr int kKeyModifier = 0;  // code = minus the modifier bit it toggles

// A key: rectangle relative to the keyboard's top-left, its code and kind (kKeyModifier,
// kKeyCharacter or kKeyVirtual).
struct KeyboardKey {
  int16_t x, y, width, height;
  int16_t code;
  int16_t kind;
};

enum KeyboardLayout { kLayoutSymbols = 0, kLayoutLower = 1, kLayoutUpper = 2 };

// The keys of a layout (47 symbols, 61 lower or upper case) and its picture resource
// ("GIF", 121 symbols, 122 lower case, 123 upper case).
std::span<const KeyboardKey> KeyboardKeys(KeyboardLayout layout);
int KeyboardResource(KeyboardLayout layout);

// Indices of the keys highlighted while their modifier is on.
inline constexpr int kKeySymbolsToggle = 0;
inline constexpr int kKeyCaps = 27;
inline constexpr int kKeyShift = 40;
inline constexpr int kKeyCtrl = 52;

class SoftKeyboard : public Widget {
 public:
  explicit SoftKeyboard(UiContext& ui);
  ~SoftKeyboard() override;
  // Hides the keyboard and clears its modifiers.
  void Reset() override;
  // Shows it with its first row at `top` (kept on the screen), in the layout the
  // modifiers choose.
  void Show(int top);
  bool shown() const { return top >= 0; }
  // Background in the highlight colour, keys in the text colour; modifier keys that are
  // on and the key under a held stylus are drawn highlighted.
  void Draw() override;
  // A tap on the keyboard is always taken (also between keys).
  bool StylusDown(Point p, Widget*& captured) override;
  int StylusMove(Point p) override;
  // Releasing on the pressed key posts it or toggles its modifier; answers false.
  bool StylusUp(platform::Host* window, Point p) override;

  int32_t top = -1;
  std::span<const KeyboardKey> keys;
  KeyboardLayout layout = kLayoutLower;
  ImageObject image;  // the layout's picture; empty when it could not be loaded
  uint32_t modifiers = 0;
  int pressedKey = -1;
  int hoverKey = -1;

 private:
  void ChooseLayout();
  int KeyAt(Point p) const;
  void DrawKeyHighlighted(const KeyboardKey& key);
};

}  // namespace orx
