#include "world/game_clock.h"

#include <string>

#include "frontend/highscore_file.h"
#include "frontend/highscore_table.h"

namespace nad {

void GameEnded(Form &f) {
  if (f.platform.results)
    f.platform.results->gameEnded(int64_t(f.s.points), hiscore::cleanName(f.scene[Text1].caption));
}

void Timer4_Timer(Form &f) {
  GameState &s = f.s;
  // A game left with Escape keeps its clock running in the menu and ends here; one still in
  // play ends when its frame loop returns, as the last frame may still score.
  const bool inPlay = s.gameRunning;
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
    if (!inPlay) GameEnded(f);
  }
}

void Timer1_Timer(Form &f) {
  f.scene.setCaption(Label1, "Fps : " + std::to_string(f.s.frameCount));
  f.s.frameCount = 0;
}

} // namespace nad
