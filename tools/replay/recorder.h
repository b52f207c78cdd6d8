#pragma once
// Turns a running game into JSON Lines: one object per frame, written right after the world
// update, and between frames the program's outward calls, high-score file accesses and
// screen changes in the order they happened.
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/form.h"
#include "platform/headless/headless_platform.h"
#include "platform/report.h"
#include "replay/frame_list.h"

namespace nad::replay {

// A failure of the replay itself (not of the game): the tool cannot go on, as a program that
// cannot start; main reports it as one line.
struct ReplayFailure : StartupError {
  using StartupError::StartupError;
};

struct PngOptions {
  std::filesystem::path dir;
  FrameSelection frames = FrameSelection::all();
};

class Recorder : public FormObserver {
public:
  Recorder(Form &f, HeadlessPlatform &hp, std::FILE *out, std::optional<PngOptions> png)
      : f_(f), hp_(hp), out_(out), png_(std::move(png)) {}
  ~Recorder() override { flush(); }

  // After the load: what the load did, and the first screen.
  void begin();
  // The end of the program: the window closed ("quit") or the session ran out ("done").
  // Events handled after the last frame are reported here, so none goes unseen.
  void end(const char *how);
  int64_t frames() const { return frame_; }

  void onEvent(const Event &e) override;
  void onRandom(float r) override;
  void onFrameStart(int64_t t) override;
  void onFrameEnd() override;
  void onHiscore(const char *what) override;
  void onHandled() override { checkpoint(); }

private:
  void checkpoint();
  void emitCalls();
  void emitScreen(bool always);
  void writeFrame();
  void writePicture();
  void lineStart(int64_t t);
  void lineEnd();
  void flush();

  // The virtual clock read past the game's platform: a reading through it would go onto the
  // session's tape, which a verifier replaying without this recorder would not ask for.
  int64_t virtualNow() const { return hp_.HeadlessPlatform::ticks(); }
  Form &f_;
  HeadlessPlatform &hp_;
  std::FILE *out_;
  std::optional<PngOptions> png_;
  std::string buf_;
  std::string events_;  // items of the next frame's "events", comma-separated
  std::string randoms_; // items of the next frame's "rnd"
  size_t callsSeen_ = 0;
  std::array<bool, 4> screen_{};
  int64_t frame_ = 0;
  int64_t frameStart_ = 0;
};

} // namespace nad::replay
