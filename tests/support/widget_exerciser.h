// Feeds a long sequence of stylus events, keys, clock steps and owner calls, decoded from
// arbitrary bytes, to an EditField, a ListBox and a TabControl on the Options screen
// (with the on-screen keyboard), painting after every step into a guarded frame, and
// checks the widgets' invariants: caret and selection within the text, scroll positions
// within their ranges, the tab row within its limit, nothing drawn outside the frame.
// Shared by the randomised test and the fuzz target; needs only the program's library.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "gfx/font.h"
#include "guarded_frame.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "ui/controls.h"
#include "ui/edit_field.h"
#include "ui/lists.h"
#include "ui/tab_control.h"
#include "ui/ui_state.h"

namespace orx::test {

// A skin picture made in memory (no file needed): every pixel a shade from its position.
inline void MakeMemorySkin(Skin& skin) {
  skin.image.width = kSkinMinWidth;
  skin.image.height = kSkinMinHeight;
  skin.image.bytesPerPixel = 2;
  skin.image.pixels = std::make_unique<uint8_t[]>(static_cast<size_t>(kSkinMinWidth) * kSkinMinHeight * 2);
  auto* px = reinterpret_cast<Color565*>(skin.image.pixels.get());
  for (int i = 0; i < kSkinMinWidth * kSkinMinHeight; ++i) px[i] = static_cast<Color565>(i * 2654435761u >> 16);
  skin.highlight = 0xAE7E;
  skin.fieldBackground = kWhite;
  skin.frame = 0x2190;
  skin.panel = 0x3B34;
  skin.page = 0xEF9F;
  skin.fieldBorder = 0x6BF3;
  skin.text = kBlack;
}

class WidgetExerciser {
 public:
  WidgetExerciser()
      : clock_(0, 5000), guarded_(240, 320), host_(nullptr), edit_(ui_.context), list_(ui_.context),
        tabs_(ui_.context), check_(ui_.context), combo_(ui_.context), button_(ui_.context) {
    platform::InstallClock(&clock_);
    fontOk_ = LoadFont(font_, 1) == 1;
    AttachUi(ui_, guarded_.frame, font_, &host_);
    MakeMemorySkin(ui_.skin);
    host_.SetWindowProc([this](const platform::Message& m) -> intptr_t {
      HandleUiMessage(ui_, ui_.options, m);
      return 0;
    });
    edit_.Setup(10, 200, 120, 30);
    list_.Setup(140, 190, 96, 100, true, 0, 40);
    tabs_.Setup(4, 28, 232, 150);
    static const char* const kNames[] = {"General", "Display", "Sun/Moon", "Maps", "Cities", "GPS",
                                         "Weather", "Routes", "Advanced", "Colors", "Appearance", "About"};
    for (int i = 0; i < 12; ++i) tabs_.AddPage(kNames[i], i + 1);
    check_.Setup(20, 64, "Rotate Globe", 0);
    combo_.Setup(20, 84, 150, 80, false);
    for (const char* c : {"Argentina", "Brazil", "Chile", "Denmark", "Egypt", "France", "Greece"}) {
      combo_.AddItem(c, false);
    }
    button_.Setup(20, 150, 60, 18, "Detect", 1, true);
    tabs_.AddChild(1, &check_);
    tabs_.AddChild(1, &combo_);
    tabs_.AddChild(2, &button_);
    tabs_.SelectPage(1);
    ui_.optionsWidgets = {&tabs_, &list_, &edit_};
  }
  ~WidgetExerciser() {
    ui_.optionsWidgets.clear();
    host_.SetWindowProc(nullptr);
    platform::InstallClock(nullptr);
  }

  // Runs the steps the bytes describe; "" when every invariant held, else what broke.
  std::string Run(const uint8_t* data, size_t size) {
    if (!fontOk_) return "font";
    size_t i = 0;
    auto next = [&]() -> int { return i < size ? data[i++] : 0; };
    while (i < size) {
      Step(next(), next(), next());
      PaintOptionsScreen(ui_);
      host_.PumpPending();
      std::string broken = Check();
      if (!broken.empty()) return broken;
    }
    return "";
  }

