// The moving pieces: the reindeer run cycle, the sleigh, the gifts and the stars.
#include <array>
#include <cmath>

#include "artgen.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;

Rgb shade(Rgb c, double f) { return f < 0 ? mix(c, kBlack, -f) : mix(c, kWhite, f); }

void ellipse(cairo_t *cr, double cx, double cy, double rx, double ry, double angle = 0) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, angle);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_restore(cr);
}

void line(cairo_t *cr, double x0, double y0, double x1, double y1, double w) {
  cairo_set_line_width(cr, w);
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
  cairo_stroke(cr);
}

// --- Reindeer ----------------------------------------------------------------------

const Rgb kCoat{150, 96, 52}, kCoatDark{104, 62, 32}, kBelly{214, 176, 128}, kAntler{226, 204, 160};
const Rgb kHoof{44, 30, 22}, kHarness{200, 24, 36}, kBell{255, 210, 60};

struct Leg {
  double hipX, hipY;
  double phase; // where in the stride this leg is, 0..1
  bool front;
};

// One leg in the gallop: the upper bone swings about the hip, and the lower bone folds
// during the forward swing (tucked hoof) and straightens while the hoof is planted.
void drawLeg(cairo_t *cr, const Leg &l, double t, double dy, Rgb coat) {
  const double a = 2 * kPi * (t + l.phase);
  const double swing = (l.front ? 0.75 : 0.65) * std::sin(a); // + reaches forward
  const double fold = 0.5 * (1 + std::cos(a));                // 1 while swinging forward
  const double upper = l.front ? 6.2 : 6.8, lower = 6.8;
  const double hx = l.hipX, hy = l.hipY + dy;
  const double kx = hx + upper * std::sin(swing), ky = hy + upper * std::cos(swing);
  // Front knees fold the hoof backwards, hind hocks fold it forwards.
  const double bend = swing + (l.front ? -1.5 : 1.1) * fold * (l.front ? 1 : 0.8) - (l.front ? 0 : 0.35);
  const double fx = kx + lower * std::sin(bend), fy = ky + lower * std::cos(bend);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  setColor(cr, coat);
  line(cr, hx, hy, kx, ky, 3.2);
  line(cr, kx, ky, fx, fy, 2.0);
  setColor(cr, kHoof);
  line(cr, fx - 0.3 * std::sin(bend), fy - 0.3 * std::cos(bend), fx + 0.8 * std::sin(bend), fy + 0.8 * std::cos(bend),
       2.4);
}

void antler(cairo_t *cr, double x, double y, double lean) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, 1.3);
  cairo_move_to(cr, x, y);
  cairo_curve_to(cr, x - 2 + lean, y - 3, x - 5 + lean, y - 5, x - 8 + lean, y - 7);
  cairo_stroke(cr);
  cairo_move_to(cr, x - 2.2 + lean * 0.4, y - 2.6);
  cairo_line_to(cr, x - 1.8 + lean, y - 6.8);
  cairo_move_to(cr, x - 5 + lean * 0.7, y - 4.8);
  cairo_line_to(cr, x - 5.2 + lean, y - 8.4);
  cairo_move_to(cr, x - 0.6, y - 1.2);
  cairo_line_to(cr, x + 1.6, y - 3.6);
  cairo_stroke(cr);
}

} // namespace

