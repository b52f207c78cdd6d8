#pragma once
#include <array>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/sdl/sdl_handles.h"

namespace nad {

// Captions rendered with SDL_ttf from the fonts shipped beside the program: Liberation Sans
// stands in for the window's default font (11 px) and the big red labels (18 px bold),
// Liberation Serif bold (11 px) for the high-score table.
class SdlText : public TextRenderer {
public:
  // Opens the fonts; throws StartupError naming a font file that cannot be opened.
  explicit SdlText(const std::filesystem::path &fontDir);

  void render(Font font, std::string_view utf8, TextImage &out) override;
  int measure(Font font, std::string_view utf8) override;
  int lineHeight(Font font) override;

private:
  struct Library { // SDL_ttf itself, shut down after the fonts are closed
    Library();
    ~Library();
  };
  TTF_Font *get(Font f) { return fonts_[size_t(f)].get(); }
  Library library_;
  std::array<FontHandle, 3> fonts_;
  std::string scratch_;
};

} // namespace nad
