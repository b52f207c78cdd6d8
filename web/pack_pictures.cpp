// Writes the game's BMP pictures as PNG for the browser's site: the same pixels in a tenth of
// the bytes. Built and run by the desktop build (the web build has no libpng).
//   pack_pictures BMP_FOLDER PNG_FOLDER
#include <png.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bmp_file.h"

namespace {

void writePng(const std::filesystem::path &file, const nad::Surface &image) {
  std::vector<unsigned char> rgb;
  rgb.reserve(size_t(image.width()) * size_t(image.height()) * 3);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const uint32_t p = image.at(x, y);
      rgb.insert(rgb.end(), {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                             static_cast<unsigned char>(p)});
    }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(image.width());
  png.height = png_uint_32(image.height());
  png.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&png, file.c_str(), 0, rgb.data(), 0, nullptr)) {
    std::string reason = "cannot write " + file.string() + ": " + png.message;
    png_image_free(&png);
    throw std::runtime_error(reason);
  }
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fputs("usage: pack_pictures BMP_FOLDER PNG_FOLDER\n", stderr);
    return 2;
  }
  try {
    const std::filesystem::path from = argv[1], to = argv[2];
    std::filesystem::create_directories(to);
    int count = 0;
    for (const auto &entry : std::filesystem::directory_iterator(from)) {
      if (entry.path().extension() != ".bmp") continue;
      writePng(to / (entry.path().stem().string() + ".png"), nad::readBmp(entry.path().string()));
      ++count;
    }
    if (count == 0) throw std::runtime_error("no pictures in " + from.string());
  } catch (const std::exception &e) {
    std::fprintf(stderr, "pack_pictures: %s\n", e.what());
    return 1;
  }
  return 0;
}
