// splashgen: draws the start-up picture (240 x 320, resource GIF 110) and the window icon
// (32 x 32, resource GIF 101) from the same Earth pictures as the texture maps, and the
// same globe as the desktop's icon-theme pictures (PNG with alpha, one per size).
//
// The splash is a starry night sky with the program's name at the top and a sunlit globe
// at the bottom: an orthographic view of earth.jpg, shaded by a day/night terminator, with
// the city lights of night.jpg on the dark side and a thin atmosphere at the limb. The band
// y 90..146 stays dark and empty because the program writes "Initializing..." (x 50,
// y ~103) and its progress bar (x 40, y 120, 160 x 14) over it. The icon is a small lit
// globe on magenta, the transparent key.
//
//   splashgen [--in DIR] [--font-dir DIR] [--out DIR] [--icon-theme DIR]
//
// Defaults: DIR in = /usr/share/xplanet/images, fonts from /usr/share/fonts/truetype/dejavu,
// DIR out = res, icon theme = desktop/icons. The output is the same bytes on every run.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "artkit.h"
#include "gif_encoder.h"

namespace orx::tools {
namespace {

using Vec3 = std::array<double, 3>;

double Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec3 Normalized(const Vec3& v) {
  const double n = std::sqrt(Dot(v, v));
  return {v[0] / n, v[1] / n, v[2] / n};
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double SmoothStep(double edge0, double edge1, double x) {
  const double t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

// Unit vector of a geographic position (x towards 0 N 0 E, y towards 0 N 90 E, z north).
Vec3 GeoVector(double latDeg, double lonDeg) {
  const double lat = latDeg * std::numbers::pi / 180, lon = lonDeg * std::numbers::pi / 180;
  return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

// A floating-point RGB canvas, channels 0..255.
struct Canvas {
  int width, height;
  std::vector<double> rgb;
  Canvas(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0.0) {}
  double* At(int x, int y) { return rgb.data() + (static_cast<size_t>(y) * width + x) * 3; }
  void Add(int x, int y, const Vec3& c, double amount) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    double* p = At(x, y);
    for (int k = 0; k < 3; ++k) p[k] += c[k] * amount;
  }
  void Blend(int x, int y, const Vec3& c, double alpha) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    double* p = At(x, y);
    for (int k = 0; k < 3; ++k) p[k] = p[k] * (1 - alpha) + c[k] * alpha;
  }
};

// Bilinear lookup in an equirectangular picture; longitudes wrap, latitudes clamp.
Vec3 SampleMap(const RgbImage& map, const Vec3& p) {
  const double lat = std::asin(std::clamp(p[2], -1.0, 1.0));
  const double lon = std::atan2(p[1], p[0]);
  const double u = (lon / (2 * std::numbers::pi) + 0.5) * map.width - 0.5;
  const double v = (0.5 - lat / std::numbers::pi) * map.height - 0.5;
  const int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
  const double fx = u - x0, fy = v - y0;
  Vec3 out{0, 0, 0};
  for (int dy = 0; dy < 2; ++dy) {
    const int y = std::clamp(y0 + dy, 0, map.height - 1);
    for (int dx = 0; dx < 2; ++dx) {
      const int x = ((x0 + dx) % map.width + map.width) % map.width;
      const double w = (dx ? fx : 1 - fx) * (dy ? fy : 1 - fy);
      const uint8_t* s = map.pixels.data() + (static_cast<size_t>(y) * map.width + x) * 3;
      for (int k = 0; k < 3; ++k) out[k] += w * s[k];
    }
  }
  return out;
}

// An orthographic camera over the globe: screen offsets in globe radii -> Earth vectors.
struct GlobeView {
  Vec3 east, north, toViewer;
  GlobeView(double latDeg, double lonDeg) {
    const double lat = latDeg * std::numbers::pi / 180, lon = lonDeg * std::numbers::pi / 180;
    toViewer = GeoVector(latDeg, lonDeg);
    east = {-std::sin(lon), std::cos(lon), 0};
    north = {-std::sin(lat) * std::cos(lon), -std::sin(lat) * std::sin(lon), std::cos(lat)};
  }
  // `nx` right, `ny` up, `nz` towards the viewer.
  Vec3 ToEarth(double nx, double ny, double nz) const {
    return {nx * east[0] + ny * north[0] + nz * toViewer[0], nx * east[1] + ny * north[1] + nz * toViewer[1],
            nx * east[2] + ny * north[2] + nz * toViewer[2]};
  }
};

// Deterministic pseudo-random numbers (a 64-bit LCG), so the stars never move.
struct Random {
  uint64_t state;
  double Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state >> 11) / static_cast<double>(uint64_t{1} << 53);
  }
};

// ---------------------------------------------------------------------------------------
// Text

struct TextMask {
  int width = 0, height = 0;
  std::vector<double> alpha;  // coverage 0..1
};

class Font {
 public:
  Font(FT_Library library, const std::string& path, int pixels) {
    ok_ = FT_New_Face(library, path.c_str(), 0, &face_) == 0 && FT_Set_Pixel_Sizes(face_, 0, pixels) == 0;
  }
  ~Font() {
    if (face_) FT_Done_Face(face_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  bool ok() const { return ok_; }

  // Renders `text` into a mask of the canvas size with its baseline at `baseline`,
  // centred on `centreX`; `spacing` adds pixels between letters.
  bool Render(const std::string& text, double centreX, int baseline, int spacing, TextMask& mask) const {
    // First pass measures, second draws.
    int width = 0;
    if (!Layout(text, spacing, nullptr, 0, 0, width)) return false;
    const int left = static_cast<int>(std::lround(centreX - width / 2.0));
    return Layout(text, spacing, &mask, left, baseline, width);
  }

 private:
  bool Layout(const std::string& text, int spacing, TextMask* mask, int left, int baseline, int& width) const {
    int pen = 0;
    FT_UInt previous = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      const FT_UInt glyph = FT_Get_Char_Index(face_, static_cast<unsigned char>(text[i]));
      if (previous && glyph && FT_HAS_KERNING(face_)) {
        FT_Vector kern;
        if (FT_Get_Kerning(face_, previous, glyph, FT_KERNING_DEFAULT, &kern) == 0) pen += kern.x >> 6;
      }
      if (FT_Load_Glyph(face_, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) return false;
      const FT_GlyphSlot slot = face_->glyph;
      if (mask) {
        const FT_Bitmap& bm = slot->bitmap;
        for (unsigned row = 0; row < bm.rows; ++row) {
          for (unsigned col = 0; col < bm.width; ++col) {
            const int x = left + pen + slot->bitmap_left + static_cast<int>(col);
            const int y = baseline - slot->bitmap_top + static_cast<int>(row);
            if (x < 0 || y < 0 || x >= mask->width || y >= mask->height) continue;
            double& a = mask->alpha[static_cast<size_t>(y) * mask->width + x];
            a = std::min(1.0, a + bm.buffer[row * static_cast<unsigned>(bm.pitch) + col] / 255.0);
          }
        }
      }
      pen += static_cast<int>(slot->advance.x >> 6);
      if (i + 1 < text.size()) pen += spacing;
      previous = glyph;
    }
    width = pen;
    return true;
  }

  FT_Face face_ = nullptr;
  bool ok_ = false;
};

// Three box blurs of radius r, about a Gaussian; edges clamp.
std::vector<double> Blur(const std::vector<double>& in, int width, int height, int r) {
  std::vector<double> a = in, b(in.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        double s = 0;
        for (int d = -r; d <= r; ++d) s += a[static_cast<size_t>(y) * width + std::clamp(x + d, 0, width - 1)];
        b[static_cast<size_t>(y) * width + x] = s / (2 * r + 1);
      }
    }
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        double s = 0;
        for (int d = -r; d <= r; ++d) s += b[static_cast<size_t>(std::clamp(y + d, 0, height - 1)) * width + x];
        a[static_cast<size_t>(y) * width + x] = s / (2 * r + 1);
      }
    }
  }
  return a;
}