 private:
  void Step(int op, int a, int b) {
    // Points reach a little beyond the screen on every side; three kinds of tap aim at
    // the edit field, the list and the tab row.
    const int kind = op % 21;
    Point p{a - 8, (b * 340) / 255 - 10};
    if (kind == 2) p = Point{edit_.x + (a * edit_.width) / 255, edit_.y + b % 17};
    if (kind == 3) p = Point{list_.x + (a * list_.width) / 255, list_.y + (b * list_.height) / 255};
    if (kind == 4) p = Point{a, tabs_.y + b % 30};
    switch (kind) {
      case 0:
      case 1:
      case 2:
      case 3:
      case 4:
        if (down_) {
          OptionsStylusUp(ui_, p);
          host_.PumpPending();
        }
        OptionsStylusDown(ui_, p);
        down_ = true;
        break;
      case 5:
      case 6:
      case 7:
        if (down_) OptionsStylusMove(ui_, p);
        break;
      case 8:
      case 9:
        if (down_) {
          OptionsStylusUp(ui_, p);
          down_ = false;
        }
        break;
      case 10:
      case 11:
      case 12:
        RouteKey(ui_.options, a, kKeyCharacter);
        break;
      case 13: {
        static const int kKeys[] = {8, 35, 36, 37, 38, 39, 40, 46};
        RouteKey(ui_.options, b < 200 ? kKeys[a % 8] : a, kKeyVirtual);
        break;
      }
      case 14:
        clock_.Advance(static_cast<uint32_t>(a) * 8);
        break;
      case 15: {
        static const char* const kTexts[] = {"", "a", "Llanfairpwllgwyngyllgogerychwyrndrobwll", "San Francisco",
                                             "\xB0\xB1\xA3 x y"};
        edit_.SetText(kTexts[a % 5]);
        break;
      }
      case 16: {
        char text[48];
        std::snprintf(text, sizeof text, "%s %d", (a & 1) ? "a very long list item text" : "item", b);
        list_.AddItem(text, true);
        break;
      }
      case 17:
        if (a < 16) {
          list_.Clear();
        } else {
          char text[48];
          std::snprintf(text, sizeof text, "item %d", b);
          list_.RemoveItems(text, (a & 1) != 0);
        }
        break;
      case 18:
        list_.SelectIndex(b % (list_.ItemCount() + 2) - 1, (a & 1) != 0);
        break;
      case 19:
        tabs_.SelectPage(a % 14);
        break;
      default:
        // An owner scrolling the list by hand (only bars in use have a range).
        if (a < 128 && list_.vScrollShown) list_.vScroll.SetPosition(b - 20);
        if (a >= 128 && list_.hScrollShown) list_.hScroll.SetPosition(b * 2 - 20);
        break;
    }
  }

  std::string Check() const {
    if (!guarded_.GuardsIntact()) return "drawn outside the frame";
    const EditField& e = edit_;
    if (e.length < 0 || e.length > e.maxLength) return "edit length";
    if (static_cast<int>(std::strlen(e.Text())) != e.length) return "edit terminator";
    if (e.scrollIndex < 0 || e.caret < 0 || e.scrollIndex + e.caret > e.length) return "edit caret";
    if (e.anchor < -1 || e.anchor > e.length) return "edit anchor";
    // The caret stays inside the field (a tap may put it up to the field's inner edge).
    if (TextWidthN(font_, e.Text(), e.scrollIndex, e.caret).width > e.width - 3) return "edit caret outside";

    const ListBox& l = list_;
    const int count = l.ItemCount();
    if (l.maxItems > 0 && count > l.maxItems) return "list capacity";
    if (l.vScrollShown) {
      if (l.vScroll.position < 0 || l.vScroll.position > count - l.visibleRows) return "list vertical position";
    } else if (l.vScroll.position != 0) {
      return "list vertical position without bar";
    }
    if (l.hScrollShown &&
        (l.hScroll.position < 0 || l.hScroll.position > l.maxItemWidth - l.hScroll.pageSize + 1)) {
      return "list horizontal position";
    }
    if (l.anchorIndex >= count) return "list anchor";
    if (l.currentItem) {
      bool found = false;
      for (int k = 0; k < count; ++k) found |= l.ItemAt(k) == l.currentItem;
      if (!found) return "list current item";
    }
    for (const ScrollBar* bar : {&l.vScroll, &l.hScroll}) {
      if (bar->thumbLength >= 0 && bar->thumbOffset + bar->thumbLength > bar->length - 22 + 1) return "thumb";
    }

    const TabControl& t = tabs_;
    const int pages = static_cast<int>(t.pages.size());
    if (t.firstVisible < 0 || t.firstVisible >= pages) return "first visible tab";
    bool activeFound = false;
    for (const auto& page : t.pages) {
      activeFound |= page.get() == t.activePage;
      if (page->tabX < 0) continue;
      const int end = page->cutWidth >= 0 ? page->tabX + page->cutWidth : page->tabX + page->tabWidth;
      if (end > t.buttonsX - 8) return "tab past the limit";
    }
    if (!activeFound) return "active page";
    if (ui_.keyboardShown != (ui_.softKeyboard.top >= 0)) return "keyboard state";
    return "";
  }

  platform::ManualClock clock_;
  GuardedFrame guarded_;
  Font font_;
  platform::Host host_;
  UiState ui_;
  EditField edit_;
  ListBox list_;
  TabControl tabs_;
  CheckBox check_;
  ComboBox combo_;
  PushButton button_;
  bool fontOk_ = false;
  bool down_ = false;
};

}  // namespace orx::test
