#include "platform/bmp_file.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/report.h"

namespace nad {
namespace {

constexpr std::size_t kMaxPictureBytes = 64u << 20;

uint32_t le32(const std::vector<unsigned char> &b, size_t o) {
  return uint32_t(b[o]) | uint32_t(b[o + 1]) << 8 | uint32_t(b[o + 2]) << 16 | uint32_t(b[o + 3]) << 24;
}
uint16_t le16(const std::vector<unsigned char> &b, size_t o) { return uint16_t(b[o] | b[o + 1] << 8); }
void put32(std::vector<unsigned char> &b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void put16(std::vector<unsigned char> &b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

} // namespace

Surface readBmp(const std::string &path) {
  // One read of the whole file, bounded: the largest picture is a few megabytes.
  const files::ReadResult read = files::readAtMost(path, kMaxPictureBytes);
  if (!read.status.ok()) throw StartupError("cannot open picture " + path);
  if (read.tooLarge) throw StartupError("bad picture " + path + ": larger than any picture");
  const std::vector<unsigned char> b(read.bytes.begin(), read.bytes.end());
  auto bad = [&](const char *why) { return StartupError("bad picture " + path + ": " + why); };
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') throw bad("not a BMP file");
  uint32_t offset = le32(b, 10);
  int32_t w = int32_t(le32(b, 18)), h = int32_t(le32(b, 22));
  if (le16(b, 28) != 24 || le32(b, 30) != 0) throw bad("not 24-bit uncompressed");
  bool topDown = h < 0;
  if (topDown) h = -h;
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384) throw bad("impossible size");
  size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  if (offset + stride * size_t(h) > b.size()) throw bad("truncated");
  Surface s(w, h);
  for (int y = 0; y < h; ++y) {
    const unsigned char *r = b.data() + offset + stride * size_t(topDown ? y : h - 1 - y);
    for (int x = 0; x < w; ++x) s.at(x, y) = rgbPixel(r[3 * size_t(x) + 2], r[3 * size_t(x) + 1], r[3 * size_t(x)]);
  }
  return s;
}

Status writeBmp(const std::string &path, const Surface &s) {
  size_t stride = (size_t(s.width()) * 3 + 3) & ~size_t(3);
  uint32_t dataSize = uint32_t(stride * size_t(s.height()));
  std::vector<unsigned char> b;
  b.reserve(54 + dataSize);
  b.push_back('B');
  b.push_back('M');
  put32(b, 54 + dataSize);
  put32(b, 0);
  put32(b, 54);
  put32(b, 40);
  put32(b, uint32_t(s.width()));
  put32(b, uint32_t(s.height()));
  put16(b, 1);
  put16(b, 24);
  put32(b, 0);
  put32(b, dataSize);
  put32(b, 3780); // 96 dpi
  put32(b, 3780);
  put32(b, 0);
  put32(b, 0);
  for (int y = s.height() - 1; y >= 0; --y) {
    size_t start = b.size();
    for (int x = 0; x < s.width(); ++x) {
      uint32_t p = s.at(x, y);
      b.push_back(uint8_t(p));
      b.push_back(uint8_t(p >> 8));
      b.push_back(uint8_t(p >> 16));
    }
    b.resize(start + stride, 0);
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
  return out ? Status() : Status::Failed("cannot write picture " + path);
}

} // namespace nad
