#pragma once
// The world reset and two of its tails: the release of Escape and the high-score panel's
// back-to-menu word. The third tail, the window's load, starts the program's flow.
#include "core/form.h"

namespace nad {

// Puts the team, the stars, the house strip and the gifts back to their starting places and
// shows the menu; each caller adds its own tail.
void ResetWorld(Form &f);

// The release of Escape: back to the menu, with the menu music selected afresh.
void ReturnToMenuOnEscape(Form &f);
void Image6_Click(Form &f); // back to the menu from the high-score panel

} // namespace nad
