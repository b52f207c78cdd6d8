// The two link banners take turns in the frame at the top right: l1 rises in from below,
// l2 slides in from the right; the banner that left is parked where it will come in from.
#include "world/update_world.h"

namespace nad {

void Timer3_Timer(Form &f) {
  f.s.bannerPhase = f.s.bannerPhase == BannerPhase::One ? BannerPhase::Two : BannerPhase::One;
}

void SlideBanners(Form &f) {
  Scene &sc = f.scene;
  const Control &frame = sc[logo];
  if (f.s.bannerPhase == BannerPhase::One) {
    if (sc[l1].top > 0) {
      sc.setTop(l2, sc[l2].top - 2);
      sc.setTop(l1, sc[l1].top - 2);
    } else {
      sc.setTop(l1, 0);
      sc.setLeft(l2, float(frame.innerWidth()));
      sc.setTop(l2, 0);
    }
  } else {
    if (sc[l2].left > 0) {
      sc.setLeft(l2, sc[l2].left - 5);
      sc.setLeft(l1, sc[l1].left - 5);
    } else {
      sc.setLeft(l2, 0);
      sc.setTop(l2, 0);
      sc.setTop(l1, float(frame.innerHeight()));
      sc.setLeft(l1, 0);
    }
  }
}

} // namespace nad
