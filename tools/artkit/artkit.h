// Picture helpers shared by the artwork generators: JPEG reading, resampling of
// equirectangular maps and palette quantization. Everything here is integer arithmetic,
// so a generator writes the same bytes on every run and machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gif_encoder.h"

namespace orx::tools {

// An 8-bit RGB picture, row-major, three bytes per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Reads a JPEG file as RGB (greyscale files are widened); false with `error` set on failure.
bool ReadJpeg(const std::string& path, RgbImage& image, std::string& error);

// One output sample: a source index and its weight in 1/65536.
struct Tap {
  int index = 0;
  uint32_t weight = 0;
};

// Taps of every output pixel along one axis of `from` source pixels resampled to `to`:
// area averaging when shrinking, bilinear (pixel centres aligned) when enlarging, a copy
// when equal. `wrap` joins the ends (longitude) instead of repeating the edge pixel.
// The weights of each output pixel add up to exactly 65536.
std::vector<std::vector<Tap>> AxisTaps(int from, int to, bool wrap);

// Produces the rows of `source` scaled to width x height one at a time, so a large output
// never needs more than one row of working memory. Columns wrap around.
class MapResampler {
 public:
  MapResampler(const RgbImage& source, int width, int height);
  // Writes output row `y` (0..height-1) as width x 3 bytes into `out`.
  void Row(int y, uint8_t* out);

 private:
  const RgbImage& source_;
  int width_;
  std::vector<std::vector<Tap>> columns_;
  std::vector<std::vector<Tap>> rows_;
  std::vector<uint32_t> accumulator_;  // one source-width row, channel x 65536
};

// Colour statistics of a picture: pixels are pooled in cells of 4 x 4 x 4 RGB values,
// each keeping its count and exact colour sums.
class ColourHistogram {
 public:
  ColourHistogram();
  void Add(const uint8_t* rgb, size_t pixelCount, size_t weight = 1);
  struct Point {
    int r, g, b;      // mean colour of the cell, rounded
    uint64_t count;
  };
  // The occupied cells, in cell order.
  std::vector<Point> Points() const;

 private:
  struct Cell {
    uint64_t count = 0;
    uint64_t r = 0, g = 0, b = 0;
  };
  std::vector<Cell> cells_;
};

// A palette of at most `colours` entries for the histogram: a variance-driven median cut
// seeds a weighted k-means (Lloyd) refinement. Entries are sorted by brightness.
std::vector<Rgb> BuildPalette(const ColourHistogram& histogram, int colours);

// Weighted squared distance between two colours (red 3, green 4, blue 2), the metric of
// both palette building and mapping.
int ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2);

// Maps colours to the index of the nearest palette entry, remembering every answer.
class PaletteMapper {
 public:
  explicit PaletteMapper(std::vector<Rgb> palette);
  uint8_t Index(uint8_t r, uint8_t g, uint8_t b);
  const std::vector<Rgb>& Palette() const { return palette_; }

 private:
  std::vector<Rgb> palette_;
  std::vector<int16_t> cache_;  // by 24-bit colour; -1 until asked
};

}  // namespace orx::tools
