#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include <algorithm>

#include "platform/sdl/frame_layout.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/sdl/sdl_music.h"
#include "platform/sdl/sdl_text.h"
#include "platform/sdl/sdl_window.h"
#include "platform/sdl/sdl_x11.h"

namespace nad {
namespace {

// The font of the game's boxes, from the same folder as the captions' fonts.
const char kBoxFont[] = "LiberationSans-Regular.ttf";

// Room left under a window for a window manager's title bar when picking the first scale.
constexpr int kTitleBarAllowance = 40;

class SdlDialogs : public Dialogs {
public:
  SdlDialogs(SdlWindow &w, std::filesystem::path fontFile) : window_(w), fontFile_(std::move(fontFile)) {}

  void showInfo(const std::string &title, const std::string &text) override { show(BoxKind::Information, title, text); }
  void showWarning(const std::string &title, const std::string &text) override { show(BoxKind::Warning, title, text); }

  void openUrl(const std::string &address) override {
    // A bare host is not an address a desktop opener understands; give it a scheme.
    std::string url = address.find("://") == std::string::npos ? "http://" + address : address;
    SDL_OpenURL(url.c_str()); // returns at once; the result is ignored
  }

private:
  void show(BoxKind kind, const std::string &title, const std::string &text) {
    if (ShowGameBox(window_, fontFile_, kind, title, text)) return;
    // Without a box of our own, SDL's: it blocks everything until closed. What was typed
    // meanwhile queued up for the game window; it is dropped.
    SDL_ShowSimpleMessageBox(kind == BoxKind::Warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION,
                             title.c_str(), text.c_str(), window_.handle());
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_KEYDOWN, SDL_MOUSEWHEEL);
    window_.endModal(false);
  }
  SdlWindow &window_;
  std::filesystem::path fontFile_;
};

class Backend : public SdlBackend {
public:
  Backend(SDL_Window *w, int frameW, int frameH, const WindowSetup &setup, const std::filesystem::path &fontDir,
          std::filesystem::path dir, bool shared)
      : window(w, frameW, frameH, setup), dialogs(window, fontDir / kBoxFont), programDir(std::move(dir)),
        programDirShared(shared) {}
  ~Backend() override = default;
  Platform platform() override {
    return Platform{window, window, window, text, dialogs, *music, programDir, programDirShared};
  }
  options::WindowChoice windowMode() const override { return window.mode(); }

  SdlWindow window;
  SdlText text;
  SdlDialogs dialogs;
  std::unique_ptr<SdlMusic> music;
  std::filesystem::path programDir;
  bool programDirShared;
};

// A system package depends on the fonts package instead of shipping copies of its files.
const char kSystemFontFolder[] = "/usr/share/fonts/truetype/liberation2";

std::filesystem::path FontFolder(const std::filesystem::path &dataDir) {
  std::error_code ec;
  if (std::filesystem::is_directory(dataDir / "fonts", ec)) return dataDir / "fonts";
  return kSystemFontFolder;
}

// The window's first scale: as asked, else by the display's density (SDL's figure from the
// monitor, else the X server's stated resolution); never larger than fits the display.
int InitialScale(SDL_Window *w, const SdlOptions &o) {
  const int display = std::max(0, SDL_GetWindowDisplayIndex(w));
  int scale = o.scale;
  if (scale <= 0) {
    float dpi = 0;
    if (SDL_GetDisplayDPI(display, &dpi, nullptr, nullptr) != 0) dpi = X11ScreenDpi(w);
    scale = ScaleForDensity(dpi);
  }
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(display, &usable) == 0)
    scale = std::min(scale, LargestScaleThatFits(usable.w, usable.h, o.width, o.height, kTitleBarAllowance));
  return std::max(scale, 1);
}

struct SdlLibrary {
  ~SdlLibrary() { SDL_Quit(); }
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

std::unique_ptr<SdlBackend> OpenSdlBackend(const SdlOptions &o, std::string &error) {
  // Audio is started on its own later: SDL_Init fails as a whole when audio fails.
  // Frames are composed in memory; the window surface should be the plain X11 shared-memory
  // image, not a texture pushed through a software OpenGL renderer (several times the CPU).
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
    error = std::string("cannot open the display: ") + SDL_GetError();
    return nullptr;
  }
  static SdlLibrary library;
  // Controllers are welcome, not needed: without them the keyboard serves.
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  SDL_StopTextInput(); // typed text only while the name box has the focus
  // Hidden until it has its size: the scale depends on the display it opens on.
  SDL_Window *w = SDL_CreateWindow(o.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, o.width, o.height,
                                   SDL_WINDOW_UTILITY | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
  if (!w) {
    error = std::string("cannot open the window: ") + SDL_GetError();
    return nullptr;
  }
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetWindowMinimumSize(w, o.width, o.height);
  const int scale = InitialScale(w, o);
  SDL_SetWindowSize(w, o.width * scale, o.height * scale);
  SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  SDL_ShowWindow(w);
  const std::filesystem::path fonts = FontFolder(o.programDir);
  auto b = std::make_unique<Backend>(w, o.width, o.height, WindowSetup{scale, o.smooth, o.spinWait}, fonts,
                                     o.programDir, o.programDirShared);
  if (o.fullscreen) b->window.setFullscreen(true);
  error = b->text.open(fonts);
  if (!error.empty()) return nullptr;
  b->music = std::make_unique<SdlMusic>();
  return b;
}

} // namespace nad
