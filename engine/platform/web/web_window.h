#pragma once
// The game's window in a browser page: the clock and the frame wait, the page's input (kept in
// a queue by web/page.js until the game takes it) and the frame drawn into <canvas id="screen">.
// Needs emscripten with -sASYNCIFY: the waits hand the browser its turn and come back.
#include <cstdint>
#include <set>
#include <vector>

#include "platform/platform.h"

namespace nad {

class WebWindow : public Clock, public EventSource, public Display {
public:
  WebWindow(int frameW, int frameH);

  // Whole milliseconds since the window opened, from the page's high-resolution clock.
  int64_t ticks() override;
  // Returns at the first tick reading strictly greater than deadline: sleeps (a timer of the
  // page) until a millisecond before that reading is due, then yields to the page through
  // messages until it comes.
  void waitUntilAfter(int64_t deadline) override;
  uint64_t randomSeed() override;

  bool poll(Event &out) override;
  // Hands the page its turn until input arrives or the deadline passes; always true.
  bool waitEvent(int64_t deadline) override;

  void present(const Surface &frame) override;
  void setTextInput(bool on) override;

  // Around a modal box of the page: what the page has queued came before the box and is the
  // game's, kept in its order; the page drops input while the box is open; afterwards every
  // key held when the box opened is released for the game, so that none sticks.
  void beginModal();
  void endModal();

private:
  bool takeFromPage(Event &out);
  double start_;
  int frameW_, frameH_;
  std::vector<Event> pending_; // taken from the page before a box, and the releases after it
  size_t pendingHead_ = 0;
  std::set<int> keysDown_;
  Surface shown_;              // the frame last handed to the canvas
  std::vector<uint32_t> rgba_; // the same as the canvas takes it: bytes R, G, B, A
  std::string text_;           // typed text from the page, reused
};

} // namespace nad
