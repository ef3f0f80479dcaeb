// The committed artwork (texture maps, splash picture, window icon) and the picture
// helpers of the generators that make it. The files are checked by reading their bytes
// directly and, where netpbm's giftopnm is installed, by decoding them with it, so
// neither the program's decoder nor the project's writer vouches for itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#ifdef ORRELUX_HAVE_ARTKIT
#include "artkit.h"
#endif

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct GifLayout {
  bool ok = false;
  int width = 0, height = 0;
  int globalColours = 0;
  bool interlaced = false;
  bool localTable = false;
  int images = 0;
  std::vector<uint8_t> palette;  // global table, 3 bytes per entry
};

// Walks the blocks of a GIF file: header, global table, extensions, image descriptors.
GifLayout ReadLayout(const std::vector<uint8_t>& f) {
  GifLayout g;
  if (f.size() < 13 || std::string(f.begin(), f.begin() + 6) != "GIF89a") return g;
  g.width = f[6] | f[7] << 8;
  g.height = f[8] | f[9] << 8;
  size_t pos = 13;
  if (f[10] & 0x80) {
    g.globalColours = 1 << ((f[10] & 7) + 1);
    if (pos + 3 * g.globalColours > f.size()) return g;
    g.palette.assign(f.begin() + 13, f.begin() + 13 + 3 * g.globalColours);
    pos += 3 * g.globalColours;
  }
  auto skipBlocks = [&] {
    while (pos < f.size() && f[pos] != 0) pos += f[pos] + 1;
    ++pos;
  };
  while (pos < f.size()) {
    const uint8_t b = f[pos++];
    if (b == 0x3B) {
      g.ok = pos == f.size();
      return g;
    }
    if (b == 0x21) {
      ++pos;  // label
      skipBlocks();
    } else if (b == 0x2C) {
      if (pos + 9 > f.size()) return g;
      const uint8_t packed = f[pos + 8];
      g.interlaced |= (packed & 0x40) != 0;
      g.localTable |= (packed & 0x80) != 0;
      ++g.images;
      pos += 9 + 1;  // descriptor, LZW minimum code size
      skipBlocks();
    } else {
      return g;
    }
  }
  return g;
}

struct Decoded {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return rgb.data() + (static_cast<size_t>(y) * width + x) * 3; }
};

// Decodes with giftopnm; false when the tool is missing or the file does not decode.
bool DecodeWithNetpbm(const std::string& path, Decoded& out) {
  if (std::system("command -v giftopnm >/dev/null 2>&1") != 0) return false;
  FILE* p = popen(("giftopnm '" + path + "' 2>/dev/null").c_str(), "r");
  if (!p) return false;
  int maxval = 0;
  const bool header = std::fscanf(p, "P6 %d %d %d", &out.width, &out.height, &maxval) == 3 && std::fgetc(p) != EOF;
  if (header && maxval == 255 && out.width > 0 && out.height > 0) {
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    if (std::fread(out.rgb.data(), 1, out.rgb.size(), p) != out.rgb.size()) out.rgb.clear();
  }
  const bool ok = pclose(p) == 0 && !out.rgb.empty();
  return ok;
}

bool HaveNetpbm() { return std::system("command -v giftopnm >/dev/null 2>&1") == 0; }

const std::string kSource = ORRELUX_SOURCE_DIR;

TEST(Artwork, CommittedFilesHaveTheirSizesAndLayout) {
  struct Expect {
    const char* path;
    int width, height;
  };
  const Expect files[] = {{"data/maps/Day.gif", 2048, 1024},
                          {"data/maps/Night.gif", 2048, 1024},
                          {"res/gif_110_splash.gif", 240, 320},
                          {"res/gif_101_icon.gif", 32, 32}};
  for (const Expect& e : files) {
    SCOPED_TRACE(e.path);
    const GifLayout g = ReadLayout(ReadFile(kSource + "/" + e.path));
    ASSERT_TRUE(g.ok) << "not a complete GIF89a file";
    EXPECT_EQ(g.width, e.width);
    EXPECT_EQ(g.height, e.height);
    EXPECT_GT(g.globalColours, 0);
    EXPECT_LE(g.globalColours, 256);
    EXPECT_FALSE(g.interlaced);  // texture maps are read row by row in file order
    EXPECT_FALSE(g.localTable);
    EXPECT_EQ(g.images, 1);
  }
}

