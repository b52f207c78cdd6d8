// Gifts and stars are masked sprites: the mask cut with AND, then the colours added with OR.
#include "render/draw_frame.h"

namespace nad {

// Slot i always shows gift picture i; a later slot is finished on top of an earlier one.
void DrawGifts(Form &f) {
  GameState &s = f.s;
  for (int i = 0; i <= 5; ++i) {
    if (s.giftActive[i]) {
      Transfer(f, darek(11 - i), s.giftX[i], s.giftY[i], RasterOp::SrcAnd);
      Transfer(f, darek(i), s.giftX[i], s.giftY[i], RasterOp::SrcPaint);
    }
  }
}

// All masks are cut before any colour is added, so overlapping stars mix by OR instead of
// cutting into each other.
void DrawStars(Form &f) {
  static constexpr int kColour[9] = {0, 2, 0, 1, 2, 1, 2, 1, 0};
  GameState &s = f.s;
  for (int k = 0; k <= 8; ++k) Transfer(f, star(5 - kColour[k]), s.starX[k], s.starY[k], RasterOp::SrcAnd);
  for (int k = 0; k <= 8; ++k) Transfer(f, star(kColour[k]), s.starX[k], s.starY[k], RasterOp::SrcPaint);
}

} // namespace nad
