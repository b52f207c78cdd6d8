#include "replay/png_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace nad::replay {
namespace {

void put32(std::vector<unsigned char> &out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

void chunk(std::vector<unsigned char> &out, const char type[4], const unsigned char *data, size_t size) {
  put32(out, uint32_t(size));
  size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + size);
  // The checksum covers the type and the data, not the length.
  uLong crc = crc32(0L, out.data() + typeAt, uInt(4 + size));
  put32(out, uint32_t(crc));
}

} // namespace

std::string writePng(const std::filesystem::path &file, const Surface &image) {
  const int w = image.width(), h = image.height();
  // Each row: filter type 0 (none), then R G B per pixel.
  std::vector<unsigned char> raw;
  raw.reserve(size_t(h) * (1 + size_t(w) * 3));
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    const uint32_t *row = image.row(y);
    for (int x = 0; x < w; ++x) {
      raw.push_back(static_cast<unsigned char>(row[x] >> 16));
      raw.push_back(static_cast<unsigned char>(row[x] >> 8));
      raw.push_back(static_cast<unsigned char>(row[x]));
    }
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  // The fastest level: the frames are large areas of flat colour, and a game has thousands.
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 1) != Z_OK)
    return "zlib could not compress the image";

  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> header;
  put32(header, uint32_t(w));
  put32(header, uint32_t(h));
  header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, adaptive filters, no interlace
  chunk(png, "IHDR", header.data(), header.size());
  chunk(png, "IDAT", packed.data(), packedSize);
  chunk(png, "IEND", nullptr, 0);

  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(png.data()), std::streamsize(png.size()));
  out.close();
  if (!out) return "cannot write " + file.string() + ": " + std::strerror(errno);
  return "";
}

} // namespace nad::replay
