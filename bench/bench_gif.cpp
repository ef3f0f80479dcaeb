// Decoding the 2048 x 1024 day map: the program's decoder beside giflib (row by row with
// DGifGetLine and palette expansion) and stb_image (whole image), in one run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "gfx/gif_decoder.h"
#include "gfx/image.h"
#include "platform/files.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

const std::string kMap = ORRELUX_SOURCE_DIR "/data/maps/Day.gif";

const std::vector<uint8_t>& MapBytes() {
  static const std::vector<uint8_t> bytes = orx::platform::ReadWholeFile(kMap).value_or(std::vector<uint8_t>{});
  return bytes;
}

void Ours_Whole32(benchmark::State& state) {
  const auto& bytes = MapBytes();
  orx::GifDecoder probe;
  if (probe.ReadHeader(bytes) != orx::GifError::kNone) return state.SkipWithError("cannot read the map");
  const int w = probe.info().width, h = probe.info().height;
  std::vector<uint32_t> pixels(size_t(w) * h);
  for (auto _ : state) {
    orx::GifDecoder d;
    if (d.Open(bytes) != orx::GifError::kNone ||
        d.DecodeImage(reinterpret_cast<uint8_t*>(pixels.data()), 4, size_t(w) * 4) != orx::GifError::kNone) {
      return state.SkipWithError("decode failed");
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}

void Ours_Whole16(benchmark::State& state) {
  const auto& bytes = MapBytes();
  orx::GifDecoder probe;
  if (probe.ReadHeader(bytes) != orx::GifError::kNone) return state.SkipWithError("cannot read the map");
  const int w = probe.info().width, h = probe.info().height;
  std::vector<uint16_t> pixels(size_t(w) * h);
  for (auto _ : state) {
    orx::GifDecoder d;
    if (d.Open(bytes) != orx::GifError::kNone ||
        d.DecodeImage(reinterpret_cast<uint8_t*>(pixels.data()), 2, size_t(w) * 2) != orx::GifError::kNone) {
      return state.SkipWithError("decode failed");
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}

// Rows through the image object from the mapped file, as the texture builder reads them.
void Ours_ReadRow(benchmark::State& state) {
  orx::ImageObject image = orx::MakeFileImage(kMap);
  const int w = orx::Width(image), h = orx::Height(image);
  if (w == 0) return state.SkipWithError("cannot read the map");
  std::vector<uint32_t> row(static_cast<size_t>(w));
  for (auto _ : state) {
    if (!orx::OpenRows(image)) return state.SkipWithError("cannot map the file");
    int rows = 0;
    while (orx::ReadRow(image, row.data())) ++rows;
    orx::CloseRows(image);
    if (rows != h) return state.SkipWithError("short decode");
    benchmark::DoNotOptimize(row.data());
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}

// giflib: DGifGetLine row by row, each row expanded to 0x00RRGGBB through the palette.
void Giflib_GetLine(benchmark::State& state) {
  int64_t pixels = 0;
  for (auto _ : state) {
    int err = 0;
    GifFileType* gif = DGifOpenFileName(kMap.c_str(), &err);
    if (!gif) return state.SkipWithError("giflib cannot open the map");
    GifRecordType type;
    bool done = false;
    while (!done && DGifGetRecordType(gif, &type) == GIF_OK) {
      if (type == EXTENSION_RECORD_TYPE) {
        int code;
        GifByteType* ext;
        if (DGifGetExtension(gif, &code, &ext) != GIF_OK) break;
        while (ext && DGifGetExtensionNext(gif, &ext) == GIF_OK) {
        }
      } else if (type == IMAGE_DESC_RECORD_TYPE) {
        if (DGifGetImageDesc(gif) != GIF_OK) break;
        const int w = gif->Image.Width, h = gif->Image.Height;
        const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
        uint32_t pal[256] = {};
        for (int i = 0; map && i < map->ColorCount && i < 256; ++i) {
          const GifColorType& c = map->Colors[i];
          pal[i] = (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
        }
        std::vector<GifPixelType> line(static_cast<size_t>(w));
        std::vector<uint32_t> row(static_cast<size_t>(w));
        for (int y = 0; y < h; ++y) {
          if (DGifGetLine(gif, line.data(), w) != GIF_OK) {
            DGifCloseFile(gif, &err);
            return state.SkipWithError("giflib decode failed");
          }
          for (int x = 0; x < w; ++x) row[x] = pal[line[x]];
          benchmark::DoNotOptimize(row.data());
        }
        pixels += int64_t(w) * h;
        done = true;
      } else if (type == TERMINATE_RECORD_TYPE) {
        break;
      }
    }
    DGifCloseFile(gif, &err);
  }
  state.SetItemsProcessed(pixels);
}

void Stb_LoadFromMemory(benchmark::State& state) {
  const auto& bytes = MapBytes();
  int64_t pixels = 0;
  for (auto _ : state) {
    int w, h, comp;
    uint8_t* p = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &comp, 4);
    if (!p) return state.SkipWithError("stb_image cannot decode the map");
    benchmark::DoNotOptimize(p);
    stbi_image_free(p);
    pixels += int64_t(w) * h;
  }
  state.SetItemsProcessed(pixels);
}

}  // namespace

BENCHMARK(Ours_Whole32)->Unit(benchmark::kMillisecond);
BENCHMARK(Ours_Whole16)->Unit(benchmark::kMillisecond);
BENCHMARK(Ours_ReadRow)->Unit(benchmark::kMillisecond);
BENCHMARK(Giflib_GetLine)->Unit(benchmark::kMillisecond);
BENCHMARK(Stb_LoadFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
