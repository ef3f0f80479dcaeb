// Drawing primitives that write straight into a frame buffer: filled and darkened
// rectangles, outlines, solid, dashed and antialiased lines, and rectangular copies from
// images (plain, colour-keyed, or tinted for glyphs). Everything clips to the target, so
// nothing is ever written outside it, and nothing allocates.
#pragma once

#include "gfx/color.h"
#include "gfx/framebuffer.h"
#include "gfx/image.h"

namespace orx {

enum FillMode { kFillSolid = 0, kFillDarken = 1 };

// A read-only view of Color565 pixels: `height` rows of `width` pixels, back to back.
struct PixelView {
  const Color565* pixels = nullptr;
  int width = 0;
  int height = 0;
};

// The view of an image's pixels, or of `pixels` (a buffer the image was loaded into)
// when not null. Empty when the image has no 16-bit pixels.
PixelView ViewOf(const ImageObject& image, const Color565* pixels = nullptr);

// Mode kFillSolid stores `color`; kFillDarken replaces every channel by three quarters
// of (pixel + colour), unclamped, so callers darken with black or dark colours.
void FillRect(FrameBuffer& frame, int x, int y, int w, int h, Color565 color, int mode);

// Top and left edges in `topLeft`, bottom and right edges in `bottomRight`.
void DrawFrame(FrameBuffer& frame, int x, int y, int w, int h, Color565 topLeft,
               Color565 bottomRight);
void DrawRectOutline(FrameBuffer& frame, int x, int y, int w, int h, Color565 color);

// Line including both endpoints. dash 0 = solid, dash n > 0 = n pixels on, n off (from
// the end with the smaller y). With `antialiased`, lines that are neither straight nor
// diagonal blend the colour into two neighbouring pixels per step.
void DrawLine(FrameBuffer& frame, int x0, int y0, int x1, int y1, Color565 color, int dash,
              bool antialiased);

// Copy the w x h rectangle at (sx, sy) of `source` to (tx, ty) of the frame. A w or h of
// -1 means the source's width or height. Parts outside either image are left out.
void CopyRect(FrameBuffer& frame, const PixelView& source, int tx, int ty, int sx, int sy,
              int w, int h);
// As CopyRect, leaving out source pixels equal to the key colour 0xF81F.
void CopyRectKeyed(FrameBuffer& frame, const PixelView& source, int tx, int ty, int sx, int sy,
                   int w, int h);
// As CopyRectKeyed, each copied pixel becoming (color AND source pixel): white takes the
// colour, greys a darker shade of it.
void CopyGlyph(FrameBuffer& frame, const PixelView& source, int tx, int ty, int sx, int sy,
               int w, int h, Color565 color);

// The same copies from an image's own pixels, or from `pixels` when not null.
inline void CopyRect(FrameBuffer& frame, const ImageObject& image, int tx, int ty, int sx,
                     int sy, int w, int h, const Color565* pixels = nullptr) {
  CopyRect(frame, ViewOf(image, pixels), tx, ty, sx, sy, w, h);
}
inline void CopyRectKeyed(FrameBuffer& frame, const ImageObject& image, int tx, int ty, int sx,
                          int sy, int w, int h, const Color565* pixels = nullptr) {
  CopyRectKeyed(frame, ViewOf(image, pixels), tx, ty, sx, sy, w, h);
}
inline void CopyGlyph(FrameBuffer& frame, const ImageObject& image, int tx, int ty, int sx,
                      int sy, int w, int h, Color565 color, const Color565* pixels = nullptr) {
  CopyGlyph(frame, ViewOf(image, pixels), tx, ty, sx, sy, w, h, color);
}

}  // namespace orx
