#pragma once
// Every picture of the game, drawn from code. Each function returns a finished picture;
// masks are not drawn at all but derived from their sprites in main.cpp.
#include <string>
#include <vector>

#include "canvas.h"
#include "frontend/web_addresses.h"

namespace art {

// Shared decorations (decor.cpp).
void snowflake(cairo_t *cr, double cx, double cy, double r, double alpha);
// Scatters snowflakes and faint stars, leaving the given rectangles untouched.
void snowySky(cairo_t *cr, int w, int h, uint64_t seed, int flakes, const std::vector<Box> &keepClear);
// Logos with their top at y, aligned horizontally at x.
void portalLogo(cairo_t *cr, double x, double y, double scale, Align a);
double portalLogoWidth(cairo_t *cr, double scale);
void studioLogo(cairo_t *cr, double x, double y, double scale, Align a);
void wreath(cairo_t *cr, double cx, double cy, double r);
void reindeerHead(cairo_t *cr, double cx, double cy, double s);
void garland(cairo_t *cr, double x0, double x1, double y, double sag, int bulbs);
void hollySprig(cairo_t *cr, double cx, double cy, double s, double angle);
// Gold lettering with a dark outline; the outline stays inside the text's ink box.
void goldText(cairo_t *cr, const std::string &s, double x, double baseline, Align a, double outline);
void redText(cairo_t *cr, const std::string &s, double x, double baseline, Align a);

// The web addresses lettered into the pictures are the ones the game opens.
using nad::kPortalAddress;
using nad::kStudioAddress;

// Screens and banners (screens.cpp).
nad::Surface drawMenu();
nad::Surface drawInfo();
nad::Surface drawHighScorePanel();
nad::Surface drawNameDialog();
nad::Surface drawPlainSky(int w, int h);
nad::Surface drawStudioBanner();
nad::Surface drawPortalBanner();

// The house strip (houses.cpp).
nad::Surface drawHouses();

// Sprites (sprites.cpp).
nad::Surface drawReindeer(int frame, bool redNose);
nad::Surface drawSleigh();
nad::Surface drawGift(int index);
std::vector<nad::Surface> drawStars(); // green, violet, gold: one shape

} // namespace art