nad::Surface drawReindeer(int frame, bool redNose) {
  Canvas c(70, 40, kReindeerSky);
  cairo_t *cr = c.cr();
  const double t = frame / 10.0;
  // The body rises while the legs gather under it and sinks as the front legs land.
  const double dy = -1.3 * std::sin(2 * kPi * t + 0.6);
  const double pitch = 0.06 * std::sin(2 * kPi * t - 0.4);

  const std::array<Leg, 4> legs = {
      {{22, 24, 0.55, false}, {25, 24.5, 0.45, false}, {43, 24.5, 0.05, true}, {46, 24, 0.95, true}}};
  // Far legs first, in a darker coat, so the near ones read in front of the body.
  drawLeg(c.cr(), legs[1], t, dy, kCoatDark);
  drawLeg(c.cr(), legs[3], t, dy, kCoatDark);

  // Tail.
  setColor(cr, kBelly);
  ellipse(cr, 16.2, 18 + dy, 2.4, 1.6, -0.5 + 0.3 * std::sin(2 * kPi * t));
  cairo_fill(cr);

  // Body with a lighter belly.
  cairo_save(cr);
  cairo_translate(cr, 34, 21 + dy);
  cairo_rotate(cr, pitch);
  setColor(cr, kCoat);
  ellipse(cr, 0, 0, 16.5, 6.6);
  cairo_fill(cr);
  setColor(cr, kBelly);
  ellipse(cr, 1, 4.1, 11.5, 2.4);
  cairo_fill(cr);
  // Harness strap round the chest.
  setColor(cr, kHarness);
  cairo_rectangle(cr, 5.5, -6.6, 2.2, 13);
  cairo_fill(cr);
  cairo_restore(cr);

  // Neck up to the head, leaning forward.
  const double hx = 57.5, hy = 10.5 + dy * 0.7;
  setColor(cr, kCoat);
  cairo_move_to(cr, 42, 15 + dy);
  cairo_curve_to(cr, 46, 11 + dy, 50, 8 + dy, hx - 3, hy - 3.5);
  cairo_line_to(cr, hx + 1, hy + 3);
  cairo_curve_to(cr, 54, 17 + dy, 51, 23 + dy, 46, 26 + dy);
  cairo_close_path(cr);
  cairo_fill(cr);
  setColor(cr, kBelly);
  cairo_move_to(cr, 50, 18 + dy);
  cairo_curve_to(cr, 52, 16 + dy, 54, 14 + dy, hx, hy + 3);
  cairo_line_to(cr, hx - 0.5, hy + 4.5);
  cairo_curve_to(cr, 54, 19 + dy, 52, 22 + dy, 48, 24 + dy);
  cairo_close_path(cr);
  cairo_fill(cr);

  // Collar with a little bell.
  setColor(cr, kHarness);
  cairo_set_line_width(cr, 2.2);
  cairo_move_to(cr, 48.5, 10.5 + dy);
  cairo_curve_to(cr, 49.5, 14 + dy, 51, 18 + dy, 53, 19.5 + dy);
  cairo_stroke(cr);
  setColor(cr, kBell);
  cairo_arc(cr, 52.2, 21 + dy, 1.5, 0, 2 * kPi);
  cairo_fill(cr);

  // Antlers behind the ears: the far one darker.
  setColor(cr, shade(kAntler, -0.25));
  antler(cr, hx - 3.2, hy - 3.2, 1.8);
  setColor(cr, kAntler);
  antler(cr, hx - 1.2, hy - 3.4, 0.0);

  // Head: skull plus muzzle, pointing right and a little down.
  setColor(cr, kCoat);
  ellipse(cr, hx, hy, 4.6, 3.6, 0.25);
  cairo_fill(cr);
  ellipse(cr, hx + 4.4, hy + 1.9, 3.4, 2.2, 0.35);
  cairo_fill(cr);
  setColor(cr, kBelly);
  ellipse(cr, hx + 5.2, hy + 2.9, 2.4, 1.1, 0.35);
  cairo_fill(cr);
  // Ear.
  setColor(cr, kCoatDark);
  cairo_move_to(cr, hx - 3.4, hy - 1.8);
  cairo_line_to(cr, hx - 7.2, hy - 3.0 - 0.5 * std::sin(2 * kPi * t));
  cairo_line_to(cr, hx - 3.0, hy + 0.4);
  cairo_close_path(cr);
  cairo_fill(cr);
  // Eye.
  setColor(cr, {20, 12, 8});
  cairo_arc(cr, hx + 0.6, hy - 1.0, 0.85, 0, 2 * kPi);
  cairo_fill(cr);

  // Near legs over the body.
  drawLeg(c.cr(), legs[0], t, dy, kCoat);
  drawLeg(c.cr(), legs[2], t, dy, kCoat);

  // Ordinary nose: a dark tip.
  const int nx = int(std::lround(hx + 7.4)), ny = int(std::lround(hy + 1.8));
  setColor(cr, {40, 24, 18});
  cairo_arc(cr, nx + 0.5, ny + 0.5, 1.2, 0, 2 * kPi);
  cairo_fill(cr);

  if (redNose) {
    // Painted pixel by pixel so that the lead reindeer differs from the others only by
    // red pixels; anti-aliased edges would blend into browns and blues.
    const Rgb red{236, 22, 30}, glow{255, 120, 110};
    static constexpr std::array<const char *, 5> kNose = {".rr.", "rggr", "rrrr", "rrrr", ".rr."};
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 4; ++x) {
        char p = kNose[size_t(y)][x];
        if (p != '.') c.set(nx - 1 + x, ny - 2 + y, p == 'g' ? glow : red);
      }
  }
  return c.toSurface();
}

