#pragma once
// The real backend on SDL2: the window, its events and clock, text, dialogs and music.
// This header is SDL-free so that main.cpp only picks the backend.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/window_choice.h"
#include "platform/platform.h"

namespace nad {

class SdlBackend {
public:
  virtual ~SdlBackend() = default;
  virtual Platform platform() = 0;
  // The window as the player leaves it (every field set), for the settings file.
  virtual options::WindowChoice windowMode() const = 0;
};

struct SdlOptions {
  std::string caption;
  int width = 0, height = 0; // the game's frame; the window is a whole multiple of it
  // The window's size in multiples of the frame; 0 picks it from the display's density (about
  // the frame's size on a 96 dpi screen). Lowered to what fits on the display.
  int scale = 0;
  bool fullscreen = false; // desktop fullscreen from the start
  bool smooth = false;     // filtered scaling that fills the window instead of whole multiples
  std::filesystem::path programDir;
  // The folder is a system package's, shared by every player: see Platform::programDirShared.
  bool programDirShared = false;
  // A system package's data folder relative to the executable (../share/games/nadilka beside
  // /usr/games/nadilka); tried first when programDir is left empty.
  std::filesystem::path packagedDataDir;
  // Pace frames by spinning on the tick counter alone, never sleeping (for comparison in
  // the benchmark; the game itself sleeps until a tick before the deadline).
  bool spinWait = false;
};

// Opens the window and the services. Throws StartupError with a one-line reason that names the
// missing piece (the display, a font file, ...). A missing audio device is not a failure: the
// game then plays in silence. The backend owns SDL: SDL shuts down when it goes.
std::unique_ptr<SdlBackend> OpenSdlBackend(const SdlOptions &options);

// The folder of the running executable.
std::filesystem::path ProgramFolder();

// Where the game's files are: `packagedDir` resolved against the executable's folder when it
// is given and holds the pictures (an installed system package, shared by every player), else
// the executable's own folder (the run folder, the portable archive).
struct DataFolder {
  std::filesystem::path dir;
  bool shared = false;
};
DataFolder FindDataFolder(const std::filesystem::path &packagedDir);

} // namespace nad
