// TabControl and TabPage: a row of tabs over a framed page that shows the controls of
// the active page; two small buttons at the right end scroll the row when the tabs do
// not fit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/widget.h"

namespace orx {

// Height of the tab row, pixels.
inline constexpr int kTabRowHeight = 26;
// Command of the two scroll buttons (posted; the owner may ignore it).
inline constexpr int kTabScrollCommand = 10000;

class TabPage : public Widget {
 public:
  using Widget::Widget;
  // Forgets the caption and the children (which are not touched).
  void Reset() override;
  // Copies the caption and sizes the tab for it.
  void SetCaption(const char* caption);
  // Draws the tab where the control last placed it (nothing when not shown).
  void Draw() override;
  // Offers the tap to the child that took the last one, then to the children in order;
  // the child's own capture passes through unchanged.
  bool StylusDown(Point p, Widget*& captured) override;

  std::vector<Widget*> children;
  std::string caption;
  int pageId = -1;
  int32_t tabX = -1;
  int32_t tabY = -1;
  int32_t stretchColumns = 0;  // tabWidth - 22
  int32_t tabWidth = 22;       // caption width + 15, at least 22
  int32_t cutWidth = -1;       // width allotted when cut at the row's end; -1 = not cut
  int32_t captionWidth = -1;
  Widget* capturedChild = nullptr;
  bool isActive = false;
};

class TabControl : public Widget {
 public:
  explicit TabControl(UiContext& ui);
  ~TabControl() override;
  // Destroys every page.
  void Reset() override;
  void Setup(int x, int y, int width, int height);
  // Appends a page; null when it cannot be allocated.
  TabPage* AddPage(const char* caption, int id);
  // Appends `widget` to the first page with that id (nothing when none has it).
  void AddChild(int pageId, Widget* widget);
  // Makes the page with that id active and scrolls its tab into view.
  void SelectPage(int id);
  // The active page's id, or 0.
  int ActivePageId() const;
  // Frame, tabs, scroll buttons and the active page's children.
  void Draw() override;
  // Tabs select pages; below the row the active page's children; then the scroll buttons.
  bool StylusDown(Point p, Widget*& captured) override;

  std::vector<std::unique_ptr<TabPage>> pages;
  TabPage* activePage = nullptr;
  PushButton scrollLeft;
  PushButton scrollRight;
  int32_t buttonsX = 0;   // x + width - 26
  int firstVisible = 0;   // index of the first page whose tab is shown

 private:
  void Activate(TabPage* page);
  void MakeVisible(const TabPage* page);
  void DrawJoint(int index, int atX, int jointWidth);
};

}  // namespace orx