// ---------------------------------------------------------------------------------------
// Splash

constexpr int kSplashWidth = 240;
constexpr int kSplashHeight = 320;
constexpr double kGlobeX = 120.0, kGlobeY = 234.0, kGlobeRadius = 80.0;
// Where the program draws over the splash at start-up: kept free of stars and glow.
constexpr int kCalmTop = 90, kCalmBottom = 146;

struct Maps {
  RgbImage day, night;
};

void DrawSky(Canvas& canvas) {
  for (int y = 0; y < canvas.height; ++y) {
    // Deep blue at the top fading to near black behind the globe.
    const double t = static_cast<double>(y) / (canvas.height - 1);
    const Vec3 top{12, 18, 44}, bottom{2, 3, 9};
    const double s = SmoothStep(0.0, 0.75, t);
    for (int x = 0; x < canvas.width; ++x) {
      double* p = canvas.At(x, y);
      for (int k = 0; k < 3; ++k) p[k] = top[k] * (1 - s) + bottom[k] * s;
    }
  }
}

void DrawStars(Canvas& canvas) {
  Random random{20240611};
  for (int i = 0; i < 260; ++i) {
    const double x = random.Next() * canvas.width;
    const double y = random.Next() * canvas.height;
    const double u = random.Next();
    const double tint = random.Next();
    const double dx = x - kGlobeX, dy = y - kGlobeY;
    if (std::sqrt(dx * dx + dy * dy) < kGlobeRadius + 10) continue;
    if (y > kCalmTop - 4 && y < kCalmBottom + 4 && x > 26 && x < 214) continue;
    const double brightness = 30 + 225 * u * u * u * u;
    // Most stars white, some faintly blue or warm.
    const Vec3 colour = tint < 0.2 ? Vec3{0.8, 0.88, 1.0} : tint > 0.85 ? Vec3{1.0, 0.9, 0.75} : Vec3{1, 1, 1};
    const double sigma = brightness > 180 ? 0.75 : 0.5;
    for (int py = static_cast<int>(y) - 2; py <= static_cast<int>(y) + 2; ++py) {
      for (int px = static_cast<int>(x) - 2; px <= static_cast<int>(x) + 2; ++px) {
        const double ex = px + 0.5 - x, ey = py + 0.5 - y;
        const double w = std::exp(-(ex * ex + ey * ey) / (2 * sigma * sigma));
        canvas.Add(px, py, colour, brightness * w * (sigma < 0.6 ? 0.9 : 0.6));
      }
    }
  }
}

