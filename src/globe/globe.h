// The globe's records: the composed texture, the map files in use, the Moon picture and
// the `Globe` that the application owns for the whole run, holding them with the view
// and the Sun and Moon positions of the last shading.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "astro/sun_moon.h"
#include "gfx/color.h"
#include "gfx/image.h"
#include "globe/view.h"

namespace orx {

// The shaded equirectangular Earth: width x height pixels, row 0 at the North Pole,
// column 0 at 180 W; width = 2 x height. Null pixels before the first composition or
// after one that ran out of memory.
struct ComposedTexture {
  std::unique_ptr<Color565[]> pixels;
  int32_t width = 0;
  int32_t height = 0;

  bool empty() const { return !pixels || width < 1 || height < 1; }
  Color565 at(int32_t column, int32_t row) const {
    return pixels[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column)];
  }
};

// The texels one picture reads, by rows and blocks of columns: bit b of rows[v] asks for
// columns b x blockWidth .. (b + 1) x blockWidth - 1 of texture row v.
struct TexelDemand {
  int32_t width = 0;
  int32_t height = 0;
  int32_t blockWidth = 1;
  std::vector<uint64_t> rows;
  void Reset(int32_t w, int32_t h) {
    width = w;
    height = h;
    blockWidth = (w + 63) / 64;
    rows.assign(static_cast<size_t>(h), 0);
  }
  void Mark(int32_t column, int32_t row) { rows[static_cast<size_t>(row)] |= uint64_t{1} << (column / blockWidth); }
};

// The map files of the composed texture: paths and dimensions only, never their pixels.
struct TextureMaps {
  ImageObject mainMap;
  ImageObject overlayMap;
};

// The Moon disc shaded for the current phase (resource 136, 19 x 19), and the values the
// information lines show.
struct MoonPicture {
  ImageObject image;
  double litPercent = 0;  // q x 100
  double ageDays = 0;     // phase x 29.53
};

struct Globe {
  ViewState view;
  ComposedTexture texture;
  TextureMaps maps;
  SkyPositions sky;  // as of the last texture composition
  MoonPicture moon;
};

}  // namespace orx
