// The display surface the frame is copied to: the handheld's Game API display, replaced
// by an SDL texture for people and by an in-memory surface for tests and `--render`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orx::platform {

// Properties of the display surface, kept for the whole run.
struct DisplayProperties {
  uint32_t width = 240;
  uint32_t height = 320;
  int32_t xPitch = 2;        // bytes from a pixel to its right neighbour; may be negative
  int32_t yPitch = 480;      // bytes from a row to the next one down; may be negative
  int32_t bitsPerPixel = 16;
  uint32_t formatFlags = 0;  // not consulted
};

class Display {
 public:
  virtual ~Display() = default;
  virtual DisplayProperties Properties() const = 0;
  // Address of the surface's first pixel (top-left of the upright picture), or null
  // when no surface can be had (suspended, lost). Valid until EndDraw.
  virtual uint8_t* BeginDraw() = 0;
  // Ends the draw; the surface is shown.
  virtual void EndDraw() = 0;
  virtual void Suspend() = 0;
  virtual void Resume() = 0;
};

// An in-memory surface with any pitches, for tests, `--render` and machines without a
// display. BeginDraw fails while suspended.
class HeadlessDisplay final : public Display {
 public:
  HeadlessDisplay(uint32_t width = 240, uint32_t height = 320, int32_t xPitch = 2,
                  int32_t yPitch = 480, int32_t bitsPerPixel = 16);
  DisplayProperties Properties() const override { return props_; }
  uint8_t* BeginDraw() override;
  void EndDraw() override { ++presentCount_; }
  void Suspend() override { suspended_ = true; }
  void Resume() override { suspended_ = false; }

  bool suspended() const { return suspended_; }
  int presentCount() const { return presentCount_; }
  // The 16-bit pixel at upright position (x, y), read back through the pitches.
  uint16_t Pixel(uint32_t x, uint32_t y) const;
  // The whole upright picture, row-major.
  std::vector<uint16_t> Picture() const;

 private:
  DisplayProperties props_;
  std::vector<uint8_t> memory_;
  size_t originOffset_ = 0;  // position of pixel (0, 0) in memory_
  bool suspended_ = false;
  int presentCount_ = 0;
};

}  // namespace orx::platform