// The colour of a point of the globe in view space (nz towards the viewer).
Vec3 GlobeColour(const Maps& maps, const GlobeView& view, const Vec3& sun, double nx, double ny, double nz) {
  const Vec3 p = view.ToEarth(nx, ny, nz);
  const double d = Dot(p, sun);
  const Vec3 day = SampleMap(maps.day, p);
  const Vec3 night = SampleMap(maps.night, p);
  const double lit = SmoothStep(-0.10, 0.14, d);
  const double diffuse = 0.22 + 0.9 * std::pow(std::max(d, 0.0), 0.7);
  const double limb = 0.8 + 0.2 * nz;  // a little darker towards the edge
  const double rim = std::pow(1 - nz, 4.0) * SmoothStep(-0.25, 0.3, d);
  const Vec3 haze{80, 145, 255};
  // City lights glow warmer and brighter than the picture, which is dim at this size.
  const Vec3 lights{1.0, 0.92, 0.7};
  Vec3 c;
  for (int k = 0; k < 3; ++k) {
    c[k] = day[k] * std::min(diffuse, 1.05) * lit * limb + night[k] * 2.6 * lights[k] * (1 - lit) +
           haze[k] * 0.35 * rim;
  }
  return c;
}

void DrawGlobe(Canvas& canvas, const Maps& maps) {
  const GlobeView view(24, 28);
  const Vec3 sun = GeoVector(10, -32);
  constexpr int kSub = 4;
  const Vec3 glow{70, 140, 255};
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const double cx = (x + 0.5 - kGlobeX) / kGlobeRadius, cy = (kGlobeY - y - 0.5) / kGlobeRadius;
      const double r = std::sqrt(cx * cx + cy * cy);
      if (r > 1.15) continue;
      // Thin atmosphere outside the limb, brighter on the sunlit side.
      if (r > 0.98) {
        const Vec3 limbPoint = view.ToEarth(cx / r, cy / r, 0);
        const double lit = SmoothStep(-0.35, 0.45, Dot(limbPoint, sun));
        const double fall = std::exp(-std::max(r - 1.0, 0.0) * kGlobeRadius / 2.2);
        canvas.Add(x, y, glow, fall * (0.08 + 0.62 * lit));
      }
      if (r > 1.0 + 1.0 / kGlobeRadius) continue;
      Vec3 sum{0, 0, 0};
      int inside = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const double nx = (x + (sx + 0.5) / kSub - kGlobeX) / kGlobeRadius;
          const double ny = (kGlobeY - y - (sy + 0.5) / kSub) / kGlobeRadius;
          const double q = nx * nx + ny * ny;
          if (q >= 1) continue;
          const Vec3 c = GlobeColour(maps, view, sun, nx, ny, std::sqrt(1 - q));
          for (int k = 0; k < 3; ++k) sum[k] += c[k];
          ++inside;
        }
      }
      if (inside == 0) continue;
      const double coverage = static_cast<double>(inside) / (kSub * kSub);
      canvas.Blend(x, y, {sum[0] / inside, sum[1] / inside, sum[2] / inside}, coverage);
    }
  }
}

