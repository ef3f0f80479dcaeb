// skingen: draws the skin pictures data/skins/Default.gif and data/skins/Dark.gif, every
// control piece at its place of the skin layout (ui/skin.h) and the six colour pixels
// set. The pictures depend only on this program, byte for byte.
//
// Usage: skingen [--check] SKINDIR
//   --check  compare with the files in SKINDIR instead of writing them (exit 1 on a
//            difference).

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "gif_encoder.h"
#include "ui/skin.h"

namespace orx::tools {
namespace {

struct Theme {
  const char* fileName;
  Rgb panel, page, frame, fieldBackground, fieldBorder, highlight;
  Rgb tabInactive;                     // fill of the tabs of the other pages
  Rgb buttonTop, buttonBottom, buttonBorder;
  Rgb pressedTop, pressedBottom;
  Rgb glyph;                           // arrows, ticks and dots
};

constexpr Theme kDefault = {
    "Default.gif",
    {0x3C, 0x64, 0xA0}, {0xEE, 0xF2, 0xF8}, {0x1E, 0x32, 0x64}, {0xFF, 0xFF, 0xFF},
    {0x6A, 0x7C, 0x98}, {0xA8, 0xC8, 0xF0},
    {0xC8, 0xD4, 0xE6},
    {0xFF, 0xFF, 0xFF}, {0xC8, 0xD4, 0xE6}, {0x2A, 0x44, 0x7A},
    {0x98, 0xB2, 0xD8}, {0xC4, 0xD4, 0xEC},
    {0x1E, 0x32, 0x64},
};

constexpr Theme kDark = {
    "Dark.gif",
    {0x2E, 0x32, 0x3A}, {0xB4, 0xBA, 0xC4}, {0x12, 0x14, 0x18}, {0xDC, 0xE0, 0xE6},
    {0x22, 0x26, 0x2C}, {0xE0, 0xA0, 0x40},
    {0x84, 0x8A, 0x94},
    {0xD0, 0xD4, 0xDA}, {0x98, 0x9E, 0xA8}, {0x10, 0x12, 0x16},
    {0x7C, 0x82, 0x8C}, {0x98, 0x9E, 0xA8},
    {0x12, 0x14, 0x18},
};

class Canvas {
 public:
  Canvas(int w, int h, Rgb fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[static_cast<size_t>(y) * w_ + x] = c;
  }
  Rgb Get(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
  void Fill(int x, int y, int w, int h, Rgb c) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) Set(i, j, c);
  }
  void Outline(int x, int y, int w, int h, Rgb c) {
    Fill(x, y, w, 1, c);
    Fill(x, y + h - 1, w, 1, c);
    Fill(x, y, 1, h, c);
    Fill(x + w - 1, y, 1, h, c);
  }
  int width() const { return w_; }
  int height() const { return h_; }

