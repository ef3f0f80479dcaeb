#include "ui/soft_keyboard.h"

#include <array>

#include "gfx/draw.h"
#include "platform/host.h"
#include "platform/messages.h"
#include "ui/skin.h"

namespace orx {
namespace {

constexpr int16_t kMod = kKeyModifier;
constexpr int16_t kChr = kKeyCharacter;
constexpr int16_t kVk = kKeyVirtual;

// The lower- and upper-case layouts share their rectangles; `lower` and `upper` are the
// codes of the character keys that differ.
struct CaseKey {
  int16_t x, y, width, height;
  int16_t lower, upper;
  int16_t kind;
};

constexpr std::array<CaseKey, 61> kCaseKeys = {{
    // y 1
    {1, 1, 18, 15, -1, -1, kMod},
    {20, 1, 16, 15, '1', '!', kChr},
    {37, 1, 16, 15, '2', '@', kChr},
    {54, 1, 16, 15, '3', '#', kChr},
    {71, 1, 16, 15, '4', '$', kChr},
    {88, 1, 16, 15, '5', '%', kChr},
    {105, 1, 16, 15, '6', '^', kChr},
    {122, 1, 16, 15, '7', '&', kChr},
    {139, 1, 16, 15, '8', '*', kChr},
    {156, 1, 16, 15, '9', '(', kChr},
    {173, 1, 16, 15, '0', ')', kChr},
    {190, 1, 15, 15, '-', '_', kChr},
    {206, 1, 15, 15, '=', '+', kChr},
    {222, 1, 17, 15, 8, 46, kVk},  // Backspace; Delete in upper case
    // y 17
    {1, 17, 24, 15, 9, 9, kChr},  // Tab
    {26, 17, 17, 15, 'q', 'Q', kChr},
    {44, 17, 17, 15, 'w', 'W', kChr},
    {62, 17, 17, 15, 'e', 'E', kChr},
    {80, 17, 17, 15, 'r', 'R', kChr},
    {98, 17, 17, 15, 't', 'T', kChr},
    {116, 17, 17, 15, 'y', 'Y', kChr},
    {134, 17, 17, 15, 'u', 'U', kChr},
    {152, 17, 17, 15, 'i', 'I', kChr},
    {170, 17, 17, 15, 'o', 'O', kChr},
    {188, 17, 17, 15, 'p', 'P', kChr},
    {206, 17, 16, 15, '[', '{', kChr},
    {223, 17, 16, 15, ']', '}', kChr},
    // y 33
    {1, 33, 28, 15, -2, -2, kMod},  // Caps
    {30, 33, 17, 15, 'a', 'A', kChr},
    {48, 33, 17, 15, 's', 'S', kChr},
    {66, 33, 17, 15, 'd', 'D', kChr},
    {84, 33, 17, 15, 'f', 'F', kChr},
    {102, 33, 17, 15, 'g', 'G', kChr},
    {120, 33, 17, 15, 'h', 'H', kChr},
    {138, 33, 17, 15, 'j', 'J', kChr},
    {156, 33, 17, 15, 'k', 'K', kChr},
    {174, 33, 17, 15, 'l', 'L', kChr},
    {192, 33, 17, 15, ';', ':', kChr},
    {210, 33, 17, 15, '\'', '"', kChr},
    {228, 33, 11, 19, 13, 13, kChr},  // Enter, upper part
    // y 49
    {1, 49, 32, 15, -4, -4, kMod},  // Shift
    {34, 49, 17, 15, 'z', 'Z', kChr},
    {52, 49, 17, 15, 'x', 'X', kChr},
    {70, 49, 17, 15, 'c', 'C', kChr},
    {88, 49, 17, 15, 'v', 'V', kChr},
    {106, 49, 17, 15, 'b', 'B', kChr},
    {124, 49, 17, 15, 'n', 'N', kChr},
    {142, 49, 17, 15, 'm', 'M', kChr},
    {160, 49, 17, 15, ',', '<', kChr},
    {178, 49, 17, 15, '.', '>', kChr},
    {196, 49, 17, 15, '/', '?', kChr},
    {214, 49, 25, 15, 13, 13, kChr},  // Enter, lower part
    // y 65
    {1, 65, 21, 15, -8, -8, kMod},    // Ctrl
    {23, 65, 21, 15, -16, -16, kMod},  // spare toggle
    {45, 65, 17, 15, '`', '~', kChr},
    {63, 65, 17, 15, '\\', '|', kChr},
    {81, 65, 86, 15, ' ', ' ', kChr},
    {168, 65, 17, 15, 40, 40, kVk},  // Down
    {186, 65, 17, 15, 38, 38, kVk},  // Up
    {204, 65, 17, 15, 37, 37, kVk},  // Left
    {222, 65, 17, 15, 39, 39, kVk},  // Right
}};

constexpr std::array<KeyboardKey, 61> CaseTable(bool upper) {
  std::array<KeyboardKey, 61> keys{};
  for (size_t i = 0; i < keys.size(); ++i) {
    const CaseKey& k = kCaseKeys[i];
    keys[i] = KeyboardKey{k.x, k.y, k.width, k.height, upper ? k.upper : k.lower, k.kind};
  }
  return keys;
}

constexpr std::array<KeyboardKey, 61> kLowerKeys = CaseTable(false);
constexpr std::array<KeyboardKey, 61> kUpperKeys = CaseTable(true);

// Four lines of 19-pixel keys at y 1, 21, 41, 61; the first 32 keys run down the columns.
constexpr int16_t kSymY[4] = {1, 21, 41, 61};
constexpr std::array<KeyboardKey, 47> kSymbolKeys = {{
    {1, kSymY[0], 18, 19, -1, kMod},  // back to the letters
    {1, kSymY[1], 18, 19, '^', kChr},
    {1, kSymY[2], 18, 19, 177, kChr},  // plus-minus
    {1, kSymY[3], 18, 19, '$', kChr},
    {20, kSymY[0], 16, 19, '[', kChr},
    {20, kSymY[1], 16, 19, ',', kChr},
    {20, kSymY[2], 16, 19, 176, kChr},  // degree
    {20, kSymY[3], 16, 19, 162, kChr},  // cent
    {37, kSymY[0], 16, 19, ']', kChr},
    {37, kSymY[1], 16, 19, '.', kChr},
    {37, kSymY[2], 16, 19, ':', kChr},
    {37, kSymY[3], 16, 19, 128, kChr},  // euro
    {54, kSymY[0], 16, 19, '{', kChr},
    {54, kSymY[1], 16, 19, '<', kChr},
    {54, kSymY[2], 16, 19, '\\', kChr},
    {54, kSymY[3], 16, 19, 163, kChr},  // pound
    {71, kSymY[0], 16, 19, '}', kChr},
    {71, kSymY[1], 16, 19, '>', kChr},
    {71, kSymY[2], 16, 19, '|', kChr},
    {71, kSymY[3], 16, 19, 165, kChr},  // yen
    {94, kSymY[0], 19, 19, '7', kChr},
    {94, kSymY[1], 19, 19, '4', kChr},
    {94, kSymY[2], 19, 19, '1', kChr},
    {94, kSymY[3], 19, 19, '(', kChr},
    {114, kSymY[0], 19, 19, '8', kChr},
    {114, kSymY[1], 19, 19, '5', kChr},
    {114, kSymY[2], 19, 19, '2', kChr},
    {114, kSymY[3], 19, 19, '0', kChr},
    {134, kSymY[0], 19, 19, '9', kChr},
    {134, kSymY[1], 19, 19, '6', kChr},
    {134, kSymY[2], 19, 19, '3', kChr},
    {134, kSymY[3], 19, 19, ')', kChr},
    {160, kSymY[0], 19, 19, '#', kChr},
    {180, kSymY[0], 19, 19, '%', kChr},
    {200, kSymY[0], 19, 19, '=', kChr},
    {220, kSymY[0], 19, 19, 8, kVk},  // Backspace
    {160, kSymY[1], 19, 19, '+', kChr},
    {180, kSymY[1], 19, 19, '-', kChr},
    {200, kSymY[1], 19, 19, '*', kChr},
    {220, kSymY[1], 19, 19, '/', kChr},
    {160, kSymY[2], 19, 19, 40, kVk},  // Down
    {180, kSymY[2], 19, 19, 38, kVk},  // Up
    {200, kSymY[2], 19, 19, 37, kVk},  // Left
    {220, kSymY[2], 19, 19, 39, kVk},  // Right
    {160, kSymY[3], 23, 19, 9, kChr},   // Tab
    {184, kSymY[3], 37, 19, ' ', kChr},
    {222, kSymY[3], 17, 19, 13, kChr},  // Enter
}};

bool KeyHolds(const KeyboardKey& k, int px, int py) {
  return px >= k.x && px < k.x + k.width && py >= k.y && py < k.y + k.height;
}

}  // namespace

std::span<const KeyboardKey> KeyboardKeys(KeyboardLayout layout) {
  switch (layout) {
    case kLayoutSymbols: return kSymbolKeys;
    case kLayoutUpper: return kUpperKeys;
    default: return kLowerKeys;
  }
}

int KeyboardResource(KeyboardLayout layout) {
  switch (layout) {
    case kLayoutSymbols: return 121;
    case kLayoutUpper: return 123;
    default: return 122;
  }
}

SoftKeyboard::SoftKeyboard(UiContext& ui) : Widget(ui) { SoftKeyboard::Reset(); }

SoftKeyboard::~SoftKeyboard() = default;

void SoftKeyboard::Reset() {
  top = -1;
  keys = {};
  Destroy(image);
  image = ImageObject();
  modifiers = 0;
  pressedKey = hoverKey = -1;
  x = y = width = height = -1;
}

void SoftKeyboard::Show(int row) {
  Reset();
  top = std::max(row, 0);
  if (top + kKeyboardHeight > ui_.ScreenHeight()) top = ui_.ScreenHeight() - kKeyboardHeight - 1;
  x = 0;
  y = top;
  width = kKeyboardWidth;
  height = kKeyboardHeight;
  ChooseLayout();
}

void SoftKeyboard::ChooseLayout() {
  if (modifiers & kModSymbols) {
    layout = kLayoutSymbols;
  } else {
    layout = ((modifiers & kModCaps) != 0) == ((modifiers & kModShift) != 0) ? kLayoutLower : kLayoutUpper;
  }
  keys = KeyboardKeys(layout);
  Destroy(image);
  image = MakeResourceImage(KeyboardResource(layout));
  if (!Load(image, nullptr, kLoadWhole)) {
    Destroy(image);  // without a picture the keys still work; only the background shows
    image = ImageObject();
  }
}

int SoftKeyboard::KeyAt(Point p) const {
  const int kx = p.x, ky = p.y - top;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (KeyHolds(keys[i], kx, ky)) return static_cast<int>(i);
  }
  return -1;
}

