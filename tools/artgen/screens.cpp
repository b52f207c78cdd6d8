// The screens and banners. Click areas of the game lie over fixed rectangles of these
// pictures, so words that act as buttons are fitted into exactly those rectangles.
#include <cmath>
#include <tuple>

#include "artgen.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A menu entry: cream letters with a thin dark-red outline, whose ink (outline included)
// spans exactly the rows [top, bottom].
void menuEntry(cairo_t *cr, const std::string &s, double top, double bottom) {
  const double outline = 1.6;
  double base = fitToBand(cr, Font::SerifBold, s, top + outline / 2, bottom + 1 - outline / 2);
  textPath(cr, s, 320, base, Align::Centre);
  setColor(cr, {110, 10, 20});
  cairo_set_line_width(cr, outline);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke_preserve(cr);
  cairo_pattern_t *p = cairo_pattern_create_linear(0, top, 0, bottom);
  cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
  cairo_pattern_add_color_stop_rgb(p, 1, 1, 0.86, 0.62);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

// The red word that closes a panel, fitted into its click area.
void backWord(cairo_t *cr, double cx, double top, double bottom) {
  double base = fitToBand(cr, Font::SansBold, "Zpět", top, bottom);
  Box ink = inkBox(cr, "Zpět");
  // A small arrow pointing back, left of the word.
  const double ax = cx - ink.w() / 2 - 4, mid = (top + bottom) / 2, h = (bottom - top) * 0.35;
  setColor(cr, {255, 40, 40});
  cairo_move_to(cr, ax - 2 * h, mid);
  cairo_line_to(cr, ax, mid - h);
  cairo_line_to(cr, ax, mid + h);
  cairo_close_path(cr);
  cairo_fill(cr);
  redText(cr, "Zpět", cx + h, base, Align::Centre);
}

void keyCap(cairo_t *cr, const std::string &label, double x, double baseline, double w) {
  setColor(cr, {230, 236, 246});
  roundedRect(cr, x, baseline - 13, w, 17, 3);
  cairo_fill_preserve(cr);
  setColor(cr, {120, 130, 160});
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  useFont(cr, Font::SansBold, 11);
  setColor(cr, {20, 30, 70});
  text(cr, label, x + w / 2, baseline - 0.5, Align::Centre);
}

} // namespace

nad::Surface drawPlainSky(int w, int h) { return Canvas(w, h, kSky).toSurface(); }

