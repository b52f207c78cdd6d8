#include "world/update_world.h"

#include <string>

namespace nad {
namespace {

// How far each star of the trail drifts per frame: left by x, down by y.
constexpr double kStarStepX[9] = {3, 2.8, 2.9, 3.1, 3.3, 2.8, 2.9, 3.1, 3.3};
constexpr double kStarStepY[9] = {0.3, 0.35, 0.4, 0.3, 0.2, 0.35, 0.4, 0.3, 0.2};

void DriftStars(GameState &s) {
  for (int i = 0; i <= 8; ++i) {
    s.starX[i] = s.starX[i] - kStarStepX[i];
    s.starY[i] = s.starY[i] + kStarStepY[i];
  }
}

// A star that left the field is reborn inside the lead reindeer, so the trail streams from
// it. Every star has drifted before any is reborn, and the rebirth sees last frame's lead.
void RespawnStars(Form &f) {
  GameState &s = f.s;
  for (int i = 0; i <= 8; ++i) {
    if (s.starX[i] < 0) {
      float r = f.rnd();
      const Control &deer = f.scene[sob(0)];
      float spread = 15.0f * r; // formed in single precision
      s.starY[i] = s.trailY[1] + deer.height - 10 - spread;
      s.starX[i] = s.teamX - 36 + 3 * deer.width + 20;
    }
  }
}

void ScrollHouses(GameState &s) {
  s.houseScroll = s.houseScroll + s.speed + s.velocityX / 10;
  if (s.houseScroll > 2900) s.houseScroll = -640;
}

std::string wholeText(double v) { return std::to_string(static_cast<long long>(v)); }

} // namespace

void UpdateWorld(Form &f) {
  GameState &s = f.s;
  DriftStars(s);
  RespawnStars(f);
  ShiftTrail(s);
  MoveLeadHeight(f);
  SteerVertically(s);
  SteerHorizontallyAndMove(s);
  ScrollHouses(s);
  SlideBanners(f);
  f.scene.setCaption(Label5, "Bodů : " + wholeText(s.points));
  MoveGifts(f);
  f.scene.setCaption(Label7, "Rychlost : " + wholeText(s.speed * 10) + " Km/h");
}

void Timer5_Timer(Form &f) { f.s.speed = f.s.speed + 0.5; }

} // namespace nad
