#include "gfx/draw.h"

#include <algorithm>
#include <cstdint>

namespace orx {
namespace {

// Coordinates are widened to 64 bits so that lines and rectangles reaching far outside
// the frame (projected points, scrolled fields) neither overflow nor loop over pixels
// that cannot be seen.
using i64 = int64_t;

bool Inside(const FrameBuffer& f, i64 x, i64 y) {
  return x >= 0 && y >= 0 && x < f.width && y < f.height;
}

Color565& PixelAt(FrameBuffer& f, i64 x, i64 y) {
  return f.pixels[static_cast<size_t>(y) * f.width + static_cast<size_t>(x)];
}

// Each channel (destination x weight + colour x (255 - weight)) >> 8; weight 0..255.
Color565 Blend(Color565 dst, Color565 c, unsigned weight) {
  const unsigned inv = 255 - weight;
  const unsigned r = (Red5(dst) * weight + Red5(c) * inv) >> 8;
  const unsigned g = (Green6(dst) * weight + Green6(c) * inv) >> 8;
  const unsigned b = (Blue5(dst) * weight + Blue5(c) * inv) >> 8;
  return static_cast<Color565>((r << 11) | (g << 5) | b);
}

// The dash pattern: the counter starts at dash and is decremented per pixel candidate;
// a candidate is drawn while the counter is >= 0, and the counter goes back to dash when
// it reaches -dash. So: dash pixels on, dash off, starting with "on".
class DashCounter {
 public:
  explicit DashCounter(int dash) : dash_(dash > 0 ? dash : 0), k_(dash_) {}
  bool Next() {
    if (dash_ == 0) return true;
    --k_;
    const bool on = k_ >= 0;
    if (k_ == -dash_) k_ = dash_;
    return on;
  }
  // Advances over n candidates that lie outside the frame; the pattern repeats every
  // 2 x dash candidates.
  void Skip(i64 n) {
    if (dash_ == 0 || n <= 0) return;
    for (i64 i = n % (2 * static_cast<i64>(dash_)); i > 0; --i) Next();
  }

