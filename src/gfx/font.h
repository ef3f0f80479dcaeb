// Bitmap text in the three built-in fonts: loading a font's glyph strip and table,
// drawing (whole or clipped to a scrolled field), measuring and fitting 8-bit
// (Windows-1252) text. Code 0 ends every string. Drawing clips to the frame.
#pragma once

#include <array>
#include <cstdint>

#include "gfx/color.h"
#include "gfx/framebuffer.h"
#include "gfx/image.h"

namespace orx {

inline constexpr int kFontCount = 3;

// One glyph of the strip: its top-left corner and its width, which is also the advance.
// Codes without a glyph have advance 0 and draw nothing.
struct Glyph {
  uint16_t sourceX = 0;
  uint16_t sourceY = 0;
  uint16_t advance = 0;
};

struct Font {
  ImageObject image;                 // the glyph strip, white (or grey) on the key colour
  std::array<Glyph, 256> glyphs{};   // one per 8-bit code
  int glyphHeight = 0;               // pixels; every glyph is advance x glyphHeight
  int lineSpacing = 0;               // pixels from one line's top to the next
  int index = -1;                    // 0..2, -1 until loaded
};

// The font's name: 0 "10 pt Fixed Width", 1 "11 pt Variable Width", 2 "9 pt Variable Width".
const char* FontName(int fontIndex);

// Loads font `fontIndex` (outside 0..2 means 0) from its GIF and glyph-table resources.
// Returns 1, or 0 when a resource is missing, damaged or memory runs out; on failure
// the previously loaded font stays as it was.
int LoadFont(Font& font, int fontIndex);

// Text with its top-left corner at (x, y); glyph pixels take `color`.
void DrawText(FrameBuffer& frame, const Font& font, int x, int y, const char* text,
              Color565 color);
// Text in a scrolled field: the first `skip` pixels of the text are left out (a glyph
// cut by them shows its visible part), and at most `maxWidth` pixels are drawn from x.
void DrawTextClipped(FrameBuffer& frame, const Font& font, int x, int y, const char* text,
                     int skip, int maxWidth, Color565 color);
// "%d" of n.
void DrawNumber(FrameBuffer& frame, const Font& font, int x, int y, int n, Color565 color);
// "%.3f" of value in white.
void DrawReal(FrameBuffer& frame, const Font& font, int x, int y, double value);

// The sum of the advances (pixels).
int TextWidth(const Font& font, const char* text);

struct TextRun {
  int width = 0;  // pixels
  int end = 0;    // index after the counted characters
};
// Width of at most `count` characters from index `start` (stopping at the end of text).
TextRun TextWidthN(const Font& font, const char* text, int start, int count);
// Characters from index `start` onwards whose running width stays within `width`.
int FitForward(const Font& font, const char* text, int width, int start);
// Characters ending at index `end` (included), counted backwards, whose running width
// stays within `width`.
int FitBackward(const Font& font, const char* text, int width, int end);
// The advance of `code`; codes outside 0..255 measure as code 0.
int CharWidth(const Font& font, int code);

}  // namespace orx
