#include "replay/png_file.h"

#include <png.h>

#include <cstdint>
#include <vector>

namespace nad::replay {

std::string writePng(const std::filesystem::path &file, const Surface &image) {
  const int w = image.width(), h = image.height();
  std::vector<unsigned char> rgb;
  rgb.reserve(size_t(w) * size_t(h) * 3);
  for (int y = 0; y < h; ++y) {
    const uint32_t *row = image.row(y);
    for (int x = 0; x < w; ++x) {
      rgb.push_back(static_cast<unsigned char>(row[x] >> 16));
      rgb.push_back(static_cast<unsigned char>(row[x] >> 8));
      rgb.push_back(static_cast<unsigned char>(row[x]));
    }
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(w);
  png.height = png_uint_32(h);
  png.format = PNG_FORMAT_RGB;
  // Fast compression: the frames are large areas of flat colour, and a game has thousands.
  png.flags = PNG_IMAGE_FLAG_FAST;
  if (!png_image_write_to_file(&png, file.c_str(), 0, rgb.data(), 0, nullptr)) {
    std::string reason = "cannot write " + file.string() + ": " + png.message;
    png_image_free(&png);
    return reason;
  }
  return "";
}

} // namespace nad::replay
