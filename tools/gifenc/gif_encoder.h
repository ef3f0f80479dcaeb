// A small GIF writer for the generators under tools/ and for tests that need GIFs with
// chosen properties (GIF87a, local tables, interlacing, extensions, full code tables).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orx::tools {

using Rgb = std::array<uint8_t, 3>;

struct GifPicture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> palette;       // 1..256 colours, padded to a power of two
  std::vector<uint8_t> indices;   // width x height palette indices, row-major
  bool gif87a = false;
  bool localTable = false;        // palette as a local table (the global one is left out,
                                  // or filled with `decoyGlobal` when given)
  std::vector<Rgb> decoyGlobal;   // a global table that the local one must override
  bool interlaced = false;
  bool graphicControl = false;    // a graphic control extension before the image
  std::string comment;            // a comment extension when not empty
  bool clearWhenFull = true;      // false: keep emitting 12-bit codes once the table is full
  int minCodeSize = 0;            // 0 = derived from the palette size (at least 2)
};

// A picture of `width` x `height` RGB pixels (row-major) with a palette of its exact
// colours in order of first appearance, `first` (the transparent key) leading when
// given. False when the picture has more than 256 colours.
bool PictureFromRgb(int width, int height, const std::vector<Rgb>& pixels, const Rgb* first, GifPicture& out);

// Ends a generator whose picture came out with more than 256 colours.
[[noreturn]] void TooManyColours();

// The GIF file for `pic`.
std::vector<uint8_t> EncodeGif(const GifPicture& pic);

// Writes the file; false on failure.
bool WriteGif(const std::string& path, const GifPicture& pic);

}  // namespace orx::tools
