#include "gfx/font.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "gfx/draw.h"
#include "gfx/fold.h"
#include "platform/resources.h"
#include "support/guarded_frame.h"

namespace orx {
namespace {

using test::CountChanged;
using test::GuardedFrame;
using test::MakeFrame;
using test::SameAsWindow;

// Codes of Windows-1252 that are printable characters.
bool Printable(int code) {
  if (code < 0x20 || code == 0x7F) return false;
  return code != 0x81 && code != 0x8D && code != 0x8F && code != 0x90 && code != 0x9D;
}

TEST(CompareFolded, CaseAndAccentsFold) {
  EXPECT_EQ(CompareFolded("\xE9lan", "ELAN"), 0);
  EXPECT_EQ(CompareFolded("Z\xFCrich", "ZURICH"), 0);
  EXPECT_EQ(CompareFolded("\xC5land \xC7\xE3o", "aland cao"), 0);
  // The sharp s sorts as the capital B; eth and o with stroke keep their codes.
  EXPECT_LT(CompareFolded("Stra\xDF""e", "Strac"), 0);
  EXPECT_GT(CompareFolded("Stra\xDF""e", "Straa"), 0);
  EXPECT_GT(CompareFolded("\xD0", "D"), 0);
  EXPECT_GT(CompareFolded("\xF8", "O"), 0);
  // The difference at the first mismatch; a shorter string first.
  EXPECT_EQ(CompareFolded("abc", "ABE"), 'C' - 'E');
  EXPECT_LT(CompareFolded("Par", "paris"), 0);
  EXPECT_EQ(CompareFolded("", ""), 0);

  EXPECT_EQ(CompareFoldedN("Z\xFCrich", "zurigo", 4), 0);
  EXPECT_NE(CompareFoldedN("Z\xFCrich", "zurigo", 5), 0);
  EXPECT_LT(CompareFoldedN("ab", "ABC", 10), 0);
  EXPECT_EQ(CompareFoldedN("x", "y", 0), 0);
}

// The glyph tables are checked straight from the resources, independently of the strip.
TEST(FontResources, EveryPrintableCodeHasAGlyph) {
  for (int id : {129, 130, 131}) {
    const auto table = platform::FindResource("GLYPHS", id);
    ASSERT_EQ(table.size(), 256u * 6) << id;
    for (int code = 1; code < 256; ++code) {
      const int advance = table[code * 6 + 4] | (table[code * 6 + 5] << 8);
      if (Printable(code)) {
        EXPECT_GT(advance, 0) << "font " << id << " code " << code;
        if (id == 130) {
          EXPECT_EQ(advance, 6) << "code " << code;
        }
      } else {
        EXPECT_EQ(advance, 0) << "font " << id << " code " << code;
      }
    }
  }
}

class FontTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { ASSERT_EQ(LoadFont(font, GetParam()), 1); }
  Font font;
};

TEST_P(FontTest, LoadsWithItsMetrics) {
  const int heights[] = {12, 13, 12}, spacings[] = {13, 14, 13};
  EXPECT_EQ(font.index, GetParam());
  EXPECT_EQ(font.glyphHeight, heights[GetParam()]);
  EXPECT_EQ(font.lineSpacing, spacings[GetParam()]);
  // Glyphs are white on the key colour, and every printable code shows some ink
  // except the spaces.
  const PixelView strip{font.image.pixels16(), font.image.width, font.image.height};
  for (int code = 0x21; code < 256; ++code) {
    if (!Printable(code) || code == 0xA0) continue;
    const Glyph& g = font.glyphs[code];
    int ink = 0;
    for (int y = 0; y < font.glyphHeight; ++y)
      for (int x = 0; x < g.advance; ++x) {
        const Color565 p = strip.pixels[(g.sourceY + y) * strip.width + g.sourceX + x];
        ASSERT_TRUE(p == kColorKey || p == kWhite) << code;
        ink += p == kWhite;
      }
    EXPECT_GT(ink, 0) << "code " << code;
  }
}

TEST_P(FontTest, MeasuresConsistently) {
  const char* text = "Z\xFCrich 47\xB0""22'N, 8\xB0""33'E";
  const int length = static_cast<int>(std::strlen(text));
  EXPECT_EQ(TextWidth(font, "AB"), CharWidth(font, 'A') + CharWidth(font, 'B'));
  EXPECT_EQ(FitForward(font, "AB", TextWidth(font, "AB") - 1, 0), 1);
  EXPECT_EQ(FitForward(font, "AB", TextWidth(font, "AB"), 0), 2);
  EXPECT_EQ(CharWidth(font, 256), CharWidth(font, 0));
  EXPECT_EQ(CharWidth(font, -3), CharWidth(font, 0));
  EXPECT_EQ(CharWidth(font, '\n'), 0);
  EXPECT_EQ(TextWidth(font, "A\x01\x7F" "B"), TextWidth(font, "AB"));

  for (int start = 0; start <= length; ++start) {
    for (int count = 0; count <= length + 2; ++count) {
      const TextRun run = TextWidthN(font, text, start, count);
      const std::string part = std::string(text).substr(start, count);
      ASSERT_EQ(run.width, TextWidth(font, part.c_str())) << start << " " << count;
      ASSERT_EQ(run.end, start + static_cast<int>(part.size()));
    }
    for (int width = 0; width < TextWidth(font, text) + 8; width += 3) {
      // FitForward: the longest run from start that fits.
      const int n = FitForward(font, text, width, start);
      ASSERT_LE(TextWidthN(font, text, start, n).width, width);
      if (start + n < length) {
        ASSERT_GT(TextWidthN(font, text, start, n + 1).width, width);
      }
      // FitBackward: the longest run ending at index `end` that fits.
      const int end = length - 1 - start;
      if (end < 0) continue;
      const int m = FitBackward(font, text, width, end);
      ASSERT_LE(TextWidthN(font, text, end + 1 - m, m).width, width);
      if (m <= end) {
        ASSERT_GT(TextWidthN(font, text, end - m, m + 1).width, width);
      }
    }
  }
  EXPECT_EQ(FitBackward(font, "", 100, -1), 0);
  EXPECT_EQ(FitForward(font, "abc", 100, 7), 0);
}

TEST_P(FontTest, DrawsInsideItsBoxAndClipsToTheFrame) {
  const char* text = "Gq\xC9\xDF|_ 0";
  const int width = TextWidth(font, text), h = font.glyphHeight;
  const Color565 yellow = kYellow;
  FrameBuffer f = MakeFrame(width + 10, h + 6);
  DrawText(f, font, 4, 3, text, yellow);
  int lit = 0;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      if (f.at(x, y) == 0) continue;
      ++lit;
      EXPECT_EQ(f.at(x, y), yellow);
      EXPECT_TRUE(x >= 4 && x < 4 + width && y >= 3 && y < 3 + h) << x << "," << y;
    }
  EXPECT_GT(lit, 0);

