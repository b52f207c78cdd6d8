#include "platform/sdl/sdl_backend.h"

#include <SDL.h>

#include "platform/sdl/sdl_music.h"
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
    SDL_OpenURL(url.c_str()); // returns at once; the result is ignored
  }

private:
  void show(Uint32 kind, const std::string &title, const std::string &text) {
    SDL_ShowSimpleMessageBox(kind, title.c_str(), text.c_str(), window_.handle());
    // Without a window manager the box does not give the focus back by itself.
    SDL_RaiseWindow(window_.handle());
    SDL_SetWindowInputFocus(window_.handle());
    window_.discardInputTypedMeanwhile();
  }
  SdlWindow &window_;
};

class Backend : public SdlBackend {
public:
  Backend(SDL_Window *w, bool spin, std::filesystem::path dir, bool shared)
      : window(w, spin), dialogs(window), programDir(std::move(dir)), programDirShared(shared) {}
  ~Backend() override = default;
  Platform platform() override {
    return Platform{window, window, window, text, dialogs, *music, programDir, programDirShared};
  }

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
  SDL_StopTextInput(); // typed text only while the name box has the focus
  SDL_Window *w = SDL_CreateWindow(o.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, o.width, o.height,
                                   SDL_WINDOW_UTILITY);
  if (!w) {
    error = std::string("cannot open the window: ") + SDL_GetError();
    return nullptr;
  }
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  auto b = std::make_unique<Backend>(w, o.spinWait, o.programDir, o.programDirShared);
  error = b->text.open(FontFolder(o.programDir));
  if (!error.empty()) return nullptr;
  b->music = std::make_unique<SdlMusic>();
  return b;
}

} // namespace nad
