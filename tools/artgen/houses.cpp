// The house strip that scrolls under the sleigh. The game finds chimneys by colour, so
// the chimneys are painted last, pixel by pixel, in the key colour, and the key colour
// is then scrubbed from everywhere else.
#include <algorithm>
#include <cmath>
#include <vector>

#include "artgen.h"
#include "platform/report.h"

namespace art {
namespace {

constexpr int kWidth = 2907, kHeight = 209;
constexpr int kGroundY = 160; // houses stand here; rows below 182 are never shown
constexpr double kPi = 3.14159265358979323846;

struct House {
  double x, w; // wall
  double eave; // y of the wall top
  double apex; // y of the roof ridge
  double overhang;
  Rgb wall, roof;
  int floors;
};

struct Chimney {
  int x, w, top;
  std::vector<int> bottom; // last key row per column, where it meets the roof
};

double roofLine(const House &h, double x) {
  const double left = h.x - h.overhang, right = h.x + h.w + h.overhang, mid = h.x + h.w / 2;
  const double half = mid - left;
  if (x <= mid) return h.eave - (h.eave - h.apex) * (x - left) / half;
  return h.eave - (h.eave - h.apex) * (right - x) / half;
}

void pine(cairo_t *cr, double x, double base, double height) {
  setColor(cr, {70, 46, 30});
  cairo_rectangle(cr, x - 2, base - 6, 4, 6);
  cairo_fill(cr);
  const double w = height * 0.42;
  for (int tier = 0; tier < 3; ++tier) {
    double top = base - height + tier * height * 0.22, bottom = base - 5 - (2 - tier) * height * 0.16;
    double half = w * (0.55 + 0.22 * tier);
    setColor(cr, {18, 84, 46});
    cairo_move_to(cr, x, top);
    cairo_line_to(cr, x + half, bottom);
    cairo_line_to(cr, x - half, bottom);
    cairo_close_path(cr);
    cairo_fill(cr);
    // Snow resting on the left of each tier.
    setColor(cr, {232, 240, 250});
    cairo_move_to(cr, x, top);
    cairo_line_to(cr, x - half * 0.55, top + (bottom - top) * 0.55);
    cairo_line_to(cr, x - half * 0.2, top + (bottom - top) * 0.45);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
}

void window(cairo_t *cr, double x, double y, double w, double h) {
  // Warm glow around the pane, then the pane, the frame and a snowy sill.
  cairo_pattern_t *glow = cairo_pattern_create_radial(x + w / 2, y + h / 2, 1, x + w / 2, y + h / 2, w * 1.2);
  cairo_pattern_add_color_stop_rgba(glow, 0, 1, 0.85, 0.4, 0.35);
  cairo_pattern_add_color_stop_rgba(glow, 1, 1, 0.85, 0.4, 0);
  cairo_set_source(cr, glow);
  cairo_rectangle(cr, x - w * 0.7, y - h * 0.5, w * 2.4, h * 2);
  cairo_fill(cr);
  cairo_pattern_destroy(glow);
  setColor(cr, {255, 214, 96});
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
  setColor(cr, {255, 240, 170});
  cairo_rectangle(cr, x + 1, y + 1, w / 2 - 2, h / 2 - 2);
  cairo_fill(cr);
  setColor(cr, {92, 52, 30});
  cairo_set_line_width(cr, 1.2);
  cairo_rectangle(cr, x, y, w, h);
  cairo_move_to(cr, x + w / 2, y);
  cairo_line_to(cr, x + w / 2, y + h);
  cairo_move_to(cr, x, y + h / 2);
  cairo_line_to(cr, x + w, y + h / 2);
  cairo_stroke(cr);
  setColor(cr, {240, 246, 255});
  cairo_rectangle(cr, x - 1.5, y + h, w + 3, 2);
  cairo_fill(cr);
}

void drawHouse(cairo_t *cr, const House &h, Rng &rng) {
  // Walls with a slightly darker base and corner shading.
  setColor(cr, h.wall);
  cairo_rectangle(cr, h.x, h.eave, h.w, kGroundY + 4 - h.eave);
  cairo_fill(cr);
  setColor(cr, mix(h.wall, kBlack, 0.25));
  cairo_rectangle(cr, h.x + h.w - 5, h.eave, 5, kGroundY + 4 - h.eave);
  cairo_fill(cr);

  // Windows in rows, a door on the ground floor.
  const double floorH = (kGroundY - h.eave) / h.floors;
  const int cols = h.w > 100 ? 3 : 2;
  const int doorCol = rng.range(0, cols - 1);
  for (int f = 0; f < h.floors; ++f) {
    for (int c = 0; c < cols; ++c) {
      double cx = h.x + h.w * (c + 0.5) / cols;
      if (f == h.floors - 1 && c == doorCol) {
        double dw = 13, dh = std::min(22.0, floorH - 4);
        setColor(cr, {110, 60, 34});
        cairo_rectangle(cr, cx - dw / 2, kGroundY - dh, dw, dh);
        cairo_fill(cr);
        setColor(cr, {40, 130, 60}); // wreath on the door
        cairo_set_line_width(cr, 2);
        cairo_arc(cr, cx, kGroundY - dh + 6, 3, 0, 2 * kPi);
        cairo_stroke(cr);
        setColor(cr, {220, 30, 40});
        cairo_arc(cr, cx, kGroundY - dh + 9, 1.2, 0, 2 * kPi);
        cairo_fill(cr);
        continue;
      }
      double ww = 12, wh = std::min(15.0, floorH - 9);
      window(cr, cx - ww / 2, h.eave + f * floorH + (floorH - wh) / 2, ww, wh);
    }
  }

  // Roof: red tiles in a triangle with a darker rim, snow along the slopes.
  const double left = h.x - h.overhang, right = h.x + h.w + h.overhang, mid = h.x + h.w / 2;
  setColor(cr, h.roof);
  cairo_move_to(cr, left, h.eave + 1);
  cairo_line_to(cr, mid, h.apex);
  cairo_line_to(cr, right, h.eave + 1);
  cairo_close_path(cr);
  cairo_fill(cr);
  setColor(cr, mix(h.roof, kBlack, 0.3));
  cairo_set_line_width(cr, 1);
  for (double y = h.eave - 6; y > h.apex + 4; y -= 6) { // tile courses
    double xl = left + (mid - left) * (h.eave - y) / (h.eave - h.apex), xr = 2 * mid - xl;
    cairo_move_to(cr, xl + 1, y);
    cairo_line_to(cr, xr - 1, y);
  }
  cairo_stroke(cr);
  setColor(cr, mix(h.roof, kBlack, 0.4));
  cairo_rectangle(cr, left, h.eave, right - left, 3);
  cairo_fill(cr);
  setColor(cr, {236, 242, 252});
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, left + 4, h.eave - 2);
  cairo_line_to(cr, mid, h.apex - 2);
  cairo_line_to(cr, right - 4, h.eave - 2);
  cairo_line_to(cr, right - 10, h.eave - 5);
  cairo_line_to(cr, mid, h.apex + 4);
  cairo_line_to(cr, left + 10, h.eave - 5);
  cairo_close_path(cr);
  cairo_fill(cr);
  // Icicles under the eave.
  setColor(cr, {200, 225, 250});
  for (double x = left + 4; x < right - 4; x += rng.uniform(5, 9)) {
    cairo_move_to(cr, x - 1, h.eave + 3);
    cairo_line_to(cr, x + 1, h.eave + 3);
    cairo_line_to(cr, x, h.eave + 3 + rng.uniform(2, 5));
    cairo_close_path(cr);
  }
  cairo_fill(cr);
}

void church(cairo_t *cr, double x) {
  const Rgb wall{206, 196, 176}, roof{150, 30, 34};
  setColor(cr, wall);
  cairo_rectangle(cr, x, 96, 64, kGroundY + 4 - 96);
  cairo_rectangle(cr, x + 64, 60, 30, kGroundY + 4 - 60);
  cairo_fill(cr);
  setColor(cr, roof);
  cairo_move_to(cr, x - 5, 97);
  cairo_line_to(cr, x + 32, 70);
  cairo_line_to(cr, x + 64, 97);
  cairo_close_path(cr);
  cairo_move_to(cr, x + 60, 61);
  cairo_line_to(cr, x + 79, 16);
  cairo_line_to(cr, x + 98, 61);
  cairo_close_path(cr);
  cairo_fill(cr);
  setColor(cr, {250, 210, 70});
  cairo_set_line_width(cr, 1.6);
  cairo_move_to(cr, x + 79, 16);
  cairo_line_to(cr, x + 79, 4);
  cairo_move_to(cr, x + 75, 8.5);
  cairo_line_to(cr, x + 83, 8.5);
  cairo_stroke(cr);
  setColor(cr, {236, 242, 252});
  cairo_move_to(cr, x + 79, 15);
  cairo_line_to(cr, x + 86, 32);
  cairo_line_to(cr, x + 79, 26);
  cairo_line_to(cr, x + 72, 32);
  cairo_close_path(cr);
  cairo_fill(cr);
  // Clock face and lit arched windows.
  setColor(cr, {250, 240, 200});
  cairo_arc(cr, x + 79, 76, 6, 0, 2 * kPi);
  cairo_fill(cr);
  setColor(cr, {60, 40, 30});
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, x + 79, 76);
  cairo_line_to(cr, x + 79, 71.5);
  cairo_move_to(cr, x + 79, 76);
  cairo_line_to(cr, x + 82, 77);
  cairo_stroke(cr);
  for (double wx : {x + 12, x + 29, x + 46, x + 74}) {
    setColor(cr, {255, 206, 90});
    cairo_move_to(cr, wx, 146);
    cairo_line_to(cr, wx, 116);
    cairo_arc(cr, wx + 5, 116, 5, kPi, 2 * kPi);
    cairo_line_to(cr, wx + 10, 146);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
}

void ground(cairo_t *cr) {
  cairo_move_to(cr, 0, kHeight);
  for (int x = 0; x <= kWidth; x += 4)
    cairo_line_to(cr, x, kGroundY - 2 + 2.5 * std::sin(x * 0.011) + 1.5 * std::sin(x * 0.037 + 1));
  cairo_line_to(cr, kWidth, kHeight);
  cairo_close_path(cr);
  cairo_pattern_t *snow = cairo_pattern_create_linear(0, kGroundY - 4, 0, kHeight);
  cairo_pattern_add_color_stop_rgb(snow, 0, 0.93, 0.96, 1.0);
  cairo_pattern_add_color_stop_rgb(snow, 0.5, 0.78, 0.85, 0.95);
  cairo_pattern_add_color_stop_rgb(snow, 1, 0.6, 0.68, 0.85);
  cairo_set_source(cr, snow);
  cairo_fill(cr);
  cairo_pattern_destroy(snow);
  // A dark road along the bottom: the status line's white "Music" switch is written over it,
  // and white on snow would not read.
  cairo_pattern_t *road = cairo_pattern_create_linear(0, 165, 0, kHeight);
  cairo_pattern_add_color_stop_rgb(road, 0, 0.22, 0.25, 0.38);
  cairo_pattern_add_color_stop_rgb(road, 1, 0.10, 0.12, 0.20);
  cairo_set_source(cr, road);
  cairo_rectangle(cr, 0, 165, kWidth, kHeight - 165);
  cairo_fill(cr);
  cairo_pattern_destroy(road);
  // Wheel ruts in the road and a soft snow edge above it.
  setColor(cr, {62, 70, 102});
  for (double y : {172.5, 178.5}) {
    cairo_rectangle(cr, 0, y, kWidth, 1.2);
    cairo_fill(cr);
  }
  setColor(cr, {205, 218, 240});
  cairo_move_to(cr, 0, 165);
  for (int x = 0; x <= kWidth; x += 6) cairo_line_to(cr, x, 164.2 + 0.8 * std::sin(x * 0.21));
  cairo_line_to(cr, kWidth, 166);
  cairo_line_to(cr, 0, 166);
  cairo_close_path(cr);
  cairo_fill(cr);
}

} // namespace

nad::Surface drawHouses() {
  Canvas c(kWidth, kHeight, kSky);
  cairo_t *cr = c.cr();
  Rng rng(2024);

  const std::vector<Rgb> walls = {{214, 190, 150}, {190, 160, 130}, {170, 176, 190}, {220, 200, 170},
                                  {196, 150, 120}, {200, 186, 160}, {176, 150, 150}};
  const std::vector<Rgb> roofs = {{190, 36, 36}, {168, 30, 30}, {206, 52, 40}, {150, 26, 32}};

  std::vector<House> houses;
  std::vector<Chimney> chimneys;
  std::vector<double> trees;
  double x = 150;
  for (int i = 0; i < 21; ++i) {
    if (i == 11) { // the village church stands in the middle
      church(cr, x + 6);
      x += 112;
    }
    House h;
    h.w = rng.range(80, 112);
    h.x = x;
    h.floors = rng.range(1, 2);
    h.eave = kGroundY - (h.floors == 1 ? rng.range(36, 44) : rng.range(58, 70));
    h.apex = h.eave - rng.range(30, 44);
    h.overhang = 5;
    h.wall = walls[size_t(rng.range(0, int(walls.size()) - 1))];
    h.roof = roofs[size_t(rng.range(0, int(roofs.size()) - 1))];
    houses.push_back(h);

    // The chimney sits on one slope, a third of the way in from the eave.
    Chimney ch;
    ch.w = rng.range(14, 19);
    const bool leftSlope = rng.range(0, 1) == 0;
    const double mid = h.x + h.w / 2;
    ch.x = int(leftSlope ? mid - h.w * 0.3 - ch.w / 2.0 : mid + h.w * 0.3 - ch.w / 2.0);
    int highest = 1000;
    for (int cx = ch.x; cx < ch.x + ch.w; ++cx) {
      double low = std::max(roofLine(h, cx), roofLine(h, cx + 1));
      ch.bottom.push_back(int(std::ceil(low)) + 1);
      highest = std::min(highest, int(std::floor(std::min(roofLine(h, cx), roofLine(h, cx + 1)))));
    }
    ch.top = highest - rng.range(12, 16);
    chimneys.push_back(ch);

    const double gap = rng.range(14, 34);
    if (gap > 24) trees.push_back(h.x + h.w + gap / 2);
    x += h.w + gap;
  }
  // Trees at both ends, so the strip starts and ends among trees.
  for (double tx : {24.0, 70.0, 118.0}) trees.push_back(tx);
  for (double tx = x + 30; tx < kWidth + 20; tx += 46) trees.push_back(tx);

  for (size_t i = 0; i < houses.size(); ++i) drawHouse(cr, houses[i], rng);
  for (double tx : trees) pine(cr, tx, kGroundY + 2, rng.uniform(44, 62));
  ground(cr);

  // Chimneys: exact key colour, no anti-aliasing, one solid patch each; a snow cap
  // above in a different colour so the gift still meets the key as it enters.
  std::vector<char> isKey(size_t(kWidth) * kHeight, 0);
  for (const Chimney &ch : chimneys) {
    if (ch.x < 136 || ch.x + ch.w - 1 > 2843 || ch.top < 28)
      throw nad::StartupError("chimney outside the area the game expects");
    for (int i = 0; i < ch.w; ++i) {
      if (ch.bottom[size_t(i)] > 141) throw nad::StartupError("chimney reaches too low");
      for (int y = ch.top; y <= ch.bottom[size_t(i)]; ++y) {
        c.set(ch.x + i, y, kChimneyKey);
        isKey[size_t(y) * kWidth + size_t(ch.x + i)] = 1;
      }
    }
    c.fillRect(ch.x - 1, ch.top - 3, ch.w + 2, 3, {238, 244, 252});
    c.fillRect(ch.x - 2, ch.top - 2, 1, 2, {238, 244, 252});
    c.fillRect(ch.x + ch.w + 1, ch.top - 2, 1, 2, {238, 244, 252});
  }
  // Blended edges elsewhere could land on the key colour by chance; nudge any such
  // pixel off it by one step of blue.
  for (int y = 0; y < kHeight; ++y)
    for (int xx = 0; xx < kWidth; ++xx)
      if (!isKey[size_t(y) * kWidth + size_t(xx)] && c.get(xx, y) == kChimneyKey)
        c.set(xx, y, {kChimneyKey.r, kChimneyKey.g, kChimneyKey.b + 1});
  c.set(0, 0, kChimneyKey); // the game reads its key from here
  return c.toSurface();
}

} // namespace art
