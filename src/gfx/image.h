// ImageObject: a GIF picture from an embedded resource or a file, with its pixels in the
// frame buffer's format; whole-image loading and row-by-row reading of mapped files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/color.h"
#include "platform/files.h"

namespace orx {

class GifDecoder;  // gfx/gif_decoder.h

struct ImageObject {
  ImageObject();
  ~ImageObject();
  ImageObject(ImageObject&&) noexcept;
  ImageObject& operator=(ImageObject&&) noexcept;

  int32_t width = 0;          // 0 until the header has been read
  int32_t height = 0;
  int32_t bytesPerPixel = 2;  // output format: 2 = Color565, 3 = R,G,B bytes, 4 = 0x00RRGGBB
  std::string fileName;       // UTF-8 path; empty for a resource image
  uint32_t colorKey = 0xFF00FF;
  int32_t resourceId = -1;    // GIF resource identifier, -1 for a file
  std::unique_ptr<uint8_t[]> pixels;  // own buffer: width x height x bytesPerPixel, or null
  platform::MappedFile file;          // open between OpenRows and CloseRows
  std::unique_ptr<GifDecoder> rowDecoder;

  // The pixels as Color565 (bytesPerPixel 2), or null.
  const Color565* pixels16() const { return reinterpret_cast<const Color565*>(pixels.get()); }
};

ImageObject MakeResourceImage(int resourceId);
ImageObject MakeFileImage(const std::string& path);

enum LoadMode { kLoadHeader = 0, kLoadWhole = 1 };

// Mode 0 reads only the header (width, height); mode 1 decodes the whole image into
// `buffer` (which must hold width x height x bytesPerPixel bytes) or, when null, into a
// newly allocated own buffer. Returns 1 on success, 0 on failure.
int Load(ImageObject& image, uint8_t* buffer, int mode);
// Width and height, reading the header first when still 0 (0 when it cannot be read).
int Width(ImageObject& image);
int Height(ImageObject& image);
// Maps the file for row-by-row reading; 1 or 0 (everything closed on failure).
int OpenRows(ImageObject& image);
// The next row as width 32-bit 0x00RRGGBB pixels in `row`: 1, or 0 after the last row
// or on a decoding error (and on every call after that until CloseRows). Rows come in
// file order, which for an interlaced file is the order of its passes.
int ReadRow(ImageObject& image, uint32_t* row);
void CloseRows(ImageObject& image);
// Frees the pixels and closes any open rows.
void Destroy(ImageObject& image);

}  // namespace orx
