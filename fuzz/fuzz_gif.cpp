// Feeds arbitrary bytes to the GIF decoder: the header, whole-image decodes at 2, 3 and
// 4 bytes per pixel, and row-by-row reading through an image object over a temp file.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "gfx/gif_decoder.h"
#include "gfx/image.h"

namespace {

// Whole decodes are limited to what a fuzzing run can afford to fill.
constexpr size_t kMaxFuzzPixels = size_t{1} << 18;

void DecodeWhole(std::span<const uint8_t> data, int bpp) {
  orx::GifDecoder d;
  if (d.Open(data) != orx::GifError::kNone) return;
  const size_t bytes = orx::GifImageBytes(d.info(), bpp);
  if (bytes == 0 || bytes / bpp > kMaxFuzzPixels) return;
  std::unique_ptr<uint8_t[]> out(new uint8_t[bytes]);
  d.DecodeImage(out.get(), bpp, static_cast<size_t>(d.info().width) * bpp);
}

const std::string& TempPath() {
  static const std::string path = "/tmp/fuzz_gif_" + std::to_string(getpid()) + ".gif";
  return path;
}

void ReadRows(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(TempPath().c_str(), "wb");
  if (!f) return;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  std::fclose(f);
  if (!ok) return;
  orx::ImageObject image = orx::MakeFileImage(TempPath());
  if (!orx::OpenRows(image)) return;
  static std::vector<uint32_t> row(65536);
  // Stops after the last row or the first error, or when a huge image gets too costly.
  for (size_t pixels = 0; pixels < kMaxFuzzPixels && orx::ReadRow(image, row.data()); pixels += size_t(image.width)) {
  }
  orx::ReadRow(image, row.data());
  orx::CloseRows(image);
  orx::Destroy(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  for (int bpp : {2, 3, 4}) DecodeWhole(bytes, bpp);
  ReadRows(data, size);
  return 0;
}
