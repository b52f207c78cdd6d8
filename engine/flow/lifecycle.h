#pragma once
// The flow of the program: the window's load, the start of a game with its frame loop, the
// processing of pending events and the idle life between games. Uses every layer below it.
#include "core/form.h"

namespace nad {

void Form_Load(Form &f);
void Image1_Click(Form &f); // starts a game and runs it to its end

// The paced frame loop; returns when gameRunning is no longer True at the top of a pass.
void RunGameLoop(Form &f);
// Processes every pending window event and due timer tick, then shows the window if
// something on it changed.
void DoEvents(Form &f);
// The life of the program after the load: waits for events and timer ticks while no game
// runs. Returns when the input ends (a scripted session); the window's closing throws ProgramEnd.
void RunProgram(Form &f);

} // namespace nad