bool DrawTitle(Canvas& canvas, FT_Library library, const std::string& fontDir) {
  Font bold(library, fontDir + "/DejaVuSans-Bold.ttf", 40);
  Font regular(library, fontDir + "/DejaVuSans.ttf", 13);
  if (!bold.ok() || !regular.ok()) return false;
  TextMask title{canvas.width, canvas.height, std::vector<double>(static_cast<size_t>(canvas.width) * canvas.height)};
  TextMask subtitle = title;
  if (!bold.Render("Orrelux", canvas.width / 2.0, 58, 0, title)) return false;
  if (!regular.Render("World Clock and Globe", canvas.width / 2.0, 80, 1, subtitle)) return false;
  const std::vector<double> glow = Blur(title.alpha, canvas.width, canvas.height, 3);
  for (int y = 0; y < canvas.height; ++y) {
    for (int x = 0; x < canvas.width; ++x) {
      const size_t i = static_cast<size_t>(y) * canvas.width + x;
      canvas.Add(x, y, {40, 95, 230}, glow[i] * 1.1);
      // The title shades from white at the cap line to a pale sky blue at the baseline.
      const double t = Clamp01((y - 28) / 30.0);
      canvas.Blend(x, y, {255 - 60 * t, 255 - 35 * t, 255 - 5 * t}, title.alpha[i]);
      canvas.Blend(x, y, {165, 188, 228}, subtitle.alpha[i]);
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Icon

constexpr int kIconSize = 32;  // the window icon
constexpr Rgb kTransparent{255, 0, 255};
// The desktop's icon theme wants these sizes; each is drawn at its own size, so that
// no picture is a blurred scaling of another.
constexpr int kThemeIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// A square icon of `size` pixels: each pixel's mean globe colour and the share of it
// the globe covers (0..1).
struct IconPixels {
  int size;
  std::vector<Vec3> colour;
  std::vector<double> coverage;
};

IconPixels DrawIcon(const Maps& maps, int size) {
  const GlobeView view(18, 12);
  const Vec3 light = Normalized({-0.5, 0.55, 0.67});  // from the upper left, in view space
  constexpr int kSub = 8;
  const double centre = size / 2.0, radius = size / 2.0 - 0.6 * size / kIconSize;
  IconPixels icon{size, std::vector<Vec3>(static_cast<size_t>(size) * size, Vec3{0, 0, 0}),
                  std::vector<double>(static_cast<size_t>(size) * size, 0.0)};
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      Vec3 sum{0, 0, 0};
      int inside = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const double nx = (x + (sx + 0.5) / kSub - centre) / radius;
          const double ny = (centre - y - (sy + 0.5) / kSub) / radius;
          const double q = nx * nx + ny * ny;
          if (q >= 1) continue;
          const double nz = std::sqrt(1 - q);
          const Vec3 c = SampleMap(maps.day, view.ToEarth(nx, ny, nz));
          const double shade = 0.5 + 0.75 * std::max(0.0, Dot({nx, ny, nz}, light));
          const double rim = std::pow(1 - nz, 3.0);
          // The oceans of the picture are nearly black at this size: lift them towards blue.
          const Vec3 lift{0, 18, 55};
          for (int k = 0; k < 3; ++k) {
            sum[k] += std::min(255.0, (c[k] * 1.2 + lift[k]) * shade) * (1 - 0.4 * rim) + 120 * rim * (k == 2);
          }
          ++inside;
        }
      }
      if (inside == 0) continue;
      const size_t i = static_cast<size_t>(y) * size + x;
      icon.coverage[i] = static_cast<double>(inside) / (kSub * kSub);
      for (int k = 0; k < 3; ++k) icon.colour[i][k] = sum[k] / inside;
    }
  }
  return icon;
}

