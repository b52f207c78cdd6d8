#include "platform/sdl/sdl_text.h"

#include <cstring>

namespace nad {

SdlText::~SdlText() {
  for (TTF_Font *f : fonts_)
    if (f) TTF_CloseFont(f);
  if (TTF_WasInit()) TTF_Quit();
}

std::string SdlText::open(const std::filesystem::path &fontDir) {
  if (TTF_Init() != 0) return std::string("cannot start the font renderer: ") + TTF_GetError();
  struct FontFile {
    Font font;
    const char *file;
    int size;
  };
  // SDL_ttf sizes are at 72 dpi: 11 is 8.25 pt and 18 is 13.5 pt at 96 dpi.
  for (FontFile s : {FontFile{Font::Default, "LiberationSans-Regular.ttf", 11},
                     FontFile{Font::LabelBig, "LiberationSans-Bold.ttf", 18},
                     FontFile{Font::TableSerif, "LiberationSerif-Bold.ttf", 11}}) {
    std::filesystem::path p = fontDir / s.file;
    TTF_Font *f = TTF_OpenFont(p.string().c_str(), s.size);
    if (!f) return "cannot open font " + p.string() + ": " + TTF_GetError();
    fonts_[size_t(s.font)] = f;
  }
  return "";
}

void SdlText::render(Font font, std::string_view utf8, TextImage &out) {
  TTF_Font *f = get(font);
  out.h = TTF_FontHeight(f);
  out.w = 0;
  out.coverage.clear();
  if (utf8.empty()) return;
  scratch_.assign(utf8);
  SDL_Surface *s = TTF_RenderUTF8_Blended(f, scratch_.c_str(), SDL_Color{255, 255, 255, 255});
  if (!s) return;
  SDL_Surface *argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(s);
  if (!argb) return;
  out.w = argb->w;
  out.h = argb->h;
  out.coverage.resize(size_t(out.w) * size_t(out.h));
  SDL_LockSurface(argb);
  for (int y = 0; y < out.h; ++y) {
    const uint32_t *row =
        reinterpret_cast<const uint32_t *>(static_cast<const uint8_t *>(argb->pixels) + ptrdiff_t(y) * argb->pitch);
    for (int x = 0; x < out.w; ++x) out.coverage[size_t(y) * size_t(out.w) + size_t(x)] = uint8_t(row[x] >> 24);
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
}

int SdlText::measure(Font font, std::string_view utf8) {
  scratch_.assign(utf8);
  int w = 0, h = 0;
  if (TTF_SizeUTF8(get(font), scratch_.c_str(), &w, &h) != 0) return 0;
  return w;
}

int SdlText::lineHeight(Font font) { return TTF_FontHeight(get(font)); }

} // namespace nad