TEST(Artwork, MapsDecodeAndNightMapIsLightsOnBlack) {
  if (!HaveNetpbm()) GTEST_SKIP() << "giftopnm (netpbm) not installed";
  Decoded day, night;
  ASSERT_TRUE(DecodeWithNetpbm(kSource + "/data/maps/Day.gif", day));
  ASSERT_TRUE(DecodeWithNetpbm(kSource + "/data/maps/Night.gif", night));
  EXPECT_EQ(day.width, 2 * day.height);
  EXPECT_EQ(night.width, day.width);
  EXPECT_EQ(night.height, day.height);
  size_t black = 0, bright = 0;
  for (size_t i = 0; i < night.rgb.size(); i += 3) {
    const int m = std::max({night.rgb[i], night.rgb[i + 1], night.rgb[i + 2]});
    black += m == 0;
    bright += m >= 128;
  }
  const size_t pixels = night.rgb.size() / 3;
  EXPECT_GT(black, pixels * 8 / 10) << "the night side should be clean black";
  EXPECT_GT(bright, 1000u) << "city lights should survive the palette";
  // Day map: the oceans are blue, the Sahara (20 N, 10 E) is bright sand.
  const uint8_t* pacific = day.At(day.width * (180 - 150) / 360, day.height * (90 - 0) / 180);
  EXPECT_GT(pacific[2], pacific[0] + 20);
  const uint8_t* sahara = day.At(day.width * (180 + 10) / 360, day.height * (90 - 20) / 180);
  EXPECT_GT(sahara[0], 150);
  EXPECT_GT(sahara[0], sahara[2]);
}

TEST(Artwork, SplashLeavesTheProgressAreaDarkAndIconIsKeyed) {
  if (!HaveNetpbm()) GTEST_SKIP() << "giftopnm (netpbm) not installed";
  Decoded splash, icon;
  ASSERT_TRUE(DecodeWithNetpbm(kSource + "/res/gif_110_splash.gif", splash));
  // White "Initializing..." and the progress bar go over x 40..200, y 95..140.
  int brightest = 0;
  for (int y = 95; y < 140; ++y) {
    for (int x = 40; x < 200; ++x) {
      const uint8_t* p = splash.At(x, y);
      brightest = std::max({brightest, int{p[0]}, int{p[1]}, int{p[2]}});
    }
  }
  EXPECT_LT(brightest, 64);

  ASSERT_TRUE(DecodeWithNetpbm(kSource + "/res/gif_101_icon.gif", icon));
  auto isKey = [&](int x, int y) {
    const uint8_t* p = icon.At(x, y);
    return p[0] == 255 && p[1] == 0 && p[2] == 255;
  };
  EXPECT_TRUE(isKey(0, 0));
  EXPECT_TRUE(isKey(31, 31));
  EXPECT_FALSE(isKey(16, 16));
  EXPECT_FALSE(isKey(16, 1));  // the globe reaches the edges
  EXPECT_FALSE(isKey(1, 16));
}

// The generators are deterministic, so running them again must give the committed bytes;
// a difference means a generator changed without its artwork being made again.
TEST(Artwork, GeneratorsReproduceTheCommittedFiles) {
  const std::string tools = std::string(ORRELUX_BINARY_DIR) + "/tools";
  const std::string mapgen = tools + "/mapgen/mapgen";
  const std::string splashgen = tools + "/splashgen/splashgen";
  if (!std::ifstream(mapgen) || !std::ifstream(splashgen) || !std::ifstream("/usr/share/xplanet/images/earth.jpg")) {
    GTEST_SKIP() << "generators or their source pictures (xplanet-images) not available";
  }
  char dirTemplate[] = "/tmp/orrelux_artwork_XXXXXX";
  const char* dir = mkdtemp(dirTemplate);
  ASSERT_NE(dir, nullptr);
  const std::string out = dir;
  ASSERT_EQ(std::system((mapgen + " --out " + out + " >/dev/null").c_str()), 0);
  ASSERT_EQ(std::system((splashgen + " --out " + out + " --icon-theme " + out + "/icons >/dev/null").c_str()), 0);
  std::vector<std::pair<std::string, std::string>> files = {{"Day.gif", "data/maps/Day.gif"},
                                                            {"Night.gif", "data/maps/Night.gif"},
                                                            {"gif_110_splash.gif", "res/gif_110_splash.gif"},
                                                            {"gif_101_icon.gif", "res/gif_101_icon.gif"}};
  for (const char* size : {"16x16", "22x22", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"}) {
    const std::string icon = std::string("hicolor/") + size + "/apps/orrelux.png";
    files.emplace_back("icons/" + icon, "desktop/icons/" + icon);
  }
  for (const auto& [made, committed] : files) {
    const std::vector<uint8_t> fresh = ReadFile(out + "/" + made);
    EXPECT_FALSE(fresh.empty()) << made;
    EXPECT_TRUE(fresh == ReadFile(kSource + "/" + committed)) << committed << " is out of date";
  }
  std::filesystem::remove_all(out);
}

#ifdef ORRELUX_HAVE_ARTKIT

using orx::tools::AxisTaps;
using orx::tools::RgbImage;

TEST(ArtKit, AxisTapsWeighWholeAndStayInRange) {
  const int sizes[] = {1, 2, 3, 7, 10, 64, 100, 1023, 2048};
  for (int from : sizes) {
    for (int to : sizes) {
      for (bool wrap : {false, true}) {
        const auto taps = AxisTaps(from, to, wrap);
        ASSERT_EQ(taps.size(), static_cast<size_t>(to));
        for (const auto& t : taps) {
          uint32_t sum = 0;
          for (const auto& tap : t) {
            ASSERT_GE(tap.index, 0) << from << " -> " << to;
            ASSERT_LT(tap.index, from) << from << " -> " << to;
            sum += tap.weight;
          }
          ASSERT_EQ(sum, 65536u) << from << " -> " << to;
        }
      }
    }
  }
}

TEST(ArtKit, AxisTapsAverageWhenHalvingAndWrapOrClampWhenDoubling) {
  const auto half = AxisTaps(4, 2, true);
  ASSERT_EQ(half[1].size(), 2u);
  EXPECT_EQ(half[1][0].index, 2);
  EXPECT_EQ(half[1][0].weight, 32768u);
  EXPECT_EQ(half[1][1].index, 3);

  // Doubling: output pixel 0 lies a quarter pixel left of source pixel 0's centre.
  const auto wrapped = AxisTaps(4, 8, true);
  ASSERT_EQ(wrapped[0].size(), 2u);
  EXPECT_EQ(wrapped[0][0].index, 3);  // the other side of the date line
  EXPECT_EQ(wrapped[0][0].weight, 16384u);
  EXPECT_EQ(wrapped[0][1].index, 0);
  EXPECT_EQ(wrapped[0][1].weight, 49152u);
  const auto clamped = AxisTaps(4, 8, false);
  ASSERT_EQ(clamped[0].size(), 1u);
  EXPECT_EQ(clamped[0][0].index, 0);
  ASSERT_EQ(clamped[7].size(), 1u);
  EXPECT_EQ(clamped[7][0].index, 3);
}

TEST(ArtKit, ResamplerKeepsFlatColourAndCopiesAtEqualSize) {
  RgbImage source{6, 3, {}};
  for (int i = 0; i < 18; ++i) {
    source.pixels.insert(source.pixels.end(), {static_cast<uint8_t>(i * 13), static_cast<uint8_t>(255 - i), 77});
  }
  orx::tools::MapResampler same(source, 6, 3);
  std::vector<uint8_t> row(6 * 3);
  for (int y = 0; y < 3; ++y) {
    same.Row(y, row.data());
    EXPECT_TRUE(std::equal(row.begin(), row.end(), source.pixels.begin() + y * 18)) << "row " << y;
  }
  // Blue is 77 everywhere, so every scaled pixel keeps it exactly.
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{2, 1}, {4, 2}, {14, 7}, {30, 15}}) {
    orx::tools::MapResampler scaled(source, w, h);
    std::vector<uint8_t> out(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
      scaled.Row(y, out.data());
      for (int x = 0; x < w; ++x) ASSERT_EQ(out[x * 3 + 2], 77) << w << "x" << h << " at " << x << "," << y;
    }
  }
}

