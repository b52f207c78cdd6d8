#pragma once
// The game clock and the frame-rate display.
#include "core/form.h"

namespace nad {

void Timer4_Timer(Form &f); // the game clock: counts down and ends the game at exactly 0
void Timer1_Timer(Form &f); // the frame-rate display
// A game ran to its end: its score (`points`) goes to the platform's results, if any.
void GameEnded(Form &f);

} // namespace nad
