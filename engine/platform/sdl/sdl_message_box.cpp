#include "platform/sdl/sdl_message_box.h"

#include <SDL_ttf.h>

#include <algorithm>

#include <utility>
#include <vector>

#include "platform/sdl/sdl_handles.h"

namespace nad {
namespace {

// The colours of SDL's own message box on X11, so that the box looks as it did.
constexpr SDL_Color kBackground{56, 54, 53, 255}, kText{209, 207, 205, 255}, kButtonBorder{140, 135, 129, 255},
    kButtonFace{105, 102, 99, 255}, kWarning{205, 202, 53, 255};
constexpr char kButtonText[] = "OK";
constexpr int kFontPixels = 12; // at scale 1, about the size of SDL's box

class Box {
public:
  Box(SdlWindow &game, std::filesystem::path fontFile, BoxKind kind, const std::string &text)
      : game_(game), fontFile_(std::move(fontFile)), kind_(kind) {
    size_t from = 0;
    for (;;) {
      const size_t nl = text.find('\n', from);
      lines_.push_back(text.substr(from, nl == std::string::npos ? std::string::npos : nl - from));
      if (nl == std::string::npos) break;
      from = nl + 1;
    }
  }

  // The box at the game's scale: its font, its size and where the button goes. False without
  // a font at that size.
  bool layOut(int scale) {
    FontHandle font(TTF_WasInit() ? TTF_OpenFont(fontFile_.string().c_str(), kFontPixels * scale) : nullptr);
    if (!font) return false;
    font_ = std::move(font);
    k_ = scale;
    lineH_ = TTF_FontLineSkip(font_.get());
    int textW = 0;
    for (const std::string &l : lines_) textW = std::max(textW, width(l));
    pad_ = 14 * k_;
    accent_ = kind_ == BoxKind::Warning ? 6 * k_ : 0;
    button_.w = std::max(64 * k_, width(kButtonText) + 24 * k_);
    button_.h = 2 * lineH_;
    w_ = std::max(200 * k_, accent_ + textW + 2 * pad_);
    h_ = pad_ + int(lines_.size()) * lineH_ + pad_ + button_.h + pad_;
    button_.x = accent_ + (w_ - accent_ - button_.w) / 2;
    button_.y = h_ - pad_ - button_.h;
    return true;
  }

  bool open(const std::string &title) {
    window_.reset(SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w_, h_,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_SKIP_TASKBAR));
    if (!window_) return false;
    id_ = SDL_GetWindowID(window_.get());
    SDL_SetWindowModalFor(window_.get(), game_.handle()); // a window manager keeps it over the game
    place();
    SDL_ShowWindow(window_.get());
    SDL_RaiseWindow(window_.get());
    draw();
    return true;
  }

  void close() { window_.reset(); }

  // Until the box is closed; true when the game window was asked to close meanwhile.
  bool run() {
    bool quit = false;
    while (!done_) {
      SDL_Event e;
      if (SDL_WaitEventTimeout(&e, 250)) handle(e, quit);
    }
    return quit;
  }

private:
  int width(const std::string &s) {
    int w = 0, h = 0;
    TTF_SizeUTF8(font_.get(), s.c_str(), &w, &h);
    return w;
  }

  // Over the middle of the game window, wherever and however large it is now.
  void place() {
    int gx = 0, gy = 0, gw = 0, gh = 0;
    SDL_GetWindowPosition(game_.handle(), &gx, &gy);
    SDL_GetWindowSize(game_.handle(), &gw, &gh);
    SDL_SetWindowPosition(window_.get(), gx + (gw - w_) / 2, gy + (gh - h_) / 2);
  }

