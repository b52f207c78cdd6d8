// Draws the desktop icon from the game's own sleigh picture: the sleigh on the night sky with a
// few stars, drawn at 64 x 64 and written as a PNG of SIZE x SIZE (default 64). Built and run at
// build time, so the icon always matches the art.
//   make_icon PICTURES_FOLDER OUT.png [SIZE]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "platform/bmp_file.h"
#include "replay/png_file.h"

namespace {
constexpr int kSize = 64;

// Larger sizes repeat whole pixels, so the pixel art stays crisp; smaller ones average the area
// each output pixel covers, so the sleigh does not break up into stray dots.
nad::Surface scaled(const nad::Surface &icon, int size) {
  if (size == kSize) return icon;
  nad::Surface out(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      if (size > kSize) {
        out.at(x, y) = icon.at(x * kSize / size, y * kSize / size);
        continue;
      }
      // Split the output pixel into kSize x kSize samples; each lands on one icon pixel.
      uint64_t r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSize; ++sy)
        for (int sx = 0; sx < kSize; ++sx) {
          const uint32_t p = icon.at((x * kSize + sx) / size, (y * kSize + sy) / size);
          r += p >> 16 & 0xFF, g += p >> 8 & 0xFF, b += p & 0xFF;
        }
      constexpr uint64_t n = uint64_t(kSize) * kSize;
      out.at(x, y) = nad::rgbPixel(uint8_t((r + n / 2) / n), uint8_t((g + n / 2) / n), uint8_t((b + n / 2) / n));
    }
  return out;
}
} // namespace

int main(int argc, char **argv) {
  const int size = argc == 4 ? std::atoi(argv[3]) : kSize;
  if (argc < 3 || argc > 4 || size < 16 || size > 512) {
    std::fprintf(stderr, "usage: make_icon PICTURES_FOLDER OUT.png [SIZE from 16 to 512]\n");
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
    const nad::Status written = nad::replay::writePng(argv[2], scaled(icon, size));
    if (!written.ok()) throw nad::StartupError(written.reason());
  } catch (const std::exception &e) {
    std::fprintf(stderr, "make_icon: %s\n", e.what());
    return 1;
  }
  return 0;
}
