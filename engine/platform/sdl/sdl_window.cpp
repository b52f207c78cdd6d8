#include "platform/sdl/sdl_window.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <optional>
#include <thread>

#include "platform/sdl/sdl_x11.h"

namespace nad {
namespace {

// The X server's own auto-repeat when nothing better is known (its defaults, and what Xvfb
// does): the first repeat after 660 ms, then one every 40 ms.
constexpr int kRepeatDelayMs = 660, kRepeatIntervalMs = 40;

// A stick counts as pushed past half its travel and as let go below three eighths: the gap
// keeps a stick held near the threshold from chattering.
constexpr int kStickPress = 16384, kStickRelease = 12288;

PadKeys makePadKeys(SDL_Window *w) {
  int delay = kRepeatDelayMs, interval = kRepeatIntervalMs;
  x11KeyRepeat(w, delay, interval);
  return PadKeys(delay, interval);
}

std::optional<PadInput> padButton(Uint8 button) {
  switch (button) {
  case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadInput::Up;
  case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadInput::Down;
  case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadInput::Left;
  case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadInput::Right;
  case SDL_CONTROLLER_BUTTON_A: return PadInput::A;
  case SDL_CONTROLLER_BUTTON_B: return PadInput::B;
  case SDL_CONTROLLER_BUTTON_BACK: return PadInput::Back;
  case SDL_CONTROLLER_BUTTON_START: return PadInput::Start;
  default: return std::nullopt;
  }
}

// One frame row at a whole-number scale: each pixel `scale` times.
void scaleRow(const uint32_t *src, int n, int scale, uint32_t *dst) {
  switch (scale) {
  case 1: std::memcpy(dst, src, size_t(n) * 4); return;
  case 2:
    for (ptrdiff_t i = 0; i < n; ++i) dst[2 * i] = dst[2 * i + 1] = src[i];
    return;
  default:
    for (int i = 0; i < n; ++i) std::fill_n(dst + ptrdiff_t(i) * scale, scale, src[i]);
  }
}

uint32_t *row(SDL_Surface *s, int y) {
  return reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(s->pixels) + ptrdiff_t(y) * s->pitch);
}

} // namespace

int translateKey(SDL_Keycode sym) {
  if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + int(sym - SDLK_a);
  if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + int(sym - SDLK_0);
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return 112 + int(sym - SDLK_F1);
  switch (sym) {
  case SDLK_UP: return key::Up;
  case SDLK_DOWN: return key::Down;
  case SDLK_LEFT: return key::Left;
  case SDLK_RIGHT: return key::Right;
  case SDLK_SPACE: return key::Space;
  case SDLK_ESCAPE: return key::Escape;
  case SDLK_RETURN:
  case SDLK_KP_ENTER: return key::Return;
  case SDLK_BACKSPACE: return key::Backspace;
  case SDLK_DELETE: return key::Delete;
  case SDLK_HOME: return key::Home;
  case SDLK_END: return key::End;
  case SDLK_TAB: return key::Tab;
  // The keypad's plus and minus keep their codes whether NumLock is on or off.
  case SDLK_KP_PLUS: return key::KeypadPlus;
  case SDLK_KP_MINUS: return key::KeypadMinus;
  case SDLK_PLUS:
  case SDLK_EQUALS: return key::Plus;
  case SDLK_MINUS: return key::Minus;
  case SDLK_LSHIFT:
  case SDLK_RSHIFT: return key::Shift;
  case SDLK_LCTRL:
  case SDLK_RCTRL: return key::Control;
  case SDLK_LALT:
  case SDLK_RALT: return key::Alt;
  default: return 0;
  }
}

SdlWindow::SdlWindow(WindowHandle w, int frameW, int frameH, const WindowSetup &setup)
    : window_(std::move(w)), id_(SDL_GetWindowID(window_.get())), frameW_(frameW), frameH_(frameH),
      start_(SDL_GetPerformanceCounter()), spinWait_(setup.spinWait), smooth_(setup.smooth),
      windowedW_(frameW * setup.scale), windowedH_(frameH * setup.scale), pads_(makePadKeys(window_.get())) {
  pending_.reserve(64);
  int ww = 0, wh = 0;
  SDL_GetWindowSize(window_.get(), &ww, &wh);
  placement_ = placeFrame(ww, wh, frameW, frameH, smooth_);
}

int64_t SdlWindow::ticks() {
  const uint64_t freq = SDL_GetPerformanceFrequency(), d = SDL_GetPerformanceCounter() - start_;
  return int64_t(d / freq * 1000 + d % freq * 1000 / freq);
}

