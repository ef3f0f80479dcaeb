// The off-screen frame every picture is drawn into, and its presentation on the display.
#pragma once

#include <cstdint>
#include <memory>

#include "gfx/color.h"
#include "platform/display.h"

namespace orx {

// width x height pixels, row-major, top row first, row stride = width pixels.
struct FrameBuffer {
  int width = 0;
  int height = 0;
  std::unique_ptr<Color565[]> pixels;

  Color565* data() { return pixels.get(); }
  const Color565* data() const { return pixels.get(); }
  Color565& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  Color565 at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// Allocates (bitsPerPixel / 8) x width x height bytes for the display's frame (at least
// two bytes a pixel, since every drawing writes 16-bit pixels). False when out of memory
// or when the size is absurd.
bool AllocateFrameBuffer(FrameBuffer& frame, const platform::DisplayProperties& props);

// Copies the frame to the display, every pixel placed by the display's pitches. A fade
// of 0..255 scales each channel by fade/256; any other value copies unchanged.
// Returns 1 when the frame was copied, 0 when the display gave no surface.
int PresentFrame(platform::Display& display, const FrameBuffer& frame, int fade);

}  // namespace orx
