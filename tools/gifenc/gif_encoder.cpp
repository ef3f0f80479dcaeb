#include "gif_encoder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <unordered_map>

namespace orx::tools {
namespace {

int TableBits(size_t colours) {
  int bits = 1;
  while ((size_t{1} << bits) < colours) ++bits;
  return bits;
}

void Put16(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void PutTable(std::vector<uint8_t>& out, const std::vector<Rgb>& palette, int bits) {
  const size_t n = size_t{1} << bits;
  for (size_t i = 0; i < n; ++i) {
    const Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
    for (uint8_t v : c) out.push_back(v);
  }
}

// Packs LSB-first codes into 255-byte sub-blocks.
class CodeWriter {
 public:
  explicit CodeWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Write(unsigned code, int bits) {
    acc_ |= static_cast<uint32_t>(code) << held_;
    held_ += bits;
    while (held_ >= 8) {
      Byte(static_cast<uint8_t>(acc_ & 0xFF));
      acc_ >>= 8;
      held_ -= 8;
    }
  }
  void Finish() {
    if (held_ > 0) Byte(static_cast<uint8_t>(acc_ & 0xFF));
    acc_ = 0;
    held_ = 0;
    FlushBlock();
    out_.push_back(0);  // block terminator
  }

 private:
  void Byte(uint8_t b) {
    block_.push_back(b);
    if (block_.size() == 255) FlushBlock();
  }
  void FlushBlock() {
    if (block_.empty()) return;
    out_.push_back(static_cast<uint8_t>(block_.size()));
    out_.insert(out_.end(), block_.begin(), block_.end());
    block_.clear();
  }
  std::vector<uint8_t>& out_;
  std::vector<uint8_t> block_;
  uint32_t acc_ = 0;
  int held_ = 0;
};

void EncodeLzw(std::vector<uint8_t>& out, const std::vector<uint8_t>& data, int minCode, bool clearWhenFull) {
  out.push_back(static_cast<uint8_t>(minCode));
  CodeWriter writer(out);
  const unsigned clear = 1u << minCode;
  const unsigned end = clear + 1;
  std::unordered_map<uint32_t, unsigned> table;  // (prefix << 8 | byte) -> code
  unsigned next = clear + 2;
  int size = minCode + 1;
  auto reset = [&] {
    table.clear();
    next = clear + 2;
    size = minCode + 1;
  };
  writer.Write(clear, size);
  if (data.empty()) {
    writer.Write(end, size);
    writer.Finish();
    return;
  }
  unsigned prefix = data[0];
  for (size_t i = 1; i < data.size(); ++i) {
    const uint8_t k = data[i];
    const uint32_t key = (prefix << 8) | k;
    auto it = table.find(key);
    if (it != table.end()) {
      prefix = it->second;
      continue;
    }
    writer.Write(prefix, size);
    if (next < 4096) {
      table.emplace(key, next);
      // The decoder adds each entry one code later, so the width grows once the code
      // just assigned reaches the current limit.
      if (next == (1u << size) && size < 12) ++size;
      ++next;
    } else if (clearWhenFull) {
      writer.Write(clear, size);
      reset();
    }
    prefix = k;
  }
  writer.Write(prefix, size);
  // The decoder adds an entry for this last code too, which may widen the end code.
  if (next < 4096 && next == (1u << size) && size < 12) ++size;
  writer.Write(end, size);
  writer.Finish();
}

std::vector<uint8_t> InterlaceOrder(const GifPicture& s) {
  std::vector<uint8_t> outRows;
  outRows.reserve(s.indices.size());
  static const int kStart[4] = {0, 4, 2, 1};
  static const int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < s.height; y += kStep[pass]) {
      const auto* row = s.indices.data() + static_cast<size_t>(y) * s.width;
      outRows.insert(outRows.end(), row, row + s.width);
    }
  }
  return outRows;
}

}  // namespace

bool PictureFromRgb(int width, int height, const std::vector<Rgb>& pixels, const Rgb* first, GifPicture& out) {
  out = GifPicture{};
  out.width = width;
  out.height = height;
  std::map<Rgb, uint8_t> index;
  auto indexOf = [&](const Rgb& c) -> int {
    if (auto it = index.find(c); it != index.end()) return it->second;
    if (out.palette.size() == 256) return -1;
    index.emplace(c, static_cast<uint8_t>(out.palette.size()));
    out.palette.push_back(c);
    return static_cast<int>(out.palette.size()) - 1;
  };
  if (first) indexOf(*first);
  out.indices.reserve(pixels.size());
  for (const Rgb& c : pixels) {
    const int i = indexOf(c);
    if (i < 0) return false;
    out.indices.push_back(static_cast<uint8_t>(i));
  }
  return true;
}

void TooManyColours() {
  std::fprintf(stderr, "the picture has more than 256 colours\n");
  std::exit(1);
}

std::vector<uint8_t> EncodeGif(const GifPicture& s) {
  std::vector<uint8_t> out;
  const char* sig = s.gif87a ? "GIF87a" : "GIF89a";
  for (int i = 0; i < 6; ++i) out.push_back(static_cast<uint8_t>(sig[i]));
  Put16(out, s.width);
  Put16(out, s.height);
  const int bits = TableBits(s.palette.size());
  const bool global = !s.localTable || !s.decoyGlobal.empty();
  const std::vector<Rgb>& globalPalette = s.localTable ? s.decoyGlobal : s.palette;
  const int globalBits = TableBits(globalPalette.size());
  out.push_back(static_cast<uint8_t>(global ? (0x80 | ((globalBits - 1) << 4) | (globalBits - 1)) : 0));
  out.push_back(0);  // background colour
  out.push_back(0);  // aspect ratio
  if (global) PutTable(out, globalPalette, globalBits);
  if (s.graphicControl) {
    const uint8_t gce[] = {0x21, 0xF9, 4, 0x01, 0, 0, 0, 0};  // transparency flag, index 0
    for (uint8_t v : gce) out.push_back(v);
  }
  if (!s.comment.empty()) {
    out.push_back(0x21);
    out.push_back(0xFE);
    for (size_t i = 0; i < s.comment.size(); i += 255) {
      const size_t n = std::min<size_t>(255, s.comment.size() - i);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), s.comment.begin() + static_cast<long>(i), s.comment.begin() + static_cast<long>(i + n));
    }
    out.push_back(0);
  }
  out.push_back(0x2C);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, s.width);
  Put16(out, s.height);
  uint8_t packed = 0;
  if (s.interlaced) packed |= 0x40;
  if (s.localTable) packed |= static_cast<uint8_t>(0x80 | (bits - 1));
  out.push_back(packed);
  if (s.localTable) PutTable(out, s.palette, bits);
  const int minCode = s.minCodeSize > 0 ? s.minCodeSize : std::max(2, bits);
  EncodeLzw(out, s.interlaced ? InterlaceOrder(s) : s.indices, minCode, s.clearWhenFull);
  out.push_back(0x3B);
  return out;
}

bool WriteGif(const std::string& path, const GifPicture& pic) {
  const std::vector<uint8_t> bytes = EncodeGif(pic);
  const std::string tmp = path + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) {
    std::remove(tmp.c_str());
    return false;
  }
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace orx::tools