void SoftKeyboard::DrawKeyHighlighted(const KeyboardKey& key) {
  FillRect(frame(), key.x, top + key.y, key.width, key.height, skin().frame, kFillSolid);
  CopyGlyph(frame(), ViewOf(image), key.x, top + key.y, key.x, key.y, key.width, key.height, skin().fieldBackground);
}

void SoftKeyboard::Draw() {
  if (top < 0) return;
  FillRect(frame(), 0, top, kKeyboardWidth, kKeyboardHeight, skin().highlight, kFillSolid);
  CopyGlyph(frame(), ViewOf(image), 0, top, 0, 0, kKeyboardWidth, kKeyboardHeight, skin().text);
  if (keys.empty()) return;
  if (modifiers & kModSymbols) {
    DrawKeyHighlighted(keys[kKeySymbolsToggle]);
  } else {
    if (modifiers & kModCaps) DrawKeyHighlighted(keys[kKeyCaps]);
    if (modifiers & kModShift) DrawKeyHighlighted(keys[kKeyShift]);
    if (modifiers & kModCtrl) DrawKeyHighlighted(keys[kKeyCtrl]);
  }
  if (pressedKey >= 0 && pressedKey == hoverKey && static_cast<size_t>(pressedKey) < keys.size()) {
    const KeyboardKey& pressed = keys[static_cast<size_t>(pressedKey)];
    DrawKeyHighlighted(pressed);
    if (pressed.code == 13 && pressed.kind == kKeyCharacter) {
      // Both parts of Enter.
      for (size_t i = 0; i < keys.size(); ++i) {
        if (static_cast<int>(i) != pressedKey && keys[i].code == 13 && keys[i].kind == kKeyCharacter) {
          DrawKeyHighlighted(keys[i]);
        }
      }
    }
  }
}

