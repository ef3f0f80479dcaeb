// Frame buffers for drawing tests: one surrounded by guard pixels that must stay
// untouched, and a comparison of a small frame with a window of a larger one.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "gfx/framebuffer.h"

namespace orx::test {

class GuardedFrame {
 public:
  static constexpr Color565 kGuardValue = 0x1234;

  GuardedFrame(int width, int height, Color565 fill = 0)
      : storage_(static_cast<size_t>(width) * height + 2 * kGuard, kGuardValue) {
    std::fill(storage_.begin() + kGuard, storage_.end() - kGuard, fill);
    frame.width = width;
    frame.height = height;
    frame.pixels.reset(storage_.data() + kGuard);
  }
  ~GuardedFrame() { (void)frame.pixels.release(); }  // the storage owns the pixels
  GuardedFrame(const GuardedFrame&) = delete;
  GuardedFrame& operator=(const GuardedFrame&) = delete;

  bool GuardsIntact() const {
    for (size_t i = 0; i < kGuard; ++i) {
      if (storage_[i] != kGuardValue || storage_[storage_.size() - 1 - i] != kGuardValue) return false;
    }
    return true;
  }

  FrameBuffer frame;

 private:
  static constexpr size_t kGuard = 4096;
  std::vector<Color565> storage_;
};

inline FrameBuffer MakeFrame(int width, int height, Color565 fill = 0) {
  FrameBuffer f;
  f.width = width;
  f.height = height;
  f.pixels = std::make_unique<Color565[]>(static_cast<size_t>(width) * height);
  std::fill(f.data(), f.data() + static_cast<size_t>(width) * height, fill);
  return f;
}

// True when every pixel (x, y) of `small` equals pixel (x + dx, y + dy) of `big`.
inline bool SameAsWindow(const FrameBuffer& small, const FrameBuffer& big, int dx, int dy) {
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x)
      if (small.at(x, y) != big.at(x + dx, y + dy)) return false;
  return true;
}

// Number of pixels that differ from `background`.
inline int CountChanged(const FrameBuffer& f, Color565 background) {
  int n = 0;
  for (int i = 0; i < f.width * f.height; ++i) n += f.data()[i] != background;
  return n;
}

}  // namespace orx::test