  void draw() {
    SDL_Surface *s = SDL_GetWindowSurface(window_.get());
    if (!s) return;
    const auto fill = [&](SDL_Rect r, SDL_Color c) { SDL_FillRect(s, &r, SDL_MapRGB(s->format, c.r, c.g, c.b)); };
    const auto write = [&](const std::string &text, int x, int y) {
      if (text.empty()) return;
      SurfaceHandle t(TTF_RenderUTF8_Blended(font_.get(), text.c_str(), kText));
      if (!t) return;
      SDL_Rect at{x, y, t->w, t->h};
      SDL_BlitSurface(t.get(), nullptr, s, &at);
    };
    fill({0, 0, s->w, s->h}, kBackground);
    if (accent_) fill({0, 0, accent_, s->h}, kWarning);
    for (size_t i = 0; i < lines_.size(); ++i) write(lines_[i], accent_ + pad_, pad_ + int(i) * lineH_);
    fill(button_, kButtonBorder);
    fill({button_.x + k_, button_.y + k_, button_.w - 2 * k_, button_.h - 2 * k_}, kButtonFace);
    write(kButtonText, button_.x + (button_.w - width(kButtonText)) / 2, button_.y + (button_.h - lineH_) / 2);
    SDL_UpdateWindowSurface(window_.get());
  }

  bool onButton(int x, int y) const {
    return x >= button_.x && y >= button_.y && x < button_.x + button_.w && y < button_.y + button_.h;
  }

  void handle(const SDL_Event &e, bool &quit) {
    switch (e.type) {
    case SDL_QUIT: quit = done_ = true; return;
    case SDL_WINDOWEVENT:
      if (e.window.windowID == id_) {
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) done_ = true;
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) draw();
        return;
      }
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        quit = done_ = true;
        return;
      }
      game_.handleWhileModal(e);
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || e.window.event == SDL_WINDOWEVENT_MOVED) {
        // Fullscreen on or off: the box takes the game's new scale and stays over the middle of
        // the game, on top.
        if (game_.shownScale() != k_ && layOut(game_.shownScale())) {
          SDL_SetWindowSize(window_.get(), w_, h_);
          draw();
        }
        place();
        SDL_RaiseWindow(window_.get());
      }
      return;
    case SDL_KEYDOWN: {
      const SDL_Keycode sym = e.key.keysym.sym;
      const bool enter = sym == SDLK_RETURN || sym == SDLK_KP_ENTER;
      if (e.key.windowID == id_ && !e.key.repeat && !(enter && (e.key.keysym.mod & KMOD_ALT)) &&
          (enter || sym == SDLK_ESCAPE || sym == SDLK_SPACE)) {
        done_ = true;
        return;
      }
      game_.handleWhileModal(e);
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.windowID == id_ && e.button.button == SDL_BUTTON_LEFT) pressing_ = onButton(e.button.x, e.button.y);
      return;
    case SDL_MOUSEBUTTONUP:
      if (e.button.windowID == id_ && e.button.button == SDL_BUTTON_LEFT && pressing_ &&
          onButton(e.button.x, e.button.y))
        done_ = true;
      pressing_ = false;
      return;
    default: {
      const PadInput in = game_.handleWhileModal(e);
      if (in == PadInput::Start || in == PadInput::A || in == PadInput::B || in == PadInput::Back) done_ = true;
    }
    }
  }

  SdlWindow &game_;
  std::filesystem::path fontFile_;
  FontHandle font_;
  int k_ = 1;
  BoxKind kind_;
  std::vector<std::string> lines_;
  int lineH_ = 0, pad_ = 0, accent_ = 0, w_ = 0, h_ = 0;
  SDL_Rect button_{};
  WindowHandle window_;
  Uint32 id_ = 0;
  bool done_ = false, pressing_ = false;
};

} // namespace

bool ShowGameBox(SdlWindow &game, const std::filesystem::path &fontFile, BoxKind kind, const std::string &title,
                 const std::string &text) {
  Box box(game, fontFile, kind, text);
  if (!box.layOut(game.shownScale())) return false;
  // What came before the box is the game's, after it; a quit request among it skips the box.
  if (!game.beginModal()) return true;
  if (!box.open(title)) {
    game.endModal(false);
    return false;
  }
  const bool quit = box.run();
  box.close(); // the box's window goes before the game window takes the focus back
  game.endModal(quit);
  return true;
}

} // namespace nad
