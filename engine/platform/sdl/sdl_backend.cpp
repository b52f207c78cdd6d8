#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/report.h"
#include "platform/sdl/frame_layout.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/sdl/sdl_music.h"
#include "platform/sdl/sdl_signals.h"
#include "platform/sdl/sdl_text.h"
#include "platform/sdl/sdl_window.h"
#include "platform/sdl/sdl_x11.h"
#include "platform/table_files.h"

namespace nad {
namespace {

// The game's boxes are lettered in the captions' default face.
constexpr const char *kBoxFont = kFontFiles[0].file;
static_assert(kFontFiles[0].font == Font::Default);

// Room left under a window for a window manager's title bar when picking the first scale.
constexpr int kTitleBarAllowance = 40;

class SdlDialogs : public Dialogs {
public:
  SdlDialogs(SdlWindow &w, std::filesystem::path fontFile) : window_(w), fontFile_(std::move(fontFile)) {}

  void showInfo(const std::string &title, const std::string &text) override { show(BoxKind::Information, title, text); }
  void showWarning(const std::string &title, const std::string &text) override { show(BoxKind::Warning, title, text); }

  void openUrl(const std::string &address) override {
    const std::string url = addressWithScheme(address);
    if (SDL_OpenURL(url.c_str()) != 0) reportProblem("cannot open " + url + " (" + SDL_GetError() + ")");
  }

private:
  void show(BoxKind kind, const std::string &title, const std::string &text) {
    // A quit request already waiting is handled by the next poll: no box in its way.
    if (window_.quitPending()) return;
    if (showGameBox(window_, fontFile_, kind, title, text)) return;
    showSdlBox(kind == BoxKind::Warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION, title, text);
  }

  // Without a box of our own (its window or font failed), SDL's: it blocks everything until
  // it is closed.
  void showSdlBox(Uint32 kind, const std::string &title, const std::string &text) {
    Uint32 opened = 0;
    int result = 0;
    {
      QuitDuringBox watch;
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
      reportProblem("cannot show the message box \"" + title + "\" (" + why + ")");
    }
    // Without a window manager the box does not give the focus back by itself.
    SDL_RaiseWindow(window_.handle());
    SDL_SetWindowInputFocus(window_.handle());
    window_.dropInputArrivedSince(opened);
  }
  SdlWindow &window_;
  std::filesystem::path fontFile_;
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
    // Without a display SDL falls back to drivers that draw into nothing: the game would run
    // unseen, its music playing from nowhere. They serve only when asked for by name.
    if (const char *driver = SDL_GetCurrentVideoDriver(); driver && drawsIntoNothing(driver) && !named(driver)) {
      SDL_Quit();
      const char *display = std::getenv("DISPLAY");
      throw StartupError(display && *display ? std::string("cannot open the display: no X server answers at ") + display
                                             : std::string("cannot open the display: DISPLAY is not set"));
    }
    // Controllers are welcome, not needed: without them the keyboard serves.
    SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
    SDL_StopTextInput(); // typed text only while the name box has the focus
  }
  ~SdlLibrary() { SDL_Quit(); }

  static bool drawsIntoNothing(std::string_view driver) { return driver == "offscreen" || driver == "dummy"; }
  // SDL_VIDEODRIVER (or its hint) may list several drivers, separated by commas.
  static bool named(std::string_view driver) {
    const char *asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    for (std::string_view list = asked ? asked : ""; !list.empty();) {
      const size_t comma = list.find(',');
      const std::string item(list.substr(0, comma));
      if (SDL_strcasecmp(item.c_str(), std::string(driver).c_str()) == 0) return true;
      if (comma == std::string_view::npos) break;
      list.remove_prefix(comma + 1);
    }
    return false;
  }
  SdlLibrary(const SdlLibrary &) = delete;
  SdlLibrary &operator=(const SdlLibrary &) = delete;
};

// A system package depends on the fonts package instead of shipping copies of its files.
const char kSystemFontFolder[] = "/usr/share/fonts/truetype/liberation2";

std::filesystem::path fontFolder(const std::filesystem::path &dataDir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dataDir / "fonts", ec)) return dataDir / "fonts";
  return kSystemFontFolder;
}

// The window's first scale: as asked, else by the display's density (SDL's figure from the
// monitor, else the X server's stated resolution); never larger than fits the display.
int initialScale(SDL_Window *w, const SdlOptions &o) {
  const int display = std::max(0, SDL_GetWindowDisplayIndex(w));
  int scale = o.scale;
  if (scale <= 0) {
    float dpi = 0;
    if (SDL_GetDisplayDPI(display, &dpi, nullptr, nullptr) != 0) dpi = x11ScreenDpi(w);
    scale = scaleForDensity(dpi);
  }
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(display, &usable) == 0)
    scale = std::min(scale, largestScaleThatFits(usable.w, usable.h, o.width, o.height, kTitleBarAllowance));
  return std::max(scale, 1);
}

struct OpenedWindow {
  WindowHandle window;
  int scale = 1;
};

// Opened hidden and shown once it has its size: the scale depends on the display it opens on.
OpenedWindow openWindow(const SdlOptions &o) {
  WindowHandle w(SDL_CreateWindow(o.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, o.width, o.height,
                                  SDL_WINDOW_UTILITY | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN));
  if (!w) throw StartupError(std::string("cannot open the window: ") + SDL_GetError());
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetWindowMinimumSize(w.get(), o.width, o.height);
  const int scale = initialScale(w.get(), o);
  SDL_SetWindowSize(w.get(), o.width * scale, o.height * scale);
  SDL_SetWindowPosition(w.get(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  SDL_ShowWindow(w.get());
  return {std::move(w), scale};
}

// Members are destroyed in the reverse order: the music closes the audio device, then the
// fonts and the window go, then SDL shuts down, and the display guard goes last of all.
class Backend : public SdlBackend {
public:
  explicit Backend(const SdlOptions &o)
      : opened(openWindow(o)),
        window(std::move(opened.window), o.width, o.height, WindowSetup{opened.scale, o.smooth, o.spinWait}),
        text(fontFolder(o.programDir)), dialogs(window, fontFolder(o.programDir) / kBoxFont), programDir(o.programDir),
        programDirShared(o.programDirShared) {
    if (o.fullscreen) window.setFullscreen(true);
  }
  Platform platform() override {
    return Platform{window, window, window, text, dialogs, music, files, programDir, programDirShared};
  }
  options::WindowChoice windowMode() const override { return window.mode(); }

  DisplayLossGuard displayLoss;
  SdlLibrary library;
  OpenedWindow opened; // handed on to the window at once
  SdlWindow window;
  SdlText text;
  SdlDialogs dialogs;
  DiskTableFiles files;
  SdlMusic music;
  std::filesystem::path programDir;
  bool programDirShared;
};

} // namespace

std::filesystem::path programFolder() {
  char *base = SDL_GetBasePath();
  if (!base) return std::filesystem::current_path();
  std::filesystem::path p(base);
  SDL_free(base);
  return p;
}

DataFolder findDataFolder(const std::filesystem::path &packagedDir) {
  const std::filesystem::path program = programFolder();
  if (!packagedDir.empty()) {
    const std::filesystem::path data = (program / packagedDir).lexically_normal();
    std::error_code ec;
    if (std::filesystem::is_directory(data / "pictures", ec)) return {data, true};
  }
  return {program, false};
}

std::unique_ptr<SdlBackend> openSdlBackend(const SdlOptions &o) { return std::make_unique<Backend>(o); }

} // namespace nad
