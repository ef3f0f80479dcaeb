#include "gfx/draw.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

#include "support/guarded_frame.h"

namespace orx {
namespace {

using test::CountChanged;
using test::GuardedFrame;
using test::MakeFrame;
using test::SameAsWindow;

constexpr Color565 kRed = Rgb565(255, 0, 0);

TEST(DrawLine, SinglePointAndDashPattern) {
  FrameBuffer f = MakeFrame(40, 20);
  DrawLine(f, 10, 10, 10, 10, kWhite, 0, false);
  EXPECT_EQ(CountChanged(f, 0), 1);
  EXPECT_EQ(f.at(10, 10), kWhite);

  // Three on, three off, starting with "on", whichever end is given first.
  for (bool reversed : {false, true}) {
    FrameBuffer g = MakeFrame(40, 20);
    if (reversed) {
      DrawLine(g, 20, 5, 2, 5, kWhite, 3, false);
    } else {
      DrawLine(g, 2, 5, 20, 5, kWhite, 3, false);
    }
    for (int x = 2; x <= 20; ++x) EXPECT_EQ(g.at(x, 5) == kWhite, (x - 2) % 6 < 3) << x;
    EXPECT_EQ(CountChanged(g, 0), 10);
  }

  // A steep line: both endpoints always, the pattern over the 14 pixels between them.
  FrameBuffer s = MakeFrame(40, 20);
  DrawLine(s, 3, 0, 7, 15, kWhite, 2, false);
  EXPECT_EQ(s.at(3, 0), kWhite);
  EXPECT_EQ(s.at(7, 15), kWhite);
  for (int y = 1; y < 15; ++y) {
    int lit = 0;
    for (int x = 0; x < 40; ++x) lit += s.at(x, y) == kWhite;
    EXPECT_EQ(lit, (y - 1) % 4 < 2 ? 1 : 0) << y;
  }
}

// One pixel per step along the major axis, each touching the previous one.
TEST(DrawLine, SolidLinesAreConnectedAndSymmetric) {
  const int lines[][4] = {{0, 0, 10, 3}, {5, 2, 1, 30}, {30, 1, 2, 9}, {4, 4, 24, 24},
                          {20, 3, 0, 23}, {7, 19, 39, 0}, {0, 10, 39, 11}};
  for (const auto& l : lines) {
    FrameBuffer f = MakeFrame(40, 32);
    DrawLine(f, l[0], l[1], l[2], l[3], kWhite, 0, false);
    const int steps = std::max(std::abs(l[2] - l[0]), std::abs(l[3] - l[1]));
    EXPECT_EQ(CountChanged(f, 0), steps + 1);
    EXPECT_EQ(f.at(l[0], l[1]), kWhite);
    EXPECT_EQ(f.at(l[2], l[3]), kWhite);
    // Walk from one end: every lit pixel but the last has exactly one unvisited lit
    // neighbour.
    std::vector<bool> seen(40 * 32, false);
    int x = l[0], y = l[1], visited = 1;
    seen[y * 40 + x] = true;
    for (bool moved = true; moved;) {
      moved = false;
      for (int dy = -1; dy <= 1 && !moved; ++dy)
        for (int dx = -1; dx <= 1 && !moved; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (f.Contains(nx, ny) && f.at(nx, ny) == kWhite && !seen[ny * 40 + nx]) {
            seen[ny * 40 + nx] = true;
            x = nx, y = ny, moved = true, ++visited;
          }
        }
    }
    EXPECT_EQ(visited, steps + 1) << l[0] << "," << l[1] << " " << l[2] << "," << l[3];

    FrameBuffer r = MakeFrame(40, 32);
    DrawLine(r, l[2], l[3], l[0], l[1], kWhite, 0, false);
    EXPECT_TRUE(SameAsWindow(r, f, 0, 0));
  }
}

TEST(DrawLine, AntialiasedFlatLine) {
  FrameBuffer f = MakeFrame(16, 8);
  DrawLine(f, 0, 0, 10, 3, kWhite, 0, true);
  EXPECT_EQ(f.at(0, 0), kWhite);
  EXPECT_EQ(f.at(10, 3), kWhite);
  // Columns 1..9 each get a blended pair, one above the other, whose weights add up to
  // 255 of 256.
  for (int x = 1; x <= 9; ++x) {
    std::vector<int> rows;
    for (int y = 0; y < 8; ++y)
      if (f.at(x, y) != 0) rows.push_back(y);
    ASSERT_LE(rows.size(), 2u) << x;
    ASSERT_GE(rows.size(), 1u) << x;
    const int top = rows[0];
    const int sum = Green6(f.at(x, top)) + Green6(f.at(x, top + 1));
    EXPECT_GE(sum, 61) << x;
    EXPECT_LE(sum, 63) << x;
  }
  // The slope is 3/10 = 19660/65536. Column 1: row 0 with fraction 76/256, so the
  // main pixel keeps 76/255 of the black and its lower neighbour 179/255.
  EXPECT_EQ(Green6(f.at(1, 0)), (63u * 179) >> 8);
  EXPECT_EQ(Green6(f.at(1, 1)), (63u * 76) >> 8);
  // Column 5: 98300, row 1 with fraction 127/256, nearly even.
  EXPECT_EQ(Red5(f.at(5, 1)), 15u);
  EXPECT_EQ(Red5(f.at(5, 2)), 15u);
  // A pixel met exactly (fraction 0) gets 255/256 of the colour, its neighbour none.
  FrameBuffer s = MakeFrame(8, 8);
  DrawLine(s, 0, 0, 2, 4, kWhite, 0, true);
  EXPECT_EQ(s.at(1, 2), 0xF7DE);
  EXPECT_EQ(s.at(2, 2), 0);
  // Nothing in the columns beyond the endpoints.
  for (int y = 0; y < 8; ++y) EXPECT_EQ(f.at(11, y), 0) << y;
}

// Lines partly or wholly outside a small frame draw exactly what a large frame shows in
// the same place, and never touch memory around the frame.
TEST(DrawLine, ClipsToTheFrame) {
  constexpr int W = 23, H = 17, M = 60;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> cx(-M, W + M - 1), cy(-M, H + M - 1), dash(0, 3);
  for (int n = 0; n < 3000; ++n) {
    const int x0 = cx(rng), y0 = cy(rng), x1 = cx(rng), y1 = cy(rng);
    const bool aa = n % 2 == 1;
    // Straight dashed lines restart their pattern at the frame's edge, so only the
    // others are compared with dashes.
    const int d = (x0 != x1 && y0 != y1) ? dash(rng) : 0;
    GuardedFrame small(W, H, 0x0841);
    FrameBuffer big = MakeFrame(W + 2 * M, H + 2 * M, 0x0841);
    DrawLine(small.frame, x0, y0, x1, y1, kRed, d, aa);
    DrawLine(big, x0 + M, y0 + M, x1 + M, y1 + M, kRed, d, aa);
    ASSERT_TRUE(small.GuardsIntact()) << x0 << "," << y0 << " " << x1 << "," << y1;
    ASSERT_TRUE(SameAsWindow(small.frame, big, M, M))
        << x0 << "," << y0 << " " << x1 << "," << y1 << " dash " << d << " aa " << aa;
  }
  // Extreme coordinates neither overflow nor take long.
  const int far[][4] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MIN, 5, INT_MAX, 9},
                        {-1000000, 3, 1000000, 12}, {5, INT_MIN, 6, INT_MAX},
                        {INT_MAX, 0, INT_MIN, 16}, {10, -2000000, 12, 2000000}};
  for (const auto& l : far) {
    for (bool aa : {false, true}) {
      GuardedFrame g(W, H);
      DrawLine(g.frame, l[0], l[1], l[2], l[3], kWhite, 2, aa);
      EXPECT_TRUE(g.GuardsIntact());
    }
  }
}

