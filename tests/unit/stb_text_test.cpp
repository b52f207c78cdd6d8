// The browser's text (stb_truetype) against the desktop's (SDL_ttf), both from the run folder's
// Liberation fonts: the same line heights, and every caption as wide within the two pixels that
// their different kerning and hinting may make, so that the page's labels take the desktop's room.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/sdl/sdl_text.h"
#include "platform/web/stb_text.h"

using namespace nad;

namespace {

const std::string kFonts = std::string(NADILKA_GAME_DIR) + "/fonts";

struct Caption {
  Font font;
  const char *text;
};

// Captions the game draws in each of its three faces, Czech letters included.
const Caption kCaptions[] = {
    {Font::Default, "Dárku dodáno : 12"}, {Font::Default, "Dárku zničeno : 3"}, {Font::Default, "Rychlost : 25 Km/h"},
    {Font::Default, "Music : ON"},        {Font::LabelBig, "Bodů : 1500"},      {Font::LabelBig, "Čas   : 129"},
    {Font::TableSerif, "Ježíšek Řehoř"},  {Font::TableSerif, "Sněhulák"},       {Font::TableSerif, "-1000000"},
};

// The text's ink: its coverage summed, in whole pixels. Antialiasing keeps it where hinting
// moves edges by a part of a pixel.
int Ink(const TextImage &image) {
  int sum = 0;
  for (uint8_t v : image.coverage) sum += v;
  return sum / 255;
}

TEST(StbText, LineHeightsAreSdlTtfs) {
  SdlText sdl(kFonts);
  StbText stb(kFonts);
  for (Font f : {Font::Default, Font::LabelBig, Font::TableSerif})
    EXPECT_EQ(stb.lineHeight(f), sdl.lineHeight(f)) << "font " << int(f);
}

TEST(StbText, CaptionsAreAsWideAsSdlTtfsWithinTwoPixelsAndRenderAtTheirMeasure) {
  SdlText sdl(kFonts);
  StbText stb(kFonts);
  for (const Caption &c : kCaptions) {
    const int want = sdl.measure(c.font, c.text), got = stb.measure(c.font, c.text);
    EXPECT_LE(std::abs(got - want), 2) << c.text << ": stb " << got << ", SDL_ttf " << want;
    TextImage image, desktop;
    stb.render(c.font, c.text, image);
    sdl.render(c.font, c.text, desktop);
    EXPECT_EQ(image.w, got) << c.text;
    EXPECT_EQ(image.h, stb.lineHeight(c.font)) << c.text;
    // As much ink as the desktop's: the same glyphs at the same weight, not just their room.
    const int ink = Ink(image), desktopInk = Ink(desktop);
    EXPECT_GT(desktopInk, 0) << c.text;
    EXPECT_LE(std::abs(ink - desktopInk), desktopInk / 5) << c.text << ": stb " << ink << ", SDL_ttf " << desktopInk;
  }
}

} // namespace
