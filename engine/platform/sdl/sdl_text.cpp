#include "platform/sdl/sdl_text.h"

#include "platform/report.h"

namespace nad {

SdlText::Library::Library() {
  if (TTF_Init() != 0) throw StartupError(std::string("cannot start the font renderer: ") + TTF_GetError());
}

SdlText::Library::~Library() { TTF_Quit(); }

SdlText::SdlText(const std::filesystem::path &fontDir) {
  for (const FontFile &s : kFontFiles) {
    std::filesystem::path p = fontDir / s.file;
    fonts_[size_t(s.font)].reset(TTF_OpenFont(p.string().c_str(), s.pixels));
    if (!fonts_[size_t(s.font)]) throw StartupError("cannot open font " + p.string() + ": " + TTF_GetError());
  }
}

void SdlText::render(Font font, std::string_view utf8, TextImage &out) {
  TTF_Font *f = get(font);
  out.h = TTF_FontHeight(f);
  out.w = 0;
  out.coverage.clear();
  if (utf8.empty()) return;
  scratch_.assign(utf8);
  SurfaceHandle s(TTF_RenderUTF8_Blended(f, scratch_.c_str(), SDL_Color{255, 255, 255, 255}));
  if (!s) return;
  SurfaceHandle argb(SDL_ConvertSurfaceFormat(s.get(), SDL_PIXELFORMAT_ARGB8888, 0));
  if (!argb) return;
  out.w = argb->w;
  out.h = argb->h;
  out.coverage.resize(size_t(out.w) * size_t(out.h));
  SDL_LockSurface(argb.get());
  for (int y = 0; y < out.h; ++y) {
    const uint32_t *row =
        reinterpret_cast<const uint32_t *>(static_cast<const uint8_t *>(argb->pixels) + ptrdiff_t(y) * argb->pitch);
    for (int x = 0; x < out.w; ++x) out.coverage[size_t(y) * size_t(out.w) + size_t(x)] = uint8_t(row[x] >> 24);
  }
  SDL_UnlockSurface(argb.get());
}

int SdlText::measure(Font font, std::string_view utf8) {
  scratch_.assign(utf8);
  int w = 0, h = 0;
  if (TTF_SizeUTF8(get(font), scratch_.c_str(), &w, &h) != 0) return 0;
  return w;
}

int SdlText::lineHeight(Font font) { return TTF_FontHeight(get(font)); }

} // namespace nad
