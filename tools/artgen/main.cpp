// Writes every picture of the game into one folder:  artgen <out-dir> <font-dir>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "artgen.h"
#include "platform/bmp_file.h"

namespace {

// A mask is the sprite's silhouette inverted: black wherever the sprite is not black.
// Deriving it here keeps the pair from ever drifting apart.
nad::Surface maskOf(const nad::Surface &sprite) {
  nad::Surface m(sprite.width(), sprite.height());
  for (int y = 0; y < sprite.height(); ++y)
    for (int x = 0; x < sprite.width(); ++x) m.at(x, y) = sprite.at(x, y) == 0 ? 0xFFFFFF : 0;
  return m;
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
    auto save = [&](const std::string &name, const nad::Surface &s) {
      nad::writeBmp((out / (name + ".bmp")).string(), s);
    };

    save("menu", art::drawMenu());
    save("info", art::drawInfo());
    save("Picture2", art::drawHighScorePanel());
    save("Picture1", art::drawNameDialog());
    save("logo", art::drawPlainSky(240, 73));
    save("l1", art::drawStudioBanner());
    save("l2", art::drawPortalBanner());
    save("pic", art::drawPlainSky(643, 483));
    save("barak", art::drawHouses());
    for (int i = 0; i < 10; ++i) {
      save("sob" + std::to_string(i), art::drawReindeer(i, false));
      save("sobspecial" + std::to_string(i), art::drawReindeer(i, true));
    }
    save("santa", art::drawSleigh());
    for (int i = 0; i < 6; ++i) {
      nad::Surface gift = art::drawGift(i);
      save("darek" + std::to_string(i), gift);
      save("darek" + std::to_string(11 - i), maskOf(gift));
    }
    std::vector<nad::Surface> stars = art::drawStars();
    for (int j = 0; j < 3; ++j) {
      save("star" + std::to_string(j), stars[size_t(j)]);
      save("star" + std::to_string(5 - j), maskOf(stars[size_t(j)]));
    }
  } catch (const std::exception &e) {
    std::fprintf(stderr, "artgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
