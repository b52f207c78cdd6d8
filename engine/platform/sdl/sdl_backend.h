#pragma once
// The real backend on SDL2: the window, its events and clock, text, dialogs and music.
// This header is SDL-free so that main.cpp only picks the backend.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace nad {

class SdlBackend {
public:
  virtual ~SdlBackend() = default;
  virtual Platform platform() = 0;
};

struct SdlOptions {
  std::string caption;
  int width = 0, height = 0;
  std::filesystem::path programDir;
  // Pace frames by spinning on the tick counter alone, never sleeping (for comparison in
  // the benchmark; the game itself sleeps until a tick before the deadline).
  bool spinWait = false;
};

// Opens the window and the services. Throws StartupError with a one-line reason that names the
// missing piece (the display, a font file, ...). A missing audio device is not a failure: the
// game then plays in silence. The backend owns SDL: SDL shuts down when it goes.
std::unique_ptr<SdlBackend> OpenSdlBackend(const SdlOptions &options);

// The folder of the running executable, where the game's files live.
std::filesystem::path ProgramFolder();

} // namespace nad
