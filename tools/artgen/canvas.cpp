#include "canvas.h"

#include "platform/report.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace art {

void setColor(cairo_t *cr, Rgb c, double alpha) {
  cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
}

Rgb mix(Rgb a, Rgb b, double t) {
  auto m = [t](int p, int q) { return int(std::lround(p + (q - p) * t)); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Canvas::Canvas(int w, int h, Rgb background)
    : w_(w), h_(h), surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h)), cr_(cairo_create(surface_)) {
  fillRect(0, 0, w, h, background);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

uint32_t *Canvas::data() {
  cairo_surface_flush(surface_);
  return reinterpret_cast<uint32_t *>(cairo_image_surface_get_data(surface_));
}

Rgb Canvas::get(int x, int y) {
  const int stride = cairo_image_surface_get_stride(surface_) / 4;
  uint32_t p = data()[size_t(y) * size_t(stride) + size_t(x)];
  return {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
}

void Canvas::set(int x, int y, Rgb c) { fillRect(x, y, 1, 1, c); }

void Canvas::fillRect(int x, int y, int w, int h, Rgb c) {
  const int stride = cairo_image_surface_get_stride(surface_) / 4;
  uint32_t *d = data();
  for (int yy = std::max(y, 0); yy < std::min(y + h, h_); ++yy)
    for (int xx = std::max(x, 0); xx < std::min(x + w, w_); ++xx)
      d[size_t(yy) * size_t(stride) + size_t(xx)] = c.pixel();
  cairo_surface_mark_dirty(surface_);
}

nad::Surface Canvas::toSurface() {
  nad::Surface s(w_, h_);
  const int stride = cairo_image_surface_get_stride(surface_) / 4;
  const uint32_t *d = data();
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) s.at(x, y) = d[size_t(y) * size_t(stride) + size_t(x)] & 0xFFFFFF;
  return s;
}

namespace {

constexpr std::array<const char *, 7> kFontFiles = {"LiberationSans-Regular.ttf",    "LiberationSans-Bold.ttf",
                                                    "LiberationSans-BoldItalic.ttf", "LiberationSerif-Regular.ttf",
                                                    "LiberationSerif-Bold.ttf",      "LiberationSerif-BoldItalic.ttf",
                                                    "LiberationSerif-Italic.ttf"};

// Fonts come straight from the files rather than through fontconfig, so a different
// font setup on the build machine cannot change a single pixel.
FT_Library gLibrary = nullptr;
std::array<cairo_font_face_t *, kFontFiles.size()> gFaces{};

} // namespace

void loadFonts(const std::string &dir) {
  if (FT_Init_FreeType(&gLibrary)) throw nad::StartupError("FreeType would not start");
  for (size_t i = 0; i < kFontFiles.size(); ++i) {
    FT_Face face;
    std::string path = dir + "/" + kFontFiles[i];
    if (FT_New_Face(gLibrary, path.c_str(), 0, &face)) throw nad::StartupError("cannot load font " + path);
    gFaces[i] = cairo_ft_font_face_create_for_ft_face(face, 0);
  }
}

void useFont(cairo_t *cr, Font f, double size) {
  cairo_set_font_face(cr, gFaces[size_t(f)]);
  cairo_set_font_size(cr, size);
  cairo_font_options_t *o = cairo_font_options_create();
  cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(cr, o);
  cairo_font_options_destroy(o);
}

Box inkBox(cairo_t *cr, const std::string &s) {
  cairo_text_extents_t e;
  cairo_text_extents(cr, s.c_str(), &e);
  return {e.x_bearing, e.y_bearing, e.x_bearing + e.width, e.y_bearing + e.height};
}

namespace {
double penX(cairo_t *cr, const std::string &s, double x, Align a) {
  Box b = inkBox(cr, s);
  switch (a) {
  case Align::Left: return x - b.x0;
  case Align::Centre: return x - (b.x0 + b.x1) / 2;
  case Align::Right: return x - b.x1;
  }
  return x;
}
} // namespace

void text(cairo_t *cr, const std::string &s, double x, double baseline, Align a) {
  cairo_move_to(cr, penX(cr, s, x, a), baseline);
  cairo_show_text(cr, s.c_str());
  cairo_new_path(cr);
}

void textPath(cairo_t *cr, const std::string &s, double x, double baseline, Align a) {
  cairo_move_to(cr, penX(cr, s, x, a), baseline);
  cairo_text_path(cr, s.c_str());
}

double fitToBand(cairo_t *cr, Font f, const std::string &s, double top, double bottom) {
  useFont(cr, f, 100);
  Box b = inkBox(cr, s);
  double size = 100 * (bottom - top) / b.h();
  useFont(cr, f, size);
  b = inkBox(cr, s);
  return top - b.y0;
}

uint32_t Rng::next() {
  s_ ^= s_ << 13;
  s_ ^= s_ >> 7;
  s_ ^= s_ << 17;
  return uint32_t(s_ >> 32);
}

double Rng::uniform(double lo, double hi) { return lo + (hi - lo) * (next() / 4294967296.0); }

int Rng::range(int lo, int hi) { return lo + int(next() % uint32_t(hi - lo + 1)); }

void roundedRect(cairo_t *cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -3.14159265358979323846 / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, 3.14159265358979323846 / 2);
  cairo_arc(cr, x + r, y + h - r, r, 3.14159265358979323846 / 2, 3.14159265358979323846);
  cairo_arc(cr, x + r, y + r, r, 3.14159265358979323846, 3 * 3.14159265358979323846 / 2);
  cairo_close_path(cr);
}

} // namespace art
