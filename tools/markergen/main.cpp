// markergen: draws the marker strip (47 x 34, resource GIF 128), the Moon disc
// (19 x 19, resource GIF 136) and the compass rose of the GPS display (61 x 61,
// data/compass.gif) pixel by pixel, with hard edges on the magenta key so that they stay
// clean at 1x over any background.
//
//   markergen [--out DIR] [--data DIR]   (defaults: res, data)
//
// Strip layout (source position, size):
//   Sun                      (0, 0)    27 x 27
//   tooltip pointer          (27, 0)   5 x 9, hangs below a tooltip box
//   GPS marker frame k=0..3  (38, 8k)  9 x 9, frames share their first/last (empty) row
//   followed GPS position    (27, 9)   11 x 11, corner brackets around the marker
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

// Around the GPS marker while a place follows the fix: four yellow corner brackets.
void DrawGpsFollower(Canvas& c) {
  const Rgb yellow{255, 230, 0};
  for (int i = 0; i < 3; ++i) {
    for (int corner = 0; corner < 4; ++corner) {
      const int x = corner & 1 ? 37 : 27, y = corner & 2 ? 19 : 9;
      const int step = corner & 1 ? -1 : 1, down = corner & 2 ? -1 : 1;
      c.Set(x + step * i, y, yellow);
      c.Set(x, y + down * i, yellow);
    }
  }
}

// 3 x 5 capitals for the compass rose.
void DrawLetter(Canvas& c, char letter, int left, int top, Rgb colour) {
  static const char* const kGlyphs[] = {"X.X", "XXX", "XXX", "X.X", "X.X",   // N
                                        "XXX", "X..", "XX.", "X..", "XXX",   // E
                                        ".XX", "X..", ".X.", "..X", "XX.",   // S
                                        "X.X", "X.X", "XXX", "XXX", "X.X"};  // W
  const char* const order = "NESW";
  const char* found = std::strchr(order, letter);
  if (found == nullptr || letter == '\0') return;
  const int index = static_cast<int>(found - order);
  for (int r = 0; r < 5; ++r) {
    for (int i = 0; i < 3; ++i) {
      if (kGlyphs[index * 5 + r][i] == 'X') c.Set(left + i, top + r, colour);
    }
  }
}

// The compass rose: a dark dial with a light rim, ticks every 22.5 degrees, a four-point
// star, the letters of the cardinal points and a red hub in the centre pixel, whose
// colour the program takes for the needle.
Canvas MakeCompass() {
  constexpr int kSize = 61;
  constexpr double kCentre = 30.5;
  Canvas c(kSize, kSize);
  const Rgb rim{200, 205, 215}, rimShade{120, 128, 145}, face{24, 34, 56}, faceEdge{34, 48, 76};
  c.Disc(kCentre, kCentre, 30.2, [&](int x, int y, double d) {
    if (d > 28.2) return (x + y < kSize) ? rim : rimShade;
    return d > 24 ? faceEdge : face;
  });
  c.Outline(0, 0, kSize, kSize, Rgb{10, 10, 16});
  // Ticks from the rim inwards: cardinal, intercardinal, and the eight between.
  for (int k = 0; k < 16; ++k) {
    const double angle = k * M_PI / 8;
    const double inner = k % 4 == 0 ? 24.5 : k % 2 == 0 ? 25 : 26;
    const Rgb colour = k % 2 == 0 ? Rgb{235, 235, 240} : Rgb{150, 160, 180};
    for (double r = inner; r <= 28; r += 0.25) {
      c.Set(static_cast<int>(std::floor(kCentre + r * std::sin(angle))),
            static_cast<int>(std::floor(kCentre - r * std::cos(angle))), colour);
    }
  }
  // The star: a narrow diamond along each cardinal direction, lit on one side.
  const Rgb lit{120, 150, 200}, shade{70, 92, 135};
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double dx = x + 0.5 - kCentre, dy = y + 0.5 - kCentre;
      for (int k = 0; k < 4; ++k) {
        const double ax = std::sin(k * M_PI / 2), ay = -std::cos(k * M_PI / 2);
        const double along = dx * ax + dy * ay, across = dx * ay - dy * ax;
        if (along >= 0 && along <= 17 && std::fabs(across) <= (1 - along / 17) * 4.2) {
          c.Set(x, y, across >= 0 ? lit : shade);
        }
      }
    }
  }
  const Rgb white{240, 240, 245}, north{255, 90, 80};
  DrawLetter(c, 'N', 29, 6, north);
  DrawLetter(c, 'S', 29, 50, white);
  DrawLetter(c, 'E', 50, 28, white);
  DrawLetter(c, 'W', 8, 28, white);
  const Rgb hub{255, 60, 50};
  c.Disc(kCentre, kCentre, 1.6, [&](int, int, double) { return hub; });
  return c;
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
  std::string data = "data";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
      data = argv[++i];
    } else {
      std::fprintf(stderr, "usage: markergen [--out DIR] [--data DIR]\n");
      return 2;
    }
  }
  Canvas strip(47, 34);
  DrawSun(strip);
  DrawTooltipPointer(strip);
  DrawGpsFrames(strip);
  DrawGpsFollower(strip);
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
  const std::string compassPath = data + "/compass.gif";
  if (!WriteGif(compassPath, MakeCompass().ToGif())) {
    std::fprintf(stderr, "markergen: cannot write %s\n", compassPath.c_str());
    return 1;
  }
  std::printf("markergen: wrote %s, %s and %s\n", stripPath.c_str(), moonPath.c_str(), compassPath.c_str());
  return 0;
}
