// The ways to show the game's 642 x 482 frame scaled in a 1920 x 1080 window, measured side by
// side: what the choice in the SDL backend rests on (docs/PERFORMANCE.md). Each way gets a
// window of its own covering the screen and the same sequence of play-like frames: the night
// sky, the house strip scrolling along the bottom, the team and the sleigh moving up and down.
// Reports per frame the wall time of showing it (median, p99) and the process's CPU time
// (every thread, a software OpenGL's included).
//
//   scale_choice [FRAMES]     under an X server of 1920 x 1080 (bench/run starts one)
#include <SDL.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/bmp_file.h"
#include "platform/sdl/frame_layout.h"
#include "platform/sdl/sdl_window.h"

namespace nad {
namespace {

constexpr int kW = 642, kH = 482, kScreenW = 1920, kScreenH = 1080;

// Play-like frames from the game's own pictures.
class Frames {
public:
  Frames()
      : barak_(readBmp(std::string(NADILKA_GAME_DIR) + "/pictures/barak.bmp")),
        santa_(readBmp(std::string(NADILKA_GAME_DIR) + "/pictures/santa.bmp")),
        deer_(readBmp(std::string(NADILKA_GAME_DIR) + "/pictures/sob0.bmp")), frame_(kW, kH) {}
  const Surface &next() {
    ++n_;
    frame_.fill(rgbPixel(0, 40, 111));
    const int scroll = (n_ * 3) % (barak_.width() - kW);
    frame_.blit(0, kH - barak_.height(), kW, barak_.height(), barak_, scroll, 0, RasterOp::SrcCopy);
    const int y = 120 + (n_ % 160 < 80 ? n_ % 80 : 80 - n_ % 80);
    frame_.blit(80, y, santa_.width(), santa_.height(), santa_, 0, 0, RasterOp::SrcCopy);
    for (int i = 0; i < 4; ++i)
      frame_.blit(200 + 70 * i, y + 10 + 3 * i, deer_.width(), deer_.height(), deer_, 0, 0, RasterOp::SrcCopy);
    return frame_;
  }

private:
  Surface barak_, santa_, deer_, frame_;
  int n_ = 0;
};

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

SDL_Window *coveringWindow() {
  return SDL_CreateWindow("scale_choice", 0, 0, kScreenW, kScreenH, SDL_WINDOW_BORDERLESS);
}

SDL_Surface *wrap(const Surface &f) {
  return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t *>(f.row(0)), kW, kH, 32, kW * 4,
                                            SDL_PIXELFORMAT_RGB888);
}

// One way: set-up, showing one frame, clean-up.
struct Way {
  std::string name;
  std::function<bool()> open;
  std::function<void(const Surface &)> show;
  std::function<void()> close;
};

void measure(const Way &way, int frames) {
  if (!way.open()) {
    std::printf("| %s | (could not be set up: %s) | | |\n", way.name.c_str(), SDL_GetError());
    return;
  }
  Frames source;
  for (int i = 0; i < 30; ++i) way.show(source.next()); // caches, first uploads
  std::vector<double> us;
  us.reserve(size_t(frames));
  const double cpu0 = cpuSeconds();
  for (int i = 0; i < frames; ++i) {
    const Surface &f = source.next();
    SDL_PumpEvents();
    const auto t0 = std::chrono::steady_clock::now();
    way.show(f);
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  const double cpu = (cpuSeconds() - cpu0) / frames * 1e6;
  way.close();
  std::sort(us.begin(), us.end());
  std::printf("| %s | %.0f µs | %.0f µs | %.0f µs |\n", way.name.c_str(), us[us.size() / 2],
              us[std::min(us.size() - 1, us.size() * 99 / 100)], cpu);
  std::fflush(stdout);
}

} // namespace
} // namespace nad