// --- Sleigh with Santa ------------------------------------------------------------------

nad::Surface drawSleigh() {
  Canvas c(65, 38, kSky);
  cairo_t *cr = c.cr();
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  const Rgb red{206, 28, 38}, redDark{140, 14, 26}, gold{250, 200, 60}, fur{246, 246, 250};
  const Rgb skin{250, 196, 164}, sack{150, 104, 60}, sackDark{110, 74, 40};

  // Sack of gifts at the back of the sleigh, presents peeking out.
  const std::array<std::pair<Rgb, Rgb>, 3> peek = {
      {{{40, 160, 70}, {230, 40, 40}}, {{60, 110, 220}, {250, 220, 80}}, {{240, 190, 40}, {210, 30, 40}}}};
  const std::array<std::array<double, 4>, 3> box = {{{9, 6, 7, 7}, {15, 3, 7, 8}, {20.5, 7, 6, 6}}};
  for (size_t i = 0; i < 3; ++i) {
    cairo_save(cr);
    cairo_translate(cr, box[i][0] + box[i][2] / 2, box[i][1] + box[i][3] / 2);
    cairo_rotate(cr, (int(i) - 1) * 0.25);
    setColor(cr, peek[i].first);
    cairo_rectangle(cr, -box[i][2] / 2, -box[i][3] / 2, box[i][2], box[i][3]);
    cairo_fill(cr);
    setColor(cr, peek[i].second);
    cairo_rectangle(cr, -0.8, -box[i][3] / 2, 1.6, box[i][3]);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  setColor(cr, sack);
  cairo_move_to(cr, 6, 22);
  cairo_curve_to(cr, 4, 16, 6, 10, 11, 11);
  cairo_curve_to(cr, 16, 12, 22, 12, 27, 11);
  cairo_curve_to(cr, 31, 12, 31, 18, 30, 22);
  cairo_close_path(cr);
  cairo_fill(cr);
  setColor(cr, sackDark);
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, 10, 13);
  cairo_curve_to(cr, 13, 16, 12, 19, 14, 21);
  cairo_stroke(cr);

  // Santa: coat, belt, beard, face and hat; he sits towards the front, facing right.
  setColor(cr, red);
  cairo_move_to(cr, 30, 23);
  cairo_curve_to(cr, 29, 16, 32, 11, 38, 11);
  cairo_curve_to(cr, 44, 11, 46, 17, 45, 23);
  cairo_close_path(cr);
  cairo_fill(cr);
  setColor(cr, {30, 20, 20});
  cairo_rectangle(cr, 30, 18, 15, 2);
  cairo_fill(cr);
  setColor(cr, gold);
  cairo_rectangle(cr, 39.5, 17.6, 2.6, 2.8);
  cairo_fill(cr);
  // Arm reaching forward to the reins, white cuff and a dark mitten.
  setColor(cr, redDark);
  line(cr, 37, 14, 46, 16, 3.2);
  setColor(cr, fur);
  line(cr, 45.6, 15.9, 46.6, 16.1, 3.4);
  setColor(cr, {40, 30, 30});
  cairo_arc(cr, 48.5, 16.3, 1.6, 0, 2 * kPi);
  cairo_fill(cr);
  // Face and beard.
  setColor(cr, skin);
  cairo_arc(cr, 40, 7, 3.4, 0, 2 * kPi);
  cairo_fill(cr);
  setColor(cr, fur);
  cairo_move_to(cr, 36.5, 7);
  cairo_curve_to(cr, 36, 12, 39, 15, 42.5, 14);
  cairo_curve_to(cr, 44, 12, 44, 9.5, 43.4, 7.6);
  cairo_curve_to(cr, 41.5, 9.5, 38.5, 9.5, 36.5, 7);
  cairo_close_path(cr);
  cairo_fill(cr);
  setColor(cr, {210, 70, 70});
  cairo_arc(cr, 43.2, 6.6, 0.9, 0, 2 * kPi); // nose
  cairo_fill(cr);
  setColor(cr, {30, 20, 20});
  cairo_arc(cr, 41.4, 5.4, 0.6, 0, 2 * kPi);
  cairo_fill(cr);
  // Hat flopping backwards with its bobble.
  setColor(cr, red);
  cairo_move_to(cr, 36.2, 5.2);
  cairo_curve_to(cr, 36, 1.5, 40, 0, 43.5, 4.4);
  cairo_curve_to(cr, 39, 2.6, 35.5, 3.2, 33.5, 6.2);
  cairo_close_path(cr);
  cairo_fill(cr);
  setColor(cr, fur);
  line(cr, 36, 5.2, 43.4, 4.6, 2.0);
  cairo_arc(cr, 33.4, 6.4, 1.6, 0, 2 * kPi);
  cairo_fill(cr);

  // Sleigh body: a curved tub, high at the back, with a scrolled prow at the front.
  setColor(cr, red);
  cairo_move_to(cr, 3, 15);
  cairo_curve_to(cr, 5, 14, 7, 17, 8, 20);
  cairo_line_to(cr, 48, 20);
  cairo_curve_to(cr, 52, 20, 54, 16, 56, 12);
  cairo_curve_to(cr, 58, 9, 62, 10, 61, 13);
  cairo_curve_to(cr, 60, 20, 56, 29, 48, 30);
  cairo_line_to(cr, 10, 30);
  cairo_curve_to(cr, 5, 30, 3, 24, 3, 15);
  cairo_close_path(cr);
  cairo_fill_preserve(cr);
  setColor(cr, gold);
  cairo_set_line_width(cr, 1.1);
  cairo_stroke(cr);
  // Gold scroll on the side.
  cairo_set_line_width(cr, 1.0);
  cairo_move_to(cr, 14, 25);
  cairo_curve_to(cr, 20, 21, 28, 28, 34, 24);
  cairo_curve_to(cr, 38, 22, 42, 23, 43, 25);
  cairo_stroke(cr);
  cairo_arc(cr, 13, 25, 1.4, 0, 2 * kPi);
  cairo_stroke(cr);

  // Runners with their struts and the curl at the front.
  setColor(cr, {200, 205, 215});
  cairo_set_line_width(cr, 1.4);
  for (double x : {14.0, 26.0, 38.0, 48.0}) {
    cairo_move_to(cr, x, 30);
    cairo_line_to(cr, x - 1, 34);
  }
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1.8);
  cairo_move_to(cr, 4, 34.5);
  cairo_line_to(cr, 55, 34.5);
  cairo_curve_to(cr, 61, 34.5, 63, 30, 61, 28);
  cairo_curve_to(cr, 59.5, 26.5, 57.5, 28, 58.5, 29.5);
  cairo_stroke(cr);

  // Reins running ahead to the team.
  setColor(cr, {120, 70, 40});
  cairo_set_line_width(cr, 0.9);
  cairo_move_to(cr, 49, 16.5);
  cairo_curve_to(cr, 54, 18, 59, 17, 65, 15);
  cairo_stroke(cr);
  return c.toSurface();
}

