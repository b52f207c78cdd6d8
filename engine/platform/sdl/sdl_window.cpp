#include "platform/sdl/sdl_window.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

namespace nad {

int TranslateKey(SDL_Keycode sym) {
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
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
    case SDL_QUIT: out = {EventKind::Quit}; return true;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        out = {EventKind::Quit};
        return true;
      }
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        uploadAll_ = true; // the server's copy of the window is gone
        out = {EventKind::Expose};
        return true;
      }
      break;
    case SDL_KEYDOWN:
      out = {EventKind::KeyDown, TranslateKey(e.key.keysym.sym), e.key.repeat != 0};
      out.shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
      keysDown_.insert(out.code);
      return true;
    case SDL_KEYUP:
      out = {EventKind::KeyUp, TranslateKey(e.key.keysym.sym)};
      keysDown_.erase(out.code);
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      // The game pairs press and release: a click is both over the same control.
      if (e.button.button == SDL_BUTTON_LEFT) {
        out = {e.type == SDL_MOUSEBUTTONDOWN ? EventKind::MouseDown : EventKind::MouseUp, 0, false, e.button.x,
               e.button.y};
        return true;
      }
      break;
    case SDL_TEXTINPUT:
      out = {EventKind::Text};
      out.text = e.text.text;
      return true;
    default: break;
    }
  }
  return false;
}

bool SdlWindow::waitEvent(int64_t deadline) {
  int64_t wait = deadline - ticks();
  if (wait <= 0) return true;
  SDL_WaitEventTimeout(nullptr, int(std::min<int64_t>(wait, 1 << 30)));
  return true;
}

void SdlWindow::present(const Surface &frame) {
  SDL_Surface *target = SDL_GetWindowSurface(window_.get());
  if (!target) return;
  int w = std::min(frame.width(), target->w), h = std::min(frame.height(), target->h);
  bool whole = uploadAll_ || target != lastTarget_ || w != lastW_ || h != lastH_ ||
               target->format->format != SDL_PIXELFORMAT_RGB888;
  uploadAll_ = false;
  lastTarget_ = target;
  lastW_ = w;
  lastH_ = h;
  SDL_LockSurface(target);
  if (whole) {
    // Our pixels are 0x00RRGGBB, the X11 window surface's native format; convert otherwise.
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, frame.row(0), frame.width() * 4, target->format->format,
                      target->pixels, target->pitch);
    SDL_UnlockSurface(target);
    SDL_UpdateWindowSurface(window_.get());
    return;
  }
  // The window surface still holds the last frame shown: copy and upload only the rows that
  // differ, in bands. Waking the X server and its copy dominate a frame's work, and during
  // play a good part of the window (the sky away from the team) stays the same.
  bands_.clear();
  for (int y = 0; y < h; ++y) {
    const uint32_t *src = frame.row(y);
    uint32_t *dst =
        reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(target->pixels) + size_t(y) * size_t(target->pitch));
    if (std::memcmp(src, dst, size_t(w) * 4) == 0) continue;
    int x0 = 0, x1 = w;
    while (src[x0] == dst[x0]) ++x0;
    while (src[x1 - 1] == dst[x1 - 1]) --x1;
    std::memcpy(dst + x0, src + x0, size_t(x1 - x0) * 4);
    // Rows close together share a band: each band is one more request to the server.
    if (!bands_.empty() && y - (bands_.back().y + bands_.back().h) < kBandGap) {
      SDL_Rect &b = bands_.back();
      int bx1 = std::max(b.x + b.w, x1);
      b.x = std::min(b.x, x0);
      b.w = bx1 - b.x;
      b.h = y + 1 - b.y;
    } else {
      bands_.push_back({x0, y, x1 - x0, 1});
    }
  }
  SDL_UnlockSurface(target);
  if (!bands_.empty()) SDL_UpdateWindowSurfaceRects(window_.get(), bands_.data(), int(bands_.size()));
}

void SdlWindow::setTextInput(bool on) {
  if (on)
    SDL_StartTextInput();
  else
    SDL_StopTextInput();
}

namespace {
bool IsInput(Uint32 type) {
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
    if (q.type == SDL_KEYDOWN && before) held.insert(TranslateKey(q.key.keysym.sym));
    if (q.type == SDL_KEYUP) {
      const int code = TranslateKey(q.key.keysym.sym);
      if (!before && held.count(code)) {
        keep.push_back(q);
        held.erase(code);
        continue;
      }
      if (before) held.erase(code);
    }
    if (before || !IsInput(q.type)) keep.push_back(q);
  }
  // Back in the same order, with their own time stamps.
  if (!keep.empty()) SDL_PeepEvents(keep.data(), int(keep.size()), SDL_ADDEVENT, 0, 0);
}

} // namespace nad