TEST(ArtKit, PaletteReproducesFewColoursAndMapsToNearest) {
  // Eight colours far apart: the palette must hold each exactly and map each to itself.
  std::vector<uint8_t> pixels;
  for (int i = 0; i < 8; ++i) {
    for (int n = 0; n <= i; ++n) {
      pixels.insert(pixels.end(), {static_cast<uint8_t>((i & 1) * 200 + 20), static_cast<uint8_t>((i & 2) * 100 + 8),
                                   static_cast<uint8_t>((i & 4) * 50 + 4)});
    }
  }
  orx::tools::ColourHistogram histogram;
  histogram.Add(pixels.data(), pixels.size() / 3);
  const auto palette = orx::tools::BuildPalette(histogram, 256);
  ASSERT_EQ(palette.size(), 8u);
  orx::tools::PaletteMapper mapper(palette);
  for (size_t i = 0; i < pixels.size(); i += 3) {
    const auto& c = palette[mapper.Index(pixels[i], pixels[i + 1], pixels[i + 2])];
    EXPECT_EQ(c, (orx::tools::Rgb{pixels[i], pixels[i + 1], pixels[i + 2]}));
  }
  // Asking for fewer entries merges colours but keeps the palette within the limit,
  // and a colour between entries goes to the nearer one.
  EXPECT_LE(orx::tools::BuildPalette(histogram, 3).size(), 3u);
  orx::tools::PaletteMapper two({{0, 0, 0}, {200, 200, 200}});
  EXPECT_EQ(two.Index(90, 90, 90), 0);
  EXPECT_EQ(two.Index(110, 110, 110), 1);
}

TEST(ArtKit, PaletteOfAGradientSpreadsOverItsRange) {
  // A 4096-step grey ramp reduced to 16 colours: each entry serves a share of the ramp,
  // so no mapped pixel is more than a short step from its own value.
  std::vector<uint8_t> pixels;
  for (int i = 0; i < 4096; ++i) {
    const auto v = static_cast<uint8_t>(i / 16);
    pixels.insert(pixels.end(), {v, v, v});
  }
  orx::tools::ColourHistogram histogram;
  histogram.Add(pixels.data(), pixels.size() / 3);
  const auto palette = orx::tools::BuildPalette(histogram, 16);
  ASSERT_EQ(palette.size(), 16u);
  orx::tools::PaletteMapper mapper(palette);
  int worst = 0;
  for (int v = 0; v < 256; ++v) {
    const auto& c = palette[mapper.Index(static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v))];
    worst = std::max(worst, std::abs(c[1] - v));
  }
  EXPECT_LE(worst, 12);  // an even split would give 8
}

#endif  // ORRELUX_HAVE_ARTKIT

}  // namespace