uint8_t Channel(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); }

// The window icon has no alpha: a pixel is globe or key. Partly covered edge pixels
// lean towards a dark outline, which reads on any background.
void KeyedIcon(const IconPixels& icon, std::vector<uint8_t>& rgb, std::vector<bool>& opaque) {
  const Vec3 edge{12, 22, 52};
  rgb.assign(icon.coverage.size() * 3, 0);
  opaque.assign(icon.coverage.size(), false);
  for (size_t i = 0; i < icon.coverage.size(); ++i) {
    if (icon.coverage[i] < 0.5) continue;
    const double blend = 1 - (icon.coverage[i] - 0.5) * 2;
    opaque[i] = true;
    for (int k = 0; k < 3; ++k) rgb[i * 3 + k] = Channel(icon.colour[i][k] * (1 - blend) + edge[k] * blend);
  }
}

// An RGBA PNG of the icon, its edge smoothed by the coverage. The same bytes every run.
bool WritePngIcon(const IconPixels& icon, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, icon.size, icon.size, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(static_cast<size_t>(icon.size) * 4);
  for (int y = 0; y < icon.size; ++y) {
    for (int x = 0; x < icon.size; ++x) {
      const size_t i = static_cast<size_t>(y) * icon.size + x;
      for (int k = 0; k < 3; ++k) row[x * 4 + k] = Channel(icon.colour[i][k]);
      row[x * 4 + 3] = Channel(icon.coverage[i] * 255);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

// The icon theme's pictures: <dir>/hicolor/NxN/apps/orrelux.png.
bool WriteThemeIcons(const Maps& maps, const std::string& dir) {
  for (int size : kThemeIconSizes) {
    const std::string sub = dir + "/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
    std::error_code ec;
    std::filesystem::create_directories(sub, ec);
    const std::string path = sub + "/orrelux.png";
    if (!WritePngIcon(DrawIcon(maps, size), path)) {
      std::fprintf(stderr, "splashgen: cannot write %s\n", path.c_str());
      return false;
    }
    std::printf("%s\n", path.c_str());
  }
  return true;
}

// ---------------------------------------------------------------------------------------

std::vector<uint8_t> ToBytes(const Canvas& canvas) {
  std::vector<uint8_t> out(canvas.rgb.size());
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(std::lround(std::clamp(canvas.rgb[i], 0.0, 255.0)));
  return out;
}

bool WriteSplash(const Maps& maps, FT_Library library, const std::string& fontDir, const std::string& path) {
  Canvas canvas(kSplashWidth, kSplashHeight);
  DrawSky(canvas);
  DrawStars(canvas);
  DrawGlobe(canvas, maps);
  if (!DrawTitle(canvas, library, fontDir)) {
    std::fprintf(stderr, "splashgen: cannot render text with the fonts in %s\n", fontDir.c_str());
    return false;
  }
  const std::vector<uint8_t> rgb = ToBytes(canvas);
  ColourHistogram histogram;
  histogram.Add(rgb.data(), rgb.size() / 3);
  PaletteMapper mapper(BuildPalette(histogram, 256));
  GifPicture pic;
  pic.width = kSplashWidth;
  pic.height = kSplashHeight;
  pic.palette = mapper.Palette();
  for (size_t i = 0; i < rgb.size(); i += 3) pic.indices.push_back(mapper.Index(rgb[i], rgb[i + 1], rgb[i + 2]));
  return WriteGif(path, pic);
}

bool WriteIcon(const Maps& maps, const std::string& path) {
  std::vector<uint8_t> rgb;
  std::vector<bool> opaque;
  KeyedIcon(DrawIcon(maps, kIconSize), rgb, opaque);
  ColourHistogram histogram;
  for (size_t i = 0; i < opaque.size(); ++i) {
    if (opaque[i]) histogram.Add(&rgb[i * 3], 1);
  }
  // Index 0 is the transparent key; the globe gets the other 255 entries.
  std::vector<Rgb> palette = BuildPalette(histogram, 255);
  PaletteMapper mapper(palette);
  palette.insert(palette.begin(), kTransparent);
  GifPicture pic;
  pic.width = kIconSize;
  pic.height = kIconSize;
  pic.palette = palette;
  for (size_t i = 0; i < opaque.size(); ++i) {
    pic.indices.push_back(opaque[i] ? static_cast<uint8_t>(1 + mapper.Index(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]))
                                     : uint8_t{0});
  }
  return WriteGif(path, pic);
}

int Usage() {
  std::fprintf(stderr, "usage: splashgen [--in DIR] [--font-dir DIR] [--out DIR] [--icon-theme DIR]\n");
  return 2;
}

}  // namespace
}  // namespace orx::tools

