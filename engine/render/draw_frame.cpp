#include "render/draw_frame.h"

namespace nad {

void Transfer(Form &f, Id source, double x, double y, RasterOp op) {
  const Control &src = f.scene[source];
  f.scene.transfer(pic, roundPixel(x), roundPixel(y), src.innerWidth(), src.innerHeight(), source, 0, 0, op);
}

void DrawFrame(Form &f) {
  AdvanceDeerAnimation(f);
  f.scene.restoreImage(pic);
  DrawHouses(f);
  DrawGifts(f);
  DrawTeam(f);
  DrawStars(f);
  f.scene.markDirty(); // Refresh: the finished frame is shown in one step
}

// The strip is 640 pixels wide, not 643; columns whose source lies outside the strip keep
// the night sky.
void DrawHouses(Form &f) {
  const Control &strip = f.scene[barak];
  f.scene.transfer(pic, 0, 300, 640, strip.innerHeight(), barak, roundPixel(f.s.houseScroll), 0, RasterOp::SrcCopy);
}

} // namespace nad
