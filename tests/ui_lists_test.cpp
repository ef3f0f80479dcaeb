// Lists driven through the Options screen's host: scroll bars with their auto-repeat,
// list boxes (capacity, single and multiple selection, range drag, margin, auto-scroll)
// and combo boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ui_harness.h"
#include "ui/lists.h"

namespace orx::test {
namespace {

class ListTest : public ::testing::Test {
 protected:
  ListTest() : list(h.ui.context) { h.screen = UiHarness::Screen::kOptions; }
  ~ListTest() override { h.ui.optionsWidgets.clear(); }

  // `count` items "item 0" .. in a list of 12 visible rows (single select unless asked).
  void Fill(int count, bool multi = false) {
    list.Setup(20, 20, 150, 12 * 16 + 4, multi, 16, -1);
    names.clear();
    for (int i = 0; i < count; ++i) names.push_back("item " + std::to_string(i));
    for (const std::string& n : names) list.AddItem(n.c_str(), false);
    h.ui.optionsWidgets = {&list};
  }
  // The screen point of row `row` (0 = the first shown).
  Point Row(int row) const { return {list.x + 10, list.y + 2 + row * 16 + 8}; }
  std::vector<int> Selected() const {
    std::vector<int> out;
    for (int i = list.NextSelected(0); i >= 0; i = list.NextSelected(i + 1)) out.push_back(i);
    return out;
  }

