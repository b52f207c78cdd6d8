#include "core/lifecycle.h"

#include <string>

#include "core/events.h"
#include "frontend/highscore_table.h"
#include "frontend/music.h"
#include "render/draw_frame.h"
#include "world/update_world.h"

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

void Form_Load(Form &f) {
  ResetWorld(f);
  if (MusicIsOn(f)) {
    SelectMusic(f, MusicFile::Menu);
    f.platform.music.play();
  } else {
    f.platform.music.pause();
  }
}

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

void Form_Unload(Form &) { throw ProgramEnd{0}; }

void Image1_Click(Form &f) {
  SelectMusic(f, MusicFile::Game);
  FollowMusicSwitch(f);
  int64_t now = f.now();
  for (TimerId t : {Timer1, Timer3, Timer4, Timer5}) f.timers.setEnabled(t, true, now);
  GameState &s = f.s;
  s.speed = 2.5;
  s.gameRunning = true;
  s.giftsDelivered = 0;
  s.giftsDestroyed = 0;
  s.points = 0;
  s.timeLeft = 130;
  s.chimneyColor = f.scene.pixels(barak).colorAt(0, 0);
  f.scene.setVisible(menu, false);
  RunGameLoop(f);
}

void Timer4_Timer(Form &f) {
  GameState &s = f.s;
  s.timeLeft = s.timeLeft - 1;
  f.scene.setCaption(Label6, "Čas   : " + std::to_string(s.timeLeft));
  if (s.timeLeft == 0) {
    s.gameRunning = false;
    int64_t now = f.now();
    f.timers.setEnabled(Timer4, false, now);
    f.timers.setEnabled(Timer3, false, now);
    f.timers.setEnabled(Timer1, false, now);
    f.scene.setVisible(Picture2, true);
    LoadHighScores(f);
    f.scene.setVisible(Picture1, GameQualifies(f));
  }
}

void Timer1_Timer(Form &f) {
  f.scene.setCaption(Label1, "Fps : " + std::to_string(f.s.frameCount));
  f.s.frameCount = 0;
}

void RunGameLoop(Form &f) {
  GameState &s = f.s;
  for (;;) {
    if (!s.gameRunning) return;
    // The wait ends only strictly after the deadline, so frame starts lie at least
    // loopBrake + 1 ms apart; the next deadline counts from a fresh reading, so a slow
    // frame is never made up for.
    f.platform.clock.waitUntilAfter(s.nextTick);
    int64_t start = f.now();
    s.nextTick = start + s.loopBrake;
    if (f.observer) f.observer->onFrameStart(start);
    DoEvents(f);
    s.frameCount = s.frameCount + 1;
    DrawFrame(f);
    UpdateWorld(f);
    if (f.observer) f.observer->onFrameEnd();
    DoEvents(f);
  }
}

void DoEvents(Form &f) {
  Event e;
  while (f.platform.events.poll(e)) {
    DispatchEvent(f, e);
    if (f.observer) f.observer->onHandled();
  }
  TimerId t;
  while (f.timers.takeDue(f.now(), t)) {
    switch (t) {
    case Timer1: Timer1_Timer(f); break;
    case Timer3: Timer3_Timer(f); break;
    case Timer4: Timer4_Timer(f); break;
    case Timer5: Timer5_Timer(f); break;
    case TimerCount: break;
    }
    if (f.observer) f.observer->onHandled();
  }
  // Typed text is wanted only while the name box has the focus (space and P type too).
  bool wantText = f.scene.focus() == Text1 && f.scene.shown(Text1);
  if (wantText != f.textInputOn) {
    f.textInputOn = wantText;
    f.platform.display.setTextInput(wantText);
  }
  RepaintWindow(f);
}

void RepaintWindow(Form &f) {
  f.windowShown = true;
  if (f.scene.dirty()) {
    if (f.platform.display.showsFrames()) {
      f.scene.compose(f.frame, f.platform.text);
      f.platform.display.present(f.frame);
    } else {
      f.scene.layoutLabels(f.platform.text); // labels still take the size of their captions
    }
  }
}

void RunProgram(Form &f) {
  for (;;) {
    DoEvents(f);
    if (!f.platform.events.waitEvent(f.timers.nextDue())) return;
  }
}

} // namespace nad