void SdlWindow::waitUntilAfter(int64_t deadline) {
  // The tick counter alone decides: the wait ends at the first reading above the deadline.
  // The moment that reading begins is known exactly, so sleep until just before it and spin
  // only the last fraction of a millisecond instead of a whole core.
  const uint64_t freq = SDL_GetPerformanceFrequency();
  const uint64_t ms = uint64_t(deadline + 1); // the first reading that ends the wait
  const uint64_t due = start_ + ms / 1000 * freq + (ms % 1000 * freq + 999) / 1000;
  const uint64_t margin = freq / 5000; // 0.2 ms covers the sleep's own lateness
  while (ticks() <= deadline) {
    uint64_t now = SDL_GetPerformanceCounter();
    if (!spinWait_ && now + margin < due)
      std::this_thread::sleep_for(std::chrono::nanoseconds((due - margin - now) * 1000000000 / freq));
  }
}

uint64_t SdlWindow::randomSeed() { return SDL_GetPerformanceCounter() ^ (uint64_t(std::time(nullptr)) << 20); }

bool SdlWindow::poll(Event &out) {
  if (quitRequested_) {
    out = {EventKind::Quit};
    return true;
  }
  for (;;) {
    if (pendingHead_ < pending_.size()) {
      out = pending_[pendingHead_++];
      if (out.kind == EventKind::KeyDown) keysDown_.insert(out.code);
      if (out.kind == EventKind::KeyUp) keysDown_.erase(out.code);
      return true;
    }
    pending_.clear();
    pendingHead_ = 0;
    pads_.repeat(ticks(), pending_);
    if (!pending_.empty()) continue;
    SDL_Event e;
    if (!SDL_PollEvent(&e)) return false;
    translate(e);
  }
}

void SdlWindow::translate(const SDL_Event &e) {
  switch (e.type) {
  case SDL_QUIT: pending_.push_back({EventKind::Quit}); return;
  case SDL_WINDOWEVENT:
    if (e.window.windowID != id_) return;
    if (e.window.event == SDL_WINDOWEVENT_CLOSE) pending_.push_back({EventKind::Quit});
    if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
      uploadAll_ = true; // the server's copy of the window is gone
      pending_.push_back({EventKind::Expose});
    }
    return;
  case SDL_KEYDOWN:
  case SDL_KEYUP:
    // Keys typed at a box that has closed since are not the game's.
    if (!mine(e.key.windowID) || fullscreenKey(e)) return;
    pending_.push_back({e.type == SDL_KEYDOWN ? EventKind::KeyDown : EventKind::KeyUp, translateKey(e.key.keysym.sym),
                        e.type == SDL_KEYDOWN && e.key.repeat != 0});
    pending_.back().shift = e.type == SDL_KEYDOWN && (e.key.keysym.mod & KMOD_SHIFT) != 0;
    return;
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP: {
    // The game pairs press and release: a click is both over the same control. Both come in
    // the frame's own coordinates; on the black border around the frame the point lies outside
    // the frame, where no control is, so a click there hits nothing.
    if (e.button.button != SDL_BUTTON_LEFT || !mine(e.button.windowID)) return;
    int x = 0, y = 0;
    windowToFrame(placement_, frameW_, frameH_, e.button.x, e.button.y, x, y);
    pending_.push_back({e.type == SDL_MOUSEBUTTONDOWN ? EventKind::MouseDown : EventKind::MouseUp, 0, false, x, y});
    return;
  }
  case SDL_TEXTINPUT:
    if (!mine(e.text.windowID)) return;
    pending_.push_back({EventKind::Text});
    pending_.back().text = e.text.text;
    return;
  default: padEvent(e, pending_, nullptr); return;
  }
}

bool SdlWindow::fullscreenKey(const SDL_Event &e) {
  const SDL_Keysym &k = e.key.keysym;
  if (e.type == SDL_KEYUP) return swallowed_.erase(k.scancode) > 0;
  const bool enter = k.sym == SDLK_RETURN || k.sym == SDLK_KP_ENTER;
  if (k.sym != SDLK_F11 && !(enter && (k.mod & KMOD_ALT))) return false;
  swallowed_.insert(k.scancode);
  if (!e.key.repeat) setFullscreen(!fullscreen());
  return true;
}

