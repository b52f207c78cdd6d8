// The page's fonts (hinting and every layout feature but kerning taken out, web/CMakeLists.txt)
// hold to the desktop's: the browser's text renderer draws every caption the same from either.
// Each font at the game's size draws every code point the desktop's file has, one at a time
// and in pairs (kerning), and the game's own Czech texts; coverage and extent must match.
//   font_check DESKTOP_FONT_DIR WEB_FONT_DIR
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/utf8.h"
#include "platform/web/stb_text.h"

namespace {} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: font_check DESKTOP_FONT_DIR WEB_FONT_DIR\n");
    return 2;
  }
  std::unique_ptr<nad::StbText> desktopFonts, webFonts;
  try {
    desktopFonts = std::make_unique<nad::StbText>(argv[1]);
    webFonts = std::make_unique<nad::StbText>(argv[2]);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "font_check: %s (the page's fonts come from scripts/web --build)\n", e.what());
    return 1;
  }
  nad::StbText &desktop = *desktopFonts, &web = *webFonts;
  // Every code point of the Basic Multilingual Plane below the surrogates: the names a player
  // types may hold any of them; one the fonts lack draws as their missing-glyph box alike.
  std::vector<std::string> texts = {"Krásne prožití Vánočních svátku přejí",
                                    "Dárku dodáno : 0",
                                    "Rychlost : 25 Km/h",
                                    "Music : ON",
                                    "Bodů : 0",
                                    "Čas   : 129",
                                    "AVAWAYTaTeToLTP.Yo\"ff"};
  for (char32_t cp = 0x20; cp < 0xD800; ++cp) {
    std::string text;
    nad::utf8::append(text, cp);
    texts.push_back(text);
  }
  for (char32_t a = 0x20; a < 0x180; ++a) {
    std::string row;
    for (char32_t b = 0x20; b < 0x180; ++b) {
      nad::utf8::append(row, a);
      nad::utf8::append(row, b);
      row += ' ';
    }
    texts.push_back(row);
  }
  int differ = 0;
  nad::TextImage a, b;
  for (nad::Font font : {nad::Font::Default, nad::Font::LabelBig, nad::Font::TableSerif}) {
    if (desktop.lineHeight(font) != web.lineHeight(font)) ++differ;
    for (const std::string &t : texts) {
      desktop.render(font, t, a);
      web.render(font, t, b);
      if (a.w != b.w || a.h != b.h || a.coverage != b.coverage) {
        if (++differ <= 5) std::fprintf(stderr, "font %d draws \"%s\" otherwise\n", int(font), t.c_str());
      }
    }
  }
  std::printf("%zu texts in 3 fonts: %d drawn otherwise\n", texts.size(), differ);
  return differ == 0 ? 0 : 1;
}
