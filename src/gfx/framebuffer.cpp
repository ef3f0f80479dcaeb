#include "gfx/framebuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orx {

bool AllocateFrameBuffer(FrameBuffer& frame, const platform::DisplayProperties& props) {
  frame.pixels.reset();
  frame.width = frame.height = 0;
  if (props.width == 0 || props.height == 0 || props.width > 8192 || props.height > 8192) {
    return false;
  }
  const size_t bytesPerPixel = props.bitsPerPixel >= 16 ? static_cast<size_t>(props.bitsPerPixel) / 8 : 2;
  const size_t count = static_cast<size_t>(props.width) * props.height;
  // Room for bytesPerPixel bytes per pixel, counted in 16-bit units.
  const size_t units = (count * bytesPerPixel + 1) / 2;
  Color565* p = new (std::nothrow) Color565[units];
  if (!p) return false;
  std::memset(p, 0, units * sizeof(Color565));
  frame.pixels.reset(p);
  frame.width = static_cast<int>(props.width);
  frame.height = static_cast<int>(props.height);
  return true;
}

int PresentFrame(platform::Display& display, const FrameBuffer& frame, int fade) {
  const bool fading = fade >= 0 && fade <= 255;
  uint8_t* surface = display.BeginDraw();
  if (!surface) return 0;
  const platform::DisplayProperties props = display.Properties();
  const int w = std::min<int>(frame.width, static_cast<int>(props.width));
  const int h = std::min<int>(frame.height, static_cast<int>(props.height));
  const ptrdiff_t xPitch = props.xPitch;
  const ptrdiff_t yPitch = props.yPitch;
  const unsigned f = static_cast<unsigned>(fade);
  for (int y = 0; y < h; ++y) {
    const Color565* src = frame.data() + static_cast<size_t>(y) * frame.width;
    uint8_t* dst = surface + y * yPitch;
    if (!fading) {
      for (int x = 0; x < w; ++x, dst += xPitch) {
        const Color565 c = src[x];
        std::memcpy(dst, &c, sizeof c);
      }
    } else {
      for (int x = 0; x < w; ++x, dst += xPitch) {
        const unsigned c = src[x];
        const unsigned r = ((c >> 11) * f) >> 8;
        const unsigned g = (((c >> 5) & 63) * f) >> 8;
        const unsigned b = ((c & 31) * f) >> 8;
        const Color565 out = static_cast<Color565>((r << 11) | (g << 5) | b);
        std::memcpy(dst, &out, sizeof out);
      }
    }
  }
  display.EndDraw();
  return 1;
}

}  // namespace orx
