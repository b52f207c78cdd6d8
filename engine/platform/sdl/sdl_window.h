#pragma once
#include <SDL.h>

#include <set>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_handles.h"

namespace nad {

// The game window: its clock, its events translated into the game's own, and presentation
// of finished frames through the window surface (shared memory under X11, no GPU needed).
class SdlWindow : public Clock, public EventSource, public Display {
public:
  SdlWindow(WindowHandle w, bool spinWait)
      : window_(std::move(w)), start_(SDL_GetPerformanceCounter()), spinWait_(spinWait) {}
  SDL_Window *handle() const { return window_.get(); }

  // Whole milliseconds since the window opened, from the performance counter.
  int64_t ticks() override;
  void waitUntilAfter(int64_t deadline) override;
  uint64_t randomSeed() override;

  // A quit request noted with requestQuit() comes first, before any queued event.
  bool poll(Event &out) override;
  bool waitEvent(int64_t deadline) override;

  void present(const Surface &frame) override;
  void setTextInput(bool on) override;

  // A quit request that arrived outside the event queue (a signal while a message box was open).
  void requestQuit() { quitRequested_ = true; }
  // Takes in what the display has sent and tells whether a quit request (a signal, the
  // window's close button) waits in the queue.
  bool quitPending();
  // After a modal box: input stamped after `since` (SDL_GetTicks) arrived while the box was
  // open and is dropped, except releases of keys held before, so that no key stays stuck.
  // Input queued before the box opened, quit requests and window events are kept, in order.
  void dropInputArrivedSince(uint32_t since);

private:
  WindowHandle window_;
  uint64_t start_; // performance counter at the start
  bool spinWait_;
  bool quitRequested_ = false;
  std::set<int> keysDown_;
  // What the window surface holds, so that a present can upload only what changed.
  static constexpr int kBandGap = 8; // rows
  bool uploadAll_ = true;
  SDL_Surface *lastTarget_ = nullptr;
  int lastW_ = 0, lastH_ = 0;
  std::vector<SDL_Rect> bands_; // reused: no allocation per frame
};

int TranslateKey(SDL_Keycode sym);

} // namespace nad
