// Decorations shared by the screens: snow, logos, the wreath, garlands and lettering.
#include <array>
#include <cmath>

#include "artgen.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;
const Rgb kGold{255, 208, 72}, kGoldDeep{214, 140, 20}, kBrown{70, 36, 12};

bool clear(const std::vector<Box> &keep, double x, double y, double margin) {
  for (const Box &b : keep)
    if (x > b.x0 - margin && x < b.x1 + margin && y > b.y0 - margin && y < b.y1 + margin) return false;
  return true;
}

// Logos are laid out at the origin first and measured, so callers can align them.
double anchorX(double x, double width, Align a) {
  return a == Align::Left ? x : a == Align::Centre ? x - width / 2 : x - width;
}

} // namespace

void snowflake(cairo_t *cr, double cx, double cy, double r, double alpha) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_set_source_rgba(cr, 0.9, 0.95, 1.0, alpha);
  cairo_set_line_width(cr, r > 4 ? 1.1 : 0.9);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i < 6; ++i) {
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, 0, -r);
    if (r > 3.5) { // side branches only where there is room for them
      cairo_move_to(cr, 0, -r * 0.55);
      cairo_line_to(cr, -r * 0.3, -r * 0.8);
      cairo_move_to(cr, 0, -r * 0.55);
      cairo_line_to(cr, r * 0.3, -r * 0.8);
    }
    cairo_rotate(cr, kPi / 3);
  }
  cairo_stroke(cr);
  cairo_restore(cr);
}

void snowySky(cairo_t *cr, int w, int h, uint64_t seed, int flakes, const std::vector<Box> &keepClear) {
  Rng rng(seed);
  // Corners stay pure sky: the game and its tests rely on the background colour there.
  std::vector<Box> keep = keepClear;
  keep.push_back({0, 0, 16, 16});
  keep.push_back({w - 16.0, 0, double(w), 16});
  keep.push_back({0, h - 16.0, 16, double(h)});
  keep.push_back({w - 16.0, h - 16.0, double(w), double(h)});
  for (int i = 0; i < flakes * 3; ++i) { // faint distant stars
    double x = rng.uniform(0, w), y = rng.uniform(0, h);
    if (!clear(keep, x, y, 2)) continue;
    cairo_set_source_rgba(cr, 1, 1, 0.9, rng.uniform(0.25, 0.6));
    cairo_arc(cr, x, y, rng.uniform(0.4, 0.8), 0, 2 * kPi);
    cairo_fill(cr);
  }
  for (int i = 0; i < flakes; ++i) {
    double x = rng.uniform(0, w), y = rng.uniform(0, h), r = rng.uniform(2.0, 6.5);
    double a = rng.uniform(0.45, 0.9), turn = rng.uniform(0, kPi);
    if (!clear(keep, x, y, r + 2)) continue;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, turn);
    snowflake(cr, 0, 0, r, a);
    cairo_restore(cr);
  }
}

void goldText(cairo_t *cr, const std::string &s, double x, double baseline, Align a, double outline) {
  Box ink = inkBox(cr, s);
  cairo_pattern_t *p = cairo_pattern_create_linear(0, baseline + ink.y0, 0, baseline + ink.y1);
  cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.95, 0.7);
  cairo_pattern_add_color_stop_rgb(p, 0.5, kGold.r / 255.0, kGold.g / 255.0, kGold.b / 255.0);
  cairo_pattern_add_color_stop_rgb(p, 1, kGoldDeep.r / 255.0, kGoldDeep.g / 255.0, kGoldDeep.b / 255.0);
  textPath(cr, s, x, baseline, a);
  if (outline > 0) {
    setColor(cr, kBrown);
    cairo_set_line_width(cr, outline);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
  }
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void redText(cairo_t *cr, const std::string &s, double x, double baseline, Align a) {
  setColor(cr, {255, 40, 40});
  text(cr, s, x, baseline, a);
}

