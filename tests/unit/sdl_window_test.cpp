// The SDL backend's window on SDL's dummy video driver (no display needed): what a scaled
// present puts into the window surface, where clicks land, the fullscreen keys, game
// controllers through SDL's virtual joystick, and the box that keeps the window alive.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_window.h"

using namespace nad;

namespace {

// A small frame keeps the window well inside the dummy driver's 1024 x 768 display.
constexpr int kW = 100, kH = 80;

struct Sdl {
  std::unique_ptr<SdlBackend> backend;
  SdlWindow *window = nullptr;
  Platform *platform = nullptr;
  std::unique_ptr<Platform> holder;

  explicit Sdl(int scale, bool smooth = false) {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The dummy driver's windows never get the keyboard focus, and SDL holds controller input
    // back from a program without it.
    ::setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
    SdlOptions o;
    o.caption = "test";
    o.width = kW, o.height = kH;
    o.scale = scale;
    o.smooth = smooth;
    o.programDir = NADILKA_GAME_DIR; // the fonts
    backend = openSdlBackend(o);
    holder = std::make_unique<Platform>(backend->platform());
    platform = holder.get();
    window = &static_cast<SdlWindow &>(platform->display);
  }
  Uint32 id() const { return SDL_GetWindowID(window->handle()); }

  std::vector<Event> drain() {
    std::vector<Event> got;
    Event e;
    while (window->poll(e))
      if (e.kind != EventKind::Expose) got.push_back(e);
    return got;
  }
  // Events over a stretch of real time, each with the tick it was taken at.
  std::vector<std::pair<int64_t, Event>> collect(int ms) {
    std::vector<std::pair<int64_t, Event>> got;
    const int64_t end = window->ticks() + ms;
    while (window->ticks() < end) {
      Event e;
      while (window->poll(e))
        if (e.kind != EventKind::Expose) got.emplace_back(window->ticks(), e);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return got;
  }
  void push(const SDL_Event &e) {
    SDL_Event copy = e;
    SDL_PushEvent(&copy);
  }
  void key(Uint32 type, SDL_Keycode sym, Uint16 mod = 0) {
    SDL_Event e{};
    e.type = type;
    e.key.windowID = id();
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
    e.key.keysym.mod = mod;
    push(e);
  }
  void click(int x, int y) {
    SDL_Event e{};
    e.button.windowID = id();
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x, e.button.y = y;
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
      e.type = type;
      push(e);
    }
  }
};

Surface Pattern(int seed) {
  Surface s(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) s.at(x, y) = rgbPixel(uint8_t(x * 7 + seed), uint8_t(y * 13), uint8_t((x ^ y) + seed));
  return s;
}

// The window surface against the frame shown at `p`, black around it.
int MismatchedPixels(SDL_Window *w, const Surface &frame, const FramePlacement &p) {
  SDL_Surface *s = SDL_GetWindowSurface(w);
  EXPECT_EQ(s->format->format, SDL_PIXELFORMAT_RGB888);
  int bad = 0;
  for (int y = 0; y < s->h; ++y)
    for (int x = 0; x < s->w; ++x) {
      const uint32_t got =
          reinterpret_cast<const uint32_t *>(static_cast<const uint8_t *>(s->pixels) + ptrdiff_t(y) * s->pitch)[x] &
          0xFFFFFF;
      int fx = 0, fy = 0;
      const uint32_t want = windowToFrame(p, kW, kH, x, y, fx, fy) ? frame.at(fx, fy) : 0;
      bad += got != want;
    }
  return bad;
}

TEST(SdlWindow, AScaledPresentIsTheFrameInWholePixelsAndOnlyChangesAreRedrawn) {
  Sdl sdl(2);
  int w = 0, h = 0;
  SDL_GetWindowSize(sdl.window->handle(), &w, &h);
  EXPECT_EQ(w, 2 * kW);
  EXPECT_EQ(h, 2 * kH);
  Surface frame = Pattern(0);
  sdl.window->present(frame);
  EXPECT_EQ(sdl.window->placement(), (FramePlacement{0, 0, 2 * kW, 2 * kH, 2, false}));
  EXPECT_EQ(MismatchedPixels(sdl.window->handle(), frame, sdl.window->placement()), 0);

  // Larger and of another shape: scale 3, centred, black around it.
  SDL_SetWindowSize(sdl.window->handle(), 3 * kW + 50, 3 * kH + 11);
  sdl.drain();
  sdl.window->present(frame);
  EXPECT_EQ(sdl.window->placement(), (FramePlacement{25, 5, 3 * kW, 3 * kH, 3, false}));
  EXPECT_EQ(MismatchedPixels(sdl.window->handle(), frame, sdl.window->placement()), 0);

  // Rows that change are redrawn; the rest stays as it was.
  for (int x = 10; x < 60; ++x) frame.at(x, 33) = rgbPixel(255, 0, 0);
  frame.at(kW - 1, kH - 1) = rgbPixel(0, 255, 0);
  sdl.window->present(frame);
  EXPECT_EQ(MismatchedPixels(sdl.window->handle(), frame, sdl.window->placement()), 0);
}

TEST(SdlWindow, SmoothScalingFillsTheWindowWithTheShapeKept) {
  Sdl sdl(1, true);
  SDL_SetWindowSize(sdl.window->handle(), 250, 150);
  sdl.drain();
  Surface frame(kW, kH, rgbPixel(10, 200, 30));
  sdl.window->present(frame);
  const FramePlacement p = sdl.window->placement();
  EXPECT_EQ(p, (FramePlacement{31, 0, 187, 150, 0, true}));
  // A flat frame stays flat when filtered; the border is black.
  EXPECT_EQ(MismatchedPixels(sdl.window->handle(), frame, p), 0);
}

TEST(SdlWindow, ClicksComeBackInTheFramesCoordinatesAndTheBorderLiesOutsideTheFrame) {
  Sdl sdl(2);
  SDL_SetWindowSize(sdl.window->handle(), 2 * kW + 40, 2 * kH);
  sdl.drain();
  sdl.window->present(Pattern(0)); // the frame at (20, 0), scale 2
  sdl.click(20, 0);
  sdl.click(20 + 2 * 50 + 1, 2 * 40 + 1);
  sdl.click(20 + 2 * kW - 1, 2 * kH - 1);
  sdl.click(19, 50);          // the border left of the frame
  sdl.click(20 + 2 * kW, 50); // and right of it
  const std::vector<Event> got = sdl.drain();
  ASSERT_EQ(got.size(), 10u);
  const std::vector<std::pair<int, int>> want = {{0, 0}, {50, 40}, {kW - 1, kH - 1}, {-1, 25}, {kW, 25}};
  for (size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].kind, i % 2 ? EventKind::MouseUp : EventKind::MouseDown);
    EXPECT_EQ(std::make_pair(got[i].x, got[i].y), want[i / 2]);
  }
}