void SdlWindow::padEvent(const SDL_Event &e, std::vector<Event> &out, PadInput *pressed) {
  const int64_t now = ticks();
  switch (e.type) {
  case SDL_CONTROLLERDEVICEADDED: {
    // Controllers present at the start are announced like those plugged in later.
    ControllerHandle c(SDL_GameControllerOpen(e.cdevice.which));
    if (!c) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c.get()));
    controllers_.try_emplace(id, std::move(c)); // one already open for it closes this again
    return;
  }
  case SDL_CONTROLLERDEVICEREMOVED: {
    pads_.removePad(e.cdevice.which, now, out);
    controllers_.erase(e.cdevice.which);
    return;
  }
  case SDL_CONTROLLERBUTTONDOWN:
  case SDL_CONTROLLERBUTTONUP: {
    const std::optional<PadInput> button = padButton(e.cbutton.button);
    if (!button) return;
    const PadInput in = *button;
    const bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
    if (down && pressed) *pressed = in;
    pads_.set(e.cbutton.which, in, down, now, out);
    return;
  }
  case SDL_CONTROLLERAXISMOTION: {
    const bool x = e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX;
    if (!x && e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY) return;
    const int v = e.caxis.value, pad = e.caxis.which;
    const PadInput neg = x ? PadInput::StickLeft : PadInput::StickUp;
    const PadInput pos = x ? PadInput::StickRight : PadInput::StickDown;
    const auto held = [&](PadInput in, int along) {
      return along >= (pads_.held(pad, in) ? kStickRelease : kStickPress);
    };
    pads_.set(pad, neg, held(neg, -v), now, out);
    pads_.set(pad, pos, held(pos, v), now, out);
    return;
  }
  default: return;
  }
}

bool SdlWindow::waitEvent(int64_t deadline) {
  // A held controller direction repeats by the clock, not by an event: wake for it.
  const int64_t wait = std::min(deadline, pads_.nextRepeat()) - ticks();
  if (wait <= 0) return true;
  SDL_WaitEventTimeout(nullptr, int(std::min<int64_t>(wait, 1 << 30)));
  return true;
}

bool SdlWindow::fullscreen() const { return (SDL_GetWindowFlags(window_.get()) & SDL_WINDOW_FULLSCREEN) != 0; }

void SdlWindow::setFullscreen(bool on) {
  if (on == fullscreen()) return;
  if (on) {
    SDL_GetWindowSize(window_.get(), &windowedW_, &windowedH_);
    SDL_GetWindowPosition(window_.get(), &windowedX_, &windowedY_);
    SDL_SetWindowFullscreen(window_.get(), SDL_WINDOW_FULLSCREEN_DESKTOP);
    coverDisplayWithoutWindowManager(window_.get());
  } else {
    // SDL leaves the size to the window manager, and without one it stays that of the screen.
    SDL_SetWindowFullscreen(window_.get(), 0);
    SDL_SetWindowSize(window_.get(), windowedW_, windowedH_);
    SDL_SetWindowPosition(window_.get(), windowedX_, windowedY_);
  }
  uploadAll_ = true;
  pending_.push_back({EventKind::Expose});
}

options::WindowChoice SdlWindow::mode() const {
  options::WindowChoice m;
  m.fullscreen = fullscreen();
  m.smooth = smooth_;
  int w = windowedW_, h = windowedH_;
  if (!*m.fullscreen) SDL_GetWindowSize(window_.get(), &w, &h);
  m.scale = std::clamp(std::min(w / frameW_, h / frameH_), options::kMinScale, options::kMaxScale);
  return m;
}

int SdlWindow::shownScale() const {
  return placement_.scale >= 1 ? placement_.scale : std::max(1, placement_.w / std::max(frameW_, 1));
}

void SdlWindow::present(const Surface &frame) {
  SDL_Surface *target = SDL_GetWindowSurface(window_.get());
  if (!target) return;
  const FramePlacement p = placeFrame(target->w, target->h, frame.width(), frame.height(), smooth_);
  const bool whole = uploadAll_ || target != lastTarget_ || p != placement_ || frame.width() != shown_.width() ||
                     frame.height() != shown_.height();
  uploadAll_ = false;
  lastTarget_ = target;
  placement_ = p;
  const bool wholeNumber = !p.smooth && p.scale >= 1 && target->format->format == SDL_PIXELFORMAT_RGB888;
  if (!whole && wholeNumber) {
    // Only the rows that changed since the last present; during play a good part of the
    // frame (the sky away from the team) stays the same.
    if (drawChanged(target, frame)) SDL_UpdateWindowSurfaceRects(window_.get(), bands_.data(), int(bands_.size()));
    return;
  }
  if (!whole && std::memcmp(frame.row(0), shown_.row(0), size_t(frame.width()) * size_t(frame.height()) * 4) == 0)
    return;
  shown_.copyFrom(frame);
  drawWhole(target, shown_);
  if (whole) {
    SDL_UpdateWindowSurface(window_.get());
    if (!focusTaken_) {
      // The window's focus event has come in by now (the upload waits for the server). Taken in
      // at once, it cannot meet the first click in one later batch, where SDL would treat that
      // click as one that only focuses the window and drop it; the game may be busy for a
      // while yet (the music loads after the first frame).
      focusTaken_ = true;
      SDL_PumpEvents();
    }
  } else {
    const SDL_Rect r{p.x, p.y, p.w, p.h};
    SDL_UpdateWindowSurfaceRects(window_.get(), &r, 1);
  }
}