// The portal: a round gold emblem with a "V" under a star, then the name.
double portalLogoWidth(cairo_t *cr, double scale) {
  useFont(cr, Font::SansBold, 22 * scale);
  return 34 * scale + inkBox(cr, "Vorlanix").w();
}

void portalLogo(cairo_t *cr, double x, double y, double scale, Align a) {
  const double s = scale, w = portalLogoWidth(cr, s);
  x = anchorX(x, w, a);
  const double cx = x + 14 * s, cy = y + 14 * s;
  cairo_pattern_t *p = cairo_pattern_create_radial(cx - 4 * s, cy - 5 * s, 1, cx, cy, 14 * s);
  cairo_pattern_add_color_stop_rgb(p, 0, 1.0, 0.86, 0.45);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.88, 0.42, 0.05);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, 14 * s, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  setColor(cr, {255, 250, 235});
  cairo_set_line_width(cr, 1.2 * s);
  cairo_arc(cr, cx, cy, 12 * s, 0, 2 * kPi);
  cairo_stroke(cr);
  useFont(cr, Font::SansBold, 19 * s);
  setColor(cr, {110, 30, 10});
  text(cr, "V", cx, cy + 9 * s, Align::Centre);
  setColor(cr, kWhite);
  for (int i = 0; i < 10; ++i) { // little star over the V
    double ang = -kPi / 2 + i * kPi / 5, r = (i % 2 ? 1.5 : 3.6) * s;
    cairo_line_to(cr, cx + r * std::cos(ang), cy - 7.5 * s + r * std::sin(ang));
  }
  cairo_close_path(cr);
  cairo_fill(cr);
  useFont(cr, Font::SansBold, 22 * s);
  setColor(cr, kWhite);
  text(cr, "Vorlanix", x + 34 * s, y + 22 * s);
  setColor(cr, kGold);
  cairo_rectangle(cr, x + 34 * s, y + 25 * s, w - 34 * s, 1.6 * s);
  cairo_fill(cr);
}

// The studio: its name in a red ribbon-like plate with a gold rim.
constexpr double kStudioW = 118, kStudioH = 34;

void studioLogo(cairo_t *cr, double x, double y, double scale, Align a) {
  const double s = scale, w = kStudioW * s, h = kStudioH * s, r = 6 * s;
  x = anchorX(x, w, a);
  roundedRect(cr, x, y, w, h, r);
  cairo_pattern_t *p = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.9, 0.16, 0.18);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.55, 0.04, 0.08);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  setColor(cr, kGold);
  cairo_set_line_width(cr, 1.6 * s);
  cairo_stroke(cr);
  useFont(cr, Font::SerifBold, 21 * s);
  setColor(cr, kWhite);
  text(cr, "BRIMEL", x + w / 2, y + 21 * s, Align::Centre);
  useFont(cr, Font::Sans, 7.5 * s);
  setColor(cr, kGold);
  text(cr, "S  T  U  D  I  O", x + w / 2, y + 30 * s, Align::Centre);
  // A holly sprig on the corner of the plate.
  hollySprig(cr, x + w - 4 * s, y + 4 * s, 0.6 * s, 0.3);
}

