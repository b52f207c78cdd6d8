#pragma once
#include <SDL.h>

#include <map>
#include <set>
#include <vector>

#include "platform/window_choice.h"
#include "platform/platform.h"
#include "platform/sdl/frame_layout.h"
#include "platform/sdl/pad_keys.h"
#include "platform/sdl/sdl_handles.h"

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
// frame: mouse events come back in the frame's coordinates, and F11 and Alt+Enter never reach
// it.
class SdlWindow : public Clock, public EventSource, public Display {
public:
  SdlWindow(WindowHandle w, int frameW, int frameH, const WindowSetup &setup);
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

  void setFullscreen(bool on);
  bool fullscreen() const;
  // The window as the player leaves it, for the settings file, every field set: the scale is
  // that of the window (not of fullscreen), the largest whole multiple of the frame in it.
  options::WindowChoice mode() const;
  // The whole-number scale the frame is shown at now, at least 1 (a box opens as large).
  int shownScale() const;
  const FramePlacement &placement() const { return placement_; }

  // A quit request that arrived outside the event queue (a signal while a message box was open).
  void requestQuit() { quitRequested_ = true; }
  // Takes in what the display has sent and tells whether a quit request (a signal, the
  // window's close button) waits in the queue.
  bool quitPending();

  // Before a modal box of our own: what is queued now came before the box and is the game's;
  // it is taken in now and handed over after the box, in its order. False when a quit request
  // is among it: then no box should open.
  bool beginModal();
  // While the box runs its own event loop, the game window's events come here. Handles what
  // concerns the window itself (the fullscreen keys, repaints, controllers plugged in or out)
  // and drops the rest; returns the pad input this event pressed (PadInput::Count for none),
  // so that the box can close on it.
  PadInput handleWhileModal(const SDL_Event &e);
  // After the box: the window takes the focus back; every key held when the box opened (queued
  // presses included) is released for the game, so nothing stays stuck and nothing typed at the
  // box arrives; a quit request made meanwhile comes first.
  void endModal(bool quitRequested);

  // After SDL's own message box (which blocks everything): input stamped after `since`
  // (SDL_GetTicks) arrived while the box was open and is dropped, except releases of keys held
  // before, so that no key stays stuck. Input queued before the box opened, quit requests and
  // window events are kept, in order.
  void dropInputArrivedSince(uint32_t since);

private:
  void translate(const SDL_Event &e);
  bool fullscreenKey(const SDL_Event &e); // true: the event was F11 or Alt+Enter, handled
  void padEvent(const SDL_Event &e, std::vector<Event> &out, PadInput *pressed);
  void repaint(); // the frame last presented, whole, at the window's present size
  void drawWhole(SDL_Surface *target, const Surface &frame);
  bool drawChanged(SDL_Surface *target, const Surface &frame);
  bool mine(Uint32 windowId) const { return windowId == 0 || windowId == id_; }

  WindowHandle window_;
  Uint32 id_;
  int frameW_, frameH_;
  uint64_t start_; // performance counter at the start
  bool spinWait_;
  bool smooth_;
  bool quitRequested_ = false;
  int windowedW_, windowedH_; // the window's size before fullscreen, restored after it
  int windowedX_ = SDL_WINDOWPOS_CENTERED, windowedY_ = SDL_WINDOWPOS_CENTERED;

  std::vector<Event> pending_; // translated events not yet taken, reused
  size_t pendingHead_ = 0;
  std::set<int> keysDown_;
  std::set<SDL_Scancode> swallowed_; // fullscreen keys whose release the game must not see
  PadKeys pads_;
  std::map<SDL_JoystickID, ControllerHandle> controllers_;

  // What the window shows, so that a present can upload only what changed.
  static constexpr int kBandGap = 8; // rows of the frame
  bool uploadAll_ = true;
  bool focusTaken_ = false; // the focus event was taken in after the first frame
  SDL_Surface *lastTarget_ = nullptr;
  FramePlacement placement_;
  Surface shown_;               // the frame last presented
  std::vector<SDL_Rect> bands_; // reused: no allocation per frame
};

int TranslateKey(SDL_Keycode sym);

} // namespace nad
