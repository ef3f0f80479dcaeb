#include "gfx/framebuffer.h"

#include <gtest/gtest.h>

namespace orx {
namespace {

FrameBuffer MakeFrame(uint32_t w, uint32_t h) {
  FrameBuffer f;
  platform::DisplayProperties p;
  p.width = w;
  p.height = h;
  EXPECT_TRUE(AllocateFrameBuffer(f, p));
  return f;
}

TEST(PresentFrame, FadesScaleEveryChannel) {
  platform::HeadlessDisplay display(4, 2, 2, 8);
  FrameBuffer frame = MakeFrame(4, 2);
  for (int i = 0; i < 8; ++i) frame.data()[i] = 0xFFFF;
  frame.at(1, 0) = Rgb565(255, 0, 0);

  ASSERT_EQ(PresentFrame(display, frame, 0), 1);
  EXPECT_EQ(display.Pixel(0, 0), 0x0000);
  ASSERT_EQ(PresentFrame(display, frame, 255), 1);
  EXPECT_EQ(display.Pixel(0, 0), 0xF7DE);
  EXPECT_EQ(display.Pixel(1, 0), 0xF000);
  ASSERT_EQ(PresentFrame(display, frame, 128), 1);
  EXPECT_EQ(display.Pixel(0, 1), (15u << 11) | (31u << 5) | 15u);
  for (int noFade : {-1, 256, 1000}) {
    ASSERT_EQ(PresentFrame(display, frame, noFade), 1);
    EXPECT_EQ(display.Pixel(3, 1), 0xFFFF);
    EXPECT_EQ(display.Pixel(1, 0), Rgb565(255, 0, 0));
  }
}

// Rotated and mirrored surfaces: every pixel is placed by pitch arithmetic, so the
// picture read back upright is the frame whatever the pitches are.
TEST(PresentFrame, PlacesPixelsByPitch) {
  const uint32_t w = 5, h = 3;
  FrameBuffer frame = MakeFrame(w, h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) frame.at(x, y) = static_cast<Color565>(y * 100 + x + 1);

  struct Pitches {
    int32_t x, y;
  };
  const Pitches cases[] = {
      {2, 10},            // plain
      {-2, 10},           // mirrored
      {2, -10},           // upside down
      {2 * h, -2},        // rotated: columns run along memory rows
      {-2 * int32_t(h), 2},
      {4, 24},            // padded pixels and rows
  };
  for (const Pitches& p : cases) {
    platform::HeadlessDisplay display(w, h, p.x, p.y);
    ASSERT_EQ(PresentFrame(display, frame, -1), 1);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        EXPECT_EQ(display.Pixel(x, y), frame.at(x, y)) << "pitch " << p.x << "," << p.y << " at " << x << "," << y;
  }
}

TEST(PresentFrame, SuspendedDisplayDrawsNothing) {
  platform::HeadlessDisplay display(2, 2, 2, 4);
  FrameBuffer frame = MakeFrame(2, 2);
  display.Suspend();
  EXPECT_EQ(PresentFrame(display, frame, -1), 0);
  EXPECT_EQ(display.presentCount(), 0);
  display.Resume();
  EXPECT_EQ(PresentFrame(display, frame, -1), 1);
  EXPECT_EQ(display.presentCount(), 1);
}

TEST(FrameBuffer, AllocationFollowsDepthAndRejectsAbsurdSizes) {
  FrameBuffer f;
  platform::DisplayProperties p;
  p.bitsPerPixel = 32;
  EXPECT_TRUE(AllocateFrameBuffer(f, p));
  EXPECT_EQ(f.width, 240);
  EXPECT_EQ(f.height, 320);
  p.width = 100000;
  EXPECT_FALSE(AllocateFrameBuffer(f, p));
  EXPECT_EQ(f.data(), nullptr);
}

}  // namespace
}  // namespace orx
