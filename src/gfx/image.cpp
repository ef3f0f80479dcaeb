#include "gfx/image.h"

#include <new>

#include "gfx/gif_decoder.h"
#include "platform/resources.h"

namespace orx {

ImageObject::ImageObject() = default;
ImageObject::~ImageObject() = default;
ImageObject::ImageObject(ImageObject&&) noexcept = default;
ImageObject& ImageObject::operator=(ImageObject&&) noexcept = default;

ImageObject MakeResourceImage(int resourceId) {
  ImageObject image;
  image.resourceId = resourceId;
  return image;
}

ImageObject MakeFileImage(const std::string& path) {
  ImageObject image;
  image.fileName = path;
  return image;
}

namespace {

// The GIF bytes of a resource image, or of a file image through `mapping` (which must
// outlive the use of the bytes). Empty when they cannot be had.
std::span<const uint8_t> SourceBytes(const ImageObject& image, platform::MappedFile& mapping) {
  if (image.resourceId != -1) return platform::FindResource("GIF", image.resourceId & 0xFFFF);
  if (image.fileName.empty() || !mapping.Open(image.fileName)) return {};
  return mapping.bytes();
}

}  // namespace

int Load(ImageObject& image, uint8_t* buffer, int mode) {
  if (mode != kLoadHeader && mode != kLoadWhole) return 0;
  platform::MappedFile mapping;
  const std::span<const uint8_t> bytes = SourceBytes(image, mapping);
  if (bytes.empty()) return 0;

  GifDecoder decoder;
  if (decoder.ReadHeader(bytes) != GifError::kNone) return 0;
  image.width = decoder.info().width;
  image.height = decoder.info().height;
  if (mode == kLoadHeader) return 1;

  const int bpp = image.bytesPerPixel;
  const size_t size = GifImageBytes(decoder.info(), bpp);
  if (size == 0 || bpp < 2 || bpp > 4) return 0;
  std::unique_ptr<uint8_t[]> own;
  if (!buffer) {
    own.reset(new (std::nothrow) uint8_t[size]);
    if (!own) return 0;
    buffer = own.get();
  }
  const size_t stride = static_cast<size_t>(image.width) * static_cast<size_t>(bpp);
  if (decoder.Start() != GifError::kNone || decoder.DecodeImage(buffer, bpp, stride) != GifError::kNone) {
    if (own) image.pixels.reset();  // no half-decoded own picture is kept
    return 0;
  }
  if (own) image.pixels = std::move(own);
  return 1;
}

int Width(ImageObject& image) {
  if (image.width == 0) Load(image, nullptr, kLoadHeader);
  return image.width;
}

int Height(ImageObject& image) {
  if (image.height == 0) Load(image, nullptr, kLoadHeader);
  return image.height;
}

int OpenRows(ImageObject& image) {
  CloseRows(image);
  if (image.resourceId != -1) return 0;
  if (image.fileName.empty() || !image.file.Open(image.fileName)) {
    image.file.Close();
    return 0;
  }
  return 1;
}

int ReadRow(ImageObject& image, uint32_t* row) {
  if (!image.file.isOpen()) return 0;
  if (!image.rowDecoder) {
    auto decoder = std::unique_ptr<GifDecoder>(new (std::nothrow) GifDecoder());
    if (!decoder) return 0;
    image.rowDecoder = std::move(decoder);
    if (image.rowDecoder->Open(image.file.bytes()) != GifError::kNone) {
      image.rowDecoder->Finish();  // later calls fail until the rows are reopened
      return 0;
    }
    image.width = image.rowDecoder->info().width;
    image.height = image.rowDecoder->info().height;
  }
  return image.rowDecoder->DecodeRow(reinterpret_cast<uint8_t*>(row), 4) == GifError::kNone ? 1 : 0;
}

void CloseRows(ImageObject& image) {
  image.rowDecoder.reset();
  image.file.Close();
}

void Destroy(ImageObject& image) {
  CloseRows(image);
  image.pixels.reset();
}

}  // namespace orx