// --- Gifts ------------------------------------------------------------------------------

// Gifts are pixel art on black: hard edges keep the mask exact and leave no dark fringe
// when the gift falls over the sky.
nad::Surface drawGift(int index) {
  struct Wrap {
    Rgb box, ribbon;
    int pattern; // 0 plain, 1 dots, 2 stripes
  };
  static const std::array<Wrap, 6> kWraps = {{{{206, 30, 42}, {252, 204, 56}, 0},
                                              {{34, 150, 64}, {226, 34, 44}, 1},
                                              {{46, 96, 214}, {226, 230, 240}, 2},
                                              {{242, 200, 44}, {214, 34, 44}, 0},
                                              {{152, 62, 194}, {252, 204, 56}, 1},
                                              {{242, 132, 30}, {40, 164, 72}, 2}}};
  static constexpr std::array<const char *, 15> kShape = {"...RRR...RRR...", //
                                                          "..R..rR.Rr..R..", //
                                                          "..R...rKr...R..", //
                                                          "...RRRrKrRRR...", //
                                                          "LLLLLLRRRLLLLLL", //
                                                          "LLLLLLRRRLLLLLL", //
                                                          "ssssssrRrssssss", //
                                                          ".hBBBBRRRBBBBd.", //
                                                          ".hBBBBRRRBBBBd.", //
                                                          ".hBBBBRRRBBBBd.", //
                                                          ".hBBBBRRRBBBBd.", //
                                                          ".hBBBBRRRBBBBd.", //
                                                          ".hBBBBRRRBBBBd.", //
                                                          ".hBBBBRRRBBBdd.", //
                                                          ".ddddddrdddddd."};
  const Wrap &w = kWraps[size_t(index)];
  Canvas c(15, 15, kBlack);
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 15; ++x) {
      Rgb p = kBlack;
      switch (kShape[size_t(y)][x]) {
      case 'R': p = w.ribbon; break;
      case 'r': p = shade(w.ribbon, -0.3); break;
      case 'K': p = shade(w.ribbon, -0.15); break;
      case 'L': p = shade(w.box, 0.18); break;
      case 's': p = shade(w.box, -0.45); break;
      case 'h': p = shade(w.box, 0.3); break;
      case 'd': p = shade(w.box, -0.3); break;
      case 'B': {
        p = w.box;
        bool deco = (w.pattern == 1 && (x + 2 * y) % 4 == 0 && y % 2 == 1) || (w.pattern == 2 && (x + y) % 4 == 0);
        if (deco) p = shade(w.box, 0.45);
        break;
      }
      default: break;
      }
      c.set(x, y, p);
    }
  return c.toSurface();
}

