#pragma once
// Form1: the one window and everything it owns — the game state record, the control tree,
// the timers, the random generator and the platform services. Handlers are free functions
// that take it, named after their control and event.
#include <string>

#include "core/game_state.h"
#include "core/rng.h"
#include "core/timers.h"
#include "platform/platform.h"
#include "platform/tape.h"
#include "scene/scene.h"

namespace nad {

// Thrown by Form_Unload: the program ends at once, from wherever the window was closed,
// without finishing the frame in progress.
struct ProgramEnd {
  int status = 0;
};

// Watches the game from outside (the replay tool, tests); every hook defaults to nothing.
class FormObserver {
public:
  virtual ~FormObserver() = default;
  virtual void onEvent(const Event &) {}
  virtual void onRandom(float) {}
  virtual void onFrameStart(int64_t) {}
  virtual void onFrameEnd() {}
  virtual void onHiscore(const char * /*load or save*/) {}
  // After each window event or timer tick has been handled, so that a watcher sees what the
  // handler changed at the time it changed it (not called when the window closes).
  virtual void onHandled() {}
};

struct Form {
  explicit Form(const Platform &p) : platform(p) {}

  GameState s;
  Scene scene;
  Timers timers;
  Rng rng;
  Platform platform;
  FormObserver *observer = nullptr;
  Surface frame; // the composed client area, reused every time
  bool textInputOn = false;
  bool windowShown = false;

  float rnd() {
    float r = rng.next();
    if (observer) observer->onRandom(r);
    return r;
  }
  int64_t now() { return platform.clock.ticks(); }
};

// The version of the rules a tape is made with. Raise it with any change that makes a tape
// replay differently (the golden replay's pin changes then too): old tapes are then refused
// rather than proven wrong.
inline constexpr uint32_t kRulesVersion = 1;
// What a tape of this program says it was made with: these rules and these pictures.
inline tape::Header tapeHeader(const Form &f) { return {kRulesVersion, f.scene.picturesHash()}; }

// Closing the window: ends the program at once (throws ProgramEnd).
[[noreturn]] void Form_Unload(Form &f);
// Shows the window anew if something on it changed since it was last shown.
void RepaintWindow(Form &f);

} // namespace nad
