// markergen: draws the marker strip (47 x 34, resource GIF 128) and the Moon disc
// (19 x 19, resource GIF 136) pixel by pixel, with hard edges on the magenta key so that
// they stay clean at 1x over any background.
//
//   markergen [--out DIR]        (default DIR: res)
//
// Strip layout (source position, size):
//   Sun                      (0, 0)    27 x 27
//   tooltip pointer          (27, 0)   5 x 9, hangs below a tooltip box
//   GPS marker frame k=0..3  (38, 8k)  9 x 9, frames share their first/last (empty) row
//   capital (flag 0x40)      (7, 27)   7 x 7
//   route place (flag 0x10)  (23, 27)  7 x 7
//   history point (0x20)     (30, 20)  5 x 5
//   city of millions         (0, 27)   7 x 7
//   city of 20,000 and more  (14, 27)  5 x 5
//   smaller place            (19, 27)  4 x 4
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "gif_encoder.h"

namespace orx::tools {
namespace {

constexpr Rgb kKey{255, 0, 255};

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), pixels_(static_cast<size_t>(w) * h, kKey) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) pixels_[static_cast<size_t>(y) * w_ + x] = c;
  }
  Rgb Get(int x, int y) const { return pixels_[static_cast<size_t>(y) * w_ + x]; }
  // Pixels whose centre lies within `r` of (cx, cy) (pixel centres at +0.5).
  template <typename F>
  void Disc(double cx, double cy, double r, F colourAt) {
    for (int y = 0; y < h_; ++y) {
      for (int x = 0; x < w_; ++x) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        if (d <= r) Set(x, y, colourAt(x, y, d));
      }
    }
  }
  // A pixel outline around every non-key pixel inside the box (x, y, w, h).
  void Outline(int x0, int y0, int w, int h, Rgb c) {
    std::vector<Rgb> before = pixels_;
    auto keyAt = [&](int x, int y) {
      if (x < x0 || y < y0 || x >= x0 + w || y >= y0 + h) return true;
      return before[static_cast<size_t>(y) * w_ + x] == kKey;
    };
    for (int y = y0; y < y0 + h; ++y) {
      for (int x = x0; x < x0 + w; ++x) {
        if (!keyAt(x, y)) continue;
        if (!keyAt(x - 1, y) || !keyAt(x + 1, y) || !keyAt(x, y - 1) || !keyAt(x, y + 1)) Set(x, y, c);
      }
    }
  }
  GifPicture ToGif() const {
    GifPicture pic;
    if (!PictureFromRgb(w_, h_, pixels_, &kKey, pic)) TooManyColours();
    return pic;
  }
  int width() const { return w_; }
  int height() const { return h_; }

 private:
  int w_, h_;
  std::vector<Rgb> pixels_;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  Rgb c;
  for (int i = 0; i < 3; ++i) c[i] = static_cast<uint8_t>(std::lround(a[i] + (b[i] - a[i]) * t));
  return c;
}

// The Sun: a glowing disc with twelve rays, outlined in dark orange.
void DrawSun(Canvas& c) {
  const double cx = 13.5, cy = 13.5;
  const Rgb ray{255, 200, 40}, rim{255, 150, 20}, core{255, 255, 210}, outline{150, 60, 0};
  for (int k = 0; k < 12; ++k) {
    const double angle = k * M_PI / 6 + M_PI / 12;
    const double length = k % 2 ? 12.6 : 11.2;
    for (double r = 8.5; r <= length; r += 0.25) {
      c.Set(static_cast<int>(std::floor(cx + r * std::cos(angle))), static_cast<int>(std::floor(cy + r * std::sin(angle))), ray);
    }
  }
  c.Disc(cx, cy, 7.3, [&](int, int, double d) {
    // Four rings from the white-yellow core to the orange rim.
    const double t = std::min(1.0, d / 7.3);
    return Mix(core, rim, std::round(t * t * 3) / 3);
  });
  c.Outline(0, 0, 27, 27, outline);
}

// The tooltip pointer: continues the box's black inside and yellow edge down to a tip.
void DrawTooltipPointer(Canvas& c) {
  const Rgb y{255, 255, 0}, k{0, 0, 0};
  const char* rows[9] = {"YKKKY", "YKKKY", ".YKY.", ".YKY.", ".YKY.", "..Y..", "..Y..", "..Y..", "..Y.."};
  for (int r = 0; r < 9; ++r) {
    for (int i = 0; i < 5; ++i) {
      if (rows[r][i] == 'Y') c.Set(27 + i, r, y);
      if (rows[r][i] == 'K') c.Set(27 + i, r, k);
    }
  }
}

