// The GIF decoder and image objects, checked against the indices and palettes the test
// encodes, against an independent decoder (stb_image, compiled in here only) and, for
// the encoder's output, against giftopnm when it is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "gfx/gif_decoder.h"
#include "gfx/image.h"
#include "gif_encoder.h"
#include "platform/resources.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace orx {
namespace {

using tools::GifPicture;
using tools::Rgb;
using Bytes = std::vector<uint8_t>;

std::vector<Rgb> RandomPalette(int n, std::mt19937& rng) {
  std::vector<Rgb> p(static_cast<size_t>(n));
  for (Rgb& c : p) c = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
  return p;
}

// Random indices when `noisy`, else diagonal bands (long LZW strings across rows).
std::vector<uint8_t> Indices(int w, int h, int colours, bool noisy, std::mt19937& rng) {
  std::vector<uint8_t> v(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      v[size_t(y) * w + x] = uint8_t(noisy ? rng() % colours : ((x + y) / 5) % colours);
  return v;
}

uint32_t Expected32(const GifPicture& s, size_t i) {
  const uint8_t idx = s.indices[i];
  if (idx >= s.palette.size()) return 0;
  const Rgb& c = s.palette[idx];
  return (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
}

// Decodes `gif` whole at `bpp` bytes per pixel.
GifError DecodeWhole(const Bytes& gif, int bpp, Bytes& out) {
  GifDecoder d;
  GifError e = d.Open(gif);
  if (e != GifError::kNone) return e;
  out.assign(GifImageBytes(d.info(), bpp), 0xAA);
  return d.DecodeImage(out.data(), bpp, size_t(d.info().width) * bpp);
}

// Checks the 2-, 3- and 4-byte outputs of `pic` against its own indices and palette.
void ExpectDecodesTo(const GifPicture& s) {
  const Bytes gif = tools::EncodeGif(s);
  for (int bpp : {2, 3, 4}) {
    Bytes out;
    ASSERT_EQ(DecodeWhole(gif, bpp, out), GifError::kNone) << "bpp " << bpp;
    ASSERT_EQ(out.size(), s.indices.size() * bpp);
    for (size_t i = 0; i < s.indices.size(); ++i) {
      const uint32_t c = Expected32(s, i);
      const uint8_t* p = out.data() + i * bpp;
      if (bpp == 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        ASSERT_EQ(v, c) << "pixel " << i;
      } else if (bpp == 3) {
        ASSERT_EQ(p[0], c >> 16) << "pixel " << i;
        ASSERT_EQ(p[1], (c >> 8) & 0xFF);
        ASSERT_EQ(p[2], c & 0xFF);
      } else {
        uint16_t v;
        std::memcpy(&v, p, 2);
        ASSERT_EQ(v, Rgb565(c >> 16, (c >> 8) & 0xFF, c & 0xFF)) << "pixel " << i;
      }
    }
  }
}

// Compares our 3-byte output with stb_image's where stb reports an opaque pixel.
void ExpectMatchesStb(const Bytes& gif) {
  int w = 0, h = 0, comp = 0;
  uint8_t* ref = stbi_load_from_memory(gif.data(), int(gif.size()), &w, &h, &comp, 4);
  ASSERT_NE(ref, nullptr) << stbi_failure_reason();
  Bytes ours;
  ASSERT_EQ(DecodeWhole(gif, 3, ours), GifError::kNone);
  ASSERT_EQ(ours.size(), size_t(w) * h * 3);
  size_t compared = 0;
  for (size_t i = 0; i < size_t(w) * h; ++i) {
    if (ref[i * 4 + 3] != 255) continue;
    ++compared;
    ASSERT_EQ(0, std::memcmp(&ours[i * 3], &ref[i * 4], 3)) << "pixel " << i;
  }
  stbi_image_free(ref);
  EXPECT_GT(compared, 0u);
}

// The P6 body giftopnm makes of `gif`, or empty when giftopnm is not installed.
Bytes Giftopnm(const Bytes& gif) {
  const std::string in = testing::TempDir() + "orx_giftopnm_" + std::to_string(getpid()) + ".gif";
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(gif.data()), long(gif.size()));
  FILE* p = popen(("giftopnm " + in + " 2>/dev/null").c_str(), "r");
  Bytes out;
  if (p) {
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + n);
    pclose(p);
  }
  std::remove(in.c_str());
  // Skip "P6\nW H\n255\n" (three whitespace-ended fields after the magic).
  int fields = 0;
  size_t i = 0;
  while (i < out.size() && fields < 4) {
    while (i < out.size() && !std::isspace(out[i])) ++i;
    ++fields;
    ++i;
  }
  return fields == 4 ? Bytes(out.begin() + long(i), out.end()) : Bytes{};
}

// A corpus of encoder settings covering the format's variations.
std::vector<GifPicture> Corpus() {
  std::mt19937 rng(1234);
  std::vector<GifPicture> corpus;
  GifPicture one;  // 1 x 1 GIF87a with a two-colour global table
  one.width = one.height = 1;
  one.palette = {{10, 20, 30}, {200, 100, 50}};
  one.indices = {1};
  one.gif87a = true;
  corpus.push_back(one);

  const int sizes[][2] = {{7, 5}, {33, 17}, {255, 3}, {1, 40}, {64, 64}, {129, 77}};
  const int colours[] = {2, 3, 4, 5, 16, 17, 100, 255, 256};
  int k = 0;
  for (int n : colours) {
    for (bool noisy : {false, true}) {
      GifPicture s;
      s.width = sizes[k % 6][0];
      s.height = sizes[k % 6][1];
      ++k;
      s.palette = RandomPalette(n, rng);
      s.indices = Indices(s.width, s.height, n, noisy, rng);
      s.gif87a = k % 3 == 0;
      s.interlaced = k % 2 == 0;
      corpus.push_back(s);
    }
  }
  GifPicture local = corpus.back();  // a local table overriding a decoy global one
  local.localTable = true;
  local.decoyGlobal = RandomPalette(256, rng);
  corpus.push_back(local);
  local.decoyGlobal.clear();  // a local table and no global one
  local.palette = RandomPalette(7, rng);
  local.indices = Indices(local.width, local.height, 7, true, rng);
  corpus.push_back(local);

  GifPicture ext;  // extensions before the image descriptor; a comment of two sub-blocks
  ext.width = 31;
  ext.height = 9;
  ext.palette = RandomPalette(8, rng);
  ext.indices = Indices(31, 9, 8, true, rng);
  ext.graphicControl = true;
  ext.comment = std::string(300, 'c') + std::string(1, '\0') + ",;!";
  corpus.push_back(ext);

  GifPicture full;  // fills the 4096-code table and keeps going with 12-bit codes
  full.width = 301;
  full.height = 203;
  full.palette = RandomPalette(256, rng);
  full.indices = Indices(full.width, full.height, 256, true, rng);
  full.clearWhenFull = false;
  corpus.push_back(full);
  full.clearWhenFull = true;
  full.interlaced = true;
  corpus.push_back(full);

  GifPicture flat;  // one colour: long strings that run over many rows
  flat.width = 997;
  flat.height = 61;
  flat.palette = RandomPalette(2, rng);
  flat.indices.assign(size_t(997) * 61, 1);
  corpus.push_back(flat);
  return corpus;
}

TEST(GifDecoder, DecodesCorpusToItsIndicesAndPalette) {
  int n = 0;
  for (const GifPicture& s : Corpus()) {
    SCOPED_TRACE("corpus entry " + std::to_string(n++));
    ExpectDecodesTo(s);
  }
}

TEST(GifDecoder, MatchesIndependentDecoders) {
  int n = 0, netpbmCompared = 0;
  for (const GifPicture& s : Corpus()) {
    SCOPED_TRACE("corpus entry " + std::to_string(n++));
    const Bytes gif = tools::EncodeGif(s);
    // stb_image refuses codes that go on after the table is full without a clear code.
    if (s.clearWhenFull) ExpectMatchesStb(gif);
    const Bytes pnm = Giftopnm(gif);
    if (pnm.empty()) continue;  // giftopnm not installed
    ++netpbmCompared;
    Bytes ours;
    ASSERT_EQ(DecodeWhole(gif, 3, ours), GifError::kNone);
    EXPECT_EQ(pnm, ours);
  }
  if (netpbmCompared == 0) std::printf("giftopnm not found: compared with stb_image only\n");
}

TEST(GifDecoder, InterlacedAndProgressiveGiveTheSamePicture) {
  std::mt19937 rng(5);
  for (int h = 1; h <= 17; ++h) {
    GifPicture s;
    s.width = 3;
    s.height = h;
    s.palette = RandomPalette(16, rng);
    s.indices = Indices(3, h, 16, true, rng);
    Bytes plain, interlaced;
    ASSERT_EQ(DecodeWhole(tools::EncodeGif(s), 4, plain), GifError::kNone);
    s.interlaced = true;
    ASSERT_EQ(DecodeWhole(tools::EncodeGif(s), 4, interlaced), GifError::kNone);
    EXPECT_EQ(plain, interlaced) << "height " << h;
  }
}

TEST(GifDecoder, StartAgainDecodesFromTheFirstRow) {
  std::mt19937 rng(8);
  GifPicture s;
  s.width = 50;
  s.height = 20;
  s.palette = RandomPalette(64, rng);
  s.indices = Indices(50, 20, 64, true, rng);
  const Bytes gif = tools::EncodeGif(s);
  GifDecoder d;
  ASSERT_EQ(d.Open(gif), GifError::kNone);
  Bytes first(50 * 20 * 4), second(50 * 20 * 4);
  ASSERT_EQ(d.DecodeImage(first.data(), 4, 200), GifError::kNone);
  EXPECT_EQ(d.DecodeRow(second.data(), 4), GifError::kFinished);
  ASSERT_EQ(d.Start(), GifError::kNone);
  ASSERT_EQ(d.DecodeImage(second.data(), 4, 200), GifError::kNone);
  EXPECT_EQ(first, second);
}

TEST(GifDecoder, MagentaBecomesTheColorKeyIn16Bits) {
  GifPicture s;
  s.width = 2;
  s.height = 1;
  s.palette = {{255, 0, 255}, {255, 255, 255}};
  s.indices = {0, 1};
  Bytes out;
  ASSERT_EQ(DecodeWhole(tools::EncodeGif(s), 2, out), GifError::kNone);
  uint16_t px[2];
  std::memcpy(px, out.data(), 4);
  EXPECT_EQ(px[0], kColorKey);
  EXPECT_EQ(px[1], kWhite);
}

// A GIF89a whose image data is the given (code, width in bits) sequence.
Bytes RawGif(int w, int h, int minCode, const std::vector<std::pair<int, int>>& codes) {
  Bytes g = {'G', 'I', 'F', '8', '9', 'a', uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 0x81, 0, 0};
  for (int i = 0; i < 4; ++i) g.insert(g.end(), {uint8_t(i * 60), uint8_t(i * 30), uint8_t(i)});
  g.insert(g.end(), {0x2C, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 0});
  g.push_back(uint8_t(minCode));
  Bytes data;
  uint32_t acc = 0;
  int bits = 0;
  for (auto [code, size] : codes) {
    acc |= uint32_t(code) << bits;
    for (bits += size; bits >= 8; bits -= 8, acc >>= 8) data.push_back(uint8_t(acc));
  }
  if (bits > 0) data.push_back(uint8_t(acc));
  for (size_t i = 0; i < data.size(); i += 255) {
    const size_t n = std::min<size_t>(255, data.size() - i);
    g.push_back(uint8_t(n));
    g.insert(g.end(), data.begin() + long(i), data.begin() + long(i + n));
  }
  g.insert(g.end(), {0, 0x3B});
  return g;
}

TEST(GifDecoder, RejectsDamagedStreams) {
  Bytes out;
  // Clear 4, end 5, first free 6 (min code size 2, 3-bit codes).
  EXPECT_EQ(DecodeWhole(RawGif(4, 1, 2, {{4, 3}, {1, 3}, {7, 3}, {5, 3}}), 4, out), GifError::kBadCode);
  EXPECT_EQ(DecodeWhole(RawGif(4, 1, 2, {{4, 3}, {6, 3}, {5, 3}}), 4, out), GifError::kBadFirstCode);
  EXPECT_EQ(DecodeWhole(RawGif(4, 1, 2, {{1, 3}, {4, 3}, {7, 3}}), 4, out), GifError::kBadFirstCode);
  EXPECT_EQ(DecodeWhole(RawGif(4, 1, 2, {}), 4, out), GifError::kTruncated);  // no sub-blocks at all
  EXPECT_EQ(DecodeWhole(RawGif(4, 4, 2, {{4, 3}, {1, 3}}), 4, out), GifError::kTruncated);
  for (int size : {0, 1, 9, 12, 255}) {
    EXPECT_EQ(DecodeWhole(RawGif(4, 1, size, {{0, 3}}), 4, out), GifError::kBadCodeSize) << size;
  }
  EXPECT_EQ(DecodeWhole(RawGif(0, 5, 2, {{4, 3}, {5, 3}}), 4, out), GifError::kEmptyImage);

  const Bytes good = RawGif(2, 1, 2, {{4, 3}, {1, 3}, {2, 3}, {5, 3}});
  Bytes bad = good;
  bad[4] = '8';
  EXPECT_EQ(DecodeWhole(bad, 4, out), GifError::kNotGif);
  bad = good;
  bad[0] = 'P';
  EXPECT_EQ(DecodeWhole(bad, 4, out), GifError::kNotGif);
  // Only a header, a table and the trailer: no image descriptor.
  Bytes noImage(good.begin(), good.begin() + 13 + 12);
  noImage.push_back(0x3B);
  EXPECT_EQ(DecodeWhole(noImage, 4, out), GifError::kNoImage);
  noImage.pop_back();
  EXPECT_EQ(DecodeWhole(noImage, 4, out), GifError::kNoImage);
}

TEST(GifDecoder, EndCodeBeforeTheLastPixelLeavesIndexZero) {
  Bytes out;
  ASSERT_EQ(DecodeWhole(RawGif(3, 2, 2, {{4, 3}, {2, 3}, {1, 3}, {5, 3}}), 4, out), GifError::kNone);
  const uint32_t c1 = (60u << 16) | (30u << 8) | 1, c2 = (120u << 16) | (60u << 8) | 2;
  const std::vector<uint32_t> want = {c2, c1, 0, 0, 0, 0};
  std::vector<uint32_t> got(6);
  std::memcpy(got.data(), out.data(), 24);
  EXPECT_EQ(got, want);
}

TEST(GifDecoder, IndicesPastThePaletteAreBlack) {
  GifPicture s;
  s.width = 256;
  s.height = 2;
  s.palette = {{9, 9, 9}, {200, 200, 200}};
  s.minCodeSize = 8;
  for (int i = 0; i < 512; ++i) s.indices.push_back(uint8_t(i));
  ExpectDecodesTo(s);  // Expected32 gives 0 past the palette
}

TEST(GifDecoder, TruncationFailsOrGivesTheWholePicture) {
  std::mt19937 rng(77);
  GifPicture s;
  s.width = 40;
  s.height = 30;
  s.palette = RandomPalette(32, rng);
  s.indices = Indices(40, 30, 32, true, rng);
  s.comment = "x";
  const Bytes gif = tools::EncodeGif(s);
  Bytes whole, part;
  ASSERT_EQ(DecodeWhole(gif, 4, whole), GifError::kNone);
  for (size_t n = 0; n < gif.size(); ++n) {
    const Bytes cut(gif.begin(), gif.begin() + long(n));
    if (DecodeWhole(cut, 4, part) == GifError::kNone) {
      EXPECT_EQ(part, whole) << "cut at " << n;
      EXPECT_GT(n, gif.size() - 8) << "decoded without most of its data";
    }
  }
}

TEST(GifDecoder, AbsurdSizesAreRefusedBeforeAllocating) {
  Bytes gif = RawGif(65535, 65535, 2, {{4, 3}, {1, 3}});
  GifDecoder d;
  ASSERT_EQ(d.Open(gif), GifError::kNone);  // the header alone is fine
  EXPECT_EQ(GifImageBytes(d.info(), 4), 0u);
  uint8_t px[4];
  EXPECT_EQ(d.DecodeImage(px, 4, 65535 * 4), GifError::kTooLarge);
  EXPECT_EQ(d.DecodeRow(px, 1), GifError::kBadFormat);
}

std::string TempGif(const std::string& name, const Bytes& bytes) {
  const std::string path = testing::TempDir() + "orx_" + std::to_string(getpid()) + "_" + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  return path;
}

TEST(ImageObject, HeaderOnlyLoadThenWholeLoad) {
  std::mt19937 rng(3);
  GifPicture s;
  s.width = 21;
  s.height = 13;
  s.palette = RandomPalette(5, rng);
  s.indices = Indices(21, 13, 5, true, rng);
  const std::string path = TempGif("image.gif", tools::EncodeGif(s));
  ImageObject image = MakeFileImage(path);
  EXPECT_EQ(Width(image), 21);
  EXPECT_EQ(Height(image), 13);
  EXPECT_EQ(image.pixels, nullptr);
  ASSERT_EQ(Load(image, nullptr, kLoadWhole), 1);
  ASSERT_NE(image.pixels16(), nullptr);
  const uint32_t c = Expected32(s, 20);
  EXPECT_EQ(image.pixels16()[20], Rgb565(c >> 16, (c >> 8) & 0xFF, c & 0xFF));

  // Into a caller's buffer at 4 bytes per pixel.
  image.bytesPerPixel = 4;
  std::vector<uint32_t> buf(21 * 13);
  ASSERT_EQ(Load(image, reinterpret_cast<uint8_t*>(buf.data()), kLoadWhole), 1);
  for (size_t i = 0; i < buf.size(); ++i) ASSERT_EQ(buf[i], Expected32(s, i));
  Destroy(image);
  EXPECT_EQ(image.pixels, nullptr);

  ImageObject missing = MakeFileImage(path + ".none");
  EXPECT_EQ(Width(missing), 0);
  EXPECT_EQ(Load(missing, nullptr, kLoadWhole), 0);
  EXPECT_EQ(OpenRows(missing), 0);
  EXPECT_FALSE(missing.file.isOpen());
  ImageObject noResource = MakeResourceImage(9999);
  EXPECT_EQ(Load(noResource, nullptr, kLoadHeader), 0);
  std::remove(path.c_str());
}

TEST(ImageObject, RowsFromAFileEqualTheWholeDecode) {
  std::mt19937 rng(11);
  GifPicture s;
  s.width = 517;
  s.height = 40;
  s.palette = RandomPalette(256, rng);
  s.indices = Indices(517, 40, 256, false, rng);
  const Bytes gif = tools::EncodeGif(s);
  Bytes whole;
  ASSERT_EQ(DecodeWhole(gif, 4, whole), GifError::kNone);
  const std::string path = TempGif("rows.gif", gif);
  ImageObject image = MakeFileImage(path);
  ASSERT_EQ(OpenRows(image), 1);
  std::vector<uint32_t> row(517);
  for (int y = 0; y < 40; ++y) {
    ASSERT_EQ(ReadRow(image, row.data()), 1) << y;
    ASSERT_EQ(0, std::memcmp(row.data(), whole.data() + size_t(y) * 517 * 4, 517 * 4)) << y;
  }
  EXPECT_EQ(ReadRow(image, row.data()), 0);
  EXPECT_EQ(ReadRow(image, row.data()), 0);
  CloseRows(image);
  EXPECT_FALSE(image.file.isOpen());
  EXPECT_EQ(ReadRow(image, row.data()), 0);
  std::remove(path.c_str());
}

TEST(ImageObject, SplashResourceDecodesLikeStb) {
  const std::span<const uint8_t> res = platform::FindResource("GIF", 110);
  ASSERT_FALSE(res.empty());
  ImageObject image = MakeResourceImage(110);
  EXPECT_EQ(Width(image), 240);
  EXPECT_EQ(Height(image), 320);
  image.bytesPerPixel = 3;
  ASSERT_EQ(Load(image, nullptr, kLoadWhole), 1);
  int w = 0, h = 0, comp = 0;
  uint8_t* ref = stbi_load_from_memory(res.data(), int(res.size()), &w, &h, &comp, 3);
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(0, std::memcmp(ref, image.pixels.get(), size_t(w) * h * 3));
  stbi_image_free(ref);
  EXPECT_EQ(OpenRows(image), 0);  // rows are read from files only
}

// Replays the fuzz target's corpus (seeds and past findings) through the image object.
TEST(ImageObject, FuzzCorpusLoadsOrFailsCleanly) {
  const std::filesystem::path dir = std::filesystem::path(ORRELUX_SOURCE_DIR) / "fuzz/corpus/gif";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    ++files;
    SCOPED_TRACE(entry.path().string());
    ImageObject image = MakeFileImage(entry.path().string());
    for (int bpp : {2, 3, 4}) {
      image.bytesPerPixel = bpp;
      if (Load(image, nullptr, kLoadWhole)) {
        EXPECT_NE(image.pixels, nullptr);
      } else {
        EXPECT_EQ(image.pixels, nullptr);
      }
    }
    if (OpenRows(image)) {
      std::vector<uint32_t> row(65536);
      int rows = 0;
      while (ReadRow(image, row.data())) ++rows;
      EXPECT_LE(rows, image.height);
      CloseRows(image);
    }
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace orx
