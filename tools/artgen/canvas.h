#pragma once
// Drawing helpers shared by every picture of the artwork generator: a cairo image with
// direct pixel access, the bundled fonts, text placement by ink box, and a tiny PRNG.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/surface.h"

namespace art {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb &) const = default;
  uint32_t pixel() const { return nad::rgbPixel(uint8_t(r), uint8_t(g), uint8_t(b)); }
};

// Colours the game relies on; they must come out of the generator exactly.
inline constexpr Rgb kSky{0, 40, 111};
inline constexpr Rgb kReindeerSky{0, 43, 109};
inline constexpr Rgb kChimneyKey{16, 23, 16};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

void setColor(cairo_t *cr, Rgb c, double alpha = 1.0);
// Starts a closed path: a rectangle with rounded corners of radius r.
void roundedRect(cairo_t *cr, double x, double y, double w, double h, double r);
Rgb mix(Rgb a, Rgb b, double t); // t = 0 gives a, 1 gives b

class Canvas {
public:
  Canvas(int w, int h, Rgb background);
  ~Canvas();
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;

  cairo_t *cr() const { return cr_; }
  int width() const { return w_; }
  int height() const { return h_; }

  // Pixel access bypasses cairo, so exact colours (keys, masks) survive untouched.
  Rgb get(int x, int y);
  void set(int x, int y, Rgb c);
  void fillRect(int x, int y, int w, int h, Rgb c);

  nad::Surface toSurface();

private:
  uint32_t *data();
  int w_, h_;
  cairo_surface_t *surface_;
  cairo_t *cr_;
};

enum class Font { Sans, SansBold, SansBoldItalic, Serif, SerifBold, SerifBoldItalic, SerifItalic };

// Loads the font files once; call before any text is drawn.
void loadFonts(const std::string &dir);
void useFont(cairo_t *cr, Font f, double size);

struct Box {
  double x0, y0, x1, y1;
  double w() const { return x1 - x0; }
  double h() const { return y1 - y0; }
};

// Ink box of text in the current font, relative to the pen origin on the baseline.
Box inkBox(cairo_t *cr, const std::string &text);

enum class Align { Left, Centre, Right };
// Draws text with its ink aligned horizontally at x and its baseline at y.
void text(cairo_t *cr, const std::string &s, double x, double baseline, Align a = Align::Left);
// Adds the text outline to the path instead of filling it.
void textPath(cairo_t *cr, const std::string &s, double x, double baseline, Align a = Align::Left);
// Chooses the font size whose ink exactly fills the band [top, bottom] vertically and
// returns the baseline that puts it there; the caller then draws at that baseline.
double fitToBand(cairo_t *cr, Font f, const std::string &s, double top, double bottom);

// A deterministic generator of our own: the standard distributions differ between
// library implementations, and the pictures must be identical on every machine.
class Rng {
public:
  explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t next();
  double uniform(double lo, double hi);
  int range(int lo, int hi); // inclusive

private:
  uint64_t s_;
};

} // namespace art