void hollySprig(cairo_t *cr, double cx, double cy, double s, double angle) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, angle);
  cairo_scale(cr, s, s);
  for (int side : {-1, 1}) {
    setColor(cr, side < 0 ? Rgb{24, 120, 50} : Rgb{34, 146, 60});
    cairo_move_to(cr, 0, 0);
    cairo_curve_to(cr, side * 4, -5, side * 10, -4, side * 14, -1);
    cairo_curve_to(cr, side * 10, 2, side * 5, 4, 0, 0);
    cairo_fill(cr);
  }
  setColor(cr, {220, 24, 36});
  for (auto [bx, by] : {std::pair{-1.8, 1.6}, {1.8, 1.6}, {0.0, -1.2}}) {
    cairo_arc(cr, bx, by, 2.2, 0, 2 * kPi);
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

void wreath(cairo_t *cr, double cx, double cy, double r) {
  Rng rng(7);
  // Needle clusters round the ring, dark ones first, then lighter on top.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 90; ++i) {
      double ang = rng.uniform(0, 2 * kPi), rad = r + rng.uniform(-r * 0.2, r * 0.2);
      double x = cx + rad * std::cos(ang), y = cy + rad * std::sin(ang);
      cairo_save(cr);
      cairo_translate(cr, x, y);
      cairo_rotate(cr, ang + rng.uniform(-1, 1));
      cairo_scale(cr, r * 0.2, r * 0.07);
      cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
      cairo_restore(cr);
      Rgb g = pass == 0 ? Rgb{12, 80, 36} : Rgb{30 + rng.range(0, 30), 130 + rng.range(0, 40), 60};
      setColor(cr, g);
      cairo_fill(cr);
    }
  }
  // Berries and golden baubles.
  for (int i = 0; i < 14; ++i) {
    double ang = i * 2 * kPi / 14 + 0.2, rad = r + (i % 2 ? 0.1 : -0.1) * r;
    double x = cx + rad * std::cos(ang), y = cy + rad * std::sin(ang);
    if (y > cy + r * 0.7 && std::abs(x - cx) < r * 0.4) continue; // the bow sits there
    cairo_pattern_t *p = cairo_pattern_create_radial(x - 1, y - 1, 0.5, x, y, r * 0.09);
    bool gold = i % 3 == 0;
    cairo_pattern_add_color_stop_rgb(p, 0, 1, gold ? 0.95 : 0.6, gold ? 0.7 : 0.6);
    cairo_pattern_add_color_stop_rgb(p, 1, gold ? 0.85 : 0.75, gold ? 0.55 : 0.05, gold ? 0.05 : 0.1);
    cairo_set_source(cr, p);
    cairo_arc(cr, x, y, r * 0.09, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  // Red bow at the bottom with two tails.
  const double by = cy + r;
  setColor(cr, {200, 20, 34});
  for (int side : {-1, 1}) {
    cairo_move_to(cr, cx, by);
    cairo_curve_to(cr, cx + side * r * 0.25, by - r * 0.28, cx + side * r * 0.42, by - r * 0.1, cx + side * r * 0.36,
                   by + r * 0.08);
    cairo_curve_to(cr, cx + side * r * 0.3, by + r * 0.16, cx + side * r * 0.12, by + r * 0.06, cx, by);
    cairo_fill(cr);
    cairo_move_to(cr, cx, by);
    cairo_line_to(cr, cx + side * r * 0.3, by + r * 0.4);
    cairo_line_to(cr, cx + side * r * 0.18, by + r * 0.42);
    cairo_line_to(cr, cx + side * r * 0.04, by + r * 0.08);
    cairo_fill(cr);
  }
  setColor(cr, {150, 10, 24});
  cairo_arc(cr, cx, by + 1, r * 0.08, 0, 2 * kPi);
  cairo_fill(cr);
}

void reindeerHead(cairo_t *cr, double cx, double cy, double s) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, s, s);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  // Antlers.
  setColor(cr, {226, 200, 150});
  cairo_set_line_width(cr, 2.6);
  for (int side : {-1, 1}) {
    cairo_move_to(cr, side * 6, -12);
    cairo_curve_to(cr, side * 10, -22, side * 20, -26, side * 24, -34);
    cairo_move_to(cr, side * 11, -20);
    cairo_line_to(cr, side * 8, -30);
    cairo_move_to(cr, side * 17, -25);
    cairo_line_to(cr, side * 16, -35);
    cairo_move_to(cr, side * 20, -28);
    cairo_line_to(cr, side * 27, -28);
  }
  cairo_stroke(cr);
  // Ears.
  for (int side : {-1, 1}) {
    setColor(cr, {150, 92, 48});
    cairo_save(cr);
    cairo_translate(cr, side * 13, -8);
    cairo_rotate(cr, side * 0.6);
    cairo_scale(cr, 7, 3.4);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    cairo_fill(cr);
  }
  // Face: a rounded wedge narrowing to the muzzle.
  setColor(cr, {160, 100, 54});
  cairo_move_to(cr, -10, -12);
  cairo_curve_to(cr, -4, -16, 4, -16, 10, -12);
  cairo_curve_to(cr, 13, -4, 8, 10, 6, 16);
  cairo_curve_to(cr, 3, 20, -3, 20, -6, 16);
  cairo_curve_to(cr, -8, 10, -13, -4, -10, -12);
  cairo_fill(cr);
  setColor(cr, {214, 176, 128});
  cairo_move_to(cr, -6, 10);
  cairo_curve_to(cr, -3, 6, 3, 6, 6, 10);
  cairo_curve_to(cr, 6, 19, -6, 19, -6, 10);
  cairo_fill(cr);
  // Eyes with a glint.
  for (int side : {-1, 1}) {
    setColor(cr, {30, 16, 8});
    cairo_arc(cr, side * 5, -4, 2.2, 0, 2 * kPi);
    cairo_fill(cr);
    setColor(cr, kWhite);
    cairo_arc(cr, side * 5 + 0.8, -4.8, 0.7, 0, 2 * kPi);
    cairo_fill(cr);
  }
  // The shining red nose.
  cairo_pattern_t *p = cairo_pattern_create_radial(-1.5, 11, 0.5, 0, 13, 5);
  cairo_pattern_add_color_stop_rgb(p, 0, 1, 0.7, 0.7);
  cairo_pattern_add_color_stop_rgb(p, 0.4, 0.95, 0.1, 0.12);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.6, 0.02, 0.05);
  cairo_set_source(cr, p);
  cairo_arc(cr, 0, 13, 5, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_restore(cr);
}