// --- Stars ------------------------------------------------------------------------------

std::vector<nad::Surface> drawStars() {
  constexpr int W = 17, H = 15;
  // Coverage of the star outline, computed once and shared by all three colours.
  cairo_surface_t *a8 = cairo_image_surface_create(CAIRO_FORMAT_A8, W, H);
  cairo_t *cr = cairo_create(a8);
  const double cx = 8.5, cy = 8.25, R = 8.0, r = 3.3;
  for (int i = 0; i < 10; ++i) {
    double ang = -kPi / 2 + i * kPi / 5, rad = i % 2 ? r : R;
    cairo_line_to(cr, cx + rad * std::cos(ang), cy + rad * std::sin(ang));
  }
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(a8);
  const unsigned char *cov = cairo_image_surface_get_data(a8);
  const int stride = cairo_image_surface_get_stride(a8);

  const std::array<Rgb, 3> colours = {{{40, 210, 80}, {178, 76, 240}, {255, 204, 40}}};
  std::vector<nad::Surface> out;
  for (Rgb base : colours) {
    nad::Surface s(W, H, 0);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        double a = cov[y * stride + x] / 255.0;
        if (a < 0.3) continue; // outside the shape: stays black in every colour
        // A bright core fading to the pure colour at the tips.
        double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / R;
        Rgb col = mix(base, kWhite, std::max(0.0, 0.65 - d) * 0.9);
        // Edge pixels are blended towards the night sky rather than towards black, so
        // the star has soft edges over the sky where it flies. Sky and all three
        // colours have some green, so no covered pixel can come out black.
        s.at(x, y) = mix(kSky, col, std::min(1.0, a * 1.25)).pixel();
      }
    out.push_back(std::move(s));
  }
  cairo_surface_destroy(a8);
  return out;
}

} // namespace art
