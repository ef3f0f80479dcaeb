// weathericongen: draws the weather icons that orrelux-weatherd names in its answers
// (15 x 15 GIFs keyed with magenta) pixel by pixel. Every shape gets a dark one-pixel
// edge so that light clouds read over the day side and bright suns over the night side.
//
//   weathericongen [--out DIR]        (default DIR: data/weather)
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gif_encoder.h"

namespace orx::tools {
namespace {

constexpr int kSide = 15;
// The key and the edge; the sky bodies; the clouds; what falls from them.
constexpr Rgb kKey{255, 0, 255}, kEdge{20, 24, 40};
constexpr Rgb kSun{255, 210, 40}, kSunCore{255, 245, 170}, kMoon{235, 235, 210};
constexpr Rgb kCloud{245, 245, 250}, kGreyCloud{170, 175, 185}, kDarkCloud{110, 115, 130}, kFog{200, 200, 205};
constexpr Rgb kRain{60, 150, 255}, kSnow{255, 255, 255}, kBolt{255, 230, 0};

class Icon {
 public:
  Icon() : pixels_(kSide * kSide, kKey) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < kSide && y < kSide) pixels_[y * kSide + x] = c;
  }
  bool IsKey(int x, int y) const {
    return x < 0 || y < 0 || x >= kSide || y >= kSide || pixels_[y * kSide + x] == kKey;
  }
  // Every pixel whose centre passes `inside` gets colour `c`.
  void Fill(Rgb c, const std::function<bool(double x, double y)>& inside) {
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        if (inside(x + 0.5, y + 0.5)) Set(x, y, c);
  }
  void Disc(double cx, double cy, double r, Rgb c) {
    Fill(c, [=](double x, double y) { return std::hypot(x - cx, y - cy) <= r; });
  }
  // A line of single pixels from (x0, y0) to (x1, y1).
  void Line(int x0, int y0, int x1, int y1, Rgb c) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
      const double t = steps ? static_cast<double>(i) / steps : 0;
      Set(static_cast<int>(std::lround(x0 + (x1 - x0) * t)), static_cast<int>(std::lround(y0 + (y1 - y0) * t)), c);
    }
  }
  // The dark edge: every key pixel next to a drawn one (the four neighbours).
  void Edge() {
    std::vector<Rgb> before = pixels_;
    auto drawn = [&](int x, int y) {
      return x >= 0 && y >= 0 && x < kSide && y < kSide && before[y * kSide + x] != kKey && before[y * kSide + x] != kEdge;
    };
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        if (before[y * kSide + x] == kKey && (drawn(x - 1, y) || drawn(x + 1, y) || drawn(x, y - 1) || drawn(x, y + 1)))
          Set(x, y, kEdge);
  }
  GifPicture ToGif() const {
    GifPicture pic;
    if (!PictureFromRgb(kSide, kSide, pixels_, &kKey, pic)) TooManyColours();
    return pic;
  }

 private:
  std::vector<Rgb> pixels_;
};

// The Sun centred at (cx, cy): a disc of radius r with eight rays reaching `rays`.
void Sun(Icon& icon, double cx, double cy, double r, double rays) {
  for (int k = 0; k < 8; ++k) {
    const double a = k * M_PI / 4;
    for (double d = r + 1.2; d <= rays; d += 0.25)
      icon.Set(static_cast<int>(std::floor(cx + d * std::cos(a))), static_cast<int>(std::floor(cy + d * std::sin(a))), kSun);
  }
  icon.Disc(cx, cy, r, kSun);
  icon.Disc(cx - 0.6, cy - 0.6, r * 0.45, kSunCore);
}

// A crescent Moon: a disc with a disc cut out on its upper right.
void Moon(Icon& icon, double cx, double cy, double r) {
  icon.Fill(kMoon, [=](double x, double y) {
    return std::hypot(x - cx, y - cy) <= r && std::hypot(x - (cx + r * 0.55), y - (cy - r * 0.45)) > r * 0.8;
  });
}

