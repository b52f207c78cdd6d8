#include "platform/surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace nad {

uint32_t Surface::colorAt(int x, int y) const {
  if (!contains(x, y)) return 0xFFFFFFFFu;
  uint32_t p = at(x, y);
  return colorValue(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p));
}

void Surface::fill(uint32_t pixel) { std::fill(px_.begin(), px_.end(), pixel); }

void Surface::fillRect(int x, int y, int w, int h, uint32_t pixel) {
  int x0 = std::max(x, 0), y0 = std::max(y, 0);
  int x1 = std::min(x + w, w_), y1 = std::min(y + h, h_);
  for (int yy = y0; yy < y1; ++yy) std::fill(row(yy) + x0, row(yy) + x1, pixel);
}

void Surface::copyFrom(const Surface &other) {
  w_ = other.w_;
  h_ = other.h_;
  px_.assign(other.px_.begin(), other.px_.end());
}

void Surface::blit(int dx, int dy, int w, int h, const Surface &src, int sx, int sy, RasterOp op) {
  // Clip against the source, then against the destination, moving both origins together.
  auto clip = [&](int &d, int &s, int &len, int srcLimit, int dstLimit) {
    if (s < 0) {
      d -= s;
      len += s;
      s = 0;
    }
    if (d < 0) {
      s -= d;
      len += d;
      d = 0;
    }
    len = std::min({len, srcLimit - s, dstLimit - d});
  };
  clip(dx, sx, w, src.w_, w_);
  clip(dy, sy, h, src.h_, h_);
  if (w <= 0 || h <= 0) return;
  for (int y = 0; y < h; ++y) {
    uint32_t *d = row(dy + y) + dx;
    const uint32_t *s = src.row(sy + y) + sx;
    switch (op) {
    case RasterOp::SrcCopy: std::memmove(d, s, size_t(w) * sizeof(uint32_t)); break;
    case RasterOp::SrcAnd:
      for (int x = 0; x < w; ++x) d[x] &= s[x];
      break;
    case RasterOp::SrcPaint:
      for (int x = 0; x < w; ++x) d[x] |= s[x];
      break;
    }
  }
}

int roundPixel(double v) { return int(std::nearbyint(v)); }

} // namespace nad
