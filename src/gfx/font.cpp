#include "gfx/font.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gfx/draw.h"
#include "platform/resources.h"

namespace orx {
namespace {

struct FontInfo {
  const char* name;
  int resourceId;  // of both the GIF strip and the "GLYPHS" table
  int glyphHeight;
  int lineSpacing;
};

constexpr FontInfo kFonts[kFontCount] = {
    {"10 pt Fixed Width", 130, 12, 13},
    {"11 pt Variable Width", 129, 13, 14},
    {"9 pt Variable Width", 131, 12, 13},
};

// A glyph table resource: 256 entries of three little-endian 16-bit values.
constexpr size_t kGlyphTableBytes = 256 * 6;

int Advance(const Font& font, char c) { return font.glyphs[static_cast<uint8_t>(c)].advance; }

int Length(const char* text) { return static_cast<int>(std::strlen(text)); }

}  // namespace

const char* FontName(int fontIndex) {
  if (fontIndex < 0 || fontIndex >= kFontCount) fontIndex = 0;
  return kFonts[fontIndex].name;
}

int LoadFont(Font& font, int fontIndex) {
  if (fontIndex < 0 || fontIndex >= kFontCount) fontIndex = 0;
  const FontInfo& info = kFonts[fontIndex];
  const std::span<const uint8_t> table = platform::FindResource("GLYPHS", info.resourceId);
  if (table.size() != kGlyphTableBytes) return 0;

  ImageObject image = MakeResourceImage(info.resourceId);
  if (Load(image, nullptr, kLoadWhole) != 1 || !ViewOf(image).pixels) return 0;

  // Every glyph must lie inside the strip, so drawing never reads outside it.
  std::array<Glyph, 256> glyphs{};
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const uint8_t* e = table.data() + i * 6;
    Glyph& g = glyphs[i];
    g.sourceX = static_cast<uint16_t>(e[0] | (e[1] << 8));
    g.sourceY = static_cast<uint16_t>(e[2] | (e[3] << 8));
    g.advance = static_cast<uint16_t>(e[4] | (e[5] << 8));
    if (g.advance != 0 && (g.sourceX + g.advance > image.width ||
                           g.sourceY + info.glyphHeight > image.height)) {
      return 0;
    }
  }

  Destroy(font.image);
  font.image = std::move(image);
  font.glyphs = glyphs;
  font.glyphHeight = info.glyphHeight;
  font.lineSpacing = info.lineSpacing;
  font.index = fontIndex;
  return 1;
}

void DrawText(FrameBuffer& frame, const Font& font, int x, int y, const char* text,
              Color565 color) {
  const PixelView strip = ViewOf(font.image);
  for (const char* p = text; *p && x < frame.width; ++p) {
    const Glyph& g = font.glyphs[static_cast<uint8_t>(*p)];
    if (g.advance != 0) {
      CopyGlyph(frame, strip, x, y, g.sourceX, g.sourceY, g.advance, font.glyphHeight, color);
    }
    x += g.advance;
  }
}

void DrawTextClipped(FrameBuffer& frame, const Font& font, int x, int y, const char* text,
                     int skip, int maxWidth, Color565 color) {
  const PixelView strip = ViewOf(font.image);
  for (const char* p = text; *p && maxWidth > 0; ++p) {
    const Glyph& g = font.glyphs[static_cast<uint8_t>(*p)];
    int sourceX = g.sourceX;
    int width = g.advance;
    if (skip > 0) {
      if (width <= skip) {  // ends before the visible part begins
        skip -= width;
        continue;
      }
      sourceX += skip;  // straddles the left edge: only its visible part
      width -= skip;
      skip = 0;
    }
    width = std::min(width, maxWidth);
    if (width > 0) {
      CopyGlyph(frame, strip, x, y, sourceX, g.sourceY, width, font.glyphHeight, color);
    }
    x += width;
    maxWidth -= width;
  }
}

void DrawNumber(FrameBuffer& frame, const Font& font, int x, int y, int n, Color565 color) {
  char text[100];
  std::snprintf(text, sizeof text, "%d", n);
  DrawText(frame, font, x, y, text, color);
}

void DrawReal(FrameBuffer& frame, const Font& font, int x, int y, double value) {
  char text[100];
  std::snprintf(text, sizeof text, "%.3f", value);
  DrawText(frame, font, x, y, text, kWhite);
}

int TextWidth(const Font& font, const char* text) {
  int width = 0;
  for (const char* p = text; *p; ++p) width += Advance(font, *p);
  return width;
}

TextRun TextWidthN(const Font& font, const char* text, int start, int count) {
  const int length = Length(text);
  TextRun run;
  run.end = std::clamp(start, 0, length);
  for (; count > 0 && run.end < length; --count) run.width += Advance(font, text[run.end++]);
  return run;
}

int FitForward(const Font& font, const char* text, int width, int start) {
  const int length = Length(text);
  int n = 0;
  for (int i = std::max(start, 0); i < length; ++i, ++n) {
    width -= Advance(font, text[i]);
    if (width < 0) break;
  }
  return n;
}

int FitBackward(const Font& font, const char* text, int width, int end) {
  int n = 0;
  for (int i = std::min(end, Length(text) - 1); i >= 0; --i, ++n) {
    width -= Advance(font, text[i]);
    if (width < 0) break;
  }
  return n;
}

int CharWidth(const Font& font, int code) {
  if (code < 0 || code > 255) code = 0;
  return font.glyphs[static_cast<size_t>(code)].advance;
}

}  // namespace orx
