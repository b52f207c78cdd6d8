#pragma once
#include <SDL.h>

#include <map>
#include <set>
#include <vector>

#include "platform/command_line.h"
#include "platform/platform.h"
#include "platform/sdl/frame_layout.h"
#include "platform/sdl/pad_keys.h"

namespace nad {

// How the window opens: its size in whole multiples of the frame, sharp or smooth scaling.
struct WindowSetup {
  int scale = 1;
  bool smooth = false;
  bool spinWait = false; // see SdlOptions::spinWait
};

// The game window: its clock, its events translated into the game's own (keyboard, mouse,
// game controllers), and presentation of finished frames through the window surface (shared
// memory under X11, no GPU needed), scaled to the window's size. The game sees only its own
// frame: clicks come back in the frame's coordinates, and F11 and Alt+Enter never reach it.
class SdlWindow : public Clock, public EventSource, public Display {
public:
  SdlWindow(SDL_Window *w, int frameW, int frameH, const WindowSetup &setup);
  ~SdlWindow() override;
  SDL_Window *handle() const { return window_; }

  // Whole milliseconds since the window opened, from the performance counter.
  int64_t ticks() override;
  void waitUntilAfter(int64_t deadline) override;
  uint64_t randomSeed() override;

  bool poll(Event &out) override;
  bool waitEvent(int64_t deadline) override;

  void present(const Surface &frame) override;
  void setTextInput(bool on) override;

  void setFullscreen(bool on);
  bool fullscreen() const;
  // The window as the player leaves it, for the settings file, every field set: the scale is
  // that of the window (not of fullscreen), the largest whole multiple of the frame in it.
  options::WindowChoice mode() const;
  // The whole-number scale the frame is shown at now, at least 1 (a box opens as large).
  int shownScale() const;
  const FramePlacement &placement() const { return placement_; }

  // While a modal box runs its own event loop, the game window's events come here. Handles
  // what concerns the window itself (the fullscreen keys, repaints, controllers plugged in or
  // out) and drops the rest; returns the pad input this event pressed (PadInput::Count for
  // none), so that the box can close on it.
  PadInput handleWhileModal(const SDL_Event &e);
  // After the box: the window takes the focus back, every key held before the box is
  // released for the game (nothing held stays stuck, nothing typed at the box arrives), and a
  // request to close the window made meanwhile is passed on.
  void endModal(bool quitRequested);

private:
  void translate(const SDL_Event &e);
  bool fullscreenKey(const SDL_Event &e); // true: the event was F11 or Alt+Enter, handled
  void padEvent(const SDL_Event &e, std::vector<Event> &out, PadInput *pressed);
  void repaint(); // the frame last presented, whole, at the window's present size
  void drawWhole(SDL_Surface *target, const Surface &frame);
  bool drawChanged(SDL_Surface *target, const Surface &frame);
  bool mine(Uint32 windowId) const { return windowId == 0 || windowId == id_; }

  SDL_Window *window_;
  Uint32 id_;
  int frameW_, frameH_;
  uint64_t start_; // performance counter at the start
  bool spinWait_;
  bool smooth_;
  int windowedW_, windowedH_; // the window's size before fullscreen, restored after it
  int windowedX_ = SDL_WINDOWPOS_CENTERED, windowedY_ = SDL_WINDOWPOS_CENTERED;

  std::vector<Event> pending_; // translated events not yet taken, reused
  size_t pendingHead_ = 0;
  std::set<int> keysDown_;
  std::set<SDL_Scancode> swallowed_; // fullscreen keys whose release the game must not see
  PadKeys pads_;
  std::map<SDL_JoystickID, SDL_GameController *> controllers_;

  // What the window shows, so that a present can upload only what changed.
  static constexpr int kBandGap = 8; // rows of the frame
  bool uploadAll_ = true;
  SDL_Surface *lastTarget_ = nullptr;
  FramePlacement placement_;
  Surface shown_;               // the frame last presented
  std::vector<SDL_Rect> bands_; // reused: no allocation per frame
};

int TranslateKey(SDL_Keycode sym);

} // namespace nad