  // Partly or wholly outside a small frame: what a large frame shows in the same place.
  constexpr int M = 40;
  for (int y : {-h - 1, -h + 1, -3, 0, 5, 9, 12}) {
    for (int x : {-width - 2, -width + 3, -5, 0, 7, 20}) {
      GuardedFrame small(24, 12);
      FrameBuffer big = MakeFrame(24 + 2 * M + width, 12 + 2 * M);
      DrawText(small.frame, font, x, y, text, kWhite);
      DrawText(big, font, x + M + width, y + M, text, kWhite);
      ASSERT_TRUE(small.GuardsIntact()) << x << "," << y;
      ASSERT_TRUE(SameAsWindow(small.frame, big, M + width, M)) << x << "," << y;
    }
  }

  // Numbers are their printf forms.
  FrameBuffer a = MakeFrame(80, h), b = MakeFrame(80, h);
  DrawNumber(a, font, 1, 0, -42, kYellow);
  DrawText(b, font, 1, 0, "-42", kYellow);
  EXPECT_TRUE(SameAsWindow(a, b, 0, 0));
  DrawReal(a, font, 30, 0, 3.14159);
  DrawText(b, font, 30, 0, "3.142", kWhite);
  EXPECT_TRUE(SameAsWindow(a, b, 0, 0));
}

// A scrolled field shows the window [skip, skip + maxWidth) of the text, placed at x.
TEST_P(FontTest, ClippedTextIsAWindowOfTheText) {
  const char* text = "Wellington, Bras\xEDlia";
  const int width = TextWidth(font, text), h = font.glyphHeight;
  constexpr int X = 30;
  for (int skip = 0; skip <= width + 2; skip += 1) {
    for (int maxWidth : {0, 1, 5, 17, 40, width + 5}) {
      FrameBuffer clipped = MakeFrame(X + width + 40, h);
      FrameBuffer whole = MakeFrame(X + width + 40, h);
      DrawTextClipped(clipped, font, X, 0, text, skip, maxWidth, kWhite);
      DrawText(whole, font, X - skip, 0, text, kWhite);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < clipped.width; ++x) {
          const bool inField = x >= X && x < X + maxWidth;
          ASSERT_EQ(clipped.at(x, y), inField ? whole.at(x, y) : 0)
              << "skip " << skip << " max " << maxWidth << " at " << x << "," << y;
        }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllFonts, FontTest, ::testing::Values(0, 1, 2));

TEST(LoadFont, OutOfRangeIndexMeansTheFixedFont) {
  Font font;
  ASSERT_EQ(LoadFont(font, 7), 1);
  EXPECT_EQ(font.index, 0);
  ASSERT_EQ(LoadFont(font, -1), 1);
  EXPECT_EQ(font.index, 0);
  ASSERT_EQ(LoadFont(font, 1), 1);
  EXPECT_EQ(font.index, 1);
  EXPECT_EQ(font.glyphHeight, 13);
}

// The committed fonts are what the generator makes from the installed DejaVu fonts.
TEST(FontResources, GeneratorReproducesTheCommittedFiles) {
  const std::string tool = std::string(ORRELUX_BINARY_DIR) + "/tools/fontgen/orrelux_fontgen";
  if (!std::ifstream(tool) || !std::ifstream("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")) {
    GTEST_SKIP() << "orrelux_fontgen or the DejaVu fonts are not available";
  }
  const std::string command = tool + " --check " + ORRELUX_SOURCE_DIR + "/res >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

}  // namespace
}  // namespace orx
