#include "artkit.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <limits>
#include <numeric>

#include <jpeglib.h>

namespace orx::tools {
namespace {

// ---------------------------------------------------------------------------------------
// JPEG reading

struct JpegErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// Corrupt-data warnings (a truncated file, a bad marker) are counted, not printed; the
// picture they leave behind is incomplete, so the read fails.
void JpegWarning(j_common_ptr info, int level) {
  if (level < 0) {
    auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
    if (trap->manager.num_warnings++ == 0) info->err->format_message(info, trap->message);
  }
}

void JpegErrorExit(j_common_ptr info) {
  auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
  info->err->format_message(info, trap->message);
  std::longjmp(trap->jump, 1);
}

// Kept apart from ReadJpeg so that no object with a destructor lives in the frame that
// longjmp unwinds. Rows go straight into `pixels`, which the caller owns.
bool DecodeJpeg(FILE* file, RgbImage& image, JpegErrorTrap& trap) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = JpegErrorExit;
  trap.manager.emit_message = JpegWarning;
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  // Refuse sizes whose pixel buffer would not be addressable or sensible (over 1 Gpixel).
  const uint64_t pixels = uint64_t{info.output_width} * info.output_height;
  if (info.output_components != 3 || pixels == 0 || pixels > (uint64_t{1} << 30)) {
    std::snprintf(trap.message, sizeof trap.message, "unsupported picture size or format");
    jpeg_destroy_decompress(&info);
    return false;
  }
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.pixels.resize(static_cast<size_t>(pixels) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.pixels.data() + size_t{info.output_scanline} * image.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return trap.manager.num_warnings == 0;
}

// ---------------------------------------------------------------------------------------
// Palette building

constexpr int kCellBits = 6;  // cells of 4 x 4 x 4 colour values
constexpr int kWeights[3] = {3, 4, 2};

struct WeightedPoint {
  int c[3];
  uint64_t n;
};

// Sums over a run of points, for means and squared errors.
struct Moments {
  uint64_t n = 0;
  int64_t sum[3] = {0, 0, 0};
  __int128 squares[3] = {0, 0, 0};

  void Add(const WeightedPoint& p) {
    n += p.n;
    for (int k = 0; k < 3; ++k) {
      sum[k] += static_cast<int64_t>(p.n) * p.c[k];
      squares[k] += static_cast<__int128>(p.n) * p.c[k] * p.c[k];
    }
  }
  // Squared error along one channel, times n (exact).
  __int128 ScaledError(int k) const { return squares[k] * n - static_cast<__int128>(sum[k]) * sum[k]; }
  // Weighted squared error over all channels (rounded down).
  __int128 Error() const {
    if (n == 0) return 0;
    __int128 e = 0;
    for (int k = 0; k < 3; ++k) e += kWeights[k] * ScaledError(k);
    return e / n;
  }
  int Mean(int k) const { return static_cast<int>((sum[k] + static_cast<int64_t>(n / 2)) / static_cast<int64_t>(n)); }
};

struct Box {
  size_t begin, end;
  __int128 error;
};

Moments MomentsOf(const std::vector<WeightedPoint>& points, size_t begin, size_t end) {
  Moments m;
  for (size_t i = begin; i < end; ++i) m.Add(points[i]);
  return m;
}

// Splits box [begin, end) along its widest weighted channel at the point that leaves the
// least total squared error; returns the split position (begin < split < end).
size_t SplitBox(std::vector<WeightedPoint>& points, const Box& box) {
  const Moments all = MomentsOf(points, box.begin, box.end);
  int axis = 0;
  for (int k = 1; k < 3; ++k) {
    if (kWeights[k] * all.ScaledError(k) > kWeights[axis] * all.ScaledError(axis)) axis = k;
  }
  std::sort(points.begin() + static_cast<long>(box.begin), points.begin() + static_cast<long>(box.end),
            [axis](const WeightedPoint& a, const WeightedPoint& b) {
              if (a.c[axis] != b.c[axis]) return a.c[axis] < b.c[axis];
              if (a.c[0] != b.c[0]) return a.c[0] < b.c[0];
              if (a.c[1] != b.c[1]) return a.c[1] < b.c[1];
              return a.c[2] < b.c[2];
            });
  // Prefix moments from the left; the right part's follow by subtraction.
  Moments left;
  size_t best = box.begin + 1;
  __int128 bestError = -1;
  for (size_t i = box.begin; i + 1 < box.end; ++i) {
    left.Add(points[i]);
    Moments right;
    right.n = all.n - left.n;
    for (int k = 0; k < 3; ++k) {
      right.sum[k] = all.sum[k] - left.sum[k];
      right.squares[k] = all.squares[k] - left.squares[k];
    }
    // Only splits between different values of the axis keep equal colours together.
    if (points[i].c[axis] == points[i + 1].c[axis]) continue;
    const __int128 e = left.Error() + right.Error();
    if (bestError < 0 || e < bestError) {
      bestError = e;
      best = i + 1;
    }
  }
  return best;
}

}  // namespace

// -----------------------------------------------------------------------------------------

bool ReadJpeg(const std::string& path, RgbImage& image, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  JpegErrorTrap trap{};
  const bool ok = DecodeJpeg(file, image, trap);
  std::fclose(file);
  if (!ok) {
    error = path + ": " + trap.message;
    image = RgbImage{};
  }
  return ok;
}

std::vector<std::vector<Tap>> AxisTaps(int from, int to, bool wrap) {
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(std::max(to, 0)));
  if (from <= 0 || to <= 0) return taps;
  for (int i = 0; i < to; ++i) {
    std::vector<Tap>& t = taps[static_cast<size_t>(i)];
    if (from == to) {
      t.push_back({i, 65536});
    } else if (to < from) {
      // Output pixel i covers [i * from, (i + 1) * from) in units of 1/to source pixel.
      const int64_t lo = int64_t{i} * from;
      const int64_t hi = lo + from;
      uint32_t given = 0;
      size_t largest = 0;
      for (int64_t j = lo / to; j * to < hi; ++j) {
        const int64_t overlap = std::min(hi, (j + 1) * to) - std::max(lo, j * to);
        const auto w = static_cast<uint32_t>(overlap * 65536 / from);
        t.push_back({static_cast<int>(j), w});
        given += w;
        if (w > t[largest].weight) largest = t.size() - 1;
      }
      t[largest].weight += 65536 - given;
    } else {
      // Centre of output pixel i relative to the source pixel centres, in 1/(2 to) pixels.
      const int64_t num = int64_t{2 * i + 1} * from - to;
      const int64_t den = int64_t{2} * to;
      int64_t j0 = num / den;
      if (num < 0 && j0 * den != num) --j0;
      const int64_t rem = num - j0 * den;
      const auto w1 = static_cast<uint32_t>((rem * 65536 + den / 2) / den);
      auto place = [&](int64_t j) {
        if (wrap) return static_cast<int>(((j % from) + from) % from);
        return static_cast<int>(std::clamp<int64_t>(j, 0, from - 1));
      };
      const int a = place(j0);
      const int b = place(j0 + 1);
      if (w1 == 0 || a == b) {
        t.push_back({w1 == 65536 ? b : a, 65536});
      } else if (w1 == 65536) {
        t.push_back({b, 65536});
      } else {
        t.push_back({a, 65536 - w1});
        t.push_back({b, w1});
      }
    }
  }
  return taps;
}

