// The tab control of the Options screen: twelve pages on a 232-pixel-wide control, the
// scrolling tab row, tab taps and the children of the active page.
#include <gtest/gtest.h>

#include "support/ui_harness.h"
#include "ui/controls.h"
#include "ui/tab_control.h"

namespace orx::test {
namespace {

constexpr const char* kPages[] = {"General", "Display", "Sun/Moon", "Maps",   "Cities", "GPS",
                                  "Weather", "Routes",  "Advanced", "Colors", "Appearance", "About"};

class TabTest : public ::testing::Test {
 protected:
  TabTest() : tabs(h.ui.context), box(h.ui.context), button(h.ui.context), other(h.ui.context) {
    h.screen = UiHarness::Screen::kOptions;
    tabs.Setup(4, 28, 232, 266);
    for (int i = 0; i < 12; ++i) tabs.AddPage(kPages[i], i + 1);
    box.Setup(20, 70, "Rotate Globe", 0);
    button.Setup(20, 100, 70, 18, "Detect", 3000, true);
    other.Setup(20, 70, 70, 18, "Hidden", 3001, true);  // on another page, same place
    tabs.AddChild(1, &box);
    tabs.AddChild(1, &button);
    tabs.AddChild(6, &other);
    tabs.AddChild(99, &other);  // no such page: nothing
    tabs.SelectPage(1);
    h.ui.optionsWidgets = {&tabs};
    h.Paint();
  }
  ~TabTest() override { h.ui.optionsWidgets.clear(); }

  const TabPage& Page(int index) const { return *tabs.pages[static_cast<size_t>(index)]; }
  int Limit() const { return tabs.buttonsX - 8; }
  // The last page whose tab is drawn.
  int LastShown() const {
    int last = -1;
    for (int i = 0; i < 12; ++i)
      if (Page(i).tabX >= 0) last = i;
    return last;
  }

  UiHarness h;
  TabControl tabs;
  CheckBox box;
  PushButton button;
  PushButton other;
};

TEST_F(TabTest, TheRowShowsTheFirstTabsCutAtTheButtonsAndScrolls) {
  EXPECT_EQ(tabs.buttonsX, 4 + 232 - 26);
  EXPECT_EQ(Page(0).tabX, 4 + 8 + 16);
  const TabPage& last = Page(LastShown());
  ASSERT_GT(LastShown(), 0);
  ASSERT_LT(LastShown(), 11);
  // The last shown tab ends at the limit: cut there, or its joint is.
  const int end = last.cutWidth >= 0 ? last.tabX + last.cutWidth : last.tabX + last.tabWidth;
  EXPECT_LE(end, Limit());
  if (last.cutWidth >= 0) {
    EXPECT_EQ(end, Limit());
  }
  EXPECT_TRUE(tabs.scrollRight.enabled());
  EXPECT_FALSE(tabs.scrollLeft.enabled());

  h.Tap(tabs.scrollRight.x + 6, tabs.scrollRight.y + 9);
  EXPECT_EQ(tabs.firstVisible, 1);
  EXPECT_EQ(Page(0).tabX, -1);
  EXPECT_TRUE(tabs.scrollLeft.enabled());
  EXPECT_EQ(h.commands, std::vector<int>{kTabScrollCommand});

  // The row start now stands for the hidden page before the first shown tab.
  h.Tap(4 + 8 + 5, 28 + 10);
  EXPECT_EQ(tabs.ActivePageId(), 1);
  EXPECT_EQ(tabs.firstVisible, 0);
  EXPECT_TRUE(h.GuardsIntact());
}

TEST_F(TabTest, SelectingAHiddenPageScrollsItsTabIntoView) {
  tabs.SelectPage(12);
  h.Paint();
  EXPECT_EQ(tabs.ActivePageId(), 12);
  const TabPage& about = Page(11);
  ASSERT_GE(about.tabX, 0);
  EXPECT_EQ(about.cutWidth, -1);
  EXPECT_LE(about.tabX + about.tabWidth + 16, Limit());
  // One page further left would not have been enough to show it.
  EXPECT_GT(tabs.firstVisible, 0);

  tabs.SelectPage(42);  // no such page
  EXPECT_EQ(tabs.ActivePageId(), 12);
  tabs.SelectPage(1);
  EXPECT_EQ(tabs.firstVisible, 0);
}

TEST_F(TabTest, ATapOnATabOrTheJointAfterItSelectsIt) {
  const TabPage& display = Page(1);
  h.Tap(display.tabX + 20, 28 + 10);
  EXPECT_EQ(tabs.ActivePageId(), 2);
  h.Tap(Page(0).tabX + Page(0).tabWidth + 8, 28 + 10);  // the joint after "General"
  EXPECT_EQ(tabs.ActivePageId(), 1);
}

TEST_F(TabTest, ChildrenOfTheActivePageTakeTheirTapsAndOthersNot) {
  h.Tap(box.x + 3, box.y + 3);  // taken without capture: the search goes on, no focus
  EXPECT_TRUE(box.ticked);
  EXPECT_EQ(h.ui.options.focused, nullptr);
  h.Tap(button.x + 5, button.y + 5);
  EXPECT_EQ(h.ui.options.focused, &button);
  EXPECT_EQ(h.commands, std::vector<int>{3000});
  EXPECT_EQ(tabs.activePage->capturedChild, &button);

  // Below the row, where no child lies and no scroll button is: not taken.
  EXPECT_FALSE(OptionsStylusDown(h.ui, Point{200, 250}));
  OptionsStylusUp(h.ui, Point{200, 250});

  tabs.SelectPage(6);
  h.Tap(box.x + 3, box.y + 3);
  EXPECT_TRUE(box.ticked);  // the check box is not on this page
  EXPECT_EQ(h.commands.back(), 3001);
}

}  // namespace
}  // namespace orx::test
