#pragma once
#include <SDL.h>

#include <set>
#include <vector>

#include "platform/platform.h"

namespace nad {

// The game window: its clock, its events translated into the game's own, and presentation
// of finished frames through the window surface (shared memory under X11, no GPU needed).
class SdlWindow : public Clock, public EventSource, public Display {
public:
  SdlWindow(SDL_Window *w, bool spinWait) : window_(w), start_(SDL_GetPerformanceCounter()), spinWait_(spinWait) {}
  ~SdlWindow() override { SDL_DestroyWindow(window_); }
  SDL_Window *handle() const { return window_; }

  // Whole milliseconds since the window opened, from the performance counter.
  int64_t ticks() override;
  void waitUntilAfter(int64_t deadline) override;
  uint64_t randomSeed() override;

  bool poll(Event &out) override;
  bool waitEvent(int64_t deadline) override;

  void present(const Surface &frame) override;
  void setTextInput(bool on) override;

  // After a modal box: input typed while it was open is dropped; releases of keys that were
  // held before it opened are kept, so no key stays stuck.
  void discardInputTypedMeanwhile();

private:
  SDL_Window *window_;
  uint64_t start_; // performance counter at the start
  bool spinWait_;
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