MapResampler::MapResampler(const RgbImage& source, int width, int height)
    : source_(source),
      width_(width),
      columns_(AxisTaps(source.width, width, true)),
      rows_(AxisTaps(source.height, height, false)),
      accumulator_(static_cast<size_t>(source.width) * 3) {}

void MapResampler::Row(int y, uint8_t* out) {
  std::fill(accumulator_.begin(), accumulator_.end(), 0u);
  const size_t stride = static_cast<size_t>(source_.width) * 3;
  for (const Tap& t : rows_[static_cast<size_t>(y)]) {
    const uint8_t* src = source_.pixels.data() + static_cast<size_t>(t.index) * stride;
    for (size_t i = 0; i < stride; ++i) accumulator_[i] += t.weight * src[i];  // <= 255 x 65536
  }
  for (int x = 0; x < width_; ++x) {
    uint64_t sum[3] = {0, 0, 0};
    for (const Tap& t : columns_[static_cast<size_t>(x)]) {
      const uint32_t* a = accumulator_.data() + static_cast<size_t>(t.index) * 3;
      for (int k = 0; k < 3; ++k) sum[k] += uint64_t{t.weight} * a[k];
    }
    for (int k = 0; k < 3; ++k) out[x * 3 + k] = static_cast<uint8_t>((sum[k] + (uint64_t{1} << 31)) >> 32);
  }
}

ColourHistogram::ColourHistogram() : cells_(size_t{1} << (3 * kCellBits)) {}

void ColourHistogram::Add(const uint8_t* rgb, size_t pixelCount, size_t weight) {
  constexpr int shift = 8 - kCellBits;
  for (size_t i = 0; i < pixelCount; ++i, rgb += 3) {
    const size_t key = (size_t{rgb[0]} >> shift) << (2 * kCellBits) | (size_t{rgb[1]} >> shift) << kCellBits |
                       (size_t{rgb[2]} >> shift);
    Cell& c = cells_[key];
    c.count += weight;
    c.r += uint64_t{rgb[0]} * weight;
    c.g += uint64_t{rgb[1]} * weight;
    c.b += uint64_t{rgb[2]} * weight;
  }
}