 private:
  int w_, h_;
  std::vector<Rgb> px_;
};

// c0 at t = 0 .. c1 at t = n - 1, integer steps.
Rgb Mix(Rgb c0, Rgb c1, int t, int n) {
  Rgb out{};
  for (int i = 0; i < 3; ++i) out[i] = static_cast<uint8_t>(c0[i] + (c1[i] - c0[i]) * t / std::max(n - 1, 1));
  return out;
}

// ---------------------------------------------------------------------------------------
// Tab row and page frame. The frame border, counted from its outer edge, is two pixels of
// panel, a light line, a dark line and then page colour; tabs carry the same double line.

enum Tone { kP, kW, kD, kG, kT };  // panel, light line, dark line, page, inactive tab fill

Rgb ToneColour(const Theme& t, Tone tone) {
  switch (tone) {
    case kP: return t.panel;
    case kW: return t.fieldBackground;
    case kD: return t.frame;
    case kG: return t.page;
    default: return t.tabInactive;
  }
}

Tone Profile(int depth) {
  static constexpr Tone kProfile[] = {kP, kP, kW, kD};
  return depth < 4 ? kProfile[depth] : kG;
}

// One column of the tab row (26 rows) at `col` of a run where a tab's edges lie.
// Tab geometry: an inactive tab's top line is at row 3, an active tab's at row 1; the
// frame's top band (rows 18-25) runs under inactive tabs and opens under the active one.
struct TabColumn {
  enum Kind { kGap, kFill, kLeftOuter, kLeftInner, kRightInner, kRightOuter };
  Kind kind;
  bool active;
};

Tone TabTone(TabColumn c, int row) {
  const int top = c.active ? 1 : 3;
  const int band = row - 18;  // depth into the frame's top band
  if (c.kind == TabColumn::kGap) return band >= 0 ? Profile(band) : kP;
  const Tone inside = c.active ? kG : kT;
  const bool open = c.active;   // the active tab opens into the page below
  const int edgeBottom = open ? 20 : 19;
  switch (c.kind) {
    case TabColumn::kFill:
      if (row < top) return kP;
      if (row == top) return kW;
      if (row == top + 1) return kD;
      if (!open && band >= 2) return Profile(band);
      return inside;
    case TabColumn::kLeftOuter:
    case TabColumn::kRightOuter:
      if (row <= top) return kP;  // rounded corner
      if (row <= edgeBottom) return kW;
      return Profile(band);
    case TabColumn::kLeftInner:
    case TabColumn::kRightInner:
      if (row < top) return kP;
      if (row == top) return kW;
      if (row <= edgeBottom + (open ? 1 : 0)) return kD;
      return open ? (band >= 4 ? kG : Profile(band)) : Profile(band);
    default:
      return kP;
  }
}

void DrawTabColumn(Canvas& cv, const Theme& t, int x, int y, TabColumn c) {
  for (int row = 0; row < 26; ++row) cv.Set(x, y + row, ToneColour(t, TabTone(c, row)));
}

// A joint: the right end of the tab before it, then the gap before the next tab.
void DrawJoint(Canvas& cv, const Theme& t, const SkinRect& r, bool leftActive) {
  for (int i = 0; i < r.w; ++i) {
    TabColumn c{TabColumn::kGap, leftActive};
    if (i < 8) c.kind = TabColumn::kFill;
    else if (i == 8) c.kind = TabColumn::kRightInner;
    else if (i == 9) c.kind = TabColumn::kRightOuter;
    DrawTabColumn(cv, t, r.x + i, r.y, c);
  }
}

// A tab body: the gap after the joint, the tab's left edge, then its fill.
void DrawTabBody(Canvas& cv, const Theme& t, const SkinRect& r, bool active) {
  for (int i = 0; i < r.w; ++i) {
    TabColumn c{TabColumn::kFill, active};
    if (i < 4) c.kind = TabColumn::kGap;
    else if (i == 4) c.kind = TabColumn::kLeftOuter;
    else if (i == 5) c.kind = TabColumn::kLeftInner;
    DrawTabColumn(cv, t, r.x + i, r.y, c);
  }
}

void DrawGapPiece(Canvas& cv, const Theme& t, const SkinRect& r) {
  for (int i = 0; i < r.w; ++i) DrawTabColumn(cv, t, r.x + i, r.y, {TabColumn::kGap, false});
}

// A corner or edge piece of the page frame: each pixel takes the border profile of the
// side it lies nearest to (depth counted from that side's outer edge).
void DrawFramePiece(Canvas& cv, const Theme& t, const SkinRect& r, int leftDepth0, int rightDepthEnd,
                    int topDepth0, int bottomDepthEnd) {
  for (int j = 0; j < r.h; ++j) {
    for (int i = 0; i < r.w; ++i) {
      int depth = 99;
      if (leftDepth0 >= 0) depth = std::min(depth, leftDepth0 + i);
      if (rightDepthEnd >= 0) depth = std::min(depth, rightDepthEnd + (r.w - 1 - i));
      if (topDepth0 >= 0) depth = std::min(depth, topDepth0 + j);
      if (bottomDepthEnd >= 0) depth = std::min(depth, bottomDepthEnd + (r.h - 1 - j));
      cv.Set(r.x + i, r.y + j, ToneColour(t, Profile(depth)));
    }
  }
}

// ---------------------------------------------------------------------------------------
// Buttons, boxes and glyphs

// A rounded button face: border, vertical gradient, corners in `outside`, rounded by one
// or two pixels.
void DrawButtonFace(Canvas& cv, int x, int y, int w, int h, Rgb top, Rgb bottom, Rgb border, Rgb outside,
                    int rounding = 2) {
  for (int j = 0; j < h; ++j) cv.Fill(x, y + j, w, 1, Mix(top, bottom, j, h));
  cv.Outline(x, y, w, h, border);
  for (int cx : {x, x + w - 1}) {
    for (int cy : {y, y + h - 1}) {
      const int dx = cx == x ? 1 : -1, dy = cy == y ? 1 : -1;
      cv.Set(cx, cy, outside);
      if (rounding < 2) continue;
      cv.Set(cx + dx, cy, outside);
      cv.Set(cx, cy + dy, outside);
      cv.Set(cx + dx, cy + dy, border);
    }
  }
}

// The push-button pieces: a face of 13 pixels cut into left cap (6), middle (1), right cap (6).
void DrawPushButton(Canvas& cv, const Theme& t, int y, Rgb top, Rgb bottom) {
  Canvas face(13, 18, t.panel);
  DrawButtonFace(face, 0, 0, 13, 18, top, bottom, t.buttonBorder, t.panel);
  for (int j = 0; j < 18; ++j)
    for (int i = 0; i < 13; ++i) cv.Set(71 + i, y + j, face.Get(i, j));
}

// A filled triangle pointing in `dir` (0 left, 1 right, 2 up, 3 down), centred at (cx, cy)
// with the given half-base (so a half-base of 3 draws 7 x 4 pixels).
void DrawTriangle(Canvas& cv, int cx, int cy, int halfBase, int dir, Rgb c) {
  for (int k = 0; k <= halfBase; ++k) {
    const int half = halfBase - k;  // the tip at k = halfBase
    for (int s = -half; s <= half; ++s) {
      const int along = k - halfBase / 2;
      switch (dir) {
        case 0: cv.Set(cx - along, cy + s, c); break;
        case 1: cv.Set(cx + along, cy + s, c); break;
        case 2: cv.Set(cx + s, cy - along, c); break;
        default: cv.Set(cx + s, cy + along, c); break;
      }
    }
  }
}

// Squared distance in half pixels from the centre of a d x d box.
int Dist2(int i, int j, int d) {
  const int dx = 2 * i + 1 - d, dy = 2 * j + 1 - d;
  return dx * dx + dy * dy;
}

void DrawRadio(Canvas& cv, const Theme& t, int x, int y, bool on) {
  const int d = 12;
  for (int j = 0; j < d; ++j) {
    for (int i = 0; i < d; ++i) {
      const int r2 = Dist2(i, j, d);
      Rgb c = t.page;
      if (r2 <= 10 * 10) c = t.fieldBackground;
      if (r2 > 9 * 9 && r2 <= 12 * 12) c = t.fieldBorder;
      if (on && r2 <= 5 * 5) c = t.glyph;
      cv.Set(x + i, y + j, c);
    }
  }
}

void DrawCheckBox(Canvas& cv, const Theme& t, int x, int y, bool on) {
  cv.Fill(x, y, 12, 12, t.fieldBackground);
  cv.Outline(x, y, 12, 12, t.fieldBorder);
  if (!on) return;
  // A tick two pixels thick: down from (2, 5) to (4, 8), up to (9, 3).
  static constexpr int kTick[][2] = {{2, 5}, {3, 6}, {4, 7}, {5, 6}, {6, 5}, {7, 4}, {8, 3}, {9, 2}};
  for (const auto& p : kTick) {
    cv.Set(x + p[0], y + p[1], t.glyph);
    cv.Set(x + p[0], y + p[1] + 1, t.glyph);
    cv.Set(x + p[0], y + p[1] + 2, t.glyph);
  }
}

// An 11 x 11 arrow button (slider) with a frame-coloured border.
void DrawSliderArrow(Canvas& cv, const Theme& t, const SkinRect& r, int dir) {
  DrawButtonFace(cv, r.x, r.y, r.w, r.h, t.buttonTop, t.buttonBottom, t.frame, t.page);
  // The colour pixel of the frame colour lies in the middle of the left border.
  cv.Fill(r.x, r.y + 2, 1, r.h - 4, t.frame);
  DrawTriangle(cv, r.x + 5, r.y + 5, 3, dir, t.glyph);
}

void DrawScrollArrow(Canvas& cv, const Theme& t, const SkinRect& r, int dir) {
  cv.Fill(r.x, r.y, r.w, r.h, t.highlight);
  cv.Outline(r.x, r.y, r.w, r.h, t.fieldBorder);
  DrawTriangle(cv, r.x + 5, r.y + 5, 3, dir, t.glyph);
}

void DrawSkin(Canvas& cv, const Theme& t) {
  using namespace skin_piece;
  // Tab row, inactive look (rows 0-25) and active look (rows 26-51).
  DrawJoint(cv, t, kTabJoint, false);
  DrawJoint(cv, t, kTabJointAfterActive, true);
  DrawJoint(cv, t, kTabJointBeforeActive, false);
  DrawGapPiece(cv, t, kTabRowStart);
  DrawGapPiece(cv, t, kTabRowStartActive);
  DrawTabBody(cv, t, kTabBody, false);
  DrawTabBody(cv, t, kTabBodyActive, true);
  DrawTabColumn(cv, t, kTabStretch.x, kTabStretch.y, {TabColumn::kFill, false});
  DrawTabColumn(cv, t, kTabStretchActive.x, kTabStretchActive.y, {TabColumn::kFill, true});

  // Push buttons, normal and pressed.
  DrawPushButton(cv, t, kButtonLeft.y, t.buttonTop, t.buttonBottom);
  DrawPushButton(cv, t, kButtonPressedLeft.y, t.pressedTop, t.pressedBottom);

  // Command-bar button backgrounds: the face reaches into the corners, so that pressed and
  // normal differ right next to the border.
  DrawButtonFace(cv, kCommandButton.x, kCommandButton.y, 17, 17, t.buttonTop, t.buttonBottom, t.buttonBorder,
                 t.panel, 1);
  DrawButtonFace(cv, kCommandButtonPressed.x, kCommandButtonPressed.y, 17, 17, t.pressedTop, t.pressedBottom,
                 t.buttonBorder, t.panel, 1);

  // Combo box arrow: a box continuing the field's outline.
  for (int j = 0; j < kComboArrow.h; ++j)
    cv.Fill(kComboArrow.x, kComboArrow.y + j, kComboArrow.w, 1, Mix(t.buttonTop, t.buttonBottom, j, kComboArrow.h));
  cv.Outline(kComboArrow.x, kComboArrow.y, kComboArrow.w, kComboArrow.h, t.fieldBorder);
  DrawTriangle(cv, kComboArrow.x + 5, kComboArrow.y + 7, 3, 3, t.glyph);

  // Close box, normal and pressed (the two share row 25: the light border of both).
  for (const SkinRect& r : {kCloseBox, kCloseBoxPressed}) {
    const bool pressed = r.y == kCloseBoxPressed.y;
    cv.Fill(r.x, r.y, r.w, r.h, pressed ? t.fieldBackground : t.frame);
    cv.Outline(r.x, r.y, r.w, r.h, t.fieldBackground);
    const Rgb cross = pressed ? t.frame : t.fieldBackground;
    for (int k = 3; k <= 7; ++k) {
      cv.Set(r.x + k, r.y + k, cross);
      cv.Set(r.x + 10 - k, r.y + k, cross);
    }
  }

  DrawRadio(cv, t, kRadioOff.x, kRadioOff.y, false);
  DrawRadio(cv, t, kRadioOn.x, kRadioOn.y, true);

  DrawSliderArrow(cv, t, kSliderRightArrow, 1);
  DrawSliderArrow(cv, t, kSliderLeftArrow, 0);
  DrawButtonFace(cv, kSliderThumb.x, kSliderThumb.y, kSliderThumb.w, kSliderThumb.h, t.buttonTop, t.buttonBottom,
                 t.frame, t.page);
  cv.Fill(kSliderThumb.x + 3, kSliderThumb.y + 3, 1, 5, t.frame);

  DrawScrollArrow(cv, t, kScrollLeft, 0);
  DrawScrollArrow(cv, t, kScrollRight, 1);
  DrawScrollArrow(cv, t, kScrollUp, 2);
  DrawScrollArrow(cv, t, kScrollDown, 3);

  DrawCheckBox(cv, t, kCheckOff.x, kCheckOff.y, false);
  DrawCheckBox(cv, t, kCheckOn.x, kCheckOn.y, true);

  // Page frame: depths from the outer edge of each side it touches.
  DrawFramePiece(cv, t, kFrameTopLeft, 0, -1, 0, -1);
  DrawFramePiece(cv, t, kFrameTopRight, -1, 0, 0, -1);
  DrawFramePiece(cv, t, kFrameTopEdge, -1, -1, 0, -1);
  DrawFramePiece(cv, t, kFrameLeftSide, 0, -1, -1, -1);
  DrawFramePiece(cv, t, kFrameRightSide, -1, 0, -1, -1);
  cv.Set(76, 56, t.page);  // between the two side rows, unused
  DrawFramePiece(cv, t, kFrameBottomLeft, 0, -1, -1, 0);
  DrawFramePiece(cv, t, kFrameBottomEdge, -1, -1, -1, 0);
  DrawFramePiece(cv, t, kFrameBottomRight, -1, 0, -1, 0);
}

// The six colours must read back from their pixels.
bool CheckColourPixels(const Canvas& cv, const Theme& t) {
  struct Expect {
    Point at;
    Rgb colour;
    const char* name;
  };
  const Expect expects[] = {
      {skin_pixel::kHighlight, t.highlight, "highlight"},
      {skin_pixel::kFieldBackground, t.fieldBackground, "field background"},
      {skin_pixel::kFrame, t.frame, "frame"},
      {skin_pixel::kPanel, t.panel, "panel"},
      {skin_pixel::kPage, t.page, "page"},
      {skin_pixel::kFieldBorder, t.fieldBorder, "field border"},
  };
  bool ok = true;
  for (const Expect& e : expects) {
    if (cv.Get(e.at.x, e.at.y) != e.colour) {
      std::fprintf(stderr, "skingen: %s: the %s pixel (%d, %d) is not its colour\n", t.fileName, e.name, e.at.x, e.at.y);
      ok = false;
    }
  }
  return ok;
}

GifPicture ToGif(const Canvas& cv) {
  std::vector<Rgb> pixels;
  pixels.reserve(static_cast<size_t>(cv.width()) * cv.height());
  for (int y = 0; y < cv.height(); ++y)
    for (int x = 0; x < cv.width(); ++x) pixels.push_back(cv.Get(x, y));
  GifPicture pic;
  if (!PictureFromRgb(cv.width(), cv.height(), pixels, nullptr, pic)) TooManyColours();
  return pic;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace
}  // namespace orx::tools

int main(int argc, char** argv) {
  using namespace orx::tools;
  bool check = false;
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--check") == 0) {
      check = true;
    } else {
      dir = argv[i];
    }
  }
  if (dir.empty()) {
    std::fprintf(stderr, "usage: skingen [--check] SKINDIR\n");
    return 2;
  }
  int status = 0;
  for (const Theme* theme : {&kDefault, &kDark}) {
    Canvas cv(orx::kSkinMinWidth, orx::kSkinMinHeight, theme->panel);
    DrawSkin(cv, *theme);
    if (!CheckColourPixels(cv, *theme)) return 1;
    const GifPicture pic = ToGif(cv);
    if (pic.palette.size() > 256) {
      std::fprintf(stderr, "skingen: %s has more than 256 colours\n", theme->fileName);
      return 1;
    }
    const std::string path = dir + "/" + theme->fileName;
    if (check) {
      if (ReadAll(path) != EncodeGif(pic)) {
        std::fprintf(stderr, "skingen: %s differs from what this program draws\n", path.c_str());
        status = 1;
      }
    } else if (!WriteGif(path, pic)) {
      std::fprintf(stderr, "skingen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return status;
}
