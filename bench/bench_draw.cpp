// Drawing throughput on the 240 x 320 frame: text, lines (plain, dashed, antialiased),
// darkening fills and the presentation with and without fade. Each has a reference
// beside it measured in the same run: the cost floor of the same memory traffic, or a
// textbook algorithm for the same pixels.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "gfx/draw.h"
#include "gfx/font.h"
#include "gfx/framebuffer.h"
#include "platform/display.h"

namespace orx {
namespace {

FrameBuffer MakeScreen() {
  FrameBuffer f;
  platform::DisplayProperties props;  // 240 x 320, 16 bits
  if (!AllocateFrameBuffer(f, props)) std::abort();
  for (int i = 0; i < f.width * f.height; ++i) f.data()[i] = static_cast<Color565>(i * 2654435761u >> 16);
  return f;
}

struct Segment {
  int x0, y0, x1, y1;
};

// Lines of every direction, partly off screen, as the overlays draw them.
std::vector<Segment> MakeSegments() {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> x(-40, 279), y(-40, 359);
  std::vector<Segment> s(256);
  for (Segment& seg : s) seg = {x(rng), y(rng), x(rng), y(rng)};
  return s;
}

int64_t SegmentPixels(const std::vector<Segment>& segments) {
  int64_t n = 0;
  for (const Segment& s : segments) n += std::max(std::abs(s.x1 - s.x0), std::abs(s.y1 - s.y0)) + 1;
  return n;
}

void BM_DrawLine(benchmark::State& state) {
  FrameBuffer f = MakeScreen();
  const std::vector<Segment> segments = MakeSegments();
  const int dash = static_cast<int>(state.range(0));
  const bool aa = state.range(1) != 0;
  for (auto _ : state) {
    for (const Segment& s : segments) DrawLine(f, s.x0, s.y0, s.x1, s.y1, kYellow, dash, aa);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * SegmentPixels(segments));
}
BENCHMARK(BM_DrawLine)->ArgNames({"dash", "aa"})->Args({0, 0})->Args({3, 0})->Args({0, 1});

// Reference: a textbook Bresenham line with a bounds test per pixel.
void BM_DrawLineReferenceBresenham(benchmark::State& state) {
  FrameBuffer f = MakeScreen();
  const std::vector<Segment> segments = MakeSegments();
  for (auto _ : state) {
    for (const Segment& s : segments) {
      int x = s.x0, y = s.y0;
      const int dx = std::abs(s.x1 - s.x0), sx = s.x0 < s.x1 ? 1 : -1;
      const int dy = -std::abs(s.y1 - s.y0), sy = s.y0 < s.y1 ? 1 : -1;
      int err = dx + dy;
      for (;;) {
        if (f.Contains(x, y)) f.at(x, y) = kYellow;
        if (x == s.x1 && y == s.y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x += sx;
        if (e2 <= dx) err += dx, y += sy;
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * SegmentPixels(segments));
}
BENCHMARK(BM_DrawLineReferenceBresenham);

// The information lines: eight lines of text down the left of the screen.
const char* const kInfoLines[] = {
    "48\xB0""51'N, 2\xB0""21'E", "Paris, France", "Sat 14:32 CEST (UTC+2)",
    "Sunrise 06:12, Sunset 21:47", "Moonrise 23:05, Moonset 10:41",
    "Sun 42.5\xB0 az 241.2\xB0", "Moon -12.0\xB0 az 61.7\xB0", "Population > 1 000 000",
};

void BM_DrawText(benchmark::State& state) {
  FrameBuffer f = MakeScreen();
  Font font;
  if (LoadFont(font, static_cast<int>(state.range(0))) != 1) {
    state.SkipWithError("font not loaded");
    return;
  }
  int64_t pixels = 0;
  for (const char* line : kInfoLines) pixels += int64_t{TextWidth(font, line)} * font.glyphHeight;
  for (auto _ : state) {
    int y = 0;
    for (const char* line : kInfoLines) {
      DrawText(f, font, 2, y, line, kWhite);
      y += font.lineSpacing;
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * pixels);  // glyph-cell pixels
}
BENCHMARK(BM_DrawText)->ArgName("font")->DenseRange(0, 2);

// Reference: opaque copies of the same glyph cells (no key test, no tint).
void BM_DrawTextReferenceOpaqueCopy(benchmark::State& state) {
  FrameBuffer f = MakeScreen();
  Font font;
  if (LoadFont(font, 1) != 1) {
    state.SkipWithError("font not loaded");
    return;
  }
  int64_t pixels = 0;
  for (const char* line : kInfoLines) pixels += int64_t{TextWidth(font, line)} * font.glyphHeight;
  for (auto _ : state) {
    int y = 0;
    for (const char* line : kInfoLines) {
      int x = 2;
      for (const char* p = line; *p; ++p) {
        const Glyph& g = font.glyphs[static_cast<uint8_t>(*p)];
        CopyRect(f, font.image, x, y, g.sourceX, g.sourceY, g.advance, font.glyphHeight);
        x += g.advance;
      }
      y += font.lineSpacing;
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * pixels);
}
BENCHMARK(BM_DrawTextReferenceOpaqueCopy);

// The semi-transparent band behind the information lines (240 x 112).
void BM_FillRect(benchmark::State& state) {
  FrameBuffer f = MakeScreen();
  const int mode = static_cast<int>(state.range(0));
  for (auto _ : state) {
    FillRect(f, 0, 0, 240, 112, kBlack, mode);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 240 * 112);
}
BENCHMARK(BM_FillRect)->ArgName("mode")->DenseRange(0, 1);

void BM_PresentFrame(benchmark::State& state) {
  const FrameBuffer f = MakeScreen();
  platform::HeadlessDisplay display;
  const int fade = static_cast<int>(state.range(0));
  for (auto _ : state) {
    if (PresentFrame(display, f, fade) != 1) std::abort();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * f.width * f.height);
}
BENCHMARK(BM_PresentFrame)->ArgName("fade")->Arg(-1)->Arg(128);

// Reference: one memcpy of the frame, the floor for an upright 16-bit surface.
void BM_PresentFrameReferenceMemcpy(benchmark::State& state) {
  const FrameBuffer f = MakeScreen();
  std::vector<Color565> surface(static_cast<size_t>(f.width) * f.height);
  for (auto _ : state) {
    std::memcpy(surface.data(), f.data(), surface.size() * sizeof(Color565));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * f.width * f.height);
}
BENCHMARK(BM_PresentFrameReferenceMemcpy);

}  // namespace
}  // namespace orx

BENCHMARK_MAIN();