int main(int argc, char** argv) {
  using namespace orx::tools;
  std::string inDir = "/usr/share/xplanet/images";
  std::string fontDir = "/usr/share/fonts/truetype/dejavu";
  std::string outDir = "res";
  std::string themeDir = "desktop/icons";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* value = argv[++i];
    if (arg == "--in") {
      inDir = value;
    } else if (arg == "--font-dir") {
      fontDir = value;
    } else if (arg == "--out") {
      outDir = value;
    } else if (arg == "--icon-theme") {
      themeDir = value;
    } else {
      return Usage();
    }
  }
  Maps maps;
  std::string error;
  if (!ReadJpeg(inDir + "/earth.jpg", maps.day, error) || !ReadJpeg(inDir + "/night.jpg", maps.night, error)) {
    std::fprintf(stderr, "splashgen: %s\n", error.c_str());
    return 1;
  }
  FT_Library library;
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "splashgen: cannot start FreeType\n");
    return 1;
  }
  const std::string splash = outDir + "/gif_110_splash.gif";
  const std::string icon = outDir + "/gif_101_icon.gif";
  bool ok = WriteSplash(maps, library, fontDir, splash);
  FT_Done_FreeType(library);
  if (!ok) {
    std::fprintf(stderr, "splashgen: cannot write %s\n", splash.c_str());
    return 1;
  }
  if (!WriteIcon(maps, icon)) {
    std::fprintf(stderr, "splashgen: cannot write %s\n", icon.c_str());
    return 1;
  }
  std::printf("%s\n%s\n", splash.c_str(), icon.c_str());
  return WriteThemeIcons(maps, themeDir) ? 0 : 1;
}
