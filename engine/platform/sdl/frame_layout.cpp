#include "platform/sdl/frame_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace nad {

FramePlacement placeFrame(int windowW, int windowH, int frameW, int frameH, bool smooth) {
  FramePlacement p;
  p.smooth = smooth;
  const int whole = std::min(windowW / frameW, windowH / frameH);
  if (!smooth && whole >= 1) {
    p.scale = whole;
    p.w = frameW * whole, p.h = frameH * whole;
  } else {
    // As wide as the window unless that makes it too tall; the products stay far below 2^31.
    p.w = windowW, p.h = windowW * frameH / frameW;
    if (p.h > windowH) p.h = windowH, p.w = windowH * frameW / frameH;
    p.w = std::max(p.w, 1), p.h = std::max(p.h, 1);
    p.scale = p.w % frameW == 0 && p.h == p.w / frameW * frameH ? p.w / frameW : 0;
  }
  p.x = (windowW - p.w) / 2, p.y = (windowH - p.h) / 2;
  return p;
}

namespace {
int floorDiv(int64_t a, int64_t b) { return int(a >= 0 ? a / b : -((-a + b - 1) / b)); }
} // namespace

bool windowToFrame(const FramePlacement &p, int frameW, int frameH, int x, int y, int &fx, int &fy) {
  const int dx = x - p.x, dy = y - p.y;
  // Each frame pixel covers the window pixels that map into it; whole scales divide exactly.
  // Rounding down all the way keeps a point left of or above the frame outside it.
  fx = floorDiv(int64_t(dx) * frameW, std::max(p.w, 1)), fy = floorDiv(int64_t(dy) * frameH, std::max(p.h, 1));
  return dx >= 0 && dy >= 0 && dx < p.w && dy < p.h;
}

int scaleForDensity(float dpi) {
  if (!(dpi > 0)) return 1;
  return std::max(1, int(std::lround(dpi / 96.0f)));
}

int largestScaleThatFits(int areaW, int areaH, int frameW, int frameH, int spareH) {
  return std::max(1, std::min(areaW / frameW, (areaH - spareH) / frameH));
}

} // namespace nad