std::vector<ColourHistogram::Point> ColourHistogram::Points() const {
  std::vector<Point> points;
  for (const Cell& c : cells_) {
    if (c.count == 0) continue;
    const uint64_t half = c.count / 2;
    points.push_back({static_cast<int>((c.r + half) / c.count), static_cast<int>((c.g + half) / c.count),
                      static_cast<int>((c.b + half) / c.count), c.count});
  }
  return points;
}

int ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
  const int dr = r1 - r2, dg = g1 - g2, db = b1 - b2;
  return kWeights[0] * dr * dr + kWeights[1] * dg * dg + kWeights[2] * db * db;
}

std::vector<Rgb> BuildPalette(const ColourHistogram& histogram, int colours) {
  std::vector<WeightedPoint> points;
  for (const auto& p : histogram.Points()) points.push_back({{p.r, p.g, p.b}, p.count});
  std::vector<Rgb> palette;
  if (points.empty() || colours <= 0) return palette;

  // Median cut: keep splitting the box with the largest squared error.
  std::vector<Box> boxes{{0, points.size(), MomentsOf(points, 0, points.size()).Error()}};
  while (static_cast<int>(boxes.size()) < colours) {
    size_t pick = boxes.size();
    for (size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].end - boxes[i].begin < 2 || boxes[i].error <= 0) continue;
      if (pick == boxes.size() || boxes[i].error > boxes[pick].error) pick = i;
    }
    if (pick == boxes.size()) break;
    const Box box = boxes[pick];
    const size_t split = SplitBox(points, box);
    boxes[pick] = {box.begin, split, MomentsOf(points, box.begin, split).Error()};
    boxes.push_back({split, box.end, MomentsOf(points, split, box.end).Error()});
  }
  std::vector<std::array<int, 3>> centres;
  for (const Box& b : boxes) {
    const Moments m = MomentsOf(points, b.begin, b.end);
    centres.push_back({m.Mean(0), m.Mean(1), m.Mean(2)});
  }

  // Lloyd refinement, weighted by pixel counts, until no point changes its cluster.
  const size_t k = centres.size();
  std::vector<uint32_t> owner(points.size(), std::numeric_limits<uint32_t>::max());
  for (int iteration = 0; iteration < 40; ++iteration) {
    bool changed = false;
    std::vector<int> bestDistance(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
      const WeightedPoint& p = points[i];
      int best = std::numeric_limits<int>::max();
      uint32_t bestIndex = 0;
      for (size_t j = 0; j < k; ++j) {
        const int d = ColourDistance(p.c[0], p.c[1], p.c[2], centres[j][0], centres[j][1], centres[j][2]);
        if (d < best) {
          best = d;
          bestIndex = static_cast<uint32_t>(j);
        }
      }
      bestDistance[i] = best;
      if (owner[i] != bestIndex) {
        owner[i] = bestIndex;
        changed = true;
      }
    }
    if (!changed) break;
    std::vector<Moments> sums(k);
    for (size_t i = 0; i < points.size(); ++i) sums[owner[i]].Add(points[i]);
    for (size_t j = 0; j < k; ++j) {
      if (sums[j].n > 0) {
        centres[j] = {sums[j].Mean(0), sums[j].Mean(1), sums[j].Mean(2)};
        continue;
      }
      // An emptied cluster moves to the point that is served worst.
      size_t worst = 0;
      uint64_t worstCost = 0;
      for (size_t i = 0; i < points.size(); ++i) {
        const uint64_t cost = points[i].n * static_cast<uint64_t>(bestDistance[i]);
        if (cost > worstCost) {
          worstCost = cost;
          worst = i;
        }
      }
      centres[j] = {points[worst].c[0], points[worst].c[1], points[worst].c[2]};
      bestDistance[worst] = 0;
    }
  }

  for (const auto& c : centres) {
    palette.push_back({static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]), static_cast<uint8_t>(c[2])});
  }
  std::sort(palette.begin(), palette.end(), [](const Rgb& a, const Rgb& b) {
    const int la = 3 * a[0] + 4 * a[1] + 2 * a[2];
    const int lb = 3 * b[0] + 4 * b[1] + 2 * b[2];
    return la != lb ? la < lb : a < b;
  });
  palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  return palette;
}

PaletteMapper::PaletteMapper(std::vector<Rgb> palette)
    : palette_(std::move(palette)), cache_(size_t{1} << 24, int16_t{-1}) {}

uint8_t PaletteMapper::Index(uint8_t r, uint8_t g, uint8_t b) {
  int16_t& slot = cache_[size_t{r} << 16 | size_t{g} << 8 | b];
  if (slot < 0) {
    int best = std::numeric_limits<int>::max();
    for (size_t i = 0; i < palette_.size(); ++i) {
      const int d = ColourDistance(r, g, b, palette_[i][0], palette_[i][1], palette_[i][2]);
      if (d < best) {
        best = d;
        slot = static_cast<int16_t>(i);
      }
    }
  }
  return static_cast<uint8_t>(std::max<int16_t>(slot, 0));
}

}  // namespace orx::tools
