// Draws the desktop icon from the game's own sleigh picture: the sleigh on the night sky with a
// few stars, as a 64 x 64 PNG. Built and run at build time, so the icon always matches the art.
//   make_icon PICTURES_FOLDER OUT.png
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bmp_file.h"

namespace {

constexpr int kSize = 64;

uint32_t crc32(const uint8_t *p, size_t n, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void put32(std::vector<uint8_t> &out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void chunk(std::vector<uint8_t> &png, const char *type, const std::vector<uint8_t> &data) {
  put32(png, uint32_t(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  put32(png, crc32(body.data(), body.size()));
}

// A PNG needs zlib data but not compression: stored blocks keep this free of any library.
std::vector<uint8_t> storedZlib(const std::vector<uint8_t> &raw) {
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(65535, raw.size() - pos);
    const bool last = pos + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(uint8_t(n)), z.push_back(uint8_t(n >> 8));
    z.push_back(uint8_t(~n)), z.push_back(uint8_t(~n >> 8));
    z.insert(z.end(), raw.begin() + long(pos), raw.begin() + long(pos + n));
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  put32(z, (b << 16) | a);
  return z;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icon PICTURES_FOLDER OUT.png\n");
    return 2;
  }
  try {
    const nad::Surface sleigh = nad::readBmp(std::string(argv[1]) + "/santa.bmp");
    // RGB rows, each led by filter byte 0.
    std::vector<uint8_t> raw;
    const int ox = (kSize - sleigh.width()) / 2, oy = (kSize - sleigh.height()) / 2 + 6;
    static constexpr int stars[][2] = {{8, 7}, {22, 12}, {41, 5}, {55, 14}, {33, 20}, {5, 22}, {58, 3}};
    for (int y = 0; y < kSize; ++y) {
      raw.push_back(0);
      for (int x = 0; x < kSize; ++x) {
        uint8_t r = 0, g = 40, b = 111; // the game's night sky
        for (const auto &s : stars)
          if (s[0] == x && s[1] == y) r = g = b = 255;
        const int sx = x - ox, sy = y - oy;
        if (sleigh.contains(sx, sy)) {
          // Colour values keep red in the lowest byte; pure black is the sprite's empty ground.
          const uint32_t c = sleigh.colorAt(sx, sy);
          if ((c & 0xFFFFFF) != 0) r = uint8_t(c), g = uint8_t(c >> 8), b = uint8_t(c >> 16);
        }
        raw.push_back(r), raw.push_back(g), raw.push_back(b);
      }
    }
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    put32(ihdr, kSize), put32(ihdr, kSize);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", storedZlib(raw));
    chunk(png, "IEND", {});
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char *>(png.data()), std::streamsize(png.size()));
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "make_icon: %s\n", e.what());
    return 1;
  }
  return 0;
}