int main(int argc, char **argv) {
  using namespace nad;
  const int frames = argc > 1 ? std::atoi(argv[1]) : 600;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "scale_choice: %s\n", SDL_GetError());
    return 1;
  }
  const FramePlacement sharp = placeFrame(kScreenW, kScreenH, kW, kH, false);
  const FramePlacement smooth = placeFrame(kScreenW, kScreenH, kW, kH, true);
  SDL_Window *w = nullptr;
  std::unique_ptr<SdlWindow> game;
  SDL_Renderer *r = nullptr;
  SDL_Texture *t = nullptr;

  const auto surfaceWindow = [&] {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0"); // the shared-memory image, as the game
    w = coveringWindow();
    return w && SDL_GetWindowSurface(w);
  };
  const auto closeWindow = [&] {
    if (w) SDL_DestroyWindow(w);
    w = nullptr;
  };
  const auto blitTo = [&](const FramePlacement &p, bool linear) {
    return [&, p, linear](const Surface &f) {
      SDL_Surface *target = SDL_GetWindowSurface(w);
      SDL_Surface *src = wrap(f);
      SDL_Rect dst{p.x, p.y, p.w, p.h};
      if (linear)
        SDL_SoftStretchLinear(src, nullptr, target, &dst);
      else
        SDL_BlitScaled(src, nullptr, target, &dst);
      SDL_FreeSurface(src);
      SDL_UpdateWindowSurface(w);
    };
  };
  const auto renderer = [&](Uint32 flags, const char *quality) {
    return [&, flags, quality] {
      SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, quality);
      w = coveringWindow();
      r = w ? SDL_CreateRenderer(w, -1, flags) : nullptr;
      t = r ? SDL_CreateTexture(r, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kW, kH) : nullptr;
      return t != nullptr;
    };
  };
  const auto render = [&](const FramePlacement &p) {
    return [&, p](const Surface &f) {
      SDL_UpdateTexture(t, nullptr, f.row(0), kW * 4);
      SDL_RenderClear(r);
      SDL_Rect dst{p.x, p.y, p.w, p.h};
      SDL_RenderCopy(r, t, nullptr, &dst);
      SDL_RenderPresent(r);
    };
  };
  const auto closeRenderer = [&] {
    if (t) SDL_DestroyTexture(t);
    if (r) SDL_DestroyRenderer(r);
    t = nullptr, r = nullptr;
    closeWindow();
  };

  const std::vector<Way> ways = {
      {"window surface, SDL_BlitScaled, whole window", surfaceWindow, blitTo(sharp, false), closeWindow},
      {"window surface, own whole-number scaler, changed rows only (chosen)",
       [&] {
         if (!surfaceWindow()) return false;
         game = std::make_unique<SdlWindow>(WindowHandle(w), kW, kH, WindowSetup{1, false, false});
         return true;
       },
       [&](const Surface &f) { game->present(f); },
       [&] {
         game.reset(); // destroys the window
         w = nullptr;
       }},
      {"SDL_Renderer (software), streaming texture", renderer(SDL_RENDERER_SOFTWARE, "nearest"), render(sharp),
       closeRenderer},
      {"SDL_Renderer (OpenGL; Mesa's software rasteriser here), streaming texture",
       renderer(SDL_RENDERER_ACCELERATED, "nearest"), render(sharp), closeRenderer},
      {"smooth: window surface, SDL_SoftStretchLinear (chosen)", surfaceWindow, blitTo(smooth, true), closeWindow},
      {"smooth: SDL_Renderer (OpenGL), linear", renderer(SDL_RENDERER_ACCELERATED, "linear"), render(smooth),
       closeRenderer},
  };
  std::printf(
      "| Way (frame at scale 2 in 1920 x 1080; smooth: 1438 x 1080) | wall median | wall p99 | CPU per frame |\n");
  std::printf("|---|---|---|---|\n");
  for (const Way &way : ways) measure(way, frames);
  SDL_Quit();
  return 0;
}