// A cloud whose flat base is at `base`, `scale` 1 filling the icon's width.
void Cloud(Icon& icon, Rgb c, double dx, double dy, double scale = 1.0) {
  auto X = [=](double v) { return dx + v * scale; };
  auto Y = [=](double v) { return dy + v * scale; };
  icon.Fill(c, [=](double x, double y) {
    return std::hypot(x - X(4.6), y - Y(8.6)) <= 2.6 * scale || std::hypot(x - X(8.0), y - Y(6.9)) <= 3.5 * scale ||
           std::hypot(x - X(11.0), y - Y(8.9)) <= 2.4 * scale ||
           (x >= X(4.6) && x <= X(11.0) && y >= Y(7.5) && y <= Y(11.3));
  });
}

// An icon is drawn in steps, back to front; then it gets its edge.
using Step = std::function<void(Icon&)>;

Step SunAt(double c, double r, double rays) {
  return [=](Icon& i) { Sun(i, c, c, r, rays); };
}
Step MoonAt(double cx, double cy, double r) {
  return [=](Icon& i) { Moon(i, cx, cy, r); };
}
Step CloudAt(Rgb c, double dx, double dy, double scale = 1.0) {
  return [=](Icon& i) { Cloud(i, c, dx, dy, scale); };
}
// Drops under a cloud: dots for drizzle, slanted strokes for rain.
Step Drops(bool slanted) {
  return [=](Icon& i) {
    for (int x : {4, 7, 10}) {
      if (slanted) {
        i.Line(x + 1, 11, x, 13, kRain);
      } else {
        i.Set(x, 12, kRain);
      }
    }
  };
}

void Flakes(Icon& icon) {
  for (int x : {4, 10}) {
    icon.Set(x, 12, kSnow);
    icon.Set(x - 1, 12, kSnow);
    icon.Set(x + 1, 12, kSnow);
    icon.Set(x, 11, kSnow);
    icon.Set(x, 13, kSnow);
  }
  icon.Set(7, 13, kSnow);
}

void Bolt(Icon& i) {
  i.Line(8, 7, 6, 10, kBolt);
  i.Line(6, 10, 9, 10, kBolt);
  i.Line(9, 10, 7, 13, kBolt);
}

void FogBands(Icon& i) {
  for (int y : {3, 6, 9, 12}) i.Line(y % 2 ? 2 : 3, y, y % 2 ? 11 : 12, y, kFog);
}

struct Named {
  const char* file;
  std::vector<Step> steps;
};

const std::vector<Named>& Icons() {
  const Step partlyCloud = CloudAt(kCloud, 2.0, 1.8, 0.85);
  const Step showerCloud = CloudAt(kCloud, 1.5, 0.0, 0.85);
  const Step rainCloud = CloudAt(kGreyCloud, 0, -1.5);
  static const std::vector<Named> icons = {
      {"clear_day.gif", {SunAt(7.5, 3.4, 6.0)}},
      {"clear_night.gif", {MoonAt(7.2, 7.6, 5.4)}},
      {"partly_day.gif", {SunAt(5.5, 2.6, 4.4), partlyCloud}},
      {"partly_night.gif", {MoonAt(5.5, 5.5, 4.2), partlyCloud}},
      {"cloudy.gif", {CloudAt(kGreyCloud, 0.5, -1.5, 0.95), CloudAt(kCloud, 0, 1.0)}},
      {"fog.gif", {FogBands}},
      {"drizzle.gif", {rainCloud, Drops(false)}},
      {"rain.gif", {rainCloud, Drops(true)}},
      {"snow.gif", {rainCloud, Flakes}},
      {"showers_day.gif", {SunAt(4.6, 2.2, 3.6), showerCloud, Drops(true)}},
      {"showers_night.gif", {MoonAt(4.8, 4.8, 3.8), showerCloud, Drops(true)}},
      {"thunder.gif", {CloudAt(kDarkCloud, 0, -2.0), Bolt}},
  };
  return icons;
}

}  // namespace
}  // namespace orx::tools

int main(int argc, char** argv) {
  using namespace orx::tools;
  std::string out = "data/weather";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else {
      std::fprintf(stderr, "usage: weathericongen [--out DIR]\n");
      return 2;
    }
  }
  for (const Named& n : Icons()) {
    Icon icon;
    for (const Step& step : n.steps) step(icon);
    icon.Edge();
    const std::string path = out + "/" + n.file;
    if (!WriteGif(path, icon.ToGif())) {
      std::fprintf(stderr, "weathericongen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  std::printf("weathericongen: wrote %zu icons to %s\n", Icons().size(), out.c_str());
  return 0;
}
