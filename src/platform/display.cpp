#include "platform/display.h"

#include <cstdlib>
#include <cstring>

namespace orx::platform {

HeadlessDisplay::HeadlessDisplay(uint32_t width, uint32_t height, int32_t xPitch, int32_t yPitch,
                                 int32_t bitsPerPixel) {
  props_.width = width;
  props_.height = height;
  props_.xPitch = xPitch;
  props_.yPitch = yPitch;
  props_.bitsPerPixel = bitsPerPixel;
  // The surface spans every byte any pixel can reach; pixel (0, 0) sits where the
  // negative pitches leave room for the others.
  const int64_t spanX = static_cast<int64_t>(width > 0 ? width - 1 : 0) * xPitch;
  const int64_t spanY = static_cast<int64_t>(height > 0 ? height - 1 : 0) * yPitch;
  const int64_t low = (spanX < 0 ? spanX : 0) + (spanY < 0 ? spanY : 0);
  const int64_t high = (spanX > 0 ? spanX : 0) + (spanY > 0 ? spanY : 0);
  memory_.assign(static_cast<size_t>(high - low + 2), 0);
  originOffset_ = static_cast<size_t>(-low);
}

uint8_t* HeadlessDisplay::BeginDraw() {
  if (suspended_ || memory_.empty()) return nullptr;
  return memory_.data() + originOffset_;
}

uint16_t HeadlessDisplay::Pixel(uint32_t x, uint32_t y) const {
  const int64_t at = static_cast<int64_t>(originOffset_) + static_cast<int64_t>(y) * props_.yPitch +
                     static_cast<int64_t>(x) * props_.xPitch;
  uint16_t v;
  std::memcpy(&v, memory_.data() + at, sizeof v);
  return v;
}

std::vector<uint16_t> HeadlessDisplay::Picture() const {
  std::vector<uint16_t> out;
  out.reserve(static_cast<size_t>(props_.width) * props_.height);
  for (uint32_t y = 0; y < props_.height; ++y)
    for (uint32_t x = 0; x < props_.width; ++x) out.push_back(Pixel(x, y));
  return out;
}

}  // namespace orx::platform