  UiHarness h;
  ListBox list;
  std::vector<std::string> names;
};

TEST_F(ListTest, AHundredItemsScrollWithinTheirRange) {
  Fill(100);
  EXPECT_EQ(list.visibleRows, 12);
  ASSERT_TRUE(list.vScrollShown);
  EXPECT_FALSE(list.hScrollShown);
  EXPECT_EQ(list.vScroll.minimum, 0);
  EXPECT_EQ(list.vScroll.maximum, 99);
  EXPECT_EQ(list.vScroll.pageSize, 12);
  const ScrollBar& bar = list.vScroll;
  // Drag the thumb to the bottom and beyond.
  const int thumbY = bar.barY + 11 + bar.thumbOffset + 2;
  h.Down(bar.barX + 5, thumbY);
  h.Move(bar.barX + 5, 400);
  h.Up(bar.barX + 5, 400);
  EXPECT_EQ(bar.position, 88);
  h.Paint();
  // The last row shown is the last item.
  EXPECT_EQ(list.vScroll.position + list.visibleRows, 100);
  // Tapping the lower arrow at the end changes nothing.
  h.Tap(bar.barX + 5, bar.barY + bar.length - 3);
  EXPECT_EQ(bar.position, 88);
  list.vScroll.SetPosition(1000);
  EXPECT_EQ(bar.position, 88);
}

TEST_F(ListTest, HeldPartsRepeatAfterHalfASecondAndPauseOffTheBar) {
  Fill(100);
  ScrollBar& bar = list.vScroll;
  h.Tap(bar.barX + 5, bar.barY + 3);  // upper arrow at 0
  EXPECT_EQ(bar.position, 0);

  // Hold the track below the thumb: one page at once, the next after 500 ms, then every 50 ms.
  const Point track{bar.barX + 5, bar.barY + bar.length - 14};
  h.Down(track.x, track.y);
  EXPECT_EQ(bar.position, 12);
  h.Advance(450);
  EXPECT_EQ(bar.position, 12);
  h.Advance(100);
  EXPECT_EQ(bar.position, 24);
  h.Advance(100);
  EXPECT_EQ(bar.position, 36);
  h.Move(track.x + 40, track.y);  // off the bar: paused
  h.Advance(300);
  EXPECT_EQ(bar.position, 36);
  h.Move(track.x, track.y);  // back: goes on
  h.Advance(200);
  EXPECT_GT(bar.position, 36);
  h.Up(track.x, track.y);
  const int stopped = bar.position;
  h.Advance(300);
  EXPECT_EQ(bar.position, stopped);

  // Holding the upper arrow repeats all the way to the top.
  h.Down(bar.barX + 5, bar.barY + 3);
  h.Advance(10000);
  h.Up(bar.barX + 5, bar.barY + 3);
  EXPECT_EQ(bar.position, 0);
}

TEST_F(ListTest, CapacityDropsTheFirstItem) {
  list.Setup(20, 20, 150, 100, false, 0, 3);
  for (const char* t : {"a", "b", "c", "d"}) list.AddItem(t, true);
  ASSERT_EQ(list.ItemCount(), 3);
  EXPECT_STREQ(list.ItemAt(0)->text, "b");
  EXPECT_STREQ(list.ItemAt(2)->text, "d");
  EXPECT_EQ(list.AddItem(nullptr, true), nullptr);
  EXPECT_TRUE(list.RemoveItems("c", false));
  EXPECT_FALSE(list.RemoveItems("c", false));
  EXPECT_EQ(list.FindItem("d"), list.ItemAt(1));
}

TEST_F(ListTest, SingleSelectionFollowsTapsAndTheMarginClearsIt) {
  Fill(30);
  std::vector<int> notes;
  list.onChange = [&](Widget* sender, int code) {
    EXPECT_EQ(sender, &list);
    notes.push_back(code);
  };
  h.Tap(Row(2).x, Row(2).y);
  h.Tap(Row(5).x, Row(5).y);
  EXPECT_EQ(Selected(), std::vector<int>{5});
  EXPECT_STREQ(list.SelectedItem()->text, "item 5");
  EXPECT_EQ(notes, (std::vector<int>{kNotifySelectionChanged, kNotifySelectionChanged}));
  h.Tap(list.x + 2, Row(1).y);  // the left margin
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(notes.size(), 3u);
  // A drag in a single-select list moves the selection with the stylus.
  h.Down(Row(1).x, Row(1).y);
  h.Move(Row(7).x, Row(7).y);
  h.Up(Row(7).x, Row(7).y);
  EXPECT_EQ(Selected(), std::vector<int>{7});
}

TEST_F(ListTest, ARangeDragMarksThenSelectsAfterTheOwnerIsTold) {
  Fill(30, true);
  std::vector<int> selectedWhenTold;
  list.onChange = [&](Widget*, int) { selectedWhenTold = Selected(); };
  h.Down(Row(2).x, Row(2).y);
  h.Move(Row(4).x, Row(4).y);
  h.Move(Row(5).x, Row(5).y);
  for (int i = 0; i < 30; ++i) EXPECT_EQ((list.ItemAt(i)->flags & kItemMarked) != 0, i >= 3 && i <= 5) << i;
  h.Up(Row(5).x, Row(5).y);
  EXPECT_EQ(selectedWhenTold, std::vector<int>{2});
  EXPECT_EQ(Selected(), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(list.SelectedItem(), nullptr);  // not for a multi-select list

  h.Tap(Row(2).x, Row(2).y);  // a second tap takes item 2 out again
  EXPECT_EQ(Selected(), (std::vector<int>{3, 4, 5}));

  // Dragging back to the anchor marks nothing.
  h.Down(Row(8).x, Row(8).y);
  h.Move(Row(6).x, Row(6).y);
  h.Move(Row(8).x, Row(8).y);
  h.Up(Row(8).x, Row(8).y);
  EXPECT_EQ(Selected(), (std::vector<int>{3, 4, 5, 8}));
}

TEST_F(ListTest, DraggingBelowTheRowsScrollsOnItsOwn) {
  Fill(100);
  h.Down(Row(3).x, Row(3).y);
  h.Move(Row(3).x, list.y + list.height + 20);
  EXPECT_EQ(list.autoScrollDelta, 1);
  h.Advance(1000);
  EXPECT_GE(list.vScroll.position, 8);
  h.Up(Row(3).x, list.y + list.height + 20);
  const int at = list.vScroll.position;
  h.Advance(500);
  EXPECT_EQ(list.vScroll.position, at);
}

TEST_F(ListTest, LongItemsBringTheHorizontalBar) {
  list.Setup(20, 20, 100, 60, false, 0, -1);
  list.AddItem("short", false);
  EXPECT_FALSE(list.hScrollShown);
  EXPECT_FALSE(list.vScrollShown);
  list.AddItem("a rather long item that does not fit the list", false);
  EXPECT_TRUE(list.hScrollShown);
  EXPECT_EQ(list.hScroll.maximum, list.maxItemWidth);
  EXPECT_EQ(list.hScroll.pageSize, list.textWidth);
  for (int i = 0; i < 3; ++i) list.AddItem("row", false);
  EXPECT_TRUE(list.vScrollShown);  // the bar took the room of the last row
  EXPECT_EQ(list.hScroll.length, 100 - kScrollBarThickness);
  list.Clear();
  EXPECT_FALSE(list.hScrollShown);
  EXPECT_EQ(list.ItemCount(), 0);
}

class ComboTest : public ::testing::Test {
 protected:
  ComboTest() : combo(h.ui.context) {
    h.screen = UiHarness::Screen::kOptions;
    combo.Setup(20, 40, 150, 120, false);
    for (const char* c : {"Austria", "Belgium", "Chile", "Denmark"}) combo.AddItem(c, false);
    combo.SelectText("Belgium");
    combo.onChange = [this](Widget* sender, int code) {
      EXPECT_EQ(sender, &combo);
      EXPECT_EQ(code, kNotifySelectionChanged);
      ++notes;
    };
    h.ui.optionsWidgets = {&combo};
  }
  ~ComboTest() override { h.ui.optionsWidgets.clear(); }
  // The screen point of row `row` of the drop-down list.
  Point Row(int row) const { return {combo.x + 20, combo.y + 14 + 2 + row * combo.list.itemHeight + 4}; }

  UiHarness h;
  ComboBox combo;
  int notes = 0;
};

TEST_F(ComboTest, PickingTheShownItemClosesWithoutNotifying) {
  h.Tap(combo.x + 10, combo.y + 5);
  ASSERT_TRUE(combo.dropped);
  h.Tap(Row(1).x, Row(1).y);
  EXPECT_FALSE(combo.dropped);
  EXPECT_EQ(notes, 0);
  EXPECT_STREQ(combo.SelectedItem()->text, "Belgium");
  EXPECT_EQ(combo.list.NextSelected(0), -1);  // the list keeps no selection of its own

  h.Tap(combo.x + 10, combo.y + 5);
  h.Tap(Row(3).x, Row(3).y);
  EXPECT_EQ(notes, 1);
  EXPECT_STREQ(combo.SelectedItem()->text, "Denmark");
}

TEST_F(ComboTest, ItClosesWhenItLosesTheFocusAndTheArrowOnlyModeIgnoresTheField) {
  h.Tap(combo.x + 10, combo.y + 5);
  ASSERT_TRUE(combo.dropped);
  h.Tap(230, 300);  // elsewhere: the focus goes
  h.Paint();
  EXPECT_FALSE(combo.dropped);
  // A tap on the list area of a closed combo box is not its.
  h.Tap(Row(2).x, Row(2).y);
  EXPECT_EQ(h.ui.options.focused, &combo);
  EXPECT_FALSE(combo.focused());

  combo.Setup(20, 40, 150, 10, true);
  EXPECT_EQ(combo.height, 30);
  combo.AddItem("only", false);
  h.Tap(combo.x + 10, combo.y + 5);
  EXPECT_FALSE(combo.dropped);
  h.Tap(combo.x + combo.width - 5, combo.y + 5);
  EXPECT_TRUE(combo.dropped);
  combo.SelectWideText(u"only");
  EXPECT_STREQ(combo.SelectedItem()->text, "only");
}

}  // namespace
}  // namespace orx::test
