#include "gfx/gif_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "gfx/color.h"

namespace orx {
namespace {

constexpr int kMaxCodes = 4096;        // 12-bit LZW codes
constexpr size_t kChunkBytes = 16384;  // compressed bytes gathered from sub-blocks at a time

// A bounds-checked reader over the GIF bytes; every read reports whether it fitted.
class ByteCursor {
 public:
  ByteCursor(std::span<const uint8_t> data, size_t pos) : data_(data), pos_(pos) {}
  bool Read8(uint8_t& v) {
    if (pos_ >= data_.size()) return false;
    v = data_[pos_++];
    return true;
  }
  bool Read16(uint16_t& v) {
    if (data_.size() - pos_ < 2 || pos_ > data_.size()) return false;
    v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool Take(size_t n, const uint8_t*& p) {
    if (pos_ > data_.size() || data_.size() - pos_ < n) return false;
    p = data_.data() + pos_;
    pos_ += n;
    return true;
  }
  bool Skip(size_t n) {
    const uint8_t* unused;
    return Take(n, unused);
  }
  // Skips data sub-blocks up to and including the zero-length terminator.
  bool SkipSubBlocks() {
    for (;;) {
      uint8_t len;
      if (!Read8(len)) return false;
      if (len == 0) return true;
      if (!Skip(len)) return false;
    }
  }
  size_t pos() const { return pos_; }

 private:
  std::span<const uint8_t> data_;
  size_t pos_;
};

// Reads a colour table of `entries` R,G,B triples into `palette` as 0x00RRGGBB and
// blackens the entries past it.
bool ReadColorTable(ByteCursor& cur, int entries, std::array<uint32_t, 256>& palette) {
  const uint8_t* p;
  if (!cur.Take(static_cast<size_t>(entries) * 3, p)) return false;
  palette.fill(0);
  for (int i = 0; i < entries; ++i, p += 3) {
    palette[i] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  }
  return true;
}

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

inline void Store64(uint8_t* p, uint64_t v) {
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}

}  // namespace

const char* GifErrorText(GifError error) {
  switch (error) {
    case GifError::kNone: return "no error";
    case GifError::kNotGif: return "not a GIF file";
    case GifError::kTruncated: return "the data ends early";
    case GifError::kNoImage: return "the file holds no image";
    case GifError::kEmptyImage: return "the image has no pixels";
    case GifError::kTooLarge: return "the image is too large";
    case GifError::kBadCodeSize: return "invalid LZW code size";
    case GifError::kBadCode: return "invalid LZW code";
    case GifError::kBadFirstCode: return "the first code after a clear code is not a colour";
    case GifError::kBadFormat: return "unsupported pixel format";
    case GifError::kNotStarted: return "decoding has not been started";
    case GifError::kFinished: return "all rows have been read";
    case GifError::kOutOfMemory: return "out of memory";
  }
  return "unknown error";
}

size_t GifImageBytes(const GifInfo& info, int bytesPerPixel) {
  if (info.width <= 0 || info.height <= 0 || bytesPerPixel <= 0) return 0;
  const uint64_t bytes = uint64_t(info.width) * uint64_t(info.height) * uint64_t(bytesPerPixel);
  return bytes > kMaxImageBytes ? 0 : static_cast<size_t>(bytes);
}

// The LZW state of one decode. A code's string is kept as its last 1..8 indices (`tail`,
// first index in the lowest byte) and the code of the string before them (`back`), whose
// length is a multiple of 8; so a string of n pixels is written with n / 8 + 1 loads and
// 8-byte stores. Buffers written that way have 8 bytes of slack at their end.
struct GifDecoder::Lzw {
  uint64_t tail[kMaxCodes];
  uint32_t meta[kMaxCodes];          // back code in bits 0-15, string length (1..4096) above
  uint8_t pending[kMaxCodes + 8];    // a string that did not fit the last row
  uint8_t chunk[kChunkBytes];        // compressed bytes copied out of the sub-blocks
  uint16_t pal16[256];
  uint8_t pal24[256 * 3];
  std::unique_ptr<uint8_t[]> row;    // width palette indices and 8 bytes of slack