void garland(cairo_t *cr, double x0, double x1, double y, double sag, int bulbs) {
  Rng rng(11);
  const int loops = bulbs;
  const double span = (x1 - x0) / loops;
  auto at = [&](double x) { // scallops hanging between hooks
    double u = std::fmod(x - x0, span) / span;
    return y + sag * std::sin(u * kPi);
  };
  // Tinsel: many short needles along the curve.
  for (double x = x0; x <= x1; x += 0.7) {
    double yy = at(x), ang = rng.uniform(0, 2 * kPi), len = rng.uniform(3, 6);
    setColor(cr, rng.range(0, 2) ? Rgb{26, 120, 52} : Rgb{40, 156, 70});
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, x, yy);
    cairo_line_to(cr, x + len * std::cos(ang), yy + len * std::sin(ang));
    cairo_stroke(cr);
  }
  const std::array<Rgb, 5> colours = {{{230, 30, 40}, {255, 204, 50}, {60, 120, 240}, {200, 70, 220}, {240, 240, 250}}};
  for (int i = 0; i < loops; ++i) {
    double bx = x0 + span * (i + 0.5), byy = at(bx) + 7;
    Rgb c = colours[size_t(i) % colours.size()];
    setColor(cr, {200, 180, 120});
    cairo_rectangle(cr, bx - 1.5, byy - 6, 3, 3);
    cairo_fill(cr);
    cairo_pattern_t *p = cairo_pattern_create_radial(bx - 1.5, byy - 1.5, 0.5, bx, byy, 5);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 1, 1);
    cairo_pattern_add_color_stop_rgb(p, 0.35, c.r / 255.0, c.g / 255.0, c.b / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, c.r / 400.0, c.g / 400.0, c.b / 400.0);
    cairo_set_source(cr, p);
    cairo_arc(cr, bx, byy, 5, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  for (int i = 0; i <= loops; ++i) hollySprig(cr, x0 + span * i, y + 1, 0.7, 0);
}

} // namespace art