void SdlWindow::drawWhole(SDL_Surface *target, const Surface &frame) {
  const FramePlacement &p = placement_;
  // The black border around the frame, when there is one.
  const SDL_Rect border[4] = {{0, 0, target->w, p.y},
                              {0, p.y + p.h, target->w, target->h - p.y - p.h},
                              {0, p.y, p.x, p.h},
                              {p.x + p.w, p.y, target->w - p.x - p.w, p.h}};
  for (const SDL_Rect &r : border)
    if (r.w > 0 && r.h > 0) SDL_FillRect(target, &r, SDL_MapRGB(target->format, 0, 0, 0));

  if (!p.smooth && p.scale >= 1 && target->format->format == SDL_PIXELFORMAT_RGB888) {
    // Our pixels are 0x00RRGGBB, the X11 window surface's native format.
    SDL_LockSurface(target);
    for (int y = 0; y < frame.height(); ++y) {
      uint32_t *dst = row(target, p.y + y * p.scale) + p.x;
      scaleRow(frame.row(y), frame.width(), p.scale, dst);
      for (int r = 1; r < p.scale; ++r) std::memcpy(row(target, p.y + y * p.scale + r) + p.x, dst, size_t(p.w) * 4);
    }
    SDL_UnlockSurface(target);
    return;
  }
  // Filtered scaling, a window smaller than the frame, or a surface in another format: SDL's
  // own blits, which convert as they go.
  SDL_Surface *src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t *>(frame.row(0)), frame.width(),
                                                        frame.height(), 32, frame.width() * 4, SDL_PIXELFORMAT_RGB888);
  if (!src) return;
  SDL_Rect dst{p.x, p.y, p.w, p.h};
  if (!(p.smooth && target->format->format == SDL_PIXELFORMAT_RGB888 &&
        SDL_SoftStretchLinear(src, nullptr, target, &dst) == 0))
    SDL_BlitScaled(src, nullptr, target, &dst);
  SDL_FreeSurface(src);
}

bool SdlWindow::drawChanged(SDL_Surface *target, const Surface &frame) {
  const FramePlacement &p = placement_;
  const int s = p.scale, w = frame.width();
  bands_.clear();
  SDL_LockSurface(target);
  for (int y = 0; y < frame.height(); ++y) {
    const uint32_t *src = frame.row(y);
    uint32_t *was = shown_.row(y);
    if (std::memcmp(src, was, size_t(w) * 4) == 0) continue;
    int x0 = 0, x1 = w;
    while (src[x0] == was[x0]) ++x0;
    while (src[x1 - 1] == was[x1 - 1]) --x1;
    std::memcpy(was + x0, src + x0, size_t(x1 - x0) * 4);
    uint32_t *dst = row(target, p.y + y * s) + p.x + ptrdiff_t(x0) * s;
    scaleRow(src + x0, x1 - x0, s, dst);
    for (int r = 1; r < s; ++r)
      std::memcpy(row(target, p.y + y * s + r) + p.x + ptrdiff_t(x0) * s, dst, size_t(x1 - x0) * size_t(s) * 4);
    // Rows close together share a band (in frame rows here): each band is one more request to
    // the server.
    if (!bands_.empty() && y - (bands_.back().y + bands_.back().h) < kBandGap) {
      SDL_Rect &b = bands_.back();
      const int bx1 = std::max(b.x + b.w, x1);
      b.x = std::min(b.x, x0);
      b.w = bx1 - b.x;
      b.h = y + 1 - b.y;
    } else {
      bands_.push_back({x0, y, x1 - x0, 1});
    }
  }
  SDL_UnlockSurface(target);
  for (SDL_Rect &b : bands_) b = {p.x + b.x * s, p.y + b.y * s, b.w * s, b.h * s};
  return !bands_.empty();
}