TEST(FillRect, ClipsAndDarkens) {
  GuardedFrame g(20, 12);
  FillRect(g.frame, -5, -5, 10, 10, kWhite, kFillSolid);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) EXPECT_EQ(g.frame.at(x, y) == kWhite, x < 5 && y < 5);
  FillRect(g.frame, 15, 8, 100, 100, kRed, kFillSolid);
  EXPECT_EQ(g.frame.at(19, 11), kRed);
  EXPECT_EQ(CountChanged(g.frame, 0), 25 + 20);
  FillRect(g.frame, 20, 0, 5, 5, kRed, kFillSolid);   // wholly right of the frame
  FillRect(g.frame, -9, 3, 9, 5, kRed, kFillSolid);   // ends just left of it
  FillRect(g.frame, 3, 3, 0, 5, kRed, kFillSolid);    // empty
  FillRect(g.frame, INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX, kRed, kFillSolid);
  EXPECT_EQ(CountChanged(g.frame, 0), 45);
  EXPECT_TRUE(g.GuardsIntact());

  // Darkening with black: three quarters of each channel; with a colour, three
  // quarters of the sum.
  FrameBuffer f = MakeFrame(4, 1, Rgb565(160, 160, 160));  // channels 20, 40, 20
  FillRect(f, 0, 0, 2, 1, kBlack, kFillDarken);
  EXPECT_EQ(f.at(0, 0), (15u << 11) | (30u << 5) | 15u);
  EXPECT_EQ(f.at(2, 0), Rgb565(160, 160, 160));
  FillRect(f, 2, 0, 1, 1, static_cast<Color565>((4u << 11) | (8u << 5) | 4u), kFillDarken);
  EXPECT_EQ(f.at(2, 0), (18u << 11) | (36u << 5) | 18u);
}