bool SoftKeyboard::StylusDown(Point p, Widget*& captured) {
  pressedKey = hoverKey = -1;
  if (top < 0 || p.x < 0 || p.x >= kKeyboardWidth || p.y - top < 0 || p.y - top >= kKeyboardHeight) return false;
  pressedKey = hoverKey = KeyAt(p);
  captured = this;
  return true;
}

int SoftKeyboard::StylusMove(Point p) {
  hoverKey = KeyAt(p);
  if (top < 0 || p.x < 0 || p.x >= kKeyboardWidth || p.y - top < 0 || p.y - top >= kKeyboardHeight) {
    return kMoveNotHandled;
  }
  return kMoveHandled;
}

bool SoftKeyboard::StylusUp(platform::Host* window, Point p) {
  const bool inside = top >= 0 && p.x >= 0 && p.x < kKeyboardWidth && p.y - top >= 0 && p.y - top < kKeyboardHeight;
  if (inside && pressedKey >= 0 && KeyAt(p) == pressedKey) {
    const KeyboardKey key = keys[static_cast<size_t>(pressedKey)];
    if (key.code >= 0) {
      int code = key.code;
      if ((modifiers & kModCtrl) && key.kind == kKeyCharacter) {
        if (code >= 'A' && code <= 'Z') code += 'a' - 'A';
        if (code >= 'a' && code <= 'z') code = code - 'a' + 1;
      }
      if (window) window->PostMessage(platform::kMsgSoftKey, static_cast<uintptr_t>(code), key.kind);
      modifiers &= ~(kModShift | kModCtrl);
    } else {
      modifiers ^= static_cast<uint32_t>(-key.code);
    }
    ChooseLayout();
  }
  pressedKey = hoverKey = -1;
  return false;
}

}  // namespace orx
