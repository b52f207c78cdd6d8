#include "flow/lifecycle.h"

#include "flow/events.h"
#include "frontend/music.h"
#include "render/draw_frame.h"
#include "world/game_clock.h"
#include "world/reset_world.h"
#include "world/update_world.h"

namespace nad {

void Form_Load(Form &f) {
  ResetWorld(f);
  if (MusicIsOn(f)) {
    SelectMusic(f, MusicFile::Menu);
    f.platform.music.play();
  } else {
    f.platform.music.pause();
  }
}

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
  if (s.timeLeft == 0) GameEnded(f);
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

void RunProgram(Form &f) {
  for (;;) {
    DoEvents(f);
    if (!f.platform.events.waitEvent(f.timers.nextDue())) return;
  }
}

} // namespace nad
