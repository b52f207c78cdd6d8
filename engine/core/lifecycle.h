#pragma once
#include "core/form.h"

namespace nad {

// Puts the team, the stars, the house strip and the gifts back to their starting places and
// shows the menu; each caller adds its own tail.
void ResetWorld(Form &f);

void Form_Load(Form &f);
void Form_Unload(Form &f);
void Image1_Click(Form &f); // starts a game and runs it to its end
void Image6_Click(Form &f); // back to the menu from the high-score panel
void Timer4_Timer(Form &f); // the game clock
void Timer1_Timer(Form &f); // the frame-rate display

// The paced frame loop; returns when gameRunning is no longer True at the top of a pass.
void RunGameLoop(Form &f);
// Processes every pending window event and due timer tick, then shows the window if
// something on it changed.
void DoEvents(Form &f);
// Shows the window anew if something on it changed since it was last shown.
void RepaintWindow(Form &f);
// The life of the program after the load: waits for events and timer ticks while no game
// runs. Returns when the input ends (a scripted session); the window's closing throws ProgramEnd.
void RunProgram(Form &f);

} // namespace nad