TEST(SdlWindow, F11AndAltEnterSwitchFullscreenAndNeverReachTheGame) {
  Sdl sdl(2);
  EXPECT_FALSE(sdl.window->fullscreen());
  sdl.key(SDL_KEYDOWN, SDLK_F11);
  sdl.key(SDL_KEYUP, SDLK_F11);
  EXPECT_TRUE(sdl.drain().empty());
  EXPECT_TRUE(sdl.window->fullscreen());
  // The window's own scale is what the settings keep, not that of the screen.
  EXPECT_EQ(sdl.window->mode(), (options::WindowChoice{2, true, false}));

  sdl.key(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT);
  sdl.key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
  sdl.key(SDL_KEYUP, SDLK_LALT);
  sdl.key(SDL_KEYUP, SDLK_RETURN); // Alt let go first: still the fullscreen key's release
  std::vector<Event> got = sdl.drain();
  EXPECT_FALSE(sdl.window->fullscreen());
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].kind, EventKind::KeyDown);
  EXPECT_EQ(got[0].code, key::Alt);
  EXPECT_EQ(got[1].kind, EventKind::KeyUp);
  EXPECT_EQ(got[1].code, key::Alt);
  int w = 0, h = 0;
  SDL_GetWindowSize(sdl.window->handle(), &w, &h);
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(2 * kW, 2 * kH));

  sdl.key(SDL_KEYDOWN, SDLK_RETURN); // Enter alone is the game's
  sdl.key(SDL_KEYUP, SDLK_RETURN);
  got = sdl.drain();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].code, key::Return);
  EXPECT_EQ(got[1].code, key::Return);
}

// A virtual controller with every button and axis SDL's controller mapping knows.
struct VirtualPad {
  int index = -1;
  SDL_Joystick *joystick = nullptr;
  VirtualPad() {
    SDL_VirtualJoystickDesc d;
    SDL_zero(d);
    d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    d.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    d.naxes = SDL_CONTROLLER_AXIS_MAX;
    d.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    d.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    d.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    d.name = "virtual pad";
    index = SDL_JoystickAttachVirtualEx(&d);
    EXPECT_GE(index, 0) << SDL_GetError();
    joystick = SDL_JoystickOpen(index);
    EXPECT_NE(joystick, nullptr) << SDL_GetError();
  }
  ~VirtualPad() { detach(); }
  void detach() {
    if (!joystick) return;
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(index);
    joystick = nullptr;
  }
  void button(SDL_GameControllerButton b, bool down) { SDL_JoystickSetVirtualButton(joystick, b, down ? 1 : 0); }
  void axis(SDL_GameControllerAxis a, int v) { SDL_JoystickSetVirtualAxis(joystick, a, Sint16(v)); }
};

std::string Show(const std::vector<Event> &events) {
  std::string s;
  for (const Event &e : events)
    s += std::string(e.kind == EventKind::KeyDown ? (e.repeat ? "again " : "down ")
                     : e.kind == EventKind::KeyUp ? "up "
                                                  : "other ") +
         std::to_string(e.code) + "; ";
  return s;
}

