#pragma once
// The game clock and the frame-rate display.
#include "core/form.h"

namespace nad {

void Timer4_Timer(Form &f); // the game clock: counts down and ends the game at exactly 0
void Timer1_Timer(Form &f); // the frame-rate display

} // namespace nad
