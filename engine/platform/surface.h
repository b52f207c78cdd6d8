#pragma once
// An off-screen drawing surface: 32-bit pixels 0x00RRGGBB, row-major, top row first.
// Pure C++, shared by both backends; the SDL backend only uploads finished frames.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace nad {

// The three raster operations of a block transfer; each combines every bit of every pixel.
enum class RasterOp { SrcCopy, SrcAnd, SrcPaint };

// A colour as the game's logic sees it: red in the lowest byte, then green, then blue.
constexpr uint32_t colorValue(uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}
constexpr uint32_t rgbPixel(uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

class Surface {
public:
  Surface() = default;
  Surface(int w, int h, uint32_t fill = 0) : w_(w), h_(h), px_(size_t(w) * size_t(h), fill) {}

  int width() const { return w_; }
  int height() const { return h_; }
  bool empty() const { return px_.empty(); }
  uint32_t *row(int y) { return px_.data() + size_t(y) * size_t(w_); }
  const uint32_t *row(int y) const { return px_.data() + size_t(y) * size_t(w_); }
  uint32_t &at(int x, int y) { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
  uint32_t at(int x, int y) const { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

  // The colour value (red lowest) at (x, y); a point outside the surface reads as
  // 0xFFFFFFFF, which no colour value equals, so it matches nothing.
  uint32_t colorAt(int x, int y) const;

  void fill(uint32_t pixel);
  // Copies a w x h rectangle of src at (sx, sy) to (dx, dy) with the given operation.
  // The rectangle is clipped to both surfaces; source pixels outside src are skipped.
  void blit(int dx, int dy, int w, int h, const Surface &src, int sx, int sy, RasterOp op);
  // Fills a rectangle clipped to the surface.
  void fillRect(int x, int y, int w, int h, uint32_t pixel);
  // Replaces the whole content by a same-sized copy of other, reusing the storage.
  void copyFrom(const Surface &other);

private:
  int w_ = 0, h_ = 0;
  std::vector<uint32_t> px_;
};

// Rounds to the nearest whole pixel, an exact half going to the even neighbour.
int roundPixel(double v);

} // namespace nad
