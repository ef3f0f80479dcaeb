#include "ui/tab_control.h"

#include <algorithm>
#include <new>

#include "gfx/draw.h"
#include "ui/skin.h"

namespace orx {

// ---------------------------------------------------------------------------------------
// TabPage

void TabPage::Reset() {
  caption.clear();
  children.clear();
  pageId = -1;
  isActive = false;
  capturedChild = nullptr;
  cutWidth = -1;
  captionWidth = -1;
  tabX = tabY = -1;
}

void TabPage::SetCaption(const char* text) {
  caption = text ? text : "";
  captionWidth = TextWidth(font(), caption.c_str());
  tabWidth = std::max(captionWidth + 15, 22);
  stretchColumns = tabWidth - 22;
}

void TabPage::Draw() {
  if (!visible() || tabX < 0) return;
  using namespace skin_piece;
  const int textTop = tabY - ui_.LineHeight() + 17;
  const SkinRect& body = isActive ? kTabBodyActive : kTabBody;
  const SkinRect& stretch = isActive ? kTabStretchActive : kTabStretch;
  const Color565 textColour = skin().text;
  if (cutWidth < 0) {
    DrawSkinPiece(ui_, body, tabX, tabY);
    DrawSkinColumns(ui_, stretch, tabX + 22, tabY, stretchColumns);
    DrawText(frame(), font(), tabX + 14, textTop, caption.c_str(), textColour);
    return;
  }
  DrawSkinPiece(ui_, body, tabX, tabY, std::min(cutWidth, 22));
  DrawSkinColumns(ui_, stretch, tabX + 22, tabY, std::min(cutWidth - 22, stretchColumns));
  if (cutWidth - 14 < 1) return;
  if (cutWidth - 14 < captionWidth) {
    DrawTextClipped(frame(), font(), tabX + 14, textTop, caption.c_str(), 0, cutWidth - 14, textColour);
  } else {
    DrawText(frame(), font(), tabX + 14, textTop, caption.c_str(), textColour);
  }
}

bool TabPage::StylusDown(Point p, Widget*& captured) {
  Widget* remembered = capturedChild;
  capturedChild = nullptr;
  if (remembered && remembered->StylusDown(p, captured)) {
    capturedChild = remembered;
    return true;
  }
  for (Widget* child : children) {
    if (child == remembered) continue;
    if (child->StylusDown(p, captured)) {
      capturedChild = child;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// TabControl

TabControl::TabControl(UiContext& ui) : Widget(ui), scrollLeft(ui), scrollRight(ui) {}

TabControl::~TabControl() = default;

void TabControl::Reset() {
  pages.clear();
  activePage = nullptr;
  buttonsX = 0;
  firstVisible = 0;
}

void TabControl::Setup(int px, int py, int w, int h) {
  Reset();
  x = px;
  y = py;
  width = w;
  height = h;
  buttonsX = x + width - 26;
  scrollLeft.Setup(buttonsX, y, 13, kButtonHeight, "<", kTabScrollCommand, true);
  scrollRight.Setup(buttonsX + 13, y, 13, kButtonHeight, ">", kTabScrollCommand, true);
}

TabPage* TabControl::AddPage(const char* caption, int id) {
  try {
    auto page = std::make_unique<TabPage>(ui_);
    page->SetCaption(caption);
    page->pageId = id;
    pages.push_back(std::move(page));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return pages.back().get();
}

void TabControl::AddChild(int pageId, Widget* widget) {
  if (!widget) return;
  for (auto& page : pages) {
    if (page->pageId == pageId) {
      page->children.push_back(widget);
      return;
    }
  }
}

void TabControl::Activate(TabPage* page) {
  if (activePage) {
    activePage->isActive = false;
    activePage->capturedChild = nullptr;
  }
  page->isActive = true;
  page->capturedChild = nullptr;
  activePage = page;
  MakeVisible(page);
}

void TabControl::SelectPage(int id) {
  for (auto& page : pages) {
    if (page->pageId == id) {
      Activate(page.get());
      return;
    }
  }
}

int TabControl::ActivePageId() const { return activePage ? activePage->pageId : 0; }

void TabControl::MakeVisible(const TabPage* page) {
  const int n = static_cast<int>(pages.size());
  // Each pass either finds the tab in view or moves the row by one page; the row never
  // starts beyond the wanted page, so the loop ends.
  for (int pass = 0; pass <= n; ++pass) {
    int end = x + 24;
    for (int i = 0; i < n; ++i) {
      if (i < firstVisible) {
        if (pages[static_cast<size_t>(i)].get() == page) {
          firstVisible = i;
          return;
        }
        continue;
      }
      end += pages[static_cast<size_t>(i)]->tabWidth + 16;
      if (pages[static_cast<size_t>(i)].get() == page) {
        if (end <= buttonsX - 8) return;
        ++firstVisible;
        break;
      }
    }
    if (firstVisible >= n) {
      firstVisible = std::max(n - 1, 0);
      return;
    }
  }
}

// The joint drawn at the right end of page `index`'s tab (or at the row start when the
// row is scrolled), chosen by which neighbour is active.
void TabControl::DrawJoint(int index, int atX, int jointWidth) {
  using namespace skin_piece;
  const int n = static_cast<int>(pages.size());
  const bool leftActive = index >= 0 && index < n && pages[static_cast<size_t>(index)]->isActive;
  const bool rightActive = index + 1 < n && pages[static_cast<size_t>(index + 1)]->isActive;
  const SkinRect& piece = leftActive ? kTabJointAfterActive : rightActive ? kTabJointBeforeActive : kTabJoint;
  DrawSkinPiece(ui_, piece, atX, y, jointWidth);
}

void TabControl::Draw() {
  if (!visible() || !activePage || pages.empty()) return;
  using namespace skin_piece;
  const Skin& s = skin();
  // Page body and frame.
  FillRect(frame(), x + 8, y + kTabRowHeight, width - 17, height - 33, s.page, kFillSolid);
  const int bottom = y + height - 7;
  DrawSkinPiece(ui_, kFrameBottomLeft, x, bottom);
  DrawSkinColumns(ui_, kFrameBottomEdge, x + 8, bottom, width - 17);
  DrawSkinPiece(ui_, kFrameBottomRight, x + width - 9, bottom);
  DrawSkinPiece(ui_, kFrameTopLeft, x, y + 18);
  DrawSkinPiece(ui_, kFrameTopRight, x + width - 9, y + 18);
  DrawSkinRows(ui_, kFrameLeftSide, x, y + kTabRowHeight, height - 33);
  DrawSkinRows(ui_, kFrameRightSide, x + width - 9, y + kTabRowHeight, height - 33);

  // The tab row.
  int tabX = x + 8;
  const int limit = buttonsX - 8;
  bool cut = false;
  const int n = static_cast<int>(pages.size());
  for (int i = 0; i < n; ++i) {
    TabPage& page = *pages[static_cast<size_t>(i)];
    page.tabX = page.tabY = page.cutWidth = -1;
    if (i < firstVisible || cut) continue;
    if (i == firstVisible) {
      if (firstVisible == 0) {
        DrawSkinPiece(ui_, page.isActive ? kTabRowStartActive : kTabRowStart, tabX, y);
      } else {
        DrawJoint(i - 1, tabX, -1);
      }
      tabX += 16;
    }
    int right = tabX + page.tabWidth;
    int cutWidth = -1;
    if (right > limit) {
      cutWidth = limit - tabX;
      right = limit;
      cut = true;
    } else if (right + 16 > limit) {
      cut = true;
    }
    page.tabX = tabX;
    page.tabY = y;
    page.cutWidth = cutWidth;
    page.Draw();
    if (right >= limit) {
      tabX = limit;
      continue;
    }
    int jointWidth = 16;
    if (right + 16 > limit) {
      jointWidth = limit - right;
      cut = true;
    }
    DrawJoint(i, right, jointWidth);
    tabX = right + jointWidth;
  }
  const int edgeStart = std::min(tabX, limit);
  DrawSkinColumns(ui_, kFrameTopEdge, edgeStart, y + 18, x + width - 9 - edgeStart);

  EnableWidget(scrollLeft, firstVisible > 0);
  EnableWidget(scrollRight, cut);
  scrollLeft.Draw();
  scrollRight.Draw();

  for (Widget* child : activePage->children) {
    if (child != activePage->capturedChild) child->Draw();
  }
  if (activePage->capturedChild) activePage->capturedChild->Draw();
}

bool TabControl::StylusDown(Point p, Widget*& captured) {
  if (!visible() || !Contains(p)) return false;
  const int n = static_cast<int>(pages.size());
  if (p.y < y + kTabRowHeight && p.x < buttonsX - 8 && n > 0) {
    TabPage* chosen = nullptr;
    int pos = x + 24;
    if (p.x < pos) {
      chosen = pages[static_cast<size_t>(firstVisible > 0 ? std::min(firstVisible - 1, n - 1) : 0)].get();
    } else {
      for (int i = firstVisible; i < n; ++i) {
        const int span = pages[static_cast<size_t>(i)]->tabWidth + 16;
        if (p.x < pos + span) {
          chosen = pages[static_cast<size_t>(i)].get();
          break;
        }
        pos += span;
      }
    }
    if (chosen) {
      captured = this;
      Activate(chosen);
      return true;
    }
  } else if (p.y >= y + kTabRowHeight && activePage && activePage->StylusDown(p, captured)) {
    return true;
  }
  if (scrollLeft.StylusDown(p, captured)) {
    firstVisible = std::max(firstVisible - 1, 0);
    return true;
  }
  if (scrollRight.StylusDown(p, captured)) {
    firstVisible = std::min(firstVisible + 1, std::max(n - 1, 0));
    return true;
  }
  return false;
}

}  // namespace orx