  const uint8_t* ptr = nullptr;  // next unread byte in chunk
  const uint8_t* end = nullptr;  // end of the valid bytes in chunk
  uint64_t acc = 0;              // held bits, least significant first
  int bits = 0;                  // number of held bits, 0..63

  int clear = 0;
  int endCode = 0;
  int nextFree = 0;
  int codeSize = 0;   // 3..12 bits
  int limit = 0;      // 1 << codeSize
  int prev = -1;      // previous code, -1 right after a clear code
  int firstChar = 0;  // first index of the previous code's string
  int pendingPos = 0;
  int pendingEnd = 0;
  int minCodeSize = 0;
  bool ended = false;  // the end code was read

  // Entry `code` = the string of `prefix` followed by index `suffix`.
  void AddEntry(int code, int prefix, int suffix) {
    const uint32_t mp = meta[prefix];
    const uint32_t lp = mp >> 16;
    if ((lp & 7) == 0) {
      tail[code] = static_cast<uint64_t>(suffix);
      meta[code] = ((lp + 1) << 16) | static_cast<uint32_t>(prefix);
    } else {
      tail[code] = tail[prefix] | (static_cast<uint64_t>(suffix) << (8 * (lp & 7)));
      meta[code] = ((lp + 1) << 16) | (mp & 0xFFFF);
    }
  }