nad::Surface drawMenu() {
  Canvas c(640, 480, kSky);
  cairo_t *cr = c.cr();
  snowySky(cr, 640, 480, 1, 90,
           {{0, 0, 236, 48},
            {250, 8, 390, 222},
            {130, 226, 510, 380},
            {0, 396, 232, 480},
            {370, 410, 640, 480},
            {576, 0, 640, 20}});
  // Greeting from the makers, top left.
  useFont(cr, Font::SerifItalic, 15);
  setColor(cr, {235, 240, 255});
  text(cr, "Krásné prožití vánočních svátků", 10, 20);
  text(cr, "přejí Vorlanix a BRIMEL", 10, 38);

  // Title: a soft glow, the wreath with the reindeer inside and the greeting below.
  cairo_pattern_t *glow = cairo_pattern_create_radial(320, 80, 10, 320, 80, 110);
  cairo_pattern_add_color_stop_rgba(glow, 0, 1, 0.95, 0.7, 0.22);
  cairo_pattern_add_color_stop_rgba(glow, 1, 1, 0.95, 0.7, 0);
  cairo_set_source(cr, glow);
  cairo_arc(cr, 320, 80, 110, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(glow);
  wreath(cr, 320, 78, 54);
  reindeerHead(cr, 320, 88, 1.25);
  double base = fitToBand(cr, Font::SerifBoldItalic, "Veselé Vánoce", 148, 190);
  goldText(cr, "Veselé Vánoce", 320, base, Align::Centre, 2);
  useFont(cr, Font::SerifItalic, 17);
  setColor(cr, {235, 240, 255});
  text(cr, "a šťastný nový rok!", 320, 213, Align::Centre);
  hollySprig(cr, 122, 170, 1.1, -0.3);
  hollySprig(cr, 518, 170, 1.1, 0.3);

  // The four entries, each inside its click area.
  menuEntry(cr, "Nová hra", 234, 256);
  menuEntry(cr, "Informace", 269, 294);
  menuEntry(cr, "Nejlepší hráči", 307, 338);
  menuEntry(cr, "Konec", 352, 372);

  // The portal bottom left, the studio bottom right, each inside its click area.
  portalLogo(cr, 16, 410, 1.15, Align::Left);
  useFont(cr, Font::SansBold, 16);
  setColor(cr, kWhite);
  text(cr, kPortalAddress, 16, 465);
  useFont(cr, Font::Sans, 13.5);
  setColor(cr, {220, 228, 255});
  text(cr, kStudioAddress, 630, 430, Align::Right);
  studioLogo(cr, 630, 436, 1.0, Align::Right);
  return c.toSurface();
}

nad::Surface drawInfo() {
  Canvas c(640, 165, kSky);
  cairo_t *cr = c.cr();
  // A gold rule frames the panel so it reads as a card over the menu.
  setColor(cr, {214, 160, 50});
  cairo_set_line_width(cr, 1.5);
  roundedRect(cr, 5.5, 4.5, 629, 156, 8);
  cairo_stroke(cr);
  backWord(cr, 600, 8, 26);

  useFont(cr, Font::SerifBoldItalic, 24);
  goldText(cr, "Jak hrát", 20, 32, Align::Left, 1);
  hollySprig(cr, 128, 24, 0.8, 0.2);

  useFont(cr, Font::SansBold, 13);
  setColor(cr, {255, 208, 72});
  text(cr, "Ovládání", 20, 54);
  const struct {
    const char *key, *what;
    double w;
  } keys[] = {{"šipky", "řízení spřežení", 58},
              {"mezerník", "shození dárku", 58},
              {"P", "pauza", 22},
              {"Esc", "návrat do menu", 30}};
  double y = 76;
  for (const auto &k : keys) {
    keyCap(cr, k.key, 20, y, k.w);
    useFont(cr, Font::Sans, 13);
    setColor(cr, kWhite);
    text(cr, std::string("– ") + k.what, 20 + k.w + 8, y);
    y += 21;
  }

  useFont(cr, Font::SansBold, 13);
  setColor(cr, {255, 208, 72});
  text(cr, "Cíl hry", 300, 54);
  useFont(cr, Font::Sans, 13);
  setColor(cr, kWhite);
  const char *goal[] = {"Máš 130 sekund. Shazuj dárky tak, aby jich co", "nejvíce dopadlo přímo do komínů.",
                        "Čím výše saně letí, tím víc bodů za každý", "doručený dárek. Pozor na střechy!"};
  y = 76;
  for (const char *line : goal) {
    text(cr, line, 300, y);
    y += 18;
  }

  useFont(cr, Font::SerifItalic, 13);
  setColor(cr, {200, 212, 245});
  text(cr, "Hru pro vás připravili Vorlanix a BRIMEL. Veselé Vánoce!", 320, 152, Align::Centre);
  snowflake(cr, 150, 147, 4, 0.7);
  snowflake(cr, 490, 147, 4, 0.7);
  return c.toSurface();
}

nad::Surface drawHighScorePanel() {
  Canvas c(467, 403, kSky);
  cairo_t *cr = c.cr();
  snowySky(cr, 467, 403, 3, 40, {{0, 0, 467, 84}, {88, 80, 376, 268}, {0, 296, 300, 403}, {370, 360, 467, 403}});
  garland(cr, 20, 447, 8, 14, 6);
  double base = fitToBand(cr, Font::SerifBoldItalic, "High Score", 44, 74);
  goldText(cr, "High Score", 233, base, Align::Centre, 1.5);

  // A frame round the table; the rows themselves are written by the game inside it.
  setColor(cr, {214, 160, 50});
  cairo_set_line_width(cr, 1.5);
  roundedRect(cr, 93, 81, 278, 184, 10);
  cairo_stroke(cr);
  hollySprig(cr, 95, 83, 0.9, -0.6);
  hollySprig(cr, 369, 83, 0.9, 0.6);

  portalLogo(cr, 16, 306, 0.9, Align::Left);
  studioLogo(cr, 16, 350, 0.85, Align::Left);
  backWord(cr, 422, 371, 390);
  return c.toSurface();
}

nad::Surface drawNameDialog() {
  Canvas c(429, 269, kSky);
  cairo_t *cr = c.cr();
  snowySky(cr, 429, 269, 5, 30,
           {{0, 0, 429, 20},
            {0, 0, 20, 269},
            {405, 0, 429, 269},
            {0, 249, 429, 269},
            {90, 14, 340, 84},
            {120, 96, 312, 160},
            {128, 212, 274, 266}});
  // Double gold frame inside the part of the picture the dialog shows (425 x 265).
  setColor(cr, {214, 160, 50});
  cairo_set_line_width(cr, 2);
  roundedRect(cr, 5, 5, 415, 255, 12);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1);
  roundedRect(cr, 10.5, 10.5, 404, 244, 8);
  cairo_stroke(cr);
  for (auto [x, y, a] : {std::tuple{14.0, 14.0, -0.8}, {411.0, 14.0, 0.8}, {14.0, 251.0, -2.3}, {411.0, 251.0, 2.3}})
    hollySprig(cr, x, y, 0.9, a);

  double base = fitToBand(cr, Font::SerifBoldItalic, "Gratulujeme!", 18, 50);
  goldText(cr, "Gratulujeme!", 212, base, Align::Centre, 1.5);
  useFont(cr, Font::SerifItalic, 15);
  setColor(cr, {235, 240, 255});
  text(cr, "Tvůj výsledek patří mezi nejlepší.", 212, 76, Align::Centre);
  useFont(cr, Font::SansBold, 15);
  setColor(cr, kWhite);
  text(cr, "Napiš své jméno:", 216, 116, Align::Centre);
  // Gold rim round the spot where the game puts its text box; the box area stays sky.
  setColor(cr, {214, 160, 50});
  cairo_set_line_width(cr, 1);
  roundedRect(cr, 131.5, 123.5, 170, 29, 4);
  cairo_stroke(cr);

  // The confirmation button, inside the click area.
  roundedRect(cr, 140, 222, 121, 36, 8);
  cairo_pattern_t *p = cairo_pattern_create_linear(0, 222, 0, 258);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.92, 0.2, 0.22);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.55, 0.04, 0.08);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  setColor(cr, {255, 208, 72});
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  base = fitToBand(cr, Font::SansBold, "Potvrdit", 231, 248);
  setColor(cr, kWhite);
  text(cr, "Potvrdit", 200.5, base, Align::Centre);
  return c.toSurface();
}

nad::Surface drawStudioBanner() {
  Canvas c(240, 73, kSky);
  cairo_t *cr = c.cr();
  useFont(cr, Font::SansBold, 13);
  setColor(cr, kWhite);
  text(cr, kStudioAddress, 120, 17, Align::Centre);
  studioLogo(cr, 120, 27, 1.15, Align::Centre);
  snowflake(cr, 24, 46, 5, 0.7);
  snowflake(cr, 216, 46, 5, 0.7);
  return c.toSurface();
}

nad::Surface drawPortalBanner() {
  Canvas c(240, 73, kSky);
  cairo_t *cr = c.cr();
  portalLogo(cr, 120, 6, 1.3, Align::Centre);
  useFont(cr, Font::SansBold, 15);
  setColor(cr, kWhite);
  text(cr, kPortalAddress, 120, 62, Align::Centre);
  snowflake(cr, 20, 36, 5, 0.7);
  snowflake(cr, 220, 36, 5, 0.7);
  return c.toSurface();
}

} // namespace art