TEST(SdlWindow, AControllerIsTheArrowKeysSpacePAndEscape) {
  Sdl sdl(1);
  VirtualPad pad;
  sdl.collect(50);
  std::vector<Event> got;
  const auto take = [&] {
    for (auto &[t, e] : sdl.collect(20)) got.push_back(e);
  };
  pad.button(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_A, true);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_DPAD_UP, false);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_A, false);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_START, true);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_START, false);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_B, true);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_B, false);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_BACK, true);
  take();
  pad.button(SDL_CONTROLLER_BUTTON_BACK, false);
  take();
  EXPECT_EQ(Show(got), "down 38; down 32; up 38; up 32; down 80; up 80; down 27; up 27; down 27; up 27; ");

  got.clear();
  pad.axis(SDL_CONTROLLER_AXIS_LEFTX, -30000); // the stick left
  take();
  pad.axis(SDL_CONTROLLER_AXIS_LEFTY, 20000); // and down
  take();
  pad.axis(SDL_CONTROLLER_AXIS_LEFTX, -14000); // not yet back past the let-go point
  pad.axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
  take();
  pad.axis(SDL_CONTROLLER_AXIS_LEFTX, -5000);
  take();
  pad.axis(SDL_CONTROLLER_AXIS_LEFTX, 15000); // right, but short of the press point
  take();
  EXPECT_EQ(Show(got), "down 37; down 40; up 40; up 37; ");

  // Unplugged while a direction is held: the key is let go.
  got.clear();
  pad.button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
  take();
  pad.detach();
  take();
  EXPECT_EQ(Show(got), "down 39; up 39; ");
}

TEST(SdlWindow, AHeldDirectionRepeatsWithTheKeyboardsTiming) {
  Sdl sdl(1);
  VirtualPad pad;
  sdl.collect(50);
  const int64_t pressed = sdl.window->ticks();
  pad.button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  const auto got = sdl.collect(1000);
  pad.button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
  const auto after = sdl.collect(30);
  ASSERT_GE(got.size(), 2u);
  EXPECT_EQ(got[0].second.kind, EventKind::KeyDown);
  EXPECT_FALSE(got[0].second.repeat);
  std::vector<int64_t> gaps;
  for (size_t i = 1; i < got.size(); ++i) {
    EXPECT_EQ(got[i].second.code, key::Left);
    EXPECT_TRUE(got[i].second.repeat);
    gaps.push_back(got[i].first - got[i - 1].first);
  }
  // Without an X server the repeat is the X server's default: 660 ms, then every 40 ms. The
  // delay counts from the press, which the window sees no earlier than the tick read before it;
  // the press's own stamp may fall a tick after the window saw it.
  EXPECT_GE(got[1].first - pressed, 660);
  EXPECT_LE(got[1].first - pressed, 700);
  std::vector<int64_t> rest(gaps.begin() + 1, gaps.end());
  ASSERT_GE(rest.size(), 5u);
  std::sort(rest.begin(), rest.end());
  // Events are stamped when taken: a poll late on a busy machine moves one gap, not the median
  // by more than a few milliseconds.
  EXPECT_NEAR(double(rest[rest.size() / 2]), 40.0, 3.0);
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].second.kind, EventKind::KeyUp);
}

TEST(SdlWindow, TheBoxKeepsTheWindowAliveAndClosesOnStartWithoutPausingAgain) {
  Sdl sdl(2);
  VirtualPad pad;
  sdl.collect(50);
  sdl.window->present(Pattern(0));
  sdl.key(SDL_KEYDOWN, SDLK_DOWN); // held while the box opens
  EXPECT_EQ(Show(sdl.drain()), "down 40; ");

  std::atomic<bool> boxOpen{true};
  const Uint32 game = sdl.id();
  std::thread player([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = game;
    e.key.keysym.sym = SDLK_F11;
    e.key.keysym.scancode = SDL_SCANCODE_F11;
    SDL_PushEvent(&e);
    e.type = SDL_KEYUP;
    SDL_PushEvent(&e);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    pad.button(SDL_CONTROLLER_BUTTON_START, true);
    while (boxOpen) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pad.button(SDL_CONTROLLER_BUTTON_START, false);
  });
  const auto t0 = std::chrono::steady_clock::now();
  sdl.platform->dialogs.showInfo("Pauza...", "Hra pozastavena ...");
  boxOpen = false;
  const auto open = std::chrono::steady_clock::now() - t0;
  EXPECT_GE(open, std::chrono::milliseconds(550));
  EXPECT_LT(open, std::chrono::milliseconds(3000));
  player.join();
  EXPECT_TRUE(sdl.window->fullscreen()); // F11 worked while the box was open
  std::vector<Event> got;
  for (auto &[t, e] : sdl.collect(150)) got.push_back(e);
  // The held key is let go; Start's release is no P for the game (it would pause again).
  EXPECT_EQ(Show(got), "up 40; ");
}

} // namespace
