#include "ui/controls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "gfx/draw.h"
#include "platform/host.h"
#include "platform/messages.h"
#include "ui/skin.h"

namespace orx {

// ---------------------------------------------------------------------------------------
// PushButton

void PushButton::Setup(int px, int py, int w, int, const char* label, int command, bool posts) {
  width = std::max(w, 13);
  height = kButtonHeight;
  text = label ? label : "";
  commandId = command;
  postsCommand = posts;
  pressed = false;
  MoveTo(px, py);
}

void PushButton::MoveTo(int px, int py) {
  x = px;
  y = py;
  textX = std::max(x + (width - TextWidth(font(), text)) / 2, x);
  textY = y + (kButtonHeight - ui_.LineHeight()) / 2;
}

void PushButton::Draw() {
  if (!visible()) return;
  using namespace skin_piece;
  const bool down = pressed || !enabled();
  DrawSkinPiece(ui_, down ? kButtonPressedLeft : kButtonLeft, x, y);
  DrawSkinColumns(ui_, down ? kButtonPressedMiddle : kButtonMiddle, x + 6, y, width - 12);
  DrawSkinPiece(ui_, down ? kButtonPressedRight : kButtonRight, x + width - 6, y);
  DrawTextClipped(frame(), font(), textX, textY, text, 0, x + width - textX,
                  enabled() ? skin().text : skin().panel);
}

bool PushButton::StylusDown(Point p, Widget*& captured) {
  if (!visible() || !enabled()) return false;
  captured = nullptr;
  if (!Contains(p)) return false;
  pressed = true;
  captured = this;
  return true;
}

int PushButton::StylusMove(Point p) {
  pressed = Contains(p);
  return kMoveHandled;
}

bool PushButton::StylusUp(platform::Host* window, Point) {
  if (!pressed) return false;
  pressed = false;
  if (postsCommand && window) window->PostMessage(platform::kMsgCommand, static_cast<uintptr_t>(commandId), 0);
  return true;
}

// ---------------------------------------------------------------------------------------
// CheckBox

void CheckBox::Setup(int px, int py, const char* label, int id) {
  x = px;
  y = py;
  text = label ? label : "";
  identifier = id;
  width = 16 + TextWidth(font(), text);
  height = 12;
}

void CheckBox::Draw() {
  if (!visible()) return;
  DrawSkinPiece(ui_, ticked ? skin_piece::kCheckOn : skin_piece::kCheckOff, x, y);
  DrawText(frame(), font(), x + 16, y, text, enabled() ? skin().text : skin().highlight);
}

bool CheckBox::StylusDown(Point p, Widget*&) {
  if (!visible() || !enabled()) return false;
  if (p.x < x || p.x >= x + 16 + TextWidth(font(), text) || p.y < y || p.y >= y + 12) return false;
  ticked = !ticked;
  Notify(kNotifyValueChanged);
  return true;
}

// ---------------------------------------------------------------------------------------
// RadioGroup

RadioGroup::~RadioGroup() = default;

void RadioGroup::Reset() { items.clear(); }

void RadioGroup::SetPosition(int px, int py, const char* label) {
  x = px;
  y = py;
  caption = label ? label : "";
}

bool RadioGroup::AddItem(int px, int py, bool tick, const char* label, int id) {
  try {
    items.push_back(Item{px, py, tick, label ? label : "", id});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void RadioGroup::Select(int id) {
  for (Item& item : items) item.ticked = item.id == id;
  Notify(kNotifyValueChanged);
}

int RadioGroup::SelectedId() const {
  for (const Item& item : items) {
    if (item.ticked) return item.id;
  }
  return -1;
}

void RadioGroup::Draw() {
  if (!visible() || items.empty()) return;
  DrawText(frame(), font(), x, y, caption, skin().text);
  for (const Item& item : items) {
    DrawSkinPiece(ui_, item.ticked ? skin_piece::kRadioOn : skin_piece::kRadioOff, item.x, item.y);
    DrawText(frame(), font(), item.x + kLabelOffset, item.y, item.text, skin().text);
  }
}

bool RadioGroup::StylusDown(Point p, Widget*&) {
  if (!visible() || items.empty()) return false;
  for (const Item& item : items) {
    if (p.x >= item.x && p.x < item.x + ItemWidth(item.text) && p.y >= item.y && p.y < item.y + 12) {
      Select(item.id);  // may notify an owner that refills the group: `item` is not used after
      return true;
    }
  }
  return false;
}

int RadioGroup::ItemWidth(const char* text) const { return kLabelOffset + TextWidth(font(), text); }

void RadioGroup::MoveTo(int px, int py) {
  const int dx = px - x, dy = py - y;
  for (Item& item : items) {
    item.x += dx;
    item.y += dy;
  }
  x = px;
  y = py;
}

// ---------------------------------------------------------------------------------------
// Slider

void Slider::Setup(int tx, int ty, int tw, int px, int py, const char* label, int id, double lo,
                   double hi, double v, double stepSize, bool integer, bool isActive) {
  trackX = tx;
  trackY = ty;
  trackWidth = tw;
  x = px;
  y = py;
  caption = label ? label : "";
  identifier = id;
  minimum = lo;
  maximum = hi;
  value = v;
  step = stepSize;
  showInteger = integer;
  active = isActive;
  width = std::max(0, tx + tw - px);
  height = std::max(0, ty + 11 - py);
}

void Slider::Draw() {
  if (!visible()) return;
  DrawText(frame(), font(), x, y, caption, skin().text);
  if (!active) return;
  using namespace skin_piece;
  DrawSkinPiece(ui_, kSliderLeftArrow, trackX, trackY);
  DrawSkinPiece(ui_, kSliderRightArrow, trackX + trackWidth - 11, trackY);
  FillRect(frame(), trackX + 14, trackY + 4, trackWidth - 28, 3, skin().fieldBorder, kFillSolid);
  FillRect(frame(), trackX + 15, trackY + 5, trackWidth - 30, 1, skin().panel, kFillSolid);
  const double range = std::fabs(maximum - minimum);
  int pos = 0;
  if (range > 0) {
    // Clamped so that a value set outside its bounds by an owner cannot throw the thumb
    // off the track.
    const double t = (trackWidth - 28) / range * std::fabs(value - minimum);
    pos = static_cast<int>(std::clamp(t, 0.0, static_cast<double>(std::max(trackWidth - 28, 0))));
  }
  DrawSkinPiece(ui_, kSliderThumb, trackX + 11 + pos, trackY);
  const int tx = trackX + trackWidth + 5;
  const int ty = trackY + (11 - ui_.LineHeight()) / 2;
  if (showInteger) {
    DrawNumber(frame(), font(), tx, ty, static_cast<int>(value), skin().text);
  } else {
    // In the text colour like the whole number: white would vanish on a light page.
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    DrawText(frame(), font(), tx, ty, text, skin().text);
  }
}

namespace {

// The value for a stylus column inside the track, between the two arrows.
double ValueAt(const Slider& s, int px) {
  if (s.trackWidth <= 22) return s.minimum;
  return s.minimum + (px - s.trackX - 11) * std::fabs(s.maximum - s.minimum) / (s.trackWidth - 22);
}

}  // namespace

bool Slider::StylusDown(Point p, Widget*& captured) {
  if (!enabled()) return false;
  captured = nullptr;
  if (!visible() || !active) return false;
  if (p.x < trackX || p.x >= trackX + trackWidth || p.y < trackY || p.y >= trackY + 11) return false;
  if (p.x < trackX + 11) {
    value = std::max(value - step, minimum);
    return true;
  }
  if (p.x >= trackX + trackWidth - 11) {
    value = std::min(value + step, maximum);
    return true;
  }
  value = ValueAt(*this, p.x);
  captured = this;
  return true;
}

int Slider::StylusMove(Point p) {
  if (!active) return kMoveHandled;
  if (p.x < trackX + 11) {
    value = minimum;
  } else if (p.x >= trackX + trackWidth - 11) {
    value = maximum;
  } else {
    value = ValueAt(*this, p.x);
  }
  return kMoveHandled;
}

// ---------------------------------------------------------------------------------------
// TextLabel

TextLabel::~TextLabel() = default;

void TextLabel::Reset() {
  copy_.clear();
  copy_.shrink_to_fit();
  text = nullptr;
  ownsText = false;
}

void TextLabel::SetText(int px, int py, const char* newText, int w, bool copy, bool centre) {
  Reset();
  if (!newText) return;
  if (copy) {
    try {
      copy_ = newText;
    } catch (const std::bad_alloc&) {
      return;  // stays without text
    }
    text = copy_.c_str();
    ownsText = true;
  } else {
    text = newText;
  }
  if (w < 0) w = TextWidth(font(), text);
  if (centre) px = std::max(px - w / 2, 0);
  x = px;
  y = py;
  width = w;
  height = ui_.LineHeight();
}

void TextLabel::Draw() {
  if (!visible() || !text) return;
  DrawTextClipped(frame(), font(), x, y, text, 0, width, colour);
}

void TextLabel::MoveTo(int px, int py) {
  x = px;
  y = py;
}

// ---------------------------------------------------------------------------------------
// GroupBox

void GroupBox::Setup(int px, int py, int w, int h, const char* label) {
  x = px;
  y = py;
  width = w;
  height = h;
  caption = label ? label : "";
}

void GroupBox::Draw() {
  if (!visible() || height < 7) return;
  const Color565 c = skin().frame;
  const int textWidth = TextWidth(font(), caption);
  if (textWidth == 0) {
    DrawRectOutline(frame(), x, y, width, height, c);
    return;
  }
  const int shown = std::min(textWidth, width - 16);
  const int offset = (width - shown) / 2;
  const int right = x + width - 1, bottom = y + height - 1;
  DrawLine(frame(), x + offset - 4, y + 6, x, y + 6, c, 0, false);
  DrawLine(frame(), x, y + 6, x, bottom, c, 0, false);
  DrawLine(frame(), x, bottom, right, bottom, c, 0, false);
  DrawLine(frame(), right, bottom, right, y + 6, c, 0, false);
  DrawLine(frame(), right, y + 6, x + width - offset + 3, y + 6, c, 0, false);
  // The caption cut to the whole characters that fit.
  const int n = FitForward(font(), caption, shown, 0);
  DrawTextClipped(frame(), font(), x + offset, y, caption, 0, TextWidthN(font(), caption, 0, n).width,
                  skin().text);
}

// ---------------------------------------------------------------------------------------
// ProgressBar

void ProgressBar::Setup(int px, int py, int w, int h, bool text) {
  x = px;
  y = py;
  width = w;
  height = h;
  showText = text;
  percent = 0;
  fillWidth = 0;
  textX = 0;
  textY = 0;
  percentText[0] = '\0';
}

void ProgressBar::SetPercent(int p) {
  p = std::clamp(p, 0, 100);
  percent = p;
  fillWidth = width * p / 100;
  std::snprintf(percentText, sizeof percentText, "%d %%", p);
  textX = std::max((width - TextWidth(font(), percentText)) / 2, 0);
  textY = std::max((height - ui_.LineHeight()) / 2, 0);
}

void ProgressBar::Draw() {
  if (!visible()) return;
  FillRect(frame(), x + fillWidth, y, width - fillWidth, height, kBlack, kFillSolid);
  FillRect(frame(), x, y, fillWidth, height, 0x001F, kFillSolid);
  DrawRectOutline(frame(), x, y, width, height, kWhite);
  if (showText) DrawText(frame(), font(), x + textX, y + textY, percentText, kWhite);
}

// ---------------------------------------------------------------------------------------
// ColorPicker

Color565 ColorPicker::CellColor(int column, int row) {
  const unsigned red = static_cast<unsigned>(column / 6 + 3 * (row / 6)) * 51;
  const unsigned green = static_cast<unsigned>(column % 6) * 51;
  const unsigned blue = static_cast<unsigned>(row % 6) * 51;
  return Rgb565(red, green, blue);
}

void ColorPicker::Reset() {
  selectedX = -1;
  selectedY = -1;
}

void ColorPicker::Setup(int px, int py) {
  Reset();
  cellSize = 8;
  width = kColumns * 9 + 1;
  height = kRows * 9 + 1;
  if (px + width > ui_.ScreenWidth()) px = ui_.ScreenWidth() - width - 1;
  if (py + height > ui_.ScreenHeight()) py = ui_.ScreenHeight() - height - 1;
  x = px;
  y = py;
}

void ColorPicker::Draw() {
  if (!visible()) return;
  FillRect(frame(), x, y, width, height, kBlack, kFillSolid);
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < kColumns; ++c)
      FillRect(frame(), x + 1 + 9 * c, y + 1 + 9 * r, cellSize, cellSize, CellColor(c, r), kFillSolid);
  if (selectedX >= 0) DrawRectOutline(frame(), selectedX, selectedY, 9, 9, kWhite);
}

bool ColorPicker::StylusDown(Point p, Widget*& captured) {
  if (!visible()) return false;
  Reset();
  if (StylusMove(p) != kMoveHandled) return false;
  captured = this;
  return true;
}

int ColorPicker::StylusMove(Point p) {
  if (!Contains(p)) return kMoveNotHandled;
  // The last pixel column and row (the grid's closing line) belong to the last cells.
  const int c = std::min((p.x - x) / 9, kColumns - 1);
  const int r = std::min((p.y - y) / 9, kRows - 1);
  selectedX = 9 * c + x;
  selectedY = 9 * r + y;
  Notify(CellColor(c, r));
  return kMoveHandled;
}

bool ColorPicker::StylusUp(platform::Host*, Point) {
  Reset();
  return false;
}

}  // namespace orx
