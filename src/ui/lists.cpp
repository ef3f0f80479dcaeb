#include "ui/lists.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "gfx/draw.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "ui/skin.h"

namespace orx {

// ---------------------------------------------------------------------------------------
// ScrollBar

ScrollBar::ScrollBar(UiContext& ui) : Widget(ui) {}

void ScrollBar::Recompute() {
  thumbOffset = thumbLength = -1;
  const int64_t range = int64_t{maximum} - minimum + 1;
  int64_t track = int64_t{length} - 22;
  if (position < minimum || position > maximum || range < 1 || track < 1) return;
  int64_t thumb = int64_t{pageSize} * track / range;
  if (thumb < 4) {
    track -= 4 - thumb;
    thumb = 4;
  }
  // A page larger than the range (an owner's choice) fills the track, no more.
  thumb = std::min(thumb, int64_t{length} - 22);
  thumbLength = static_cast<int32_t>(thumb);
  thumbOffset = static_cast<int32_t>(std::max<int64_t>(0, (int64_t{position} - minimum) * track / range));
}

void ScrollBar::SetPosition(int p) {
  position = p;
  if (position > maximum - pageSize + 1) position = maximum - pageSize + 1;
  if (position < minimum || position > maximum) position = minimum;
  Recompute();
}

bool ScrollBar::Drawable() const {
  return visible() && barX >= 0 && barY >= 0 && thumbLength >= 0 && length - 22 > 0;
}

void ScrollBar::Draw() {
  if (!Drawable()) return;
  if (repeatDelta != 0) {
    const uint32_t now = platform::GetTickCount();
    if (repeatInterval != kRepeatPaused && now - repeatTick > repeatInterval) {
      SetPosition(position + repeatDelta);
      repeatTick = now;
      repeatInterval = 50;
    }
    // Keep painting while a part is held.
    if (ui_.host) ui_.host->Invalidate();
  }
  const Skin& s = skin();
  const int bx = barX, by = barY;
  if (horizontal) {
    FillRect(frame(), bx + 10, by, length - 20, 11, s.fieldBackground, kFillSolid);
    DrawRectOutline(frame(), bx + 10, by, length - 20, 11, s.fieldBorder);
    FillRect(frame(), bx + 12 + thumbOffset, by + 2, thumbLength - 1, 7, s.panel, kFillSolid);
    DrawRectOutline(frame(), bx + 12 + thumbOffset, by + 2, thumbLength - 1, 7, s.frame);
    DrawSkinPiece(ui_, skin_piece::kScrollLeft, bx, by);
    DrawSkinPiece(ui_, skin_piece::kScrollRight, bx + length - 11, by);
  } else {
    FillRect(frame(), bx, by + 10, 11, length - 20, s.fieldBackground, kFillSolid);
    DrawRectOutline(frame(), bx, by + 10, 11, length - 20, s.fieldBorder);
    FillRect(frame(), bx + 2, by + 12 + thumbOffset, 7, thumbLength - 1, s.panel, kFillSolid);
    DrawRectOutline(frame(), bx + 2, by + 12 + thumbOffset, 7, thumbLength - 1, s.frame);
    DrawSkinPiece(ui_, skin_piece::kScrollUp, bx, by);
    DrawSkinPiece(ui_, skin_piece::kScrollDown, bx, by + length - 11);
  }
}

bool ScrollBar::StylusDown(Point p, Widget*& captured) {
  if (!Drawable()) return false;
  repeatDelta = 0;
  dragOffset = -1;
  captured = nullptr;
  const int along = Along(p), across = Across(p);
  if (along < 0 || along >= length || across < 0 || across >= kScrollBarThickness) return false;
  int delta;
  if (along < 11) {
    delta = -lineStep;
  } else if (along >= length - 11) {
    delta = lineStep;
  } else if (along < thumbOffset + 11) {
    delta = -pageSize;
  } else if (along < thumbOffset + thumbLength + 11) {
    dragOffset = along - thumbOffset - 11;
    captured = this;
    return true;
  } else {
    delta = pageSize;
  }
  SetPosition(position + delta);
  repeatDelta = delta;
  repeatTick = platform::GetTickCount();
  repeatInterval = 500;
  captured = this;
  return true;
}

int ScrollBar::StylusMove(Point p) {
  const int along = Along(p), across = Across(p);
  if (repeatDelta == 0) {
    if (dragOffset < 0) return kMoveHandled;
    const int t = along - dragOffset;
    if (t >= length - 11) {
      SetPosition(maximum);
    } else if (t < 11) {
      SetPosition(minimum);
    } else if (length > 22) {
      SetPosition(static_cast<int>((int64_t{maximum} - minimum + 1) * (t - 11) / (length - 22)));
    }
    return kMoveHandled;
  }
  // The held part is the track (with its arrow) before or after the thumb; the repeat
  // goes on while the stylus stays on that part and pauses elsewhere.
  const bool onBar = across >= 0 && across < kScrollBarThickness;
  const bool beforeThumb = along < thumbOffset + 11;
  const bool afterThumb = along >= thumbOffset + thumbLength + 11 && along <= length - 1;
  const bool onPart = onBar && along >= 0 && (repeatDelta < 0 ? beforeThumb : afterThumb);
  if (!onPart) {
    repeatInterval = kRepeatPaused;
  } else if (repeatInterval == kRepeatPaused) {
    repeatInterval = 50;
    repeatTick = platform::GetTickCount();
  }
  return kMoveHandled;
}

bool ScrollBar::StylusUp(platform::Host*, Point) {
  repeatDelta = 0;
  repeatTick = 0;
  repeatInterval = 0;
  dragOffset = -1;
  return true;
}

void ScrollBar::MoveTo(int px, int py) {
  barX = x = px;
  barY = y = py;
}

// ---------------------------------------------------------------------------------------
// ListBox

ListBox::ListBox(UiContext& ui) : Widget(ui), hScroll(ui), vScroll(ui) {
  vScroll.horizontal = 0;
}

ListBox::~ListBox() = default;

void ListBox::Reset() {
  Clear();
  anchorIndex = -1;
  capturedPart = nullptr;
  autoScrollDelta = 0;
  autoScrollTick = 0;
  rangeDragPending = false;
  showSelection = true;
  horizontalScroll = true;
}

void ListBox::Setup(int px, int py, int w, int h, bool multi, int rowHeight, int capacity) {
  Reset();
  x = px;
  y = py;
  width = std::max(w, 22);
  height = h;
  multiSelect = multi;
  itemHeight = std::max(rowHeight, ui_.LineHeight());
  maxItems = capacity;
  hScrollShown = vScrollShown = false;
  hScroll.horizontal = 1;
  hScroll.length = width;
  vScroll.horizontal = 0;
  vScroll.length = height;
  for (ScrollBar* bar : {&hScroll, &vScroll}) {
    bar->position = 0;
    bar->repeatDelta = 0;
    bar->repeatTick = 0;
    bar->repeatInterval = 0;
    bar->dragOffset = -1;
  }
  MoveTo(px, py);
  Layout();
}

void ListBox::MoveTo(int px, int py) {
  x = px;
  y = py;
  hScroll.MoveTo(x, y + height - kScrollBarThickness);
  vScroll.MoveTo(x + width - kScrollBarThickness, y);
}

void ListBox::Layout() {
  const int count = ItemCount();
  const int64_t rowsHeight = int64_t{count} * itemHeight;
  int available = height - 4;
  bool vShown = rowsHeight > available;
  int textW = vShown ? width - 15 : width - 4;
  const bool hShown = horizontalScroll && maxItemWidth > textW;
  if (hShown) {
    available -= kScrollBarThickness;
    if (!vShown && rowsHeight > available) {
      vShown = true;
      textW -= kScrollBarThickness;
    }
  }
  hScrollShown = hShown;
  vScrollShown = vShown;
  visibleRows = itemHeight > 0 ? std::max(available, 0) / itemHeight : 0;
  textWidth = textW;

  if (hShown) {
    hScroll.length = vShown ? width - kScrollBarThickness : width;
    hScroll.lineStep = 8;
    hScroll.minimum = 0;
    hScroll.maximum = maxItemWidth;
    hScroll.pageSize = textWidth;
    hScroll.SetPosition(hScroll.position);
  } else {
    hScroll.position = 0;
    hScroll.Recompute();
  }
  if (vShown) {
    vScroll.length = hShown ? height - kScrollBarThickness : height;
    vScroll.lineStep = 1;
    vScroll.minimum = 0;
    vScroll.maximum = count - 1;
    vScroll.pageSize = visibleRows;
    vScroll.SetPosition(std::min(vScroll.position, count - visibleRows));
  } else {
    vScroll.position = 0;
    vScroll.Recompute();
  }
}

void ListBox::ScrollToEnd() {
  if (vScrollShown) vScroll.SetPosition(ItemCount() - visibleRows);
}

ListItem* ListBox::AddItem(const char* text, bool copy) {
  if (!text) return nullptr;
  ListItem* added = nullptr;
  try {
    auto item = std::make_unique<ListItem>();
    if (copy) {
      item->ownText = text;
      item->text = item->ownText.c_str();
      item->flags = kItemOwnsText;
    } else {
      item->text = text;
    }
    added = item.get();
    items_.push_back(std::move(item));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  if (horizontalScroll) maxItemWidth = std::max(maxItemWidth, ItemWidth(*added));
  if (maxItems > 0 && ItemCount() > maxItems) RemoveAt(0);
  Layout();
  return added;
}

int ListBox::AddItems(std::span<const char* const> texts) {
  int added = 0;
  try {
    items_.reserve(items_.size() + texts.size());
    for (const char* text : texts) {
      if (!text) continue;
      auto item = std::make_unique<ListItem>();
      item->text = text;
      if (horizontalScroll) maxItemWidth = std::max(maxItemWidth, ItemWidth(*item));
      items_.push_back(std::move(item));
      ++added;
    }
  } catch (const std::bad_alloc&) {
    // What was added stays.
  }
  if (maxItems > 0 && ItemCount() > maxItems) {
    const int excess = ItemCount() - maxItems;
    for (int i = 0; i < excess; ++i) {
      if (currentItem == items_[static_cast<size_t>(i)].get()) currentItem = nullptr;
    }
    items_.erase(items_.begin(), items_.begin() + excess);
    anchorIndex = -1;
  }
  Layout();
  return added;
}

void ListBox::RemoveAt(int index) {
  ListItem* item = items_[static_cast<size_t>(index)].get();
  if (currentItem == item) currentItem = nullptr;
  items_.erase(items_.begin() + index);
  // The anchor named an index; it would now name another item.
  anchorIndex = -1;
}

bool ListBox::RemoveItems(const char* text, bool all) {
  if (!text) return false;
  bool removed = false;
  for (int i = 0; i < ItemCount();) {
    if (std::strcmp(items_[static_cast<size_t>(i)]->text, text) == 0) {
      RemoveAt(i);
      removed = true;
      if (!all) break;
    } else {
      ++i;
    }
  }
  if (removed) Layout();
  return removed;
}

void ListBox::Clear() {
  items_.clear();
  maxItemWidth = visibleRows = textWidth = 0;
  hScrollShown = vScrollShown = false;
  hScroll.position = vScroll.position = 0;
  currentItem = nullptr;
  anchorIndex = -1;
  rangeDragPending = false;
}

ListItem* ListBox::FindItem(const char* text) const {
  if (!text) return nullptr;
  for (const auto& item : items_) {
    if (std::strcmp(item->text, text) == 0) return item.get();
  }
  return nullptr;
}

ListItem* ListBox::ItemAt(int index) const {
  if (index < 0 || index >= ItemCount()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

int ListBox::NextSelected(int from) const {
  for (int i = std::max(from, 0); i < ItemCount(); ++i) {
    if (items_[static_cast<size_t>(i)]->flags & kItemSelected) return i;
  }
  return -1;
}

ListItem* ListBox::SelectedItem() const {
  if (multiSelect) return nullptr;
  const int i = NextSelected(0);
  return i >= 0 ? ItemAt(i) : nullptr;
}

void ListBox::SelectItem(ListItem& item, bool add) {
  if (!multiSelect) {
    if (currentItem && currentItem != &item) currentItem->flags &= ~kItemSelected;
    item.flags |= kItemSelected;
    currentItem = &item;
  } else if (add) {
    item.flags |= kItemSelected;
  } else {
    item.flags ^= kItemSelected;
  }
}

void ListBox::SelectIndex(int index, bool add) {
  if (ListItem* item = ItemAt(index)) SelectItem(*item, add);
}

void ListBox::SelectText(const char* text, bool add) {
  if (!text) return;
  for (const auto& item : items_) {
    if (std::strcmp(item->text, text) != 0) continue;
    SelectItem(*item, add);
    if (!multiSelect) return;
  }
}

void ListBox::ClearSelection() {
  for (const auto& item : items_) item->flags &= ~(kItemSelected | kItemMarked);
  currentItem = nullptr;
}

void ListBox::Draw() {
  if (!visible()) return;
  const Skin& s = skin();
  FillRect(frame(), x, y, width, height, s.fieldBackground, kFillSolid);
  DrawRectOutline(frame(), x, y, width, height, s.fieldBorder);
  if (autoScrollDelta != 0 && vScrollShown) {
    const uint32_t now = platform::GetTickCount();
    if (now - autoScrollTick > 50) {
      vScroll.SetPosition(vScroll.position + autoScrollDelta);
      autoScrollTick = now;
    }
  }
  const int first = FirstShown();
  const int scrollX = hScrollShown ? hScroll.position : 0;
  for (int row = 0; row < visibleRows && first + row < ItemCount(); ++row) {
    DrawItem(*items_[static_cast<size_t>(first + row)], y + 2 + row * itemHeight, scrollX);
  }
  if (vScrollShown) vScroll.Draw();
  if (hScrollShown) hScroll.Draw();
}

void ListBox::DrawItem(const ListItem& item, int rowY, int scrollX) {
  const Skin& s = skin();
  if (showSelection && (item.flags & (kItemSelected | kItemMarked))) {
    FillRect(frame(), x + 4, rowY, textWidth - 1, itemHeight, s.highlight, kFillSolid);
  }
  DrawTextClipped(frame(), font(), x + 4, rowY + (itemHeight - ui_.LineHeight()) / 2, item.text, scrollX,
                  textWidth, s.text);
}

int ListBox::ItemWidth(const ListItem& item) const { return TextWidth(font(), item.text); }

bool ListBox::StylusDown(Point p, Widget*& captured) {
  if (!visible() || !enabled()) return false;
  autoScrollDelta = 0;
  autoScrollTick = 0;
  captured = nullptr;
  capturedPart = nullptr;
  Widget* ignored = nullptr;
  if (vScrollShown && vScroll.StylusDown(p, ignored)) {
    capturedPart = &vScroll;
    captured = this;
    return true;
  }
  if (hScrollShown && hScroll.StylusDown(p, ignored)) {
    capturedPart = &hScroll;
    captured = this;
    return true;
  }
  const int dx = p.x - x, dy = p.y - y;
  const int hBar = hScrollShown ? kScrollBarThickness : 0;
  if (dx >= 0 && dx < 4 && dy >= 0 && dy < height - hBar - 4) {
    ClearSelection();
    capturedPart = this;
    captured = this;
    return true;
  }
  const int rowWidth = width - 4 - (vScrollShown ? kScrollBarThickness : 0);
  if (dx - 4 >= 0 && dx - 4 < rowWidth && dy - 2 >= 0 && dy - 2 < visibleRows * itemHeight) {
    const int index = (dy - 2) / itemHeight + FirstShown();
    anchorIndex = -1;
    if (ListItem* item = ItemAt(index)) {
      SelectItem(*item, false);
      anchorIndex = index;
    }
    capturedPart = this;
    captured = this;
    return true;
  }
  return false;
}

int ListBox::StylusMove(Point p) {
  if (!capturedPart) return kMoveNotHandled;
  if (capturedPart != this) {
    // A bar that went out of use during the gesture (the owner emptied the list) has
    // no range to move in.
    const bool inUse = capturedPart == &vScroll ? vScrollShown : hScrollShown;
    return inUse ? capturedPart->StylusMove(p) : kMoveHandled;
  }
  autoScrollDelta = 0;
  rangeDragPending = multiSelect;
  const int dy = p.y - y - 2;
  const int rowsBottom = height - (hScrollShown ? kScrollBarThickness : 0) - 5;
  if (dy < 0 || dy > rowsBottom) {
    autoScrollDelta = dy < 0 ? -1 : 1;
    autoScrollTick = platform::GetTickCount();
    return kMoveHandled;
  }
  if (ItemCount() == 0) return kMoveHandled;
  const int index = std::min(dy / itemHeight + FirstShown(), ItemCount() - 1);
  if (!multiSelect) {
    SelectIndex(index, false);
  } else if (anchorIndex >= 0) {
    for (const auto& item : items_) item->flags &= ~kItemMarked;
    int from = 0, to = -1;
    if (index < anchorIndex) {
      from = index;
      to = anchorIndex - 1;
    } else if (index > anchorIndex) {
      from = anchorIndex + 1;
      to = index;
    } else {
      rangeDragPending = false;
    }
    for (int i = from; i <= to; ++i) items_[static_cast<size_t>(i)]->flags |= kItemMarked;
  }
  return kMoveHandled;
}

bool ListBox::StylusUp(platform::Host* window, Point p) {
  Widget* part = capturedPart;
  const bool ownGesture = part == this || part == nullptr;
  capturedPart = nullptr;
  autoScrollDelta = 0;
  anchorIndex = -1;
  if (ownGesture) {
    Notify(kNotifySelectionChanged);
  } else {
    part->StylusUp(window, p);
  }
  if (rangeDragPending) {
    for (const auto& item : items_) {
      if (item->flags & kItemMarked) item->flags = (item->flags & ~kItemMarked) | kItemSelected;
    }
    rangeDragPending = false;
  }
  return ownGesture;
}

// ---------------------------------------------------------------------------------------
// ComboBox

namespace {
constexpr int kFieldHeight = 15;
}

ComboBox::ComboBox(UiContext& ui) : Widget(ui), list(ui) {}

void ComboBox::Reset() {
  list.Reset();
  dropped = false;
  selectedItem = nullptr;
  capturedPart = nullptr;
}

void ComboBox::Setup(int px, int py, int w, int h, bool onlyButton) {
  x = px;
  y = py;
  width = std::max(w, 22);
  height = std::max(h, 30);
  buttonOnly = onlyButton;
  dropped = false;
  selectedItem = nullptr;
  capturedPart = nullptr;
  list.Reset();
  list.Setup(x, y + 14, width, height - 15, false, ui_.LineHeight(), -1);
  textWidth = width - 14;
}

bool ComboBox::AddItem(const char* text, bool copy) { return list.AddItem(text, copy) != nullptr; }

void ComboBox::Clear() {
  list.Clear();
  selectedItem = nullptr;
}

void ComboBox::SelectText(const char* text) { selectedItem = list.FindItem(text); }

void ComboBox::SelectWideText(const std::u16string& text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (char16_t unit : text) narrow.push_back(static_cast<char>(unit & 0xFF));
  SelectText(narrow.c_str());
}

void ComboBox::Draw() {
  if (!visible()) return;
  const Skin& s = skin();
  FillRect(frame(), x, y, width, kFieldHeight, s.fieldBackground, kFillSolid);
  DrawRectOutline(frame(), x, y, width, kFieldHeight, s.fieldBorder);
  if (selectedItem) {
    DrawTextClipped(frame(), font(), x + 3, y + (kFieldHeight - ui_.LineHeight()) / 2, selectedItem->text, 0,
                    textWidth, s.text);
  }
  DrawSkinPiece(ui_, skin_piece::kComboArrow, x + width - 11, y);
  if (!focused()) dropped = false;
  if (dropped) list.Draw();
}

bool ComboBox::StylusDown(Point p, Widget*& captured) {
  if (!visible() || !enabled()) return false;
  capturedPart = nullptr;
  captured = nullptr;
  const int dx = p.x - x, dy = p.y - y;
  if (dx < 0 || dy < 0) return false;
  if (dy >= kFieldHeight) {
    Widget* ignored = nullptr;
    if (dropped && list.StylusDown(p, ignored)) {
      capturedPart = &list;
      captured = this;
      return true;
    }
    return false;
  }
  if (dx >= width) return false;
  if (buttonOnly && dx < width - 11) return false;
  dropped = !dropped;
  capturedPart = this;
  captured = this;
  return true;
}

int ComboBox::StylusMove(Point p) {
  if (dropped && capturedPart == &list) return list.StylusMove(p);
  return kMoveHandled;
}

bool ComboBox::StylusUp(platform::Host* window, Point p) {
  const bool fromList = dropped && capturedPart == &list;
  capturedPart = nullptr;
  if (fromList && list.StylusUp(window, p)) {
    ListItem* picked = list.SelectedItem();
    list.ClearSelection();
    dropped = false;
    // A tap in the list's margin picks nothing and keeps the selection.
    if (picked && picked != selectedItem) {
      selectedItem = picked;
      Notify(kNotifySelectionChanged);
    }
  }
  return false;
}

void ComboBox::MoveTo(int px, int py) {
  x = px;
  y = py;
  list.MoveTo(px, py + 14);
}

}  // namespace orx
