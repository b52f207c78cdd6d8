#pragma once
#include <SDL_ttf.h>

#include <array>
#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace nad {

// Captions rendered with SDL_ttf from the fonts shipped beside the program: Liberation Sans
// stands in for the window's default font (11 px) and the big red labels (18 px bold),
// Liberation Serif bold (11 px) for the high-score table.
class SdlText : public TextRenderer {
public:
  ~SdlText() override;
  // Returns "" or a reason naming the font file that could not be opened.
  std::string open(const std::filesystem::path &fontDir);

  void render(Font font, std::string_view utf8, TextImage &out) override;
  int measure(Font font, std::string_view utf8) override;
  int lineHeight(Font font) override;

private:
  TTF_Font *get(Font f) { return fonts_[size_t(f)]; }
  std::array<TTF_Font *, 3> fonts_{};
  std::string scratch_;
};

} // namespace nad
