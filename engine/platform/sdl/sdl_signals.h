#pragma once
// How the SDL backend keeps the program's end in its own hands: a lost display ends the process
// at once, and a quit request is not held up by an open message box.

namespace nad {

// Xlib calls an I/O error handler when the display connection breaks (the X server ended, a
// log-out). Its default one calls exit(), and what exit() runs talks to the dead display again
// and never returns. While a DisplayLossGuard lives, the loss is reported as one line and the
// process ends at once with status 1, touching nothing of X again. A BadWindow for an event sent
// to a window that is already gone (SDL's wake-up for a closed message box) is let pass; every
// other protocol error goes to the handler that was there before. Construct it before SDL
// starts and let it outlive SDL's shutdown, which talks to the display too.
class DisplayLossGuard {
public:
  DisplayLossGuard();
  ~DisplayLossGuard();
  DisplayLossGuard(const DisplayLossGuard &) = delete;
  DisplayLossGuard &operator=(const DisplayLossGuard &) = delete;
};

// SDL shows a message box from a process of its own and waits for it; SIGTERM and SIGINT would
// only be noted for later. While a QuitDuringBox lives they end the box's process at once (the
// box goes away and the wait returns) and are noted as a quit request. Construct it on the
// thread that shows the box; it puts the handlers in place before it (SDL's) back when it goes.
class QuitDuringBox {
public:
  QuitDuringBox();
  ~QuitDuringBox();
  QuitDuringBox(const QuitDuringBox &) = delete;
  QuitDuringBox &operator=(const QuitDuringBox &) = delete;
  // A quit signal came while this lived.
  bool requested() const;
};

} // namespace nad