 private:
  int dash_;
  int k_;
};

void PutIfInside(FrameBuffer& f, i64 x, i64 y, Color565 c) {
  if (Inside(f, x, y)) PixelAt(f, x, y) = c;
}

void BlendIfInside(FrameBuffer& f, i64 x, i64 y, Color565 c, unsigned weight) {
  if (Inside(f, x, y)) {
    Color565& p = PixelAt(f, x, y);
    p = Blend(p, c, weight);
  }
}

// Clips a copy of w x h pixels from (sx, sy) of the source to (tx, ty) of the frame to
// both images. On return the rectangle is inside both; false when nothing is left.
bool ClipCopy(const FrameBuffer& f, const PixelView& src, int& tx, int& ty, int& sx, int& sy,
              int& w, int& h) {
  if (!f.pixels || !src.pixels || src.width <= 0 || src.height <= 0) return false;
  if (w == -1) w = src.width;
  if (h == -1) h = src.height;
  if (w <= 0 || h <= 0) return false;
  const i64 left = std::max<i64>({0, -i64{tx}, -i64{sx}});
  const i64 top = std::max<i64>({0, -i64{ty}, -i64{sy}});
  const i64 right = std::min<i64>({w, i64{f.width} - tx, i64{src.width} - sx});
  const i64 bottom = std::min<i64>({h, i64{f.height} - ty, i64{src.height} - sy});
  if (right <= left || bottom <= top) return false;
  tx = static_cast<int>(tx + left);
  sx = static_cast<int>(sx + left);
  ty = static_cast<int>(ty + top);
  sy = static_cast<int>(sy + top);
  w = static_cast<int>(right - left);
  h = static_cast<int>(bottom - top);
  return true;
}

template <typename PixelOp>
void CopyClipped(FrameBuffer& f, const PixelView& src, int tx, int ty, int sx, int sy, int w,
                 int h, PixelOp op) {
  if (!ClipCopy(f, src, tx, ty, sx, sy, w, h)) return;
  for (int row = 0; row < h; ++row) {
    const Color565* s = src.pixels + static_cast<size_t>(sy + row) * src.width + sx;
    Color565* d = f.data() + static_cast<size_t>(ty + row) * f.width + tx;
    for (int i = 0; i < w; ++i) op(d[i], s[i]);
  }
}

}  // namespace

PixelView ViewOf(const ImageObject& image, const Color565* pixels) {
  if (image.width <= 0 || image.height <= 0) return {};
  if (!pixels) {
    if (image.bytesPerPixel != 2) return {};
    pixels = image.pixels16();
  }
  if (!pixels) return {};
  return {pixels, image.width, image.height};
}

void FillRect(FrameBuffer& frame, int x, int y, int w, int h, Color565 color, int mode) {
  if (!frame.pixels || w <= 0 || h <= 0) return;
  const i64 x0 = std::max<i64>(x, 0);
  const i64 y0 = std::max<i64>(y, 0);
  const i64 x1 = std::min<i64>(i64{x} + w, frame.width);
  const i64 y1 = std::min<i64>(i64{y} + h, frame.height);
  if (x1 <= x0 || y1 <= y0) return;
  const unsigned cr = Red5(color), cg = Green6(color), cb = Blue5(color);
  for (i64 row = y0; row < y1; ++row) {
    Color565* p = &PixelAt(frame, x0, row);
    Color565* end = p + (x1 - x0);
    if (mode == kFillDarken) {
      for (; p != end; ++p) {
        // Three quarters of the channel sum; not clamped, so a bright colour can carry
        // into the neighbouring channel (callers darken with black or dark colours).
        const unsigned r = Red5(*p) + cr, g = Green6(*p) + cg, b = Blue5(*p) + cb;
        *p = static_cast<Color565>(((r - (r >> 2)) << 11) | ((g - (g >> 2)) << 5) |
                                   (b - (b >> 2)));
      }
    } else {
      std::fill(p, end, color);
    }
  }
}

void DrawFrame(FrameBuffer& frame, int x, int y, int w, int h, Color565 topLeft,
               Color565 bottomRight) {
  if (w <= 0 || h <= 0) return;
  const int r = x + w - 1, b = y + h - 1;
  DrawLine(frame, x, y, r, y, topLeft, 0, false);
  DrawLine(frame, x, y, x, b, topLeft, 0, false);
  DrawLine(frame, r, b, x, b, bottomRight, 0, false);
  DrawLine(frame, r, b, r, y, bottomRight, 0, false);
}

void DrawRectOutline(FrameBuffer& frame, int x, int y, int w, int h, Color565 color) {
  DrawFrame(frame, x, y, w, h, color, color);
}

void DrawLine(FrameBuffer& frame, int ax, int ay, int bx, int by, Color565 c, int dash,
              bool antialiased) {
  if (!frame.pixels) return;
  i64 x0 = ax, y0 = ay, x1 = bx, y1 = by;
  if (y0 > y1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const i64 W = frame.width, H = frame.height;
  const i64 dx = x1 - x0;
  const i64 sx = dx < 0 ? -1 : 1;
  const i64 adx = dx < 0 ? -dx : dx;
  const i64 dy = y1 - y0;
  DashCounter pattern(dash);

  if (dx == 0) {
    // Vertical: the span is clipped first, the pattern starts at its first visible row.
    if (x0 < 0 || x0 >= W || y1 < 0 || y0 >= H) return;
    const i64 top = std::max<i64>(y0, 0), bottom = std::min<i64>(y1, H - 1);
    for (i64 y = top; y <= bottom; ++y) {
      if (pattern.Next()) PixelAt(frame, x0, y) = c;
    }
    return;
  }
  if (dy == 0) {
    // Horizontal, left to right, clipped like the vertical case.
    if (y0 < 0 || y0 >= H) return;
    const i64 left = std::max<i64>(std::min(x0, x1), 0);
    const i64 right = std::min<i64>(std::max(x0, x1), W - 1);
    for (i64 x = left; x <= right; ++x) {
      if (pattern.Next()) PixelAt(frame, x, y0) = c;
    }
    return;
  }
  if (adx == dy) {
    // Exact diagonal: dy + 1 candidates; those on rows above the frame only advance
    // the pattern, and the walk ends at the frame's bottom.
    const i64 first = std::max<i64>(0, -y0);
    const i64 last = std::min<i64>(dy, H - 1 - y0);
    pattern.Skip(first);
    for (i64 i = first; i <= last; ++i) {
      const i64 x = x0 + sx * i;
      if (pattern.Next() && x >= 0 && x < W) PixelAt(frame, x, y0 + i) = c;
    }
    return;
  }

  // General case: both endpoints solid, then the pixels between them in 16.16 fixed
  // point, one per row (steep) or per column (flat).
  PutIfInside(frame, x0, y0, c);
  PutIfInside(frame, x1, y1, c);
  const bool steep = adx < dy;
  const i64 steps = steep ? dy : adx;
  const uint64_t slope = steep ? (static_cast<uint64_t>(adx) << 16) / static_cast<uint64_t>(dy)
                               : (static_cast<uint64_t>(dy) << 16) / static_cast<uint64_t>(adx);
  // Only candidates whose row (steep) or column (flat) lies in the frame can write, since
  // the blended neighbour shares it; the others only advance the pattern.
  i64 first = 1, last = steps - 1;
  if (steep) {
    first = std::max<i64>(first, -y0);
    last = std::min<i64>(last, H - 1 - y0);
  } else if (sx > 0) {
    first = std::max<i64>(first, -x0);
    last = std::min<i64>(last, W - 1 - x0);
  } else {
    first = std::max<i64>(first, x0 - (W - 1));
    last = std::min<i64>(last, x0);
  }
  pattern.Skip(first - 1);
  for (i64 i = first; i <= last; ++i) {
    const uint64_t acc = static_cast<uint64_t>(i) * slope;
    const i64 whole = static_cast<i64>(acc >> 16);
    const i64 x = steep ? x0 + sx * whole : x0 + sx * i;
    const i64 y = steep ? y0 + i : y0 + whole;
    if (!pattern.Next()) continue;
    if (!antialiased) {
      PutIfInside(frame, x, y, c);
      continue;
    }
    // The main pixel keeps weight f of its old colour, the neighbour 255 - f.
    const unsigned f = static_cast<unsigned>((acc >> 8) & 255);
    BlendIfInside(frame, x, y, c, f);
    if (steep) {
      BlendIfInside(frame, x + sx, y, c, 255 - f);
    } else {
      BlendIfInside(frame, x, y + 1, c, 255 - f);
    }
  }
}

void CopyRect(FrameBuffer& frame, const PixelView& source, int tx, int ty, int sx, int sy,
              int w, int h) {
  if (!ClipCopy(frame, source, tx, ty, sx, sy, w, h)) return;
  for (int row = 0; row < h; ++row) {
    const Color565* s = source.pixels + static_cast<size_t>(sy + row) * source.width + sx;
    std::copy(s, s + w, frame.data() + static_cast<size_t>(ty + row) * frame.width + tx);
  }
}

void CopyRectKeyed(FrameBuffer& frame, const PixelView& source, int tx, int ty, int sx, int sy,
                   int w, int h) {
  CopyClipped(frame, source, tx, ty, sx, sy, w, h, [](Color565& d, Color565 s) {
    if (s != kColorKey) d = s;
  });
}

void CopyGlyph(FrameBuffer& frame, const PixelView& source, int tx, int ty, int sx, int sy,
               int w, int h, Color565 color) {
  CopyClipped(frame, source, tx, ty, sx, sy, w, h, [color](Color565& d, Color565 s) {
    if (s != kColorKey) d = static_cast<Color565>(color & s);
  });
}

}  // namespace orx
