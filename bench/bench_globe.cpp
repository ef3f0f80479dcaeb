// The globe's two hot paths beside plain references, in the same run:
//  - RenderSphere (integer tables, mirrored columns; on one core, and on two with a kept
//    helper thread; wall time) against a
//    double-precision raster that does asin/atan2 per pixel and samples the nearest texel;
//  - RebuildTexture with the shadow and the overlay from the two 2048 x 1024 maps against
//    giflib's row-by-row decoding followed by the same integer shading done per texel,
//    and composing only the texels one sphere picture reads (as --render does);
//  - the whole --render command in this process: settings, maps, cities, PNG file.
// With --peak-memory DIR it instead composes the maps in DIR/maps once and exits, so that
// /usr/bin/time -v shows the peak memory of a composition (e.g. of 8192 x 4096 maps).
#include <benchmark/benchmark.h>

#include <gif_lib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/render_command.h"
#include "gfx/framebuffer.h"
#include "globe/render.h"
#include "globe/texture.h"
#include "globe/view.h"
#include "settings/settings.h"

namespace {

using namespace orx;

const std::filesystem::path kDataDir = ORRELUX_SOURCE_DIR "/data";
const platform::SystemTime kInstant = platform::SystemTimeFromMillis(*platform::ParseUtcInstant("2026-06-21T15:00:00Z"));

Settings ShadowOverlaySettings() {
  Settings s;
  s.showDayAndNight = true;
  s.useOverlayMap = true;
  s.overlayOperation = kDayNight;
  return s;
}

// The composed 2048 x 1024 texture every sphere benchmark samples.
const Globe& ComposedGlobe() {
  static Globe globe = [] {
    Globe g;
    const Settings s = ShadowOverlaySettings();
    RebuildTexture(g, MakeTextureSource(s, kDataDir, kInstant), {}, false);
    return g;
  }();
  return globe;
}

FrameBuffer MakeFrame() {
  FrameBuffer f;
  f.width = kViewWidth;
  f.height = kViewHeight;
  f.pixels.reset(new Color565[kViewWidth * kViewHeight]);
  return f;
}

ViewState BenchView(int radius) {
  ViewState v;
  v.globeRadius = radius;
  v.textureHeight = ComposedGlobe().texture.height;
  BuildColumnTables(v);
  CenterOn(v, 40 * std::numbers::pi / 180, 10 * std::numbers::pi / 180);
  return v;
}

// Radius 0 stands for the largest radius the zoom allows for the texture.
int RadiusOf(const benchmark::State& state) {
  const int r = static_cast<int>(state.range(0));
  return r ? r : static_cast<int>(2.0 * ComposedGlobe().texture.height / std::numbers::pi);
}

void RenderSphere_Integer(benchmark::State& state) {
  const Globe& globe = ComposedGlobe();
  if (globe.texture.empty()) return state.SkipWithError("no texture (data/maps missing?)");
  FrameBuffer frame = MakeFrame();
  const ViewState view = BenchView(RadiusOf(state));
  Settings settings;
  const OverlayContext o{frame, view, settings};
  const int threads = static_cast<int>(state.range(1));
  RenderHelper helper;  // the second core's thread, kept as the application keeps it
  for (auto _ : state) {
    RenderSphere(o, globe.texture, threads, &helper);
    benchmark::DoNotOptimize(frame.data());
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The plain way: every pixel of the disc to latitude and longitude with asin and atan2 in
// double precision, then the nearest texel.
void RenderSphere_DoubleReference(benchmark::State& state) {
  const Globe& globe = ComposedGlobe();
  if (globe.texture.empty()) return state.SkipWithError("no texture (data/maps missing?)");
  FrameBuffer frame = MakeFrame();
  const ViewState view = BenchView(RadiusOf(state));
  const ComposedTexture& t = globe.texture;
  const double r = view.globeRadius;
  const double lat0 = -view.viewLatitude * kRadiansPerUnit;
  const double lon0 = (view.viewLongitude - kQuarterTurn) * kRadiansPerUnit;
  const double s0 = std::sin(lat0), c0 = std::cos(lat0);
  const double pi = std::numbers::pi;
  for (auto _ : state) {
    for (int y = 0; y < kViewHeight; ++y) {
      Color565* row = &frame.at(0, y);
      for (int x = 0; x < kViewWidth; ++x) {
        const double px = (x - kViewCenterX) / r, py = (kViewCenterY - y) / r;
        const double rho2 = px * px + py * py;
        if (rho2 > 1) {
          row[x] = 0;
          continue;
        }
        const double z = std::sqrt(1 - rho2);
        const double lat = std::asin(py * c0 + z * s0);
        double lon = lon0 + std::atan2(px, z * c0 - py * s0);
        if (lon < -pi) lon += 2 * pi;
        if (lon >= pi) lon -= 2 * pi;
        const int tu = std::min(t.width - 1, static_cast<int>((lon + pi) / (2 * pi) * t.width));
        const int tv = std::min(t.height - 1, static_cast<int>((pi / 2 - lat) / pi * t.height));
        row[x] = t.at(tu, tv);
      }
    }
    benchmark::DoNotOptimize(frame.data());
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void RebuildTexture_ShadowOverlay(benchmark::State& state) {
  const Settings s = ShadowOverlaySettings();
  const TextureSource source = MakeTextureSource(s, kDataDir, kInstant);
  Globe globe;
  for (auto _ : state) {
    if (RebuildTexture(globe, source, {}, false) != 0 || globe.texture.empty()) {
      return state.SkipWithError("composition failed");
    }
    benchmark::DoNotOptimize(globe.texture.pixels.get());
  }
}

// giflib reading one map row by row into 0x00RRGGBB.
class GiflibRows {
 public:
  explicit GiflibRows(const std::string& path) {
    int err = 0;
    gif_ = DGifOpenFileName(path.c_str(), &err);
    GifRecordType type;
    while (gif_ && DGifGetRecordType(gif_, &type) == GIF_OK) {
      if (type == EXTENSION_RECORD_TYPE) {
        int code;
        GifByteType* ext;
        if (DGifGetExtension(gif_, &code, &ext) != GIF_OK) break;
        while (ext && DGifGetExtensionNext(gif_, &ext) == GIF_OK) {
        }
      } else if (type == IMAGE_DESC_RECORD_TYPE) {
        if (DGifGetImageDesc(gif_) != GIF_OK) break;
        width = gif_->Image.Width;
        height = gif_->Image.Height;
        const ColorMapObject* map = gif_->Image.ColorMap ? gif_->Image.ColorMap : gif_->SColorMap;
        for (int i = 0; map && i < map->ColorCount && i < 256; ++i) {
          const GifColorType& c = map->Colors[i];
          palette_[i] = (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
        }
        line_.resize(static_cast<size_t>(width));
        return;
      } else {
        break;
      }
    }
  }
  ~GiflibRows() {
    int err = 0;
    if (gif_) DGifCloseFile(gif_, &err);
  }
  bool Next(uint32_t* row) {
    if (!gif_ || width == 0 || DGifGetLine(gif_, line_.data(), width) != GIF_OK) return false;
    for (int x = 0; x < width; ++x) row[x] = palette_[line_[x]];
    return true;
  }
  int width = 0, height = 0;

 private:
  GifFileType* gif_ = nullptr;
  uint32_t palette_[256] = {};
  std::vector<GifPixelType> line_;
};

// The same composition done the direct way: giflib rows, and per texel the hour angle,
// one cosine, one arcsine and the terminator ramp, then the Day/Night blend.
void RebuildTexture_GiflibReference(benchmark::State& state) {
  const Settings s = ShadowOverlaySettings();
  Globe scratch;
  for (auto _ : state) {
    GiflibRows day((kDataDir / "maps" / s.mainMapFile).string());
    GiflibRows night((kDataDir / "maps" / s.overlayMapFile).string());
    if (day.width == 0 || day.width != night.width) return state.SkipWithError("giflib cannot read the maps");
    const int w = day.width, h = day.height;
    std::vector<Color565> texture(static_cast<size_t>(w) * h);
    std::vector<uint32_t> dayRow(static_cast<size_t>(w)), nightRow(static_cast<size_t>(w));
    int32_t sinDecl, cosDecl;
    const int32_t g = SunForShading(scratch, kInstant, sinDecl, cosDecl);
    const int night0 = 0;  // Day/Night: the night factor is 0
    const int32_t halfWidth = (100 - s.earthShadowSpecularity) * 16256 / 100 + 128;
    const uint32_t bright = static_cast<uint32_t>(s.textureBrightness * 256 / 100);
    for (int r = 0; r < h; ++r) {
      if (!day.Next(dayRow.data()) || !night.Next(nightRow.data())) return state.SkipWithError("giflib decode failed");
      int32_t phi = (h / 2 - r) * 32768 / h;
      if (phi < 0) phi += kTurn;
      const int32_t a = SinLookup(phi) * sinDecl / 32768;
      const int32_t b = CosLookup(phi) * cosDecl / 32768;
      Color565* out = &texture[static_cast<size_t>(r) * w];
      for (int c = 0; c < w; ++c) {
        const int32_t lambda = static_cast<int32_t>((int64_t{c} - w / 2) * kTurn / w);
        const int32_t hour = (g + lambda) & (kTurn - 1);
        int32_t e = AsinLookup(std::clamp(a + CosLookup(hour) * b / 32768 + 32768, 0, kTurn));
        if (e > kQuarterTurn) e -= kTurn;
        int32_t light;
        if (e >= halfWidth) light = 256;
        else if (e >= -halfWidth) light = night0 + (e + halfWidth) * (256 - night0) / (2 * halfWidth);
        else light = night0;
        const uint32_t p = dayRow[c], q = nightRow[c];
        const uint32_t red = (((q >> 16) & 255) * (256 - light) + ((p >> 16) & 255) * light) / 256;
        const uint32_t green = (((q >> 8) & 255) * (256 - light) + ((p >> 8) & 255) * light) / 256;
        const uint32_t blue = ((q & 255) * (256 - light) + (p & 255) * light) / 256;
        out[c] = static_cast<Color565>(((red * bright >> 11) & 31) << 11 | ((green * bright >> 10) & 63) << 5 |
                                       ((blue * bright >> 11) & 31));
      }
    }
    benchmark::DoNotOptimize(texture.data());
  }
}

BENCHMARK(RenderSphere_Integer)->Args({118, 1})->Args({118, 2})->Args({0, 1})->Args({0, 2})->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RenderSphere_DoubleReference)->Arg(118)->Arg(0)->Unit(benchmark::kMicrosecond);
// Only the texels of the default sphere (radius 118) at the given view latitude.
void RebuildTexture_SphereDemand(benchmark::State& state) {
  const Settings s = ShadowOverlaySettings();
  Globe globe;
  globe.view.globeRadius = 118;
  BuildColumnTables(globe.view);
  CenterOn(globe.view, static_cast<double>(state.range(0)) * std::numbers::pi / 180, 0);
  TextureSource source = MakeTextureSource(s, kDataDir, kInstant);
  source.demand = [&](TexelDemand& demand) { MarkSphereDemand(globe.view, s, demand); };
  for (auto _ : state) {
    if (RebuildTexture(globe, source, {}, false) != 0 || globe.texture.empty()) {
      return state.SkipWithError("composition failed");
    }
    benchmark::DoNotOptimize(globe.texture.pixels.get());
  }
}

// orrelux --render at 240 x 320, without the process start.
void RenderCommand_OneShot(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orx_bench_render_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::vector<std::string> args = {"orrelux", "--render", (dir / "globe.png").string(), "--data-dir", kDataDir.string(),
                                   "--time", "2026-06-21T15:00:00Z"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  for (auto _ : state) {
    if (RunRenderCommand(static_cast<int>(argv.size()), argv.data(), dir / "settings.ini") != 0) {
      state.SkipWithError("render failed");
      break;
    }
  }
  std::filesystem::remove_all(dir);
}

BENCHMARK(RebuildTexture_ShadowOverlay)->Unit(benchmark::kMillisecond);
BENCHMARK(RebuildTexture_SphereDemand)->Arg(0)->Arg(60)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderCommand_OneShot)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RebuildTexture_GiflibReference)->Unit(benchmark::kMillisecond);

// One composition of DIR/maps/Day.gif and Night.gif with the shadow and the overlay.
int PeakMemoryRun(const char* dir) {
  const Settings s = ShadowOverlaySettings();
  Globe globe;
  const auto start = std::chrono::steady_clock::now();
  const int status = RebuildTexture(globe, MakeTextureSource(s, dir, kInstant),
                                    {nullptr, [](const char* text, const char*, bool) { std::fprintf(stderr, "%s\n", text); }},
                                    false);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (status != 0 || globe.texture.empty()) {
    std::fprintf(stderr, "bench_globe: composing the maps in %s failed (status %d)\n", dir, status);
    return 1;
  }
  std::printf("composed %d x %d in %.1f ms\n", globe.texture.width, globe.texture.height, ms);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--peak-memory") == 0) return PeakMemoryRun(argv[2]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