void SdlWindow::setTextInput(bool on) {
  if (on)
    SDL_StartTextInput();
  else
    SDL_StopTextInput();
}

PadInput SdlWindow::handleWhileModal(const SDL_Event &e) {
  PadInput pressed = PadInput::Count;
  switch (e.type) {
  case SDL_KEYDOWN:
  case SDL_KEYUP: fullscreenKey(e); break;
  case SDL_WINDOWEVENT:
    if (e.window.windowID == id_ &&
        (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED))
      repaint();
    break;
  default: {
    // Controllers keep their state; what they press is the box's, not the game's.
    std::vector<Event> dropped;
    padEvent(e, dropped, &pressed);
  }
  }
  return pressed;
}

void SdlWindow::repaint() {
  SDL_Surface *target = SDL_GetWindowSurface(window_.get());
  if (!target || shown_.empty()) return;
  placement_ = placeFrame(target->w, target->h, shown_.width(), shown_.height(), smooth_);
  lastTarget_ = target;
  drawWhole(target, shown_);
  SDL_UpdateWindowSurface(window_.get());
  uploadAll_ = false;
}

bool SdlWindow::beginModal() {
  SDL_PumpEvents();
  SDL_Event e;
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) translate(e);
  if (quitRequested_) return false;
  for (size_t i = pendingHead_; i < pending_.size(); ++i)
    if (pending_[i].kind == EventKind::Quit) return false;
  return true;
}

void SdlWindow::endModal(bool quitRequested) {
  // Without a window manager the box does not give the focus back by itself.
  SDL_RaiseWindow(window_.get());
  SDL_SetWindowInputFocus(window_.get());
  // Held as the game will see it once what was queued before the box has been handed over.
  std::set<int> held = keysDown_;
  for (size_t i = pendingHead_; i < pending_.size(); ++i) {
    if (pending_[i].kind == EventKind::KeyDown) held.insert(pending_[i].code);
    if (pending_[i].kind == EventKind::KeyUp) held.erase(pending_[i].code);
  }
  for (int code : held) pending_.push_back({EventKind::KeyUp, code});
  pads_.silenceHeld();
  if (quitRequested) requestQuit();
}

namespace {
bool isInput(Uint32 type) {
  switch (type) {
  case SDL_KEYDOWN:
  case SDL_KEYUP:
  case SDL_TEXTEDITING:
  case SDL_TEXTINPUT:
  case SDL_TEXTEDITING_EXT:
  case SDL_MOUSEMOTION:
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP:
  case SDL_MOUSEWHEEL: return true;
  default: return false;
  }
}
} // namespace

bool SdlWindow::quitPending() {
  SDL_PumpEvents();
  if (quitRequested_ || SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0) return true;
  for (size_t i = pendingHead_; i < pending_.size(); ++i)
    if (pending_[i].kind == EventKind::Quit) return true;
  SDL_Event windowEvents[64];
  int n = SDL_PeepEvents(windowEvents, 64, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
  for (int i = 0; i < n; ++i)
    if (windowEvents[i].window.event == SDL_WINDOWEVENT_CLOSE) return true;
  return false;
}

void SdlWindow::dropInputArrivedSince(uint32_t since) {
  // SDL stamps an event when it takes it from the display: whatever the display sent while the
  // box was open is taken in here, after the box, and stamped later than `since`.
  SDL_PumpEvents();
  std::vector<SDL_Event> queue;
  SDL_Event e;
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) queue.push_back(e);
  std::set<int> held = keysDown_; // held when the box opened, queued presses included
  std::vector<SDL_Event> keep;
  for (const SDL_Event &q : queue) {
    const bool before = Sint32(q.common.timestamp - since) <= 0;
    if (q.type == SDL_KEYDOWN && before) held.insert(translateKey(q.key.keysym.sym));
    if (q.type == SDL_KEYUP) {
      const int code = translateKey(q.key.keysym.sym);
      if (!before && held.count(code)) {
        keep.push_back(q);
        held.erase(code);
        continue;
      }
      if (before) held.erase(code);
    }
    if (before || !isInput(q.type)) keep.push_back(q);
  }
  // Back in the same order, with their own time stamps.
  if (!keep.empty()) SDL_PeepEvents(keep.data(), int(keep.size()), SDL_ADDEVENT, 0, 0);
}

} // namespace nad
