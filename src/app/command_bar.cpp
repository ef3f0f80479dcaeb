#include "app/command_bar.h"

#include <algorithm>

#include "gfx/draw.h"
#include "globe/overlay.h"
#include "platform/host.h"
#include "platform/messages.h"
#include "ui/skin.h"

namespace orx {

int CommandSlotWidth(int index) { return index == 0 ? kRolloutWidth : kCommandButtonWidth; }

void SetCommandChecked(CommandBar& bar, uint32_t command, bool checked) {
  for (CommandButton& b : bar.buttons) {
    if (b.command == command) b.checked = checked;
  }
}

bool CommandChecked(const CommandBar& bar, uint32_t command) {
  for (const CommandButton& b : bar.buttons) {
    if (b.command == command) return b.checked;
  }
  return false;
}

int CommandBarHitTest(const CommandBar& bar, Point p, int height) {
  if (p.y < height - kCommandBarHeight || p.y >= height) return -1;
  for (int i = 0; i < kCommandButtonCount; ++i) {
    const int left = bar.buttons[i].screenX + bar.offset;
    if (left <= p.x && p.x < left + CommandSlotWidth(i)) return i;
  }
  return -1;
}

bool CommandBarStylusDown(CommandBar& bar, Point p, int height, uint32_t now) {
  const int hit = CommandBarHitTest(bar, p, height);
  if (hit < 0) return false;
  bar.pressed = true;
  bar.hotButton = hit;
  bar.overHot = true;
  bar.pressTime = now;
  return true;
}

bool CommandBarStylusMove(CommandBar& bar, Point p, int height) {
  if (!bar.pressed) return false;
  if (bar.hotButton == kNoHotButton) {
    bar.pressed = false;
    return true;
  }
  bar.overHot = CommandBarHitTest(bar, p, height) == bar.hotButton;
  return true;
}

bool CommandBarStylusUp(CommandBar& bar, platform::Host* window) {
  if (!bar.pressed) return false;
  if (bar.overHot && bar.hotButton != kNoHotButton && window) {
    window->PostMessage(platform::kMsgCommand, bar.buttons[bar.hotButton].command, 0);
  }
  return true;
}

void EndCommandPress(CommandBar& bar) {
  bar.pressed = false;
  bar.hotButton = kNoHotButton;
  bar.overHot = false;
  bar.pressTime = 0;
}

void ToggleCommandBar(CommandBar& bar) {
  bar.hidden = !bar.hidden;
  SetCommandChecked(bar, kCmdRollout, bar.hidden);
}

namespace {

void DrawTooltip(FrameBuffer& frame, const CommandBar& bar, const CommandBarArt& art) {
  const int index = bar.hotButton;
  const CommandButton& b = bar.buttons[index];
  const int w = frame.width, h = frame.height;
  const int glyph = art.font->glyphHeight;
  const int boxW = TextWidth(*art.font, b.tooltip) + 6;
  const int boxH = glyph + 4;
  const int buttonX = b.screenX + bar.offset;
  int left = std::max(buttonX, 0);
  if (left + boxW > w) left = std::max(w - boxW, 0);
  const int top = h - boxH - 29;
  DrawRectOutline(frame, left, top, boxW, boxH, kYellow);
  FillRect(frame, left + 1, top + 1, boxW - 2, boxH - 2, kBlack, kFillSolid);
  DrawText(frame, *art.font, left + 2, top + 2, b.tooltip, kWhite);
  if (art.markerStrip) {
    const StripPart& pointer = kTooltipPointerPart;
    CopyRectKeyed(frame, *art.markerStrip, buttonX + (CommandSlotWidth(index) - pointer.w) / 2, h - 30,
                  pointer.x, pointer.y, pointer.w, pointer.h);
  }
}

}  // namespace

CommandBarFrame DrawCommandBar(FrameBuffer& frame, CommandBar& bar, const CommandBarArt& art, uint32_t now) {
  CommandBarFrame result;
  const int w = frame.width, h = frame.height;
  const int hiddenOffset = kRolloutWidth - w;

  // 1. The slide, 10 pixels a frame; the band under a bar sliding away goes black.
  if (bar.hidden && bar.offset > hiddenOffset) {
    bar.offset = std::max(bar.offset - kSlideStep, hiddenOffset);
    FillRect(frame, 0, h - kCommandBarHeight - 1, w, kCommandBarHeight + 1, kBlack, kFillSolid);
    result.animating = true;
    result.redrawScene = bar.offset == hiddenOffset;
  } else if (!bar.hidden && bar.offset < 0) {
    bar.offset = std::min(bar.offset + kSlideStep, 0);
    result.animating = true;
  }

  // 2. The background with its top and right edges in the page colour.
  const Color565 panel = art.skin ? art.skin->panel : kBlack;
  const Color565 page = art.skin ? art.skin->page : kWhite;
  const int right = w + bar.offset;
  FillRect(frame, 0, h - kCommandBarHeight, right, kCommandBarHeight, panel, kFillSolid);
  DrawLine(frame, 0, h - kCommandBarHeight - 1, right, h - kCommandBarHeight - 1, page, 0, false);
  DrawLine(frame, right, h - kCommandBarHeight - 1, right, h - 1, page, 0, false);

  // 3. The buttons: a face (not for the rollout button), then the icon, both pressed
  //    when checked or held.
  for (int i = 0; i < kCommandButtonCount; ++i) {
    const CommandButton& b = bar.buttons[i];
    const int x = b.screenX + bar.offset;
    if (x < 0) continue;
    const bool down = b.checked || (bar.pressed && bar.hotButton == i && bar.overHot);
    if (i > 0 && art.skin) {
      DrawSkinPiece(UiContext{&frame, art.font, art.skin, nullptr},
                    down ? skin_piece::kCommandButtonPressed : skin_piece::kCommandButton, x, h - 19);
    }
    if (art.icons) {
      CopyRectKeyed(frame, *art.icons, x + (CommandSlotWidth(i) - b.iconWidth) / 2, h - 17, b.iconX,
                    down ? kCommandIconHeight : 0, b.iconWidth, kCommandIconHeight);
    }
  }

  // 4. The tooltip of a button held for over a second; frames keep coming while held so
  //    that it appears on time.
  if (bar.pressed && bar.hotButton != kNoHotButton) {
    result.animating = true;
    if (now - bar.pressTime > kTooltipDelayMs && art.font) DrawTooltip(frame, bar, art);
  }
  return result;
}

}  // namespace orx
