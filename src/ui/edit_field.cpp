#include "ui/edit_field.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "gfx/draw.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "ui/skin.h"

namespace orx {
namespace {

constexpr int kFieldHeight = 15;
constexpr uint32_t kBlinkMs = 500;
constexpr uint32_t kDoubleTapMs = 750;

}  // namespace

EditField::~EditField() = default;

void EditField::Reset() {
  width = height = -1;
  anchor = -1;
  maxLength = length = visibleWidth = scrollIndex = caret = 0;
  caretOn = false;
  blinkTick = 0;
  buffer.reset();
}

void EditField::Setup(int px, int py, int w, int maxChars) {
  Reset();
  width = std::max(w, 22);
  height = ui_.LineHeight() + 4;
  blinkTick = platform::GetTickCount();
  if (px + width > ui_.ScreenWidth()) px = ui_.ScreenWidth() - width;
  if (py + height > ui_.ScreenHeight()) py = ui_.ScreenHeight() - height;
  x = std::max(px, 0);
  y = std::max(py, 0);
  visibleWidth = width - 6;
  maxChars = std::max(maxChars, 0);
  buffer.reset(new (std::nothrow) char[static_cast<size_t>(maxChars) + 1]);
  if (!buffer) return;  // stays without text
  buffer[0] = '\0';
  maxLength = maxChars;
}

void EditField::SetText(const char* text) {
  if (!text || !buffer) return;
  length = static_cast<int32_t>(strnlen(text, static_cast<size_t>(maxLength)));
  std::memcpy(buffer.get(), text, static_cast<size_t>(length));
  buffer[length] = '\0';
  scrollIndex = caret = 0;
  anchor = -1;
  Notify(kNotifyValueChanged);
}

int EditField::Fit(int widthPixels, int start) const { return FitForward(font(), Text(), widthPixels, start); }

void EditField::ClampCaret() {
  scrollIndex = std::clamp(scrollIndex, 0, length);
  caret = std::clamp(caret, 0, length - scrollIndex);
  if (anchor > length) anchor = -1;
}

void EditField::ScrollBackHalf() {
  const int n = Fit(width / 2 - 3, scrollIndex);
  if (scrollIndex < n) {
    caret = scrollIndex;
    scrollIndex = 0;
  } else {
    scrollIndex -= n;
    caret = n;
  }
}

void EditField::ScrollToCaret() {
  // Counted from the first shown character, so that the caret stays inside the field
  // wherever in the text it is.
  while (caret > 0 && caret > Fit(visibleWidth, scrollIndex)) {
    ++scrollIndex;
    --caret;
  }
}

void EditField::StepBack() {
  // At the left edge the caret stays there and the text under it moves instead, so that
  // the caret's index always goes back by one.
  if (caret > 0) {
    --caret;
  } else if (scrollIndex > 0) {
    --scrollIndex;
  }
}

void EditField::SelectAll() {
  anchor = 0;
  scrollIndex = std::max(length - FitBackward(font(), Text(), visibleWidth, length - 1), 0);
  caret = length - scrollIndex;
}

void EditField::RemoveRange(int from, int to) {
  if (to <= from) return;
  std::memmove(buffer.get() + from, buffer.get() + to, static_cast<size_t>(length - to) + 1);
  length -= to - from;
}

void EditField::DeleteSelection() {
  const int a = std::clamp(anchor, 0, length);
  const int c = CaretIndex();
  RemoveRange(std::min(a, c), std::max(a, c));
  if (c > a) {
    const int n = Fit(width / 2 - 3, scrollIndex);
    if (a > n) {
      caret = n;
      scrollIndex = a - n;
    } else {
      scrollIndex = 0;
      caret = a;
    }
  }
  anchor = -1;
  caretOn = true;
  ClampCaret();
}

void EditField::Draw() {
  if (!visible() || !buffer) return;
  const Skin& s = skin();
  const char* text = Text();
  FillRect(frame(), x, y, width, kFieldHeight, s.fieldBackground, kFillSolid);
  DrawRectOutline(frame(), x, y, width, kFieldHeight, s.fieldBorder);
  const int caretX = TextWidthN(font(), text, scrollIndex, caret).width;
  if (HasSelection()) {
    const int anchorX = anchor < scrollIndex ? 0 : TextWidthN(font(), text, scrollIndex, anchor - scrollIndex).width;
    int start, end;
    if (CaretIndex() <= anchor) {
      start = caretX;
      end = std::min(anchorX, visibleWidth);
    } else {
      start = anchorX;
      end = caretX;
    }
    FillRect(frame(), x + start + 3, y + 2, end - start, ui_.LineHeight() - 2, s.highlight, kFillSolid);
  }
  const int skip = TextWidthN(font(), text, 0, scrollIndex).width;
  DrawTextClipped(frame(), font(), x + 3, y + (kFieldHeight - ui_.LineHeight()) / 2, text, skip, visibleWidth,
                  s.text);
  if (focused()) {
    if (caretOn) DrawLine(frame(), x + caretX + 3, y + 2, x + caretX + 3, y + 12, s.text, 0, false);
    const uint32_t now = platform::GetTickCount();
    if (now - blinkTick > kBlinkMs) {
      blinkTick = now;
      caretOn = !caretOn;
    }
  }
}

bool EditField::StylusDown(Point p, Widget*& captured) {
  if (!visible() || !buffer || !Contains(p)) return false;
  const int oldCaret = caret;
  caret = Fit(p.x - x - 3, scrollIndex);
  if (caret == 0) ScrollBackHalf();
  ClampCaret();
  const uint32_t now = platform::GetTickCount();
  if (ui_.editTapSet && now - ui_.editTapTick < kDoubleTapMs && caret == oldCaret) {
    SelectAll();
    ui_.editTapSet = false;
  } else {
    anchor = CaretIndex();
    ui_.editTapSet = true;
    ui_.editTapTick = now;
  }
  caretOn = true;
  captured = this;
  return true;
}

int EditField::StylusMove(Point p) {
  if (!buffer) return kMoveNotHandled;
  caret = Fit(p.x - x - 3, scrollIndex);
  if (caret > 0 && caret > Fit(visibleWidth, scrollIndex)) {
    // Past the shown text: scroll right by half a field, not beyond the end.
    const int n = Fit(width / 2 - 3, scrollIndex);
    caret = n;
    scrollIndex += n;
    const int m = FitBackward(font(), Text(), visibleWidth, length - 1);
    if (scrollIndex > length - m) {
      scrollIndex = length - m;
      caret = m;
    }
  }
  if (caret == 0) ScrollBackHalf();
  ClampCaret();
  return kMoveHandled;
}

void EditField::SetFocus(bool on) {
  Widget::SetFocus(on);
  if (!on) anchor = -1;
}

void EditField::KeyInput(int code, int kind) {
  if (!buffer) return;
  bool changed = false;
  if (kind == kKeyCharacter) {
    switch (code) {
      case 1:  // Ctrl+a
        SelectAll();
        return;
      case 3:   // Ctrl+c
      case 22:  // Ctrl+v: there is no clipboard
        return;
      case 24:  // Ctrl+x: the selection goes
        if (HasSelection()) {
          DeleteSelection();
          changed = true;
        }
        break;
      case 8:  // the Backspace key comes again as a virtual key
        anchor = -1;
        return;
      default: {
        // Code 0 would end the text early; codes above 255 have no 8-bit character.
        if (code <= 0 || code > 255) return;
        if (HasSelection()) {
          DeleteSelection();
          changed = true;
        }
        if (length < maxLength) {
          const int at = CaretIndex();
          std::memmove(buffer.get() + at + 1, buffer.get() + at, static_cast<size_t>(length - at) + 1);
          buffer[at] = static_cast<char>(code);
          ++length;
          ++caret;
          ScrollToCaret();
          changed = true;
        }
        caretOn = true;
        anchor = -1;
        break;
      }
    }
  } else if (kind == kKeyVirtual) {
    switch (code) {
      case platform::kVkRight:
      case platform::kVkDown:
        if (CaretIndex() < length) {
          ++caret;
          ScrollToCaret();
        }
        caretOn = true;
        anchor = -1;
        break;
      case platform::kVkLeft:
      case platform::kVkUp:
        StepBack();
        if (caret > 0) {
          anchor = -1;
          break;
        }
        ScrollBackHalf();
        caretOn = true;
        anchor = -1;
        break;
      case platform::kVkDelete:
        if (HasSelection()) {
          DeleteSelection();
          changed = true;
        } else if (CaretIndex() < length) {
          RemoveRange(CaretIndex(), CaretIndex() + 1);
          changed = true;
        }
        caretOn = true;
        anchor = -1;
        break;
      case platform::kVkBack:
        if (HasSelection()) {
          DeleteSelection();
          changed = true;
        } else if (CaretIndex() > 0 && length > 0) {
          RemoveRange(CaretIndex() - 1, CaretIndex());
          StepBack();
          if (caret < 1) ScrollBackHalf();
          changed = true;
        }
        caretOn = true;
        anchor = -1;
        break;
      case platform::kVkEnd:
        scrollIndex = std::max(length - FitBackward(font(), Text(), visibleWidth, length - 1), 0);
        caret = length - scrollIndex;
        caretOn = true;
        anchor = -1;
        break;
      case platform::kVkHome:
        caret = scrollIndex = 0;
        caretOn = true;
        anchor = -1;
        break;
      default:
        return;
    }
  }
  ClampCaret();
  if (changed) Notify(kNotifyValueChanged);
}

void EditField::MoveTo(int px, int py) {
  x = px;
  y = py;
}

}  // namespace orx
