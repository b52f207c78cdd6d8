// Draws the desktop icon from the game's own sleigh picture: the sleigh on the night sky with a
// few stars, as a 64 x 64 PNG. Built and run at build time, so the icon always matches the art.
//   make_icon PICTURES_FOLDER OUT.png
#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "platform/bmp_file.h"
#include "replay/png_file.h"

namespace {
constexpr int kSize = 64;
} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icon PICTURES_FOLDER OUT.png\n");
    return 2;
  }
  try {
    const nad::Surface sleigh = nad::readBmp(std::string(argv[1]) + "/santa.bmp");
    nad::Surface icon(kSize, kSize, nad::rgbPixel(0, 40, 111)); // the game's night sky
    static constexpr int stars[][2] = {{8, 7}, {22, 12}, {41, 5}, {55, 14}, {33, 20}, {5, 22}, {58, 3}};
    for (const auto &s : stars) icon.at(s[0], s[1]) = nad::rgbPixel(255, 255, 255);
    const int ox = (kSize - sleigh.width()) / 2, oy = (kSize - sleigh.height()) / 2 + 6;
    for (int y = 0; y < sleigh.height(); ++y)
      for (int x = 0; x < sleigh.width(); ++x)
        if (icon.contains(ox + x, oy + y) && sleigh.at(x, y) != 0) icon.at(ox + x, oy + y) = sleigh.at(x, y);
    std::string problem = nad::replay::writePng(argv[2], icon);
    if (!problem.empty()) throw std::runtime_error(problem);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "make_icon: %s\n", e.what());
    return 1;
  }
  return 0;
}
