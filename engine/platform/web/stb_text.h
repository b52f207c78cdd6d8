#pragma once
// Captions rendered with stb_truetype from the same Liberation font files as the desktop's
// SDL_ttf, at the same sizes and with the same metrics (line height, ascent, whole-pixel
// advances), so that every caption takes the same room. Plain C++: the browser's backend uses
// it, and a desktop test holds its metrics to SDL_ttf's.
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace nad {

class StbText : public TextRenderer {
public:
  // Reads the fonts; throws StartupError naming a font file that cannot be read.
  explicit StbText(const std::filesystem::path &fontDir);
  ~StbText() override;
  StbText(const StbText &) = delete;
  StbText &operator=(const StbText &) = delete;

  void render(Font font, std::string_view utf8, TextImage &out) override;
  int measure(Font font, std::string_view utf8) override;
  int lineHeight(Font font) override;

  struct Face; // one font file at one size

private:
  // Where each glyph of a text goes: pen positions in whole pixels, and the text's extent.
  struct Layout {
    std::vector<int> codepoints, pens;
    int minX = 0, maxX = 0;
  };
  void layout(const Face &face, std::string_view utf8, Layout &out) const;
  std::array<std::unique_ptr<Face>, 3> faces_;
  Layout scratch_;
};

} // namespace nad
