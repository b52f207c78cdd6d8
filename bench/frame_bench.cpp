// The work of one frame-loop pass, in process: DrawFrame, UpdateWorld and the two event
// rounds, the second of which composes the window and hands it to a real SDL window surface.
// The logic runs on the headless backend's virtual clock, so no pass ever waits; only the
// window surface and the text renderer are SDL's. Each pass is timed on its own, so the
// median and the 99th percentile are reported next to Google Benchmark's mean.
//
// NADILKA_BENCH_SCALE=N opens the window at scale N, NADILKA_BENCH_FULLSCREEN=1 in fullscreen
// (NADILKA_BENCH_SMOOTH=1 with filtered scaling): the frame is then scaled into the window.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "flow/lifecycle.h"
#include "platform/headless/headless_platform.h"
#include "platform/report.h"
#include "platform/sdl/sdl_backend.h"
#include "render/draw_frame.h"
#include "world/reset_world.h"
#include "world/update_world.h"

namespace nad {
namespace {

constexpr int kPasses = 20000;

// A game in full flight: the play field shown, six gifts falling, nine stars in the trail.
struct Bench {
  HeadlessPlatform hp{NADILKA_GAME_DIR};
  std::unique_ptr<SdlBackend> sdl;
  std::unique_ptr<Platform> sdlPlatform;
  std::unique_ptr<Form> form;

  Bench() {
    SdlOptions o;
    o.caption = kWindowCaption;
    o.width = kClientWidth;
    o.height = kClientHeight;
    o.programDir = NADILKA_GAME_DIR;
    const auto flag = [](const char *name) { return std::getenv(name) && std::string(std::getenv(name)) == "1"; };
    o.scale = 1; // not by the display's density: the figures compare scales
    if (const char *scale = std::getenv("NADILKA_BENCH_SCALE")) o.scale = std::atoi(scale);
    o.fullscreen = flag("NADILKA_BENCH_FULLSCREEN");
    o.smooth = flag("NADILKA_BENCH_SMOOTH");
    try {
      sdl = openSdlBackend(o);
    } catch (const StartupError &e) {
      std::fprintf(stderr, "frame_bench: %s\n", e.what());
      std::exit(1);
    }
    sdlPlatform = std::make_unique<Platform>(sdl->platform());
    Platform p{hp, hp, sdlPlatform->display, sdlPlatform->text, hp, hp, NADILKA_GAME_DIR};
    form = std::make_unique<Form>(p);
    Form &f = *form;
    f.scene.loadPictures(std::filesystem::path(NADILKA_GAME_DIR) / "pictures");
    ResetWorld(f);
    // What starting a game does, minus the music (the headless player would log every call)
    // and the speed-up timer (the scene should stay the same however long the run).
    for (TimerId t : {Timer1, Timer3, Timer4}) f.timers.setEnabled(t, true, f.now());
    GameState &s = f.s;
    s.speed = 2.5;
    s.gameRunning = true;
    s.timeLeft = 1 << 30; // the clock never runs out
    s.chimneyColor = f.scene.pixels(barak).colorAt(0, 0);
    f.scene.setVisible(menu, false);
    for (int i = 0; i < 300; ++i) pass(); // the trail fills, captions are rendered once
  }

  // Gifts that landed or fell off are dropped again at once, spread along the team's path.
  void keepSixGifts() {
    GameState &s = form->s;
    for (int i = 0; i <= 5; ++i) {
      if (s.giftActive[i] && s.giftY[i] < 400) continue;
      s.giftActive[i] = true;
      s.giftY[i] = s.trailY[1] + 40 * i;
      s.giftX[i] = s.teamX - form->scene[santa].width - 12 * i;
    }
  }

  // One pass of RunGameLoop, its wait on the virtual clock taking no time.
  void pass() {
    Form &f = *form;
    f.platform.clock.waitUntilAfter(f.s.nextTick);
    f.s.nextTick = f.now() + f.s.loopBrake;
    DoEvents(f);
    f.s.frameCount = f.s.frameCount + 1;
    DrawFrame(f);
    UpdateWorld(f);
    DoEvents(f);
    keepSixGifts();
  }
};

Bench &theBench() {
  static Bench b;
  return b;
}

void report(benchmark::State &state, std::vector<double> &ns) {
  std::sort(ns.begin(), ns.end());
  auto at = [&](double q) { return ns[std::min(ns.size() - 1, size_t(q * double(ns.size())))] / 1000.0; };
  state.counters["median_us"] = at(0.5);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = ns.back() / 1000.0;
}

template <class Work> void timed(benchmark::State &state, Work work) {
  std::vector<double> ns;
  ns.reserve(size_t(state.max_iterations));
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    work();
    auto t1 = std::chrono::steady_clock::now();
    ns.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count()));
  }
  report(state, ns);
}

// The whole pass, as the game runs it.
void BM_FramePass(benchmark::State &state) {
  Bench &b = theBench();
  timed(state, [&] { b.pass(); });
}

// Its parts, each on the state the previous pass left.
void BM_DrawFrame(benchmark::State &state) {
  Bench &b = theBench();
  timed(state, [&] { DrawFrame(*b.form); });
}

void BM_UpdateWorld(benchmark::State &state) {
  Bench &b = theBench();
  timed(state, [&] {
    UpdateWorld(*b.form);
    b.keepSixGifts();
  });
}

void BM_Compose(benchmark::State &state) {
  Bench &b = theBench();
  timed(state, [&] {
    b.form->scene.markDirty();
    b.form->scene.compose(b.form->frame, b.form->platform.text);
  });
}

void BM_Present(benchmark::State &state) {
  Bench &b = theBench();
  timed(state, [&] { b.form->platform.display.present(b.form->frame); });
}

BENCHMARK(BM_FramePass)->Iterations(kPasses)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawFrame)->Iterations(kPasses)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpdateWorld)->Iterations(kPasses)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Compose)->Iterations(kPasses)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Present)->Iterations(kPasses)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace nad

BENCHMARK_MAIN();
