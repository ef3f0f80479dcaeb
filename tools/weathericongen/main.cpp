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
constexpr Rgb kKey{255, 0, 255};
constexpr Rgb kEdge{20, 24, 40};
constexpr Rgb kSun{255, 210, 40};
constexpr Rgb kSunCore{255, 245, 170};
constexpr Rgb kMoon{235, 235, 210};
constexpr Rgb kCloud{245, 245, 250};
constexpr Rgb kGreyCloud{170, 175, 185};
constexpr Rgb kDarkCloud{110, 115, 130};
constexpr Rgb kRain{60, 150, 255};
constexpr Rgb kSnow{255, 255, 255};
constexpr Rgb kBolt{255, 230, 0};
constexpr Rgb kFog{200, 200, 205};

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

void Drops(Icon& icon, Rgb c, bool slanted) {
  for (int x : {4, 7, 10}) {
    if (slanted) {
      icon.Line(x + 1, 11, x, 13, c);
    } else {
      icon.Set(x, 12, c);
    }
  }
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

struct Named {
  const char* file;
  std::function<void(Icon&)> draw;
};

const std::vector<Named>& Icons() {
  static const std::vector<Named> icons = {
      {"clear_day.gif", [](Icon& i) { Sun(i, 7.5, 7.5, 3.4, 6.0); }},
      {"clear_night.gif", [](Icon& i) { Moon(i, 7.2, 7.6, 5.4); }},
      {"partly_day.gif",
       [](Icon& i) {
         Sun(i, 5.5, 5.5, 2.6, 4.4);
         Cloud(i, kCloud, 2.0, 1.8, 0.85);
       }},
      {"partly_night.gif",
       [](Icon& i) {
         Moon(i, 5.5, 5.5, 4.2);
         Cloud(i, kCloud, 2.0, 1.8, 0.85);
       }},
      {"cloudy.gif",
       [](Icon& i) {
         Cloud(i, kGreyCloud, 0.5, -1.5, 0.95);
         Cloud(i, kCloud, 0, 1.0);
       }},
      {"fog.gif",
       [](Icon& i) {
         for (int y : {3, 6, 9, 12}) i.Line(y % 2 ? 2 : 3, y, y % 2 ? 11 : 12, y, kFog);
       }},
      {"drizzle.gif",
       [](Icon& i) {
         Cloud(i, kGreyCloud, 0, -1.5);
         Drops(i, kRain, false);
       }},
      {"rain.gif",
       [](Icon& i) {
         Cloud(i, kGreyCloud, 0, -1.5);
         Drops(i, kRain, true);
       }},
      {"snow.gif",
       [](Icon& i) {
         Cloud(i, kGreyCloud, 0, -1.5);
         Flakes(i);
       }},
      {"showers_day.gif",
       [](Icon& i) {
         Sun(i, 4.6, 4.6, 2.2, 3.6);
         Cloud(i, kCloud, 1.5, 0.0, 0.85);
         Drops(i, kRain, true);
       }},
      {"showers_night.gif",
       [](Icon& i) {
         Moon(i, 4.8, 4.8, 3.8);
         Cloud(i, kCloud, 1.5, 0.0, 0.85);
         Drops(i, kRain, true);
       }},
      {"thunder.gif",
       [](Icon& i) {
         Cloud(i, kDarkCloud, 0, -2.0);
         i.Line(8, 7, 6, 10, kBolt);
         i.Line(6, 10, 9, 10, kBolt);
         i.Line(9, 10, 7, 13, kBolt);
       }},
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
    n.draw(icon);
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