  void Reset() {
    codeSize = minCodeSize + 1;
    limit = 1 << codeSize;
    nextFree = clear + 2;
    prev = -1;
  }
};

GifDecoder::GifDecoder() = default;
GifDecoder::~GifDecoder() = default;

GifError GifDecoder::Open(std::span<const uint8_t> data) {
  const GifError e = ReadHeader(data);
  return e == GifError::kNone ? Start() : e;
}

GifError GifDecoder::ReadHeader(std::span<const uint8_t> data) {
  lzw_.reset();
  data_ = data;
  info_ = GifInfo{};
  rowsDone_ = 0;
  imageOffset_ = 0;
  dataEnded_ = false;
  preparedFormat_ = 0;
  state_ = GifError::kNotStarted;

  ByteCursor cur(data, 0);
  const uint8_t* sig;
  if (!cur.Take(6, sig)) return GifError::kNotGif;
  if (sig[0] != 'G' || sig[1] != 'I' || sig[2] != 'F' || (sig[4] != '7' && sig[4] != '9')) {
    return GifError::kNotGif;
  }
  uint8_t packed, unused;
  if (!cur.Skip(4) || !cur.Read8(packed) || !cur.Read8(unused) || !cur.Read8(unused)) {
    return GifError::kTruncated;
  }
  if (packed & 0x80) {
    info_.colorCount = 2 << (packed & 7);
    if (!ReadColorTable(cur, info_.colorCount, info_.palette)) return GifError::kTruncated;
  }

  // Extensions are skipped by their sub-blocks; stray bytes between blocks are passed over.
  for (;;) {
    uint8_t b;
    if (!cur.Read8(b)) return GifError::kNoImage;
    if (b == 0x2C) break;
    if (b == 0x3B) return GifError::kNoImage;
    if (b == 0x21) {
      if (!cur.Read8(b) || !cur.SkipSubBlocks()) return GifError::kNoImage;
    }
  }

  uint16_t w, h;
  if (!cur.Skip(4) || !cur.Read16(w) || !cur.Read16(h) || !cur.Read8(packed)) {
    return GifError::kTruncated;
  }
  info_.width = w;
  info_.height = h;
  info_.interlaced = (packed & 0x40) != 0;
  if (packed & 0x80) {
    info_.colorCount = 2 << (packed & 7);
    if (!ReadColorTable(cur, info_.colorCount, info_.palette)) return GifError::kTruncated;
  }
  if (w == 0 || h == 0) return GifError::kEmptyImage;
  imageOffset_ = cur.pos();
  return GifError::kNone;
}

GifError GifDecoder::Start() {
  lzw_.reset();
  if (imageOffset_ == 0) return state_ = GifError::kNotStarted;
  if (imageOffset_ >= data_.size()) return state_ = GifError::kTruncated;
  const int minCodeSize = data_[imageOffset_];
  if (minCodeSize < 2 || minCodeSize > 8) return state_ = GifError::kBadCodeSize;

  std::unique_ptr<Lzw> lzw(new (std::nothrow) Lzw());
  if (!lzw) return state_ = GifError::kOutOfMemory;
  lzw->row.reset(new (std::nothrow) uint8_t[static_cast<size_t>(info_.width) + 8]);
  if (!lzw->row) return state_ = GifError::kOutOfMemory;
  lzw->minCodeSize = minCodeSize;
  lzw->clear = 1 << minCodeSize;
  lzw->endCode = lzw->clear + 1;
  for (int i = 0; i < lzw->clear; ++i) {
    lzw->tail[i] = static_cast<uint64_t>(i);
    lzw->meta[i] = 1u << 16;
  }
  lzw->Reset();
  lzw->ptr = lzw->end = lzw->chunk;
  lzw_ = std::move(lzw);
  dataOffset_ = imageOffset_ + 1;
  dataEnded_ = false;
  rowsDone_ = 0;
  preparedFormat_ = 0;
  return state_ = GifError::kNone;
}

void GifDecoder::Finish() {
  lzw_.reset();
  if (state_ == GifError::kNone) state_ = GifError::kFinished;
}

// Tops the bit accumulator up to at least 56 bits when the data allows, gathering more
// sub-blocks into the chunk when it runs low. False when fewer than codeSize bits remain.
bool GifDecoder::Refill() {
  Lzw& z = *lzw_;
  if (z.end - z.ptr < 8 && !dataEnded_) {
    const size_t keep = static_cast<size_t>(z.end - z.ptr);
    std::memmove(z.chunk, z.ptr, keep);
    uint8_t* fill = z.chunk + keep;
    uint8_t* const limit = z.chunk + kChunkBytes;
    while (limit - fill >= 255 && !dataEnded_) {
      if (dataOffset_ >= data_.size()) {
        dataEnded_ = true;
        break;
      }
      const size_t len = data_[dataOffset_];
      if (len == 0) {
        dataEnded_ = true;
        ++dataOffset_;
        break;
      }
      const size_t avail = std::min(len, data_.size() - dataOffset_ - 1);
      std::memcpy(fill, data_.data() + dataOffset_ + 1, avail);
      fill += avail;
      dataOffset_ += 1 + avail;
      if (avail < len) dataEnded_ = true;
    }
    z.ptr = z.chunk;
    z.end = fill;
  }
  if (z.end - z.ptr >= 8) {
    z.acc |= Load64(z.ptr) << z.bits;
    z.ptr += (63 - z.bits) >> 3;
    z.bits |= 56;
    return true;
  }
  while (z.bits <= 56 && z.ptr < z.end) {
    z.acc |= uint64_t{*z.ptr++} << z.bits;
    z.bits += 8;
  }
  return z.bits >= z.codeSize;
}

// Writes the next `count` palette indices to `dst`. A string that runs past `count` is
// kept in `pending` for the next call. After the end code the rest is index 0.
GifError GifDecoder::DecodeIndices(uint8_t* dst, int count) {
  Lzw& z = *lzw_;
  int i = 0;
  if (z.pendingPos < z.pendingEnd) {
    const int n = std::min(count, z.pendingEnd - z.pendingPos);
    std::memcpy(dst, z.pending + z.pendingPos, static_cast<size_t>(n));
    z.pendingPos += n;
    i = n;
  }
  while (i < count) {
    if (z.ended) {
      std::memset(dst + i, 0, static_cast<size_t>(count - i));
      break;
    }
    if (z.bits < z.codeSize && !Refill()) return GifError::kTruncated;
    const int code = static_cast<int>(z.acc & static_cast<uint64_t>(z.limit - 1));
    z.acc >>= z.codeSize;
    z.bits -= z.codeSize;

    if (code == z.clear) {
      z.Reset();
      continue;
    }
    if (code == z.endCode) {
      z.ended = true;
      continue;
    }
    if (z.prev < 0) {
      if (code > z.clear) return GifError::kBadFirstCode;
      dst[i++] = static_cast<uint8_t>(code);
      z.prev = code;
      z.firstChar = code;
      continue;
    }
    if (code > z.nextFree) return GifError::kBadCode;

    bool added = false;
    if (code == z.nextFree) {
      // The code being defined right now: the previous string plus its own first index.
      z.AddEntry(code, z.prev, z.firstChar);
      added = true;
    }
    const uint32_t m = z.meta[code];
    const int len = static_cast<int>(m >> 16);
    uint8_t* out = count - i >= len ? dst + i : z.pending;
    uint8_t* w = out + len - (((len - 1) & 7) + 1);
    Store64(w, z.tail[code]);
    for (int back = static_cast<int>(m & 0xFFFF); w > out; back = static_cast<int>(z.meta[back] & 0xFFFF)) {
      w -= 8;
      Store64(w, z.tail[back]);
    }
    const int c = out[0];
    if (!added && z.nextFree < kMaxCodes) {
      z.AddEntry(z.nextFree, z.prev, c);
      added = true;
    }
    if (added) {
      ++z.nextFree;
      if (z.nextFree == z.limit && z.codeSize < 12) {
        ++z.codeSize;
        z.limit <<= 1;
      }
    }
    z.prev = code;
    z.firstChar = c;

    if (out == z.pending) {
      const int n = count - i;
      std::memcpy(dst + i, z.pending, static_cast<size_t>(n));
      z.pendingPos = n;
      z.pendingEnd = len;
      i = count;
    } else {
      i += len;
    }
  }
  return GifError::kNone;
}

void GifDecoder::PreparePalette(int bytesPerPixel) {
  Lzw& z = *lzw_;
  for (int i = 0; i < 256; ++i) {
    const uint32_t c = info_.palette[i];
    const unsigned r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    z.pal16[i] = Rgb565(r, g, b);
    z.pal24[i * 3] = static_cast<uint8_t>(r);
    z.pal24[i * 3 + 1] = static_cast<uint8_t>(g);
    z.pal24[i * 3 + 2] = static_cast<uint8_t>(b);
  }
  preparedFormat_ = bytesPerPixel;
}

GifError GifDecoder::DecodeRow(uint8_t* out, int bytesPerPixel) {
  if (state_ != GifError::kNone) return state_;
  if (bytesPerPixel < 2 || bytesPerPixel > 4) return GifError::kBadFormat;
  if (rowsDone_ >= info_.height) {
    Finish();
    return state_;
  }
  if (preparedFormat_ == 0) PreparePalette(bytesPerPixel);
  Lzw& z = *lzw_;
  const int width = info_.width;
  const uint8_t* idx = z.row.get();
  const GifError e = DecodeIndices(z.row.get(), width);
  if (e != GifError::kNone) {
    lzw_.reset();
    return state_ = e;
  }
  switch (bytesPerPixel) {
    case 4: {
      const uint32_t* pal = info_.palette.data();
      for (int x = 0; x < width; ++x) std::memcpy(out + x * 4, &pal[idx[x]], 4);
      break;
    }
    case 3:
      for (int x = 0; x < width; ++x) std::memcpy(out + x * 3, &z.pal24[idx[x] * 3], 3);
      break;
    default:
      for (int x = 0; x < width; ++x) std::memcpy(out + x * 2, &z.pal16[idx[x]], 2);
      break;
  }
  ++rowsDone_;
  return GifError::kNone;
}

GifError GifDecoder::DecodeImage(uint8_t* out, int bytesPerPixel, size_t stride) {
  if (state_ != GifError::kNone) return state_;
  if (bytesPerPixel < 2 || bytesPerPixel > 4) return GifError::kBadFormat;
  if (GifImageBytes(info_, bytesPerPixel) == 0) return GifError::kTooLarge;
  if (stride < static_cast<size_t>(info_.width) * bytesPerPixel) return GifError::kBadFormat;
  const int height = info_.height;
  GifError e = GifError::kNone;
  if (!info_.interlaced) {
    for (int y = 0; y < height && e == GifError::kNone; ++y) {
      e = DecodeRow(out + static_cast<size_t>(y) * stride, bytesPerPixel);
    }
  } else {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4 && e == GifError::kNone; ++pass) {
      for (int y = kStart[pass]; y < height && e == GifError::kNone; y += kStep[pass]) {
        e = DecodeRow(out + static_cast<size_t>(y) * stride, bytesPerPixel);
      }
    }
  }
  if (e == GifError::kNone) Finish();
  return e;
}

}  // namespace orx
