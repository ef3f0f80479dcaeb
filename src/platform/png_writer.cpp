#include "platform/png_writer.h"

#include <png.h>

#include <cstdlib>
#include <span>

#include "platform/files.h"

namespace orx::platform {

bool WritePng565(const std::string& path, const uint16_t* pixels, int width, int height, int strideUnits) {
  // PNG limits a side to 2^31 - 1; this program never needs more than a screenful.
  constexpr int kMaxSide = 1 << 15;
  if (!pixels || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      strideUnits < width)
    return false;

  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  uint8_t* out = rgb.data();
  for (int y = 0; y < height; ++y) {
    const uint16_t* row = pixels + static_cast<size_t>(y) * strideUnits;
    for (int x = 0; x < width; ++x) {
      const uint32_t c = row[x];
      const uint32_t r = c >> 11, g = (c >> 5) & 63, b = c & 31;
      *out++ = static_cast<uint8_t>((r << 3) | (r >> 2));
      *out++ = static_cast<uint8_t>((g << 2) | (g >> 4));
      *out++ = static_cast<uint8_t>((b << 3) | (b >> 2));
    }
  }

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  // Fast compression: a screenful compresses well enough, and the picture is encoded once
  // into a buffer of the largest size it can take.
  image.flags = PNG_IMAGE_FLAG_FAST;
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
  std::vector<uint8_t> encoded(size);
  if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  encoded.resize(size);
  return WriteFileAtomic(path, std::span<const uint8_t>(encoded));
}

bool ReadPng(const std::string& path, int& width, int& height, std::vector<uint32_t>& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  constexpr png_uint_32 kMaxPixels = 1u << 26;
  if (image.width == 0 || image.height == 0 || image.width > kMaxPixels / image.height) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  rgb.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = (uint32_t{bytes[i * 3]} << 16) | (uint32_t{bytes[i * 3 + 1]} << 8) | bytes[i * 3 + 2];
  return true;
}

}  // namespace orx::platform