// The GPS position marker's four frames: a red dot and a ring that widens and fades,
// so the position pulses. Rows 0 and 8 of each frame stay empty (frames overlap there).
void DrawGpsFrames(Canvas& c) {
  const char* frames[4][7] = {
      {".........", "...KKK...", "..KRRRK..", "..KRRRK..", "..KRRRK..", "...KKK...", "........."},
      {".........", "...WWW...", "..WKRKW..", "..WRRRW..", "..WKRKW..", "...WWW...", "........."},
      {"...WWW...", "..W...W..", ".W.KRK.W.", ".W.RRR.W.", ".W.KRK.W.", "..W...W..", "...WWW..."},
      {"..GGGGG..", ".G.....G.", "G..KRK..G", "G..RRR..G", "G..KRK..G", ".G.....G.", "..GGGGG.."},
  };
  for (int k = 0; k < 4; ++k) {
    for (int r = 0; r < 7; ++r) {
      for (int i = 0; i < 9; ++i) {
        Rgb colour;
        switch (frames[k][r][i]) {
          case 'R': colour = {255, 30, 30}; break;
          case 'K': colour = {0, 0, 0}; break;
          case 'W': colour = {255, 255, 255}; break;
          case 'G': colour = {170, 170, 170}; break;
          default: continue;
        }
        c.Set(38 + i, 8 * k + 1 + r, colour);
      }
    }
  }
}

void DrawPlaceMarkers(Canvas& c) {
  const Rgb black{0, 0, 0}, white{255, 255, 255};
  // City of millions (0, 27): a red disc with a white highlight, black edge.
  c.Disc(3.5, 30.5, 2.6, [](int, int, double) { return Rgb{230, 30, 30}; });
  c.Set(2, 29, white);
  c.Outline(0, 27, 7, 7, black);
  // Capital (7, 27): a white ring round a red centre, black edge.
  c.Disc(10.5, 30.5, 2.6, [](int, int, double d) { return d <= 1.2 ? Rgb{230, 30, 30} : Rgb{255, 255, 255}; });
  c.Outline(7, 27, 7, 7, black);
  // 20,000 and more (14, 27): an orange dot, black edge.
  c.Disc(16.5, 29.5, 1.6, [](int, int, double) { return Rgb{255, 150, 0}; });
  c.Outline(14, 27, 5, 5, black);
  // Smaller place (19, 27): a yellow 2 x 2 dot, black edge.
  for (int y = 28; y <= 29; ++y)
    for (int x = 20; x <= 21; ++x) c.Set(x, y, Rgb{255, 230, 0});
  c.Outline(19, 27, 4, 4, black);
  // Route place (23, 27): a cyan diamond, black edge.
  for (int y = 28; y <= 32; ++y) {
    const int half = 2 - std::abs(y - 30);
    for (int x = 26 - half; x <= 26 + half; ++x) c.Set(x, y, Rgb{0, 220, 255});
  }
  c.Outline(23, 27, 7, 7, black);
  // History point (30, 20): a small white dot, black edge.
  c.Disc(32.5, 22.5, 1.2, [](int, int, double) { return Rgb{255, 255, 255}; });
  c.Outline(30, 20, 5, 5, black);
}

// The Moon: the disc of the given row widths in light grey, with darker seas.
Canvas MakeMoon() {
  constexpr int kSize = 19;
  const int widths[kSize] = {7, 11, 13, 15, 17, 17, 19, 19, 19, 19, 19, 19, 19, 17, 17, 15, 13, 11, 7};
  Canvas c(kSize, kSize);
  struct Sea {
    double x, y, r;
  } seas[] = {{6.5, 6.0, 2.6}, {11.0, 5.0, 2.0}, {12.5, 9.5, 2.4}, {7.0, 11.0, 1.8}, {10.0, 14.0, 1.4}};
  for (int y = 0; y < kSize; ++y) {
    const int first = (kSize - widths[y]) / 2;
    for (int x = first; x < first + widths[y]; ++x) {
      Rgb colour{215, 215, 205};
      for (const Sea& s : seas) {
        if (std::hypot(x + 0.5 - s.x, y + 0.5 - s.y) <= s.r) colour = Rgb{150, 150, 145};
      }
      // A lighter crater with its ray near the bottom.
      if (std::hypot(x + 0.5 - 8.0, y + 0.5 - 16.0) <= 1.0) colour = Rgb{245, 245, 240};
      c.Set(x, y, colour);
    }
  }
  return c;
}

}  // namespace
}  // namespace orx::tools

int main(int argc, char** argv) {
  using namespace orx::tools;
  std::string out = "res";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else {
      std::fprintf(stderr, "usage: markergen [--out DIR]\n");
      return 2;
    }
  }
  Canvas strip(47, 34);
  DrawSun(strip);
  DrawTooltipPointer(strip);
  DrawGpsFrames(strip);
  DrawPlaceMarkers(strip);
  const std::string stripPath = out + "/gif_128_markers.gif";
  const std::string moonPath = out + "/gif_136_moon.gif";
  if (!WriteGif(stripPath, strip.ToGif())) {
    std::fprintf(stderr, "markergen: cannot write %s\n", stripPath.c_str());
    return 1;
  }
  if (!WriteGif(moonPath, MakeMoon().ToGif())) {
    std::fprintf(stderr, "markergen: cannot write %s\n", moonPath.c_str());
    return 1;
  }
  std::printf("markergen: wrote %s and %s\n", stripPath.c_str(), moonPath.c_str());
  return 0;
}
