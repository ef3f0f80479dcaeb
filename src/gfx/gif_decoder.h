// GifDecoder: reads the first image of a GIF from memory and writes its palette colours
// straight into 16-bit Color565, 24-bit R,G,B or 32-bit 0x00RRGGBB pixels, either the
// whole image at once or one row at a time. Every read is bounds-checked: damaged data
// gives an error, never a read or write outside the buffers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace orx {

enum class GifError {
  kNone,
  kNotGif,          // bad signature or version byte
  kTruncated,       // the data ends before the image does
  kNoImage,         // no image descriptor before the trailer or the end of the data
  kEmptyImage,      // width or height 0
  kTooLarge,        // the pixel buffer would overflow or exceed kMaxImageBytes
  kBadCodeSize,     // LZW minimum code size outside 2..8
  kBadCode,         // a code beyond the next free table entry
  kBadFirstCode,    // the first code after a clear code is not a literal
  kBadFormat,       // bytes per pixel other than 2, 3 or 4
  kNotStarted,      // decoding asked for before a header was read
  kFinished,        // every row has been delivered
  kOutOfMemory,
};

// A short English text for `error` ("the data ends early", ...).
const char* GifErrorText(GifError error);

// The largest whole-image pixel buffer a decode will fill: 1 GiB.
inline constexpr size_t kMaxImageBytes = size_t{1} << 30;

struct GifInfo {
  int32_t width = 0;       // of the first image, 1..65535 once read
  int32_t height = 0;
  int32_t colorCount = 0;  // entries of the table in use (local, else global; 0 when none)
  bool interlaced = false;
  // 0x00RRGGBB (in memory: blue, green, red, 0); entries past the table are black, so
  // every 8-bit index is safe.
  std::array<uint32_t, 256> palette{};
};

// Bytes of a width x height image at `bytesPerPixel`, or 0 when that overflows or exceeds
// kMaxImageBytes.
size_t GifImageBytes(const GifInfo& info, int bytesPerPixel);

class GifDecoder {
 public:
  GifDecoder();
  ~GifDecoder();
  GifDecoder(const GifDecoder&) = delete;
  GifDecoder& operator=(const GifDecoder&) = delete;

  // Parses the header, the colour tables, the extensions and the first image descriptor
  // (enough for info()). `data` must stay valid while decoding.
  GifError ReadHeader(std::span<const uint8_t> data);
  // Prepares LZW decoding of the image read by ReadHeader.
  GifError Start();
  // ReadHeader and Start.
  GifError Open(std::span<const uint8_t> data);
  // The next row (width pixels) in file order, at 2, 3 or 4 bytes per pixel.
  // kFinished after the last row; after any error every later call fails too.
  GifError DecodeRow(uint8_t* out, int bytesPerPixel);
  // The whole image, rows `stride` bytes apart, top row first; interlaced images are
  // put in display order. Call right after Open; frees the tables when done.
  GifError DecodeImage(uint8_t* out, int bytesPerPixel, size_t stride);
  // Frees the LZW tables; later decode calls return kFinished.
  void Finish();

  const GifInfo& info() const { return info_; }
  int32_t rowsDone() const { return rowsDone_; }

 private:
  struct Lzw;
  GifError DecodeIndices(uint8_t* dst, int count);
  bool Refill();
  void PreparePalette(int bytesPerPixel);

  std::span<const uint8_t> data_;
  GifInfo info_;
  size_t imageOffset_ = 0;  // the LZW minimum code size byte; 0 until a header is read
  size_t dataOffset_ = 0;   // next sub-block length byte of the image data
  bool dataEnded_ = false; // the block terminator (or the end of the data) was reached
  int32_t rowsDone_ = 0;
  GifError state_ = GifError::kNotStarted;  // kNone while decoding is possible
  int preparedFormat_ = 0;                  // bytes per pixel of the converted palette
  std::unique_ptr<Lzw> lzw_;
};

}  // namespace orx
