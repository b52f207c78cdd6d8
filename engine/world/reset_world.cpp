#include "world/reset_world.h"

#include "frontend/music.h"

namespace nad {

void ResetWorld(Form &f) {
  GameState &s = f.s;
  s.teamX = 100;
  s.deerFrame[1] = 2;
  s.deerFrame[2] = 4;
  s.deerFrame[3] = 8;
  s.deerFrame[4] = 10;
  s.vertDir = VertDir::None;
  s.loopBrake = 20;
  // Show the window: at load it appears before the load handler has finished (and before the
  // music starts); later this changes nothing.
  if (!f.windowShown) RepaintWindow(f);
  s.frameCount = 0;
  for (int k = 1; k <= 16; ++k) s.trailY[k] = 100;
  s.houseScroll = -100;
  // The stars start in two rows below and behind the lead reindeer.
  static constexpr int dx[9] = {0, 50, 100, 150, 200, 150, 100, 50, 0};
  static constexpr int dy[9] = {0, 0, 0, 0, 0, 15, 10, 15, 10};
  for (int k = 0; k <= 8; ++k) {
    const Control &deer = f.scene[sob(0)];
    s.starY[k] = s.trailY[1] + deer.height + dy[k];
    s.starX[k] = s.teamX - 36 + 3 * deer.width - dx[k];
  }
  for (int i = 0; i <= 5; ++i) s.giftActive[i] = false;
  s.velocityX = 0;
  s.velocityY = 0;
  f.scene.move(menu, 0, 0);
  f.scene.setVisible(menu, true);
}

namespace {
void clearStatusLabels(Form &f) {
  f.scene.setCaption(Label5, "");
  f.scene.setCaption(Label3, "");
  f.scene.setCaption(Label4, "");
}
} // namespace

void ReturnToMenuOnEscape(Form &f) {
  ResetWorld(f);
  SelectMusic(f, MusicFile::Menu);
  FollowMusicSwitch(f);
  f.s.gameRunning = false;
  clearStatusLabels(f);
}

void Image6_Click(Form &f) {
  ResetWorld(f);
  f.s.gameRunning = false;
  clearStatusLabels(f);
  f.scene.setVisible(Picture2, false);
}

} // namespace nad