TEST(DrawFrame, EdgesAndCorners) {
  FrameBuffer f = MakeFrame(12, 10);
  DrawFrame(f, 1, 2, 6, 4, kWhite, kRed);
  // The top and left edges take the first colour; the bottom and right edges, drawn
  // last, take the second, corners included.
  EXPECT_EQ(f.at(1, 2), kWhite);
  EXPECT_EQ(f.at(5, 2), kWhite);
  EXPECT_EQ(f.at(6, 2), kRed);
  EXPECT_EQ(f.at(1, 4), kWhite);
  EXPECT_EQ(f.at(1, 5), kRed);
  EXPECT_EQ(f.at(6, 5), kRed);
  EXPECT_EQ(f.at(3, 3), 0);
  EXPECT_EQ(CountChanged(f, 0), 2 * 6 + 2 * 2);

  FrameBuffer o = MakeFrame(12, 10);
  DrawRectOutline(o, 0, 0, 1, 1, kWhite);
  EXPECT_EQ(CountChanged(o, 0), 1);
  DrawRectOutline(o, 5, 5, 0, 3, kWhite);  // empty rectangle: nothing
  EXPECT_EQ(CountChanged(o, 0), 1);
}

TEST(Copies, PlainKeyedTintedAndClipped) {
  // A 5 x 4 source: key colour on the diagonal, distinct values elsewhere.
  std::vector<Color565> src(20);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) src[y * 5 + x] = x == y ? kColorKey : static_cast<Color565>(0x0F0F + y * 16 + x);
  const PixelView view{src.data(), 5, 4};

  FrameBuffer f = MakeFrame(10, 8, 0x5555);
  CopyRect(f, view, 2, 1, 0, 0, -1, -1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(f.at(2 + x, 1 + y), src[y * 5 + x]);
  EXPECT_EQ(CountChanged(f, 0x5555), 20);

  FrameBuffer k = MakeFrame(10, 8, 0x5555);
  CopyRectKeyed(k, view, 0, 0, 1, 1, 3, 2);
  EXPECT_EQ(k.at(0, 0), 0x5555);     // key at source (1, 1)
  EXPECT_EQ(k.at(1, 0), src[1 * 5 + 2]);
  EXPECT_EQ(k.at(1, 1), 0x5555);     // key at (2, 2)
  EXPECT_EQ(CountChanged(k, 0x5555), 4);

  FrameBuffer t = MakeFrame(10, 8, 0x5555);
  CopyGlyph(t, view, 0, 0, 0, 0, 5, 4, 0xF0F0);
  EXPECT_EQ(t.at(0, 0), 0x5555);
  EXPECT_EQ(t.at(1, 0), 0xF0F0 & src[1]);

  // Rectangles reaching outside the target or the source copy only the part inside
  // both, each pixel from the same source position as without clipping.
  for (int tx = -6; tx <= 11; ++tx)
    for (int sx = -2; sx <= 5; sx += 7) {
      GuardedFrame g(10, 8, 0x5555);
      CopyRectKeyed(g.frame, view, tx, -2, sx, 0, 5, 4);
      ASSERT_TRUE(g.GuardsIntact());
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
          const int u = x - tx + sx, v = y + 2;
          const bool inSource = u >= 0 && u < 5 && v >= 0 && v < 4 && u - sx < 5 && u - sx >= 0;
          const Color565 want = inSource && src[v * 5 + u] != kColorKey ? src[v * 5 + u] : 0x5555;
          ASSERT_EQ(g.frame.at(x, y), want) << tx << " " << sx << " at " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace orx
