// kbdgen: draws the three on-screen keyboard pictures of the program's resources,
// res/gif_121_kbd_symbols.gif, res/gif_122_kbd_lower.gif and res/gif_123_kbd_upper.gif:
// 240 x 81 pixels, every key of the keyboard's tables outlined in white with its label,
// on the transparent colour 0xF81F. Characters are set in the program's own 11 pt font and
// key names in its 9 pt font, all on one baseline; the
// arrows, Backspace, Enter and Space are drawn as small pictures. The output depends
// only on this program and the font resources, byte for byte.
//
// Usage: kbdgen [--check] RESDIR
//   --check  compare with the files in RESDIR instead of writing them (exit 1 on a
//            difference).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/draw.h"
#include "gfx/font.h"
#include "gif_encoder.h"
#include "ui/soft_keyboard.h"

namespace orx::tools {
namespace {

constexpr int kCharacterFont = 1;  // 11 pt variable width
constexpr int kWordFont = 2;       // 9 pt variable width

enum class Mark { kText, kLeft, kRight, kUp, kDown, kBackspace, kEnter, kSpace };

struct Label {
  Mark mark = Mark::kText;
  std::string text;
};

Label LabelOf(KeyboardLayout layout, const KeyboardKey& key) {
  if (key.kind == kKeyModifier) {
    switch (-key.code) {
      case kModSymbols: return {Mark::kText, layout == kLayoutSymbols ? "Aa" : "#1"};
      case kModCaps: return {Mark::kText, "Caps"};
      case kModShift: return {Mark::kText, "Shift"};
      case kModCtrl: return {Mark::kText, "Ctrl"};
      default: return {Mark::kText, "Fn"};
    }
  }
  if (key.kind == kKeyVirtual) {
    switch (key.code) {
      case 8: return {Mark::kBackspace, ""};
      case 46: return {Mark::kText, "Del"};
      case 37: return {Mark::kLeft, ""};
      case 38: return {Mark::kUp, ""};
      case 39: return {Mark::kRight, ""};
      default: return {Mark::kDown, ""};
    }
  }
  switch (key.code) {
    case 9: return {Mark::kText, "Tab"};
    case 13: return {Mark::kEnter, ""};
    case ' ': return {Mark::kSpace, ""};
    default: return {Mark::kText, std::string(1, static_cast<char>(key.code))};
  }
}

constexpr Color565 kInk = kWhite;

bool IsInk(const FrameBuffer& f, int x, int y) { return f.Contains(x, y) && f.at(x, y) != kColorKey; }

FrameBuffer MakeBuffer(int w, int h) {
  FrameBuffer f;
  f.width = w;
  f.height = h;
  f.pixels = std::make_unique<Color565[]>(static_cast<size_t>(w) * h);
  std::fill(f.data(), f.data() + static_cast<size_t>(w) * h, kColorKey);
  return f;
}

void Put(FrameBuffer& f, int x, int y) {
  if (f.Contains(x, y)) f.at(x, y) = kInk;
}

// An arrow head of `size` rows pointing along (dx, dy) with its tip at (x, y).
void ArrowHead(FrameBuffer& f, int x, int y, int dx, int dy, int size) {
  for (int k = 0; k < size; ++k) {
    for (int s = -k; s <= k; ++s) {
      if (dx != 0) Put(f, x - dx * k, y + s);
      else Put(f, x + s, y - dy * k);
    }
  }
}

// Draws the picture of a mark into `f` (a box the size of the key's inside).
void DrawMark(FrameBuffer& f, Mark mark) {
  const int cx = f.width / 2, cy = f.height / 2;
  switch (mark) {
    case Mark::kLeft:
    case Mark::kRight: {
      const int d = mark == Mark::kRight ? 1 : -1;
      ArrowHead(f, cx + 4 * d, cy, d, 0, 4);
      DrawLine(f, cx - 4 * d, cy, cx + 4 * d, cy, kInk, 0, false);
      break;
    }
    case Mark::kUp:
    case Mark::kDown: {
      const int d = mark == Mark::kDown ? 1 : -1;
      ArrowHead(f, cx, cy + 4 * d, 0, d, 4);
      DrawLine(f, cx, cy - 4 * d, cx, cy + 4 * d, kInk, 0, false);
      break;
    }
    case Mark::kBackspace:
      // A key cap pointing left with a cross in it.
      DrawLine(f, cx - 6, cy, cx - 2, cy - 4, kInk, 0, false);
      DrawLine(f, cx - 6, cy, cx - 2, cy + 4, kInk, 0, false);
      DrawLine(f, cx - 2, cy - 4, cx + 6, cy - 4, kInk, 0, false);
      DrawLine(f, cx - 2, cy + 4, cx + 6, cy + 4, kInk, 0, false);
      DrawLine(f, cx + 6, cy - 4, cx + 6, cy + 4, kInk, 0, false);
      DrawLine(f, cx, cy - 2, cx + 4, cy + 2, kInk, 0, false);
      DrawLine(f, cx, cy + 2, cx + 4, cy - 2, kInk, 0, false);
      break;
    case Mark::kEnter:
      // A bent arrow: down from the top right, then left to a head.
      DrawLine(f, cx + 5, cy - 4, cx + 5, cy + 1, kInk, 0, false);
      DrawLine(f, cx - 4, cy + 1, cx + 5, cy + 1, kInk, 0, false);
      ArrowHead(f, cx - 5, cy + 1, -1, 0, 4);
      break;
    case Mark::kSpace:
      DrawLine(f, cx - 9, cy + 2, cx + 9, cy + 2, kInk, 0, false);
      DrawLine(f, cx - 9, cy - 1, cx - 9, cy + 2, kInk, 0, false);
      DrawLine(f, cx + 9, cy - 1, cx + 9, cy + 2, kInk, 0, false);
      break;
    default:
      break;
  }
}

// The font's full stop, comma, colon, semicolon, apostrophe and grave accent are one to
// three pixels, too small to tell apart on a key; they are drawn from these pictures
// instead, two pixels thick, standing on the same baseline. The minus is widened, and the
// underscore raised off the key's bottom edge.
struct Punctuation {
  char code;
  int topRow;                // rows of the first line above the baseline (1 = just above,
                             // 0 and below = under it)
  const char* lines[8];      // '#' = ink, null after the last line
};
constexpr Punctuation kPunctuation[] = {
    {'.', 2, {".##", ".##"}},
    {',', 2, {".##", ".##", "..#", ".#."}},
    {':', 6, {".##", ".##", "...", "...", ".##", ".##"}},
    {';', 6, {".##", ".##", "...", "...", ".##", ".##", "..#", ".#."}},
    {'\'', 8, {".##", ".##", ".##", ".##"}},
    {'`', 9, {"##..", ".##.", "..##"}},
    {'-', 4, {".####"}},
    {'_', -1, {"######"}},
};

// Draws `code` from its picture with the baseline at `baseline`; false when it has none.
bool DrawPunctuation(FrameBuffer& f, char code, int baseline) {
  for (const Punctuation& p : kPunctuation) {
    if (p.code != code) continue;
    for (int line = 0; line < 8 && p.lines[line]; ++line)
      for (int i = 0; p.lines[line][i]; ++i)
        if (p.lines[line][i] == '#') Put(f, i, baseline - p.topRow + line);
    return true;
  }
  return false;
}

// The two label fonts, set so that their baselines meet on one row of every key.
struct LabelFonts {
  Font character;  // single characters
  Font word;       // names such as "Shift" and "Tab"
};

// The row just below the ink of "x": where the font's baseline lies in its cell.
int BaselineOf(const Font& font) {
  FrameBuffer f = MakeBuffer(CharWidth(font, 'x') + 1, font.glyphHeight);
  DrawText(f, font, 0, 0, "x", kInk);
  int bottom = 0;
  for (int j = 0; j < f.height; ++j)
    for (int i = 0; i < f.width; ++i)
      if (IsInk(f, i, j)) bottom = j + 1;
  return bottom;
}

// The label's ink, centred across the box (x, y, w, h) of `out` and, for text, standing on
// the common baseline. False when the label has no ink or does not fit.
bool PlaceLabel(FrameBuffer& out, const LabelFonts& fonts, const Label& label, int x, int y, int w, int h) {
  const bool single = label.mark == Mark::kText && label.text.size() == 1;
  const Font& font = single ? fonts.character : fonts.word;
  // Rows from the top of the character cell to the top of the word font's cell.
  const int wordShift = BaselineOf(fonts.character) - BaselineOf(fonts.word);
  FrameBuffer scratch = MakeBuffer(w + 1, std::max(h, font.glyphHeight) + 1);
  if (label.mark != Mark::kText) {
    DrawMark(scratch, label.mark);
  } else if (!single || !DrawPunctuation(scratch, label.text[0], BaselineOf(font))) {
    DrawText(scratch, font, 0, single ? 0 : wordShift, label.text.c_str(), kInk);
  }
  int left = scratch.width, right = -1, top = scratch.height, bottom = -1;
  for (int j = 0; j < scratch.height; ++j)
    for (int i = 0; i < scratch.width; ++i)
      if (IsInk(scratch, i, j)) {
        left = std::min(left, i);
        right = std::max(right, i);
        top = std::min(top, j);
        bottom = std::max(bottom, j);
      }
  if (right < 0) return false;
  const int inkW = right - left + 1, inkH = bottom - top + 1;
  if (inkW > w || inkH > h) return false;
  if (label.mark == Mark::kText && TextWidth(font, label.text.c_str()) > w + 1) return false;
  const int ox = x + (w - inkW + 1) / 2 - left;
  int oy = y + (h - inkH + 1) / 2 - top;
  if (label.mark == Mark::kText) {
    // Text is placed by its cell, not by its ink, so that every label of a key height
    // stands on the same row.
    oy = y + (h - fonts.character.glyphHeight + 1) / 2;
    if (oy + top < y || oy + bottom >= y + h) return false;
  }
  for (int j = top; j <= bottom; ++j)
    for (int i = left; i <= right; ++i)
      if (IsInk(scratch, i, j)) out.at(ox + i, oy + j) = kInk;
  return true;
}

// Outlines the union of the keys with index in `parts`, corners rounded.
void OutlineKeys(FrameBuffer& f, std::span<const KeyboardKey> keys, const std::vector<size_t>& parts) {
  auto inside = [&](int px, int py) {
    for (size_t i : parts) {
      const KeyboardKey& k = keys[i];
      if (px >= k.x && px < k.x + k.width && py >= k.y && py < k.y + k.height) return true;
    }
    return false;
  };
  for (size_t i : parts) {
    const KeyboardKey& k = keys[i];
    for (int py = k.y; py < k.y + k.height; ++py) {
      for (int px = k.x; px < k.x + k.width; ++px) {
        const bool edgeH = !inside(px - 1, py) || !inside(px + 1, py);
        const bool edgeV = !inside(px, py - 1) || !inside(px, py + 1);
        if (!edgeH && !edgeV) continue;
        const bool corner = (!inside(px - 1, py) || !inside(px + 1, py)) && (!inside(px, py - 1) || !inside(px, py + 1));
        if (!corner) f.at(px, py) = kInk;
      }
    }
  }
}

std::vector<uint8_t> Encode(const FrameBuffer& f) {
  GifPicture pic;
  pic.width = f.width;
  pic.height = f.height;
  pic.palette = {Rgb{0xFF, 0x00, 0xFF}, Rgb{0xFF, 0xFF, 0xFF}};
  pic.indices.reserve(static_cast<size_t>(f.width) * f.height);
  for (int i = 0; i < f.width * f.height; ++i) pic.indices.push_back(f.data()[i] == kColorKey ? 0 : 1);
  return EncodeGif(pic);
}

// Draws a layout; false (with a message) when a label cannot be placed.
bool DrawLayout(FrameBuffer& f, const LabelFonts& fonts, KeyboardLayout layout) {
  const std::span<const KeyboardKey> keys = KeyboardKeys(layout);
  std::vector<bool> done(keys.size(), false);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (done[i]) continue;
    // Keys of the same character code 13 form one Enter key.
    std::vector<size_t> parts{i};
    if (keys[i].kind == kKeyCharacter && keys[i].code == 13) {
      for (size_t j = i + 1; j < keys.size(); ++j)
        if (keys[j].kind == kKeyCharacter && keys[j].code == 13) parts.push_back(j);
    }
    for (size_t p : parts) done[p] = true;
    OutlineKeys(f, keys, parts);
    // The label goes into the part that is widest (the lower bar of the L-shaped Enter).
    size_t at = parts[0];
    for (size_t p : parts)
      if (keys[p].width > keys[at].width) at = p;
    const KeyboardKey& k = keys[at];
    if (!PlaceLabel(f, fonts, LabelOf(layout, k), k.x + 1, k.y + 1, k.width - 2, k.height - 2)) {
      std::fprintf(stderr, "kbdgen: the label of key %zu of layout %d does not fit\n", at, static_cast<int>(layout));
      return false;
    }
  }
  return true;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace
}  // namespace orx::tools

int main(int argc, char** argv) {
  using namespace orx;
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
    std::fprintf(stderr, "usage: kbdgen [--check] RESDIR\n");
    return 2;
  }
  LabelFonts fonts;
  if (!LoadFont(fonts.character, kCharacterFont) || !LoadFont(fonts.word, kWordFont)) {
    std::fprintf(stderr, "kbdgen: the label font cannot be loaded\n");
    return 1;
  }
  struct Output {
    KeyboardLayout layout;
    const char* name;
  };
  const Output outputs[] = {{kLayoutSymbols, "gif_121_kbd_symbols.gif"},
                            {kLayoutLower, "gif_122_kbd_lower.gif"},
                            {kLayoutUpper, "gif_123_kbd_upper.gif"}};
  int status = 0;
  for (const Output& o : outputs) {
    FrameBuffer f = MakeBuffer(kKeyboardWidth, kKeyboardHeight);
    if (!DrawLayout(f, fonts, o.layout)) return 1;
    const std::vector<uint8_t> bytes = Encode(f);
    const std::string path = dir + "/" + o.name;
    if (check) {
      if (ReadAll(path) != bytes) {
        std::fprintf(stderr, "kbdgen: %s differs from what this program draws\n", path.c_str());
        status = 1;
      }
      continue;
    }
    const std::string tmp = path + ".tmp";
    std::ofstream out(tmp, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out || std::rename(tmp.c_str(), path.c_str()) != 0) {
      std::fprintf(stderr, "kbdgen: cannot write %s\n", path.c_str());
      std::remove(tmp.c_str());
      return 1;
    }
  }
  return status;
}
