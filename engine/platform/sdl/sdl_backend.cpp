#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include "platform/report.h"
#include "platform/sdl/sdl_music.h"
#include "platform/sdl/sdl_signals.h"
#include "platform/sdl/sdl_text.h"
#include "platform/sdl/sdl_window.h"

namespace nad {
namespace {

class SdlDialogs : public Dialogs {
public:
  explicit SdlDialogs(SdlWindow &w) : window_(w) {}

  void showInfo(const std::string &title, const std::string &text) override {
    show(SDL_MESSAGEBOX_INFORMATION, title, text);
  }
  void showWarning(const std::string &title, const std::string &text) override {
    show(SDL_MESSAGEBOX_WARNING, title, text);
  }

  void openUrl(const std::string &address) override {
    // A bare host is not an address a desktop opener understands; give it a scheme.
    std::string url = address.find("://") == std::string::npos ? "http://" + address : address;
    if (SDL_OpenURL(url.c_str()) != 0) ReportProblem("cannot open " + url + " (" + SDL_GetError() + ")");
  }

private:
  void show(Uint32 kind, const std::string &title, const std::string &text) {
    Uint32 opened = 0;
    int result = 0;
    {
      QuitDuringBox watch;
      // A quit request already waiting is handled by the next poll: no box in its way.
      if (window_.quitPending()) return;
      opened = SDL_GetTicks();
      result = SDL_ShowSimpleMessageBox(kind, title.c_str(), text.c_str(), window_.handle());
      if (watch.requested()) {
        window_.requestQuit();
        return;
      }
    }
    if (result != 0) {
      std::string why = SDL_GetError();
      // A box that failed because the display is gone: the display's handler ends the program
      // here with its own line, rather than a second one about the box.
      SDL_PumpEvents();
      ReportProblem("cannot show the message box \"" + title + "\" (" + why + ")");
    }
    // Without a window manager the box does not give the focus back by itself.
    SDL_RaiseWindow(window_.handle());
    SDL_SetWindowInputFocus(window_.handle());
    window_.dropInputArrivedSince(opened);
  }
  SdlWindow &window_;
};

// SDL itself: started by the backend and shut down when the backend goes, never by a static
// destructor (which exit() runs from anywhere, even from inside Xlib after the display died).
struct SdlLibrary {
  SdlLibrary() {
    // Frames are composed in memory; the window surface should be the plain X11 shared-memory
    // image, not a texture pushed through a software OpenGL renderer (several times the CPU).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Audio is started on its own later: SDL_Init fails as a whole when audio fails.
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0)
      throw StartupError(std::string("cannot open the display: ") + SDL_GetError());
    SDL_StopTextInput(); // typed text only while the name box has the focus
  }
  ~SdlLibrary() { SDL_Quit(); }
  SdlLibrary(const SdlLibrary &) = delete;
  SdlLibrary &operator=(const SdlLibrary &) = delete;
};

// A system package depends on the fonts package instead of shipping copies of its files.
const char kSystemFontFolder[] = "/usr/share/fonts/truetype/liberation2";

std::filesystem::path FontFolder(const std::filesystem::path &dataDir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dataDir / "fonts", ec)) return dataDir / "fonts";
  return kSystemFontFolder;
}

WindowHandle OpenWindow(const SdlOptions &o) {
  WindowHandle w(SDL_CreateWindow(o.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, o.width, o.height,
                                  SDL_WINDOW_UTILITY));
  if (!w) throw StartupError(std::string("cannot open the window: ") + SDL_GetError());
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  return w;
}

// Members are destroyed in the reverse order: the music closes the audio device, then the
// fonts and the window go, then SDL shuts down, and the display guard goes last of all.
class Backend : public SdlBackend {
public:
  explicit Backend(const SdlOptions &o)
      : window(OpenWindow(o), o.spinWait), text(FontFolder(o.programDir)), dialogs(window), programDir(o.programDir),
        programDirShared(o.programDirShared) {}
  Platform platform() override {
    return Platform{window, window, window, text, dialogs, music, programDir, programDirShared};
  }

  DisplayLossGuard displayLoss;
  SdlLibrary library;
  SdlWindow window;
  SdlText text;
  SdlDialogs dialogs;
  SdlMusic music;
  std::filesystem::path programDir;
  bool programDirShared;
};

} // namespace

std::filesystem::path ProgramFolder() {
  char *base = SDL_GetBasePath();
  if (!base) return std::filesystem::current_path();
  std::filesystem::path p(base);
  SDL_free(base);
  return p;
}

DataFolder FindDataFolder(const std::filesystem::path &packagedDir) {
  const std::filesystem::path program = ProgramFolder();
  if (!packagedDir.empty()) {
    const std::filesystem::path data = (program / packagedDir).lexically_normal();
    std::error_code ec;
    if (std::filesystem::is_directory(data / "pictures", ec)) return {data, true};
  }
  return {program, false};
}

std::unique_ptr<SdlBackend> OpenSdlBackend(const SdlOptions &o) { return std::make_unique<Backend>(o); }

} // namespace nad
