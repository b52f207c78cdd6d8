// Writes every picture of the game into one folder:  artgen <out-dir> <font-dir>
// Which pictures there are is the window's layout's to say: one for every picture panel, in the
// file the game loads it from.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

#include "artgen.h"
#include "platform/bmp_file.h"
#include "scene/layout.h"
#include "scene/scene.h"

namespace {

// A mask is the sprite's silhouette inverted: black wherever the sprite is not black.
// Deriving it here keeps the pair from ever drifting apart.
nad::Surface maskOf(const nad::Surface &sprite) {
  nad::Surface m(sprite.width(), sprite.height());
  for (int y = 0; y < sprite.height(); ++y)
    for (int x = 0; x < sprite.width(); ++x) m.at(x, y) = sprite.at(x, y) == 0 ? 0xFFFFFF : 0;
  return m;
}

// The drawing of each panel, by its name in the layout; the items of an array share one
// drawing, which gets the item's index.
struct Drawing {
  const char *panel;
  nad::Surface (*draw)(int index, const nad::Control &panel);
};

const Drawing kDrawings[] = {
    {"menu", [](int, const nad::Control &) { return art::drawMenu(); }},
    {"info", [](int, const nad::Control &) { return art::drawInfo(); }},
    {"Picture2", [](int, const nad::Control &) { return art::drawHighScorePanel(); }},
    {"Picture1", [](int, const nad::Control &) { return art::drawNameDialog(); }},
    {"logo", [](int, const nad::Control &c) { return art::drawPlainSky(c.innerWidth(), c.innerHeight()); }},
    {"l1", [](int, const nad::Control &) { return art::drawStudioBanner(); }},
    {"l2", [](int, const nad::Control &) { return art::drawPortalBanner(); }},
    {"pic", [](int, const nad::Control &c) { return art::drawPlainSky(c.innerWidth(), c.innerHeight()); }},
    {"barak", [](int, const nad::Control &) { return art::drawHouses(); }},
    {"sob", [](int i, const nad::Control &) { return art::drawReindeer(i, false); }},
    {"sobspecial", [](int i, const nad::Control &) { return art::drawReindeer(i, true); }},
    {"santa", [](int, const nad::Control &) { return art::drawSleigh(); }},
    // The six gifts, then their masks in mirrored order: darek(11 - i) is the mask of darek(i).
    {"darek",
     [](int i, const nad::Control &) {
       constexpr int last = nad::darekCount - 1;
       return i <= last / 2 ? art::drawGift(i) : maskOf(art::drawGift(last - i));
     }},
    // The three stars, then their masks in mirrored order: star(5 - j) is the mask of star(j).
    {"star",
     [](int i, const nad::Control &) {
       static const std::vector<nad::Surface> stars = art::drawStars();
       constexpr int last = nad::starCount - 1;
       return i <= last / 2 ? stars[size_t(i)] : maskOf(stars[size_t(last - i)]);
     }},
};

const Drawing &drawingOf(std::string_view panel) {
  auto d = std::find_if(std::begin(kDrawings), std::end(kDrawings), [&](const Drawing &x) { return panel == x.panel; });
  if (d == std::end(kDrawings))
    throw nad::StartupError("the layout's panel " + std::string(panel) +
                            " has no drawing; add one to kDrawings in tools/artgen/main.cpp");
  return *d;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: artgen <out-dir> <font-dir>\n");
    return 2;
  }
  try {
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    art::loadFonts(argv[2]);
    const nad::Scene scene; // the controls as laid out, with their names and sizes
    const auto rows = nad::layoutTable();
    for (const Drawing &d : kDrawings)
      if (std::none_of(rows.begin(), rows.end(), [&](const nad::LayoutRow &r) {
            return r.kind == nad::Kind::Panel && std::string_view(r.name) == d.panel;
          }))
        throw nad::StartupError(std::string("the drawing ") + d.panel + " belongs to no panel of the layout");
    for (const nad::LayoutRow &row : rows) {
      if (row.kind != nad::Kind::Panel) continue;
      const Drawing &d = drawingOf(row.name);
      for (int i = 0; i < row.count(); ++i) {
        const nad::Control &panel = scene[nad::Id(row.id + i)];
        const nad::Status written = nad::writeBmp((out / nad::pictureFileName(panel.name)).string(), d.draw(i, panel));
        if (!written.ok()) throw nad::StartupError(written.reason());
      }
    }
  } catch (const std::exception &e) {
    std::fprintf(stderr, "artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
