// mapgen: makes the texture maps Day.gif and Night.gif from the equirectangular Earth
// pictures earth.jpg and night.jpg. Each map is resampled to the requested size (area
// averaging when shrinking, bilinear when enlarging, columns wrapping round the date
// line), reduced to a 256-colour palette chosen for that map, and written as a single
// non-interlaced GIF89a image with a global colour table. Rows are produced one at a time,
// so memory stays near one byte per output pixel plus the source picture.
//
//   mapgen [--width W] [--height H] [--in DIR] [--out DIR]
//
// Defaults: 2048 x 1024, DIR in = /usr/share/xplanet/images, DIR out = data/maps.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "artkit.h"
#include "gif_encoder.h"

namespace orx::tools {
namespace {

struct MapJob {
  const char* input;
  const char* output;
  int blackLevel;  // channel values up to this are JPEG noise in the black and become 0
};

// Pulls values at or below `level` to 0 and stretches the rest back to 0..255, so the
// night side is clean black while faint lights keep a soft edge.
void ApplyBlackLevel(uint8_t* rgb, size_t count, int level) {
  if (level <= 0) return;
  for (size_t i = 0; i < count * 3; ++i) {
    const int v = rgb[i] - level;
    rgb[i] = static_cast<uint8_t>(v <= 0 ? 0 : (v * 255 + (255 - level) / 2) / (255 - level));
  }
}

// Palette weight of a row: rows near the poles are stretched by the projection and would
// otherwise claim far more palette entries than the area they show (about cos latitude).
size_t RowWeight(int y, int height) {
  const double latitude = (0.5 - (y + 0.5) / height) * std::numbers::pi;
  return 4 + static_cast<size_t>(std::lround(60.0 * std::cos(latitude)));
}

bool MakeMap(const MapJob& job, const std::string& inDir, const std::string& outDir, int width, int height) {
  const std::string inPath = inDir + "/" + job.input;
  const std::string outPath = outDir + "/" + job.output;
  RgbImage source;
  std::string error;
  if (!ReadJpeg(inPath, source, error)) {
    std::fprintf(stderr, "mapgen: %s\n", error.c_str());
    return false;
  }
  MapResampler resampler(source, width, height);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);

  // The palette is chosen from a sample of at most about 1024 rows.
  ColourHistogram histogram;
  const int step = std::max(1, height / 1024);
  for (int y = step / 2; y < height; y += step) {
    resampler.Row(y, row.data());
    ApplyBlackLevel(row.data(), static_cast<size_t>(width), job.blackLevel);
    histogram.Add(row.data(), static_cast<size_t>(width), RowWeight(y, height));
  }
  PaletteMapper mapper(BuildPalette(histogram, 256));

  GifPicture pic;
  pic.width = width;
  pic.height = height;
  pic.palette = mapper.Palette();
  pic.indices.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    resampler.Row(y, row.data());
    ApplyBlackLevel(row.data(), static_cast<size_t>(width), job.blackLevel);
    uint8_t* out = pic.indices.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) out[x] = mapper.Index(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]);
  }
  if (!WriteGif(outPath, pic)) {
    std::fprintf(stderr, "mapgen: cannot write %s\n", outPath.c_str());
    return false;
  }
  std::printf("%s: %d x %d, %zu colours\n", outPath.c_str(), width, height, pic.palette.size());
  return true;
}

int Usage() {
  std::fprintf(stderr, "usage: mapgen [--width W] [--height H] [--in DIR] [--out DIR]\n"
                       "  the width must be twice the height (defaults 2048 x 1024)\n");
  return 2;
}

}  // namespace
}  // namespace orx::tools

int main(int argc, char** argv) {
  using namespace orx::tools;
  int width = 2048;
  int height = 1024;
  std::string inDir = "/usr/share/xplanet/images";
  std::string outDir = "data/maps";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* value = argv[++i];
    if (arg == "--width") {
      width = std::atoi(value);
    } else if (arg == "--height") {
      height = std::atoi(value);
    } else if (arg == "--in") {
      inDir = value;
    } else if (arg == "--out") {
      outDir = value;
    } else {
      return Usage();
    }
  }
  // GIF sizes are 16-bit; the maps cover 360 by 180 degrees.
  if (height <= 0 || width != 2 * height || width > 65535) return Usage();
  const MapJob jobs[] = {{"earth.jpg", "Day.gif", 0}, {"night.jpg", "Night.gif", 4}};
  for (const MapJob& job : jobs) {
    if (!MakeMap(job, inDir, outDir, width, height)) return 1;
  }
  return 0;
}
