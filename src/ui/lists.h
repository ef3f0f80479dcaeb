// Lists: the `ScrollBar` with its auto-repeat, the `ListBox` of `ListItem`s (single or
// multiple selection, range drag, auto-scroll, capacity) and the `ComboBox`, a one-line
// field that drops down a list box.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ui/widget.h"

namespace orx {

// Thickness of a scroll bar, pixels.
inline constexpr int kScrollBarThickness = 11;

class ScrollBar : public Widget {
 public:
  explicit ScrollBar(UiContext& ui);
  // Moves to `p`, kept within minimum..maximum - pageSize + 1 (minimum when that is
  // outside the range), and recomputes the thumb.
  void SetPosition(int p);
  // Recomputes the thumb after the range, steps or length changed.
  void Recompute();
  // Drawable when visible, on the screen's positive side, with a thumb and a track.
  bool Drawable() const;
  // Runs the auto-repeat (500 ms, then every 50 ms) and draws track, thumb and arrows.
  void Draw() override;
  // Arrows step by lineStep, the track by pageSize (both repeat while held); the thumb drags.
  bool StylusDown(Point p, Widget*& captured) override;
  int StylusMove(Point p) override;
  bool StylusUp(platform::Host* window, Point p) override;
  void MoveTo(int x, int y) override;

  static constexpr uint32_t kRepeatPaused = 0xFFFFFFFF;

  int32_t minimum = 0;
  int32_t maximum = 0;
  int32_t position = 0;
  int32_t lineStep = 0;
  int32_t pageSize = 0;
  int32_t thumbOffset = -1;  // pixels from the end of the first arrow
  int32_t thumbLength = -1;
  int32_t horizontal = 1;
  int32_t length = -1;       // pixels along the bar
  int32_t barX = -1;
  int32_t barY = -1;
  int32_t repeatDelta = 0;   // 0 = dragging the thumb or idle
  uint32_t repeatTick = 0;   // ms
  uint32_t repeatInterval = 0;  // ms; kRepeatPaused while the stylus is off the part
  int32_t dragOffset = -1;

 private:
  int Along(Point p) const { return horizontal ? p.x - barX : p.y - barY; }
  int Across(Point p) const { return horizontal ? p.y - barY : p.x - barX; }
};

// Bits of ListItem::flags.
inline constexpr uint32_t kItemSelected = 1;
inline constexpr uint32_t kItemOwnsText = 2;
inline constexpr uint32_t kItemMarked = 0x80000000u;  // marked by a range drag, not yet selected

struct ListItem {
  uint32_t flags = 0;
  const char* text = nullptr;
  std::string ownText;  // the copy `text` points into when kItemOwnsText is set
};

class ListBox : public Widget {
 public:
  explicit ListBox(UiContext& ui);
  ~ListBox() override;
  void Reset() override;
  // Width at least 22, rows at least one font line high; maxItems <= 0 = unlimited.
  void Setup(int x, int y, int width, int height, bool multiSelect, int itemHeight, int maxItems);
  // Appends an item (copying the text when asked). Null for a null text or when out of
  // memory. Over capacity the first item is dropped.
  ListItem* AddItem(const char* text, bool copy);
  // Appends the texts (not copied) in their order, laying the list out once; returns the
  // number added. Over capacity the first items are dropped.
  int AddItems(std::span<const char* const> texts);
  // Removes the first item (or every item) whose text equals `text`; true when any was.
  bool RemoveItems(const char* text, bool all);
  void Clear();
  // The first item whose text equals `text` byte for byte, or null.
  ListItem* FindItem(const char* text) const;
  int ItemCount() const { return static_cast<int>(items_.size()); }
  ListItem* ItemAt(int index) const;
  // Index of the first selected item at or after `from`, or -1.
  int NextSelected(int from) const;
  // The selected item of a single-select list (always null for a multi-select list).
  ListItem* SelectedItem() const;
  // Single select: the item becomes the one selected. Multi-select: sets the item's
  // selection with `add`, else toggles it; by text it applies to every item with that text.
  void SelectIndex(int index, bool add);
  void SelectText(const char* text, bool add);
  void ClearSelection();
  // Scrolls so that the last row is shown, as a log list shows its newest line.
  void ScrollToEnd();

  void Draw() override;
  bool StylusDown(Point p, Widget*& captured) override;
  int StylusMove(Point p) override;
  bool StylusUp(platform::Host* window, Point p) override;
  void MoveTo(int x, int y) override;
  // One row; owners with their own rows override both.
  virtual void DrawItem(const ListItem& item, int rowY, int scrollX);
  virtual int ItemWidth(const ListItem& item) const;

  int32_t itemHeight = 0;
  int32_t maxItemWidth = 0;
  int32_t visibleRows = 0;
  int32_t textWidth = 0;
  bool multiSelect = false;
  ListItem* currentItem = nullptr;
  ScrollBar hScroll;
  ScrollBar vScroll;
  bool hScrollShown = false;
  bool vScrollShown = false;
  Widget* capturedPart = nullptr;
  int32_t autoScrollDelta = 0;
  uint32_t autoScrollTick = 0;
  int32_t anchorIndex = -1;
  bool rangeDragPending = false;
  int32_t maxItems = -1;
  bool showSelection = true;
  // False: rows wider than the list are cut at its edge and no horizontal bar is shown
  // (set after Setup; Reset makes it true again).
  bool horizontalScroll = true;

 private:
  void Layout();
  void SelectItem(ListItem& item, bool add);
  int FirstShown() const { return vScrollShown ? vScroll.position : 0; }
  void RemoveAt(int index);

  std::vector<std::unique_ptr<ListItem>> items_;
};

class ComboBox : public Widget {
 public:
  explicit ComboBox(UiContext& ui);
  // Empties the list and forgets the selection.
  void Reset() override;
  // Width at least 22, height (with the drop-down) at least 30; with buttonOnly only
  // the arrow opens the list.
  void Setup(int x, int y, int width, int height, bool buttonOnly);
  bool AddItem(const char* text, bool copy);
  // Empties the list; the selection goes with it.
  void Clear();
  ListItem* SelectedItem() const { return selectedItem; }
  // The item with that text becomes the selection (none when no item has it); no notification.
  void SelectText(const char* text);
  // The same for 16-bit text, narrowed by keeping the low byte of each unit.
  void SelectWideText(const std::u16string& text);
  void Draw() override;
  bool StylusDown(Point p, Widget*& captured) override;
  int StylusMove(Point p) override;
  // A pick from the drop-down that changes the selection notifies 1125; the list closes.
  bool StylusUp(platform::Host* window, Point p) override;
  void MoveTo(int x, int y) override;

  bool buttonOnly = false;
  ListBox list;
  bool dropped = false;
  ListItem* selectedItem = nullptr;
  Widget* capturedPart = nullptr;
  int32_t textWidth = 0;
};

}  // namespace orx
