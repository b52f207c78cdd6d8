// The team: four reindeer and the sleigh, each drawn at an older height of the lead, so a
// climb or a dive ripples back from the lead reindeer to the sleigh.
#include "render/draw_frame.h"

namespace nad {

void AdvanceDeerAnimation(Form &f) {
  GameState &s = f.s;
  if (s.deerStepToggle) {
    for (int i = 1; i <= 4; ++i) {
      s.deerFrame[i] = s.deerFrame[i] + 1;
      // An equality test: an element at 10 or more never wraps (element 4 is never drawn).
      if (s.deerFrame[i] == sobCount) s.deerFrame[i] = 0;
    }
    s.deerStepToggle = false;
  } else {
    s.deerStepToggle = true;
  }
}

void DrawTeam(Form &f) {
  GameState &s = f.s;
  double W = f.scene[sob(0)].width; // outer width: the picture and its border
  auto deer = [&](Id picture, int frame, double x, double y) {
    // The lead's picture is copied with the size of the ordinary one of the same frame.
    const Control &size = f.scene[sob(frame)];
    f.scene.transfer(pic, roundPixel(x), roundPixel(y), size.innerWidth(), size.innerHeight(), picture, 0, 0,
                     RasterOp::SrcCopy);
  };
  deer(sob(s.deerFrame[1]), s.deerFrame[1], s.teamX + 16, s.trailY[12]);
  deer(sob(s.deerFrame[1]), s.deerFrame[1], s.teamX + W, s.trailY[10]);
  deer(sob(s.deerFrame[2]), s.deerFrame[2], s.teamX - 16 + 2 * W, s.trailY[5]);
  deer(sobspecial(s.deerFrame[3]), s.deerFrame[3], s.teamX - 36 + 3 * W, s.trailY[1]);
  Transfer(f, santa, s.teamX - 60, s.trailY[15] - 5, RasterOp::SrcCopy);
}

} // namespace nad
