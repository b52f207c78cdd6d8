// The real game with one addition for measurement: a FormObserver, the test-only channel
// (the game itself runs with none), that records the start of every frame. bench/run drives
// it under Xvfb and reads the record, written once the window has been closed.
//
//   pacing_probe OUT [--spin] [--scale N] [--fullscreen] [--smooth]
//
// OUT gets "key value" lines, then one frame start per line: the game's tick reading (ms)
// and the monotonic clock (ns), so both the game's view and the true spacing are known.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "platform/report.h"
#include "run_game.h"

namespace {

int64_t clockNs(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t gFirstPresentNs = 0; // wall clock, to compare with the launcher's reading before exec

struct FrameStart {
  int64_t tick, ns;
};

class FrameRecorder : public nad::FormObserver {
public:
  FrameRecorder() { starts.reserve(1 << 16); } // no allocation while the game runs
  void onFrameStart(int64_t t) override {
    if (starts.size() < starts.capacity()) starts.push_back({t, clockNs(CLOCK_MONOTONIC)});
  }
  std::vector<FrameStart> starts;
};

long statusKb(const char *key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':') return std::stol(line.substr(n + 1));
  return -1;
}

} // namespace

// Every present of the game ends in this call; standing in front of the library's own (the
// static link binds the game's call here, the real one is found next in the search order) it
// notes when the first frame reached the display, without touching the game's code.
extern "C" int SDL_UpdateWindowSurface(void *window) {
  using Real = int (*)(void *);
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "SDL_UpdateWindowSurface"));
  int r = real(window);
  if (gFirstPresentNs == 0) gFirstPresentNs = clockNs(CLOCK_REALTIME);
  return r;
}

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pacing_probe OUT [--spin] [--scale N] [--fullscreen] [--smooth]\n");
    return 2;
  }
  int64_t mainNs = clockNs(CLOCK_REALTIME);
  nad::SdlOptions options;
  options.scale = 1; // not by the display's density: the figures compare scales
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--spin") options.spinWait = true;
    if (a == "--scale" && i + 1 < argc) options.scale = std::atoi(argv[++i]);
    if (a == "--fullscreen") options.fullscreen = true;
    if (a == "--smooth") options.smooth = true;
  }
  options.programDir = NADILKA_GAME_DIR;
  FrameRecorder recorder;
  int status;
  try {
    status = nad::runGameWithSdl(options, &recorder);
  } catch (const nad::StartupError &e) {
    nad::reportProblem(e.what());
    return 1;
  }

  std::FILE *out = std::fopen(argv[1], "w");
  if (!out) return 3;
  std::fprintf(out, "spin %d\nmain_ns %lld\nfirst_present_ns %lld\nvmhwm_kb %ld\nframes %zu\n",
               options.spinWait ? 1 : 0, static_cast<long long>(mainNs), static_cast<long long>(gFirstPresentNs),
               statusKb("VmHWM"), recorder.starts.size());
  for (const FrameStart &s : recorder.starts)
    std::fprintf(out, "%lld %lld\n", static_cast<long long>(s.tick), static_cast<long long>(s.ns));
  std::fclose(out);
  return status;
}
