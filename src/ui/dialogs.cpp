#include "ui/dialogs.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "gfx/draw.h"
#include "platform/host.h"
#include "platform/messages.h"
#include "ui/skin.h"

namespace orx {
namespace {

constexpr int kMessageButtonWidth = 45;
constexpr int kMessageButtonGap = 50;   // from one button's left edge to the next
constexpr int kExitButtonWidth = 55;

// Tags of the result messages; each dialog gets its own, so that a result posted by a
// dialog that has since been replaced is recognised as stale.
std::atomic<uintptr_t> nextResultTag{1};

bool IsBlank(char c) { return c == ' ' || (c >= 9 && c <= 13); }

}  // namespace

// ---------------------------------------------------------------------------------------
// Dialog frame

Dialog::Dialog(UiContext& ui)
    : Widget(ui),
      titleBarColour(ui.skin ? ui.skin->frame : 0),
      bodyColour(ui.skin ? ui.skin->panel : 0),
      resultTag(nextResultTag.fetch_add(1)) {
  Dialog::Reset();
}

void Dialog::Reset() {
  titleBarHeight = 0;
  x = y = -1;
  width = height = 0;
  title = nullptr;
  style = kDialogTextBar;
  capturedChild = nullptr;
  titleX = titleWidth = 0;
  dragDX = dragDY = -1;
  closeBoxState = 0;
}

void Dialog::Create(int px, int py, int w, int h, uint32_t dialogStyle, const char* dialogTitle) {
  Reset();
  style = dialogStyle;
  x = px;
  y = py;
  width = w;
  height = h;
  switch (style & 3) {
    case 1: titleBarHeight = 8; break;
    case 2: titleBarHeight = ui_.LineHeight() + 8; break;
    default: titleBarHeight = 0; break;
  }
  SetTitle(dialogTitle);
  if (style & kDialogCloseBox) style |= kDialogTextBar;
}

void Dialog::SetTitle(const char* text) {
  title = text;
  if (!text) return;
  const int available = std::max(width - 16, 0);
  const int textWidth = TextWidth(font(), text);
  if (textWidth <= available) {
    titleX = (available - textWidth) / 2 + 8;
    titleWidth = textWidth;
  } else {
    titleX = 8;
    titleWidth = available;
  }
}

void Dialog::Draw() {
  if (!visible()) return;
  const Skin& s = skin();
  FillRect(frame(), x, y + titleBarHeight - 1, width, height - titleBarHeight + 1, bodyColour, kFillSolid);
  FillRect(frame(), x, y, width, titleBarHeight, titleBarColour, kFillSolid);
  if (titleBarHeight > 0) {
    const int lineY = y + titleBarHeight - 1;
    DrawLine(frame(), x, lineY, x + width - 1, lineY, s.fieldBackground, 0, false);
  }
  DrawRectOutline(frame(), x + 1, y + 1, width - 2, height - 2, s.fieldBackground);
  DrawRectOutline(frame(), x, y, width, height, s.frame);
  if (title && (style & kDialogTextBar)) {
    DrawTextClipped(frame(), font(), x + titleX, y + (titleBarHeight - ui_.LineHeight()) / 2, title, 0,
                    titleWidth, s.fieldBackground);
  }
  if (style & kDialogCloseBox) {
    DrawSkinPiece(ui_, (closeBoxState & 2) ? skin_piece::kCloseBoxPressed : skin_piece::kCloseBox,
                  x + width - 15, y + 4);
  }
}

bool Dialog::InCloseBoxZone(Point p) const {
  const int dx = p.x - x, dy = p.y - y;
  return dx >= width - 19 && dx <= width - 1 && dy >= 0 && dy < titleBarHeight;
}

bool Dialog::StylusDown(Point p, Widget*& captured) {
  if (!visible()) return false;
  dragDX = dragDY = -1;
  if (!Contains(p)) return false;
  if (p.y - y < titleBarHeight) {
    if ((style & kDialogCloseBox) && p.x - x >= width - 19) {
      closeBoxState = 3;
    } else {
      dragDX = p.x - x;
      dragDY = p.y - y;
    }
  }
  captured = this;
  return true;
}

int Dialog::StylusMove(Point p) {
  if (closeBoxState & 1) {
    closeBoxState = InCloseBoxZone(p) ? 3 : 1;
    return kMoveHandled;
  }
  if (dragDX < 0) return kMoveNotHandled;
  x = std::clamp(p.x - dragDX, 0, std::max(ui_.ScreenWidth() - width, 0));
  y = std::clamp(p.y - dragDY, 0, std::max(ui_.ScreenHeight() - height, 0));
  LayoutChildren();
  return kMoveRedrawAll;
}

bool Dialog::StylusUp(platform::Host*, Point p) {
  dragDX = dragDY = -1;
  const bool close = onChange && (style & kDialogCloseBox) && (closeBoxState & 1) && InCloseBoxZone(p);
  closeBoxState = 0;
  // The callback may close and destroy this dialog: nothing of it is touched afterwards.
  if (close) onChange(nullptr, 0);
  return false;
}

void Dialog::GetOrigin(Point& out) const { out = Point{x, y}; }

void Dialog::PostResult(platform::Host* window, int id) const {
  if (window) window->PostMessage(platform::kMsgDialogResult, static_cast<uintptr_t>(id),
                                  static_cast<intptr_t>(resultTag));
}

// ---------------------------------------------------------------------------------------
// TextBlock

void TextBlock::Reset() { lines.clear(); }

void TextBlock::SetText(const char* text, int px, int py, int maxWidth, int h, bool autoSize, bool centre) {
  Reset();
  const int screenW = ui_.ScreenWidth(), screenH = ui_.ScreenHeight();
  x = px;
  y = py;
  width = std::min(maxWidth, screenW);
  height = h;
  if (!text) text = "";
  const int limit = width;

  int widest = 0;
  auto emit = [&](int start, int end) {
    try {
      lines.emplace_back(text + start, text + end);
    } catch (const std::bad_alloc&) {
      // A line that cannot be copied is left out; the others are still shown.
    }
  };

  int lineStart = 0;
  int breakPos = -1;  // the last blank since the line start, -1 = none yet
  int breakWidth = 0, tailWidth = 0;
  bool skipNewline = false;
  int i = 0;
  // Ends the line at the break (or cuts it at `at` when there is none) and starts the
  // next one; the walk goes on from the new line's start.
  auto endLine = [&](int at) {
    const bool cut = breakPos < 0;
    int end = cut ? at : breakPos;
    // A glyph wider than the whole line still goes onto a line of its own, so that
    // the walk always moves on.
    if (cut && end == lineStart && text[end] != '\0') ++end;
    emit(lineStart, end);
    widest = std::max(widest, cut ? breakWidth + tailWidth : breakWidth);
    lineStart = end + (skipNewline ? 1 : 0);
    breakPos = -1;
    breakWidth = tailWidth = 0;
    skipNewline = false;
    i = lineStart;
  };

  while (text[i] != '\0') {
    const char c = text[i];
    if (i == lineStart && IsBlank(c) && c != '\n') {
      ++lineStart;
      ++i;
      continue;
    }
    if (breakWidth + tailWidth >= limit) {
      endLine(i);
      continue;
    }
    if (IsBlank(c)) {
      breakPos = i;
      breakWidth += tailWidth;
      tailWidth = 0;
      if (c == '\n') {
        skipNewline = true;
        endLine(i);
        continue;
      }
    }
    tailWidth += CharWidth(font(), static_cast<uint8_t>(c));
    ++i;
  }
  if (text[lineStart] != '\0') {
    emit(lineStart, i);
    widest = std::max(widest, breakWidth + tailWidth);
  }

  if (autoSize) {
    width = widest;
    height = static_cast<int>(lines.size()) * ui_.LineHeight();
  }
  if (centre) {
    x -= width / 2;
    y -= height / 2;
  }
  if (x < 0) {
    x = 0;
  } else if (x + width > screenW) {
    x = screenW - width;
  }
  if (y < 0) {
    y = 0;
  } else if (y + height > screenH) {
    y = screenH - height;
  }
}

void TextBlock::Draw() {
  if (!visible()) return;
  const int lineHeight = ui_.LineHeight();
  const int last = std::min(ui_.ScreenHeight(), y - lineHeight + height);
  int top = y;
  for (const std::string& line : lines) {
    DrawText(frame(), font(), x, top, line.c_str(), colour);
    if (top > last) break;
    top += lineHeight;
  }
}

void TextBlock::MoveTo(int px, int py) {
  x = px;
  y = py;
}

// ---------------------------------------------------------------------------------------
// MessageBox

MessageBox::MessageBox(UiContext& ui) : Dialog(ui), message(ui), first(ui), second(ui) {}

int MessageBox::FirstButtonX() const {
  const int row = buttons == kButtonsOk ? kMessageButtonWidth : kMessageButtonGap + kMessageButtonWidth;
  return x + (width - row) / 2;
}

void MessageBox::Setup(const char* text, const char* caption, int buttonSet) {
  Create(0, 0, 0, 0, kDialogTextBar, nullptr);
  buttons = (buttonSet == kButtonsOkCancel || buttonSet == kButtonsYesNo) ? buttonSet : kButtonsOk;
  const int screenW = ui_.ScreenWidth(), screenH = ui_.ScreenHeight();
  message.SetText(text, screenW / 2, screenH / 2, screenW - 50, screenH - 50, true, true);

  // A message too long for the screen shows the lines that fit, so that the box and its
  // buttons always stay on the screen and the box can be closed.
  const int lineHeight = ui_.LineHeight();
  const int maxBlock = std::max(lineHeight, (screenH - titleBarHeight - 16 - 24) / lineHeight * lineHeight);
  if (message.height > maxBlock) {
    message.lines.resize(static_cast<size_t>(maxBlock / lineHeight));
    message.height = maxBlock;
    message.y = std::max((screenH - (maxBlock + titleBarHeight + 40)) / 2, 0) + titleBarHeight + 8;
  }

  // The box holds its row of buttons even around a very short message.
  const int buttonRow = (buttons == kButtonsOk ? kMessageButtonWidth : kMessageButtonGap + kMessageButtonWidth);
  width = std::max(message.width + 16, buttonRow + 16);
  x = std::max(message.x + message.width / 2 - width / 2, 0);
  if (x + width > screenW) x = std::max(screenW - width, 0);
  y = message.y - 8 - titleBarHeight;
  height = message.height + titleBarHeight + 16;
  if (y < 0) y = 0;
  if (y + height + 24 > screenH) y = std::max(screenH - height - 24, 0);
  caption_ = (caption && caption[0]) ? caption : "ERROR";
  SetTitle(caption_.c_str());

  height += 24;
  const char* firstText = buttons == kButtonsYesNo ? "Yes" : "OK";
  const char* secondText = buttons == kButtonsYesNo ? "No" : "Cancel";
  first.Setup(0, 0, kMessageButtonWidth, kButtonHeight, firstText, kIdOk, false);
  second.Setup(0, 0, kMessageButtonWidth, kButtonHeight, secondText, kIdCancel, false);
  LayoutChildren();
}

void MessageBox::LayoutChildren() {
  message.MoveTo(x + (width - message.width) / 2, y + titleBarHeight + 8);
  const int rowY = y + height - 22;
  first.MoveTo(FirstButtonX(), rowY);
  second.MoveTo(FirstButtonX() + kMessageButtonGap, rowY);
}

void MessageBox::Draw() {
  if (!visible()) return;
  Dialog::Draw();
  message.Draw();
  first.Draw();
  if (buttons != kButtonsOk) second.Draw();
}

bool MessageBox::StylusDown(Point p, Widget*& captured) {
  if (!visible()) return false;
  Widget* ignored = nullptr;
  PushButton* hit = nullptr;
  if (first.StylusDown(p, ignored)) {
    hit = &first;
  } else if (buttons != kButtonsOk && second.StylusDown(p, ignored)) {
    hit = &second;
  }
  if (hit) {
    capturedChild = hit;
    captured = this;
    return true;
  }
  return Dialog::StylusDown(p, captured);
}

int MessageBox::StylusMove(Point p) {
  if (capturedChild && capturedChild != this) return capturedChild->StylusMove(p);
  return Dialog::StylusMove(p);
}

bool MessageBox::StylusUp(platform::Host* window, Point p) {
  bool activated = false;
  if (capturedChild && capturedChild != this && capturedChild->StylusUp(window, p)) {
    PostResult(window, capturedChild == &first ? kIdOk : kIdCancel);
    activated = true;
  }
  capturedChild = nullptr;
  Dialog::StylusUp(window, p);
  return activated;
}

// ---------------------------------------------------------------------------------------
// ExitConfirmDialog

ExitConfirmDialog::ExitConfirmDialog(UiContext& ui)
    : Dialog(ui), exitButton(ui), suspendButton(ui), cancelButton(ui) {}

void ExitConfirmDialog::Reset() {
  Dialog::Reset();
  for (PushButton* b : {&exitButton, &suspendButton, &cancelButton}) {
    b->pressed = false;
    b->x = b->y = -1;
  }
}

void ExitConfirmDialog::Setup() {
  const int w = 193, h = ui_.LineHeight() + 50;
  Create((ui_.ScreenWidth() - w) / 2, (ui_.ScreenHeight() - h) / 2, w, h, kDialogTextBar, "Confirm");
  exitButton.Setup(0, 0, kExitButtonWidth, kButtonHeight, "Exit", kIdExit, false);
  suspendButton.Setup(0, 0, kExitButtonWidth, kButtonHeight, "Suspend", kIdSuspend, false);
  cancelButton.Setup(0, 0, kExitButtonWidth, kButtonHeight, "Cancel", kIdCancel, false);
  LayoutChildren();
}

void ExitConfirmDialog::LayoutChildren() {
  const int rowY = y + titleBarHeight + 12;
  exitButton.MoveTo(x + 7, rowY);
  suspendButton.MoveTo(x + 69, rowY);
  cancelButton.MoveTo(x + 131, rowY);
}

void ExitConfirmDialog::Draw() {
  if (!visible()) return;
  Dialog::Draw();
  exitButton.Draw();
  suspendButton.Draw();
  cancelButton.Draw();
}

bool ExitConfirmDialog::StylusDown(Point p, Widget*& captured) {
  if (!visible()) return false;
  Widget* ignored = nullptr;
  for (PushButton* b : {&exitButton, &suspendButton, &cancelButton}) {
    if (b->StylusDown(p, ignored)) {
      capturedChild = b;
      captured = this;
      return true;
    }
  }
  return Dialog::StylusDown(p, captured);
}

int ExitConfirmDialog::StylusMove(Point p) {
  if (capturedChild && capturedChild != this) return capturedChild->StylusMove(p);
  return Dialog::StylusMove(p);
}

bool ExitConfirmDialog::StylusUp(platform::Host* window, Point p) {
  bool activated = false;
  if (capturedChild && capturedChild != this && capturedChild->StylusUp(window, p)) {
    const int id = capturedChild == &exitButton ? kIdExit : capturedChild == &suspendButton ? kIdSuspend : kIdCancel;
    PostResult(window, id);
    activated = true;
  }
  capturedChild = nullptr;
  Dialog::StylusUp(window, p);
  return activated;
}

}  // namespace orx
