// Gifts fall from the sleigh and are delivered when the frame pixel under them has the
// chimney colour; the higher the team flies at that moment, the more a delivery earns.
#include <cmath>
#include <string>

#include "platform/surface.h"
#include "world/update_world.h"

namespace nad {

void DropGift(Form &f) {
  GameState &s = f.s;
  for (int i = 0; i <= 5; ++i) {
    if (!s.giftActive[i]) {
      s.giftActive[i] = true;
      s.giftY[i] = s.trailY[1];
      s.giftX[i] = s.teamX - f.scene[santa].width;
      return;
    }
  }
}

void MoveGifts(Form &f) {
  GameState &s = f.s;
  const Surface &frame = f.scene.pixels(pic); // still holds the frame drawn just before
  for (int i = 0; i <= 5; ++i) {
    if (s.giftActive[i]) {
      s.giftY[i] = s.giftY[i] + 3;
      s.giftX[i] = s.giftX[i] - 1;
      // The probe: the gift's middle column, two rows below its last row, rounded like the drawing.
      uint32_t c = frame.colorAt(roundPixel(s.giftX[i] + 7), roundPixel(s.giftY[i] + 16));
      if (c == s.chimneyColor) {
        s.giftActive[i] = false;
        s.giftsDelivered = s.giftsDelivered + 1;
        s.points = std::nearbyint(s.points + 50 + ((480 - s.trailY[1]) / 100) * 100);
        f.scene.setCaption(Label3, "Dárku dodáno : " + std::to_string(s.giftsDelivered));
      }
    }
    if (s.giftY[i] > 480 && s.giftActive[i]) {
      s.giftActive[i] = false;
      s.giftsDestroyed = s.giftsDestroyed + 1;
      f.scene.setCaption(Label4, "Dárku zničeno : " + std::to_string(s.giftsDestroyed));
      s.points = s.points - 50;
    }
  }
}

} // namespace nad
