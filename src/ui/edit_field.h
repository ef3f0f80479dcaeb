// EditField: a one-line text entry with caret, selection (drag or double tap), horizontal
// scrolling and the editing keys, fed by the device's keys or the on-screen keyboard.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/widget.h"

namespace orx {

class EditField : public Widget {
 public:
  using Widget::Widget;
  ~EditField() override;
  // Frees the text and returns to the unconfigured state.
  void Reset() override;
  // Width at least 22, one text line high, moved onto the screen; holds up to
  // maxLength characters.
  void Setup(int x, int y, int width, int maxLength);
  // Copies at most maxLength characters, puts the caret at the start and notifies.
  void SetText(const char* text);
  // The text ("" before setup).
  const char* Text() const { return buffer ? buffer.get() : ""; }
  // The caret's character index and whether a selection exists.
  int CaretIndex() const { return scrollIndex + caret; }
  bool HasSelection() const { return anchor >= 0 && anchor != CaretIndex(); }

  void Draw() override;
  // Places the caret; a second tap at the same place within 750 ms selects everything.
  bool StylusDown(Point p, Widget*& captured) override;
  // Extends the selection from where the stylus went down, scrolling at the edges.
  int StylusMove(Point p) override;
  // Losing the focus drops the selection.
  void SetFocus(bool on) override;
  // Characters insert (Ctrl+a selects all, Ctrl+x cuts); virtual keys move and delete.
  void KeyInput(int code, int kind) override;
  bool WantsKeyboard() const override { return true; }
  void MoveTo(int x, int y) override;

  int32_t maxLength = 0;
  std::unique_ptr<char[]> buffer;  // maxLength + 1 bytes, zero-terminated
  int32_t length = 0;
  int32_t visibleWidth = 0;  // pixels for text: width - 6
  int32_t scrollIndex = 0;   // first character shown
  int32_t caret = 0;         // relative to scrollIndex
  bool caretOn = false;
  int32_t anchor = -1;       // other end of the selection, -1 = none
  uint32_t blinkTick = 0;

 private:
  int Fit(int widthPixels, int start) const;
  void ScrollBackHalf();
  void ScrollToCaret();
  void StepBack();
  void SelectAll();
  void DeleteSelection();
  void RemoveRange(int from, int to);
  void ClampCaret();
};

}  // namespace orx
