// Writes the game's BMP pictures as PNG for the browser's site: the same pixels in a
// sixteenth of the bytes. Built and run by the desktop build.
//   pack_pictures BMP_FOLDER PNG_FOLDER
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/bmp_file.h"
#include "replay/png_file.h"

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
      const nad::Status written =
          nad::replay::writePng(to / (entry.path().stem().string() + ".png"), nad::readBmp(entry.path().string()),
                                nad::replay::PngEffort::kSmall);
      if (!written.ok()) throw nad::StartupError(written.reason());
      ++count;
    }
    if (count == 0) throw nad::StartupError("no pictures in " + from.string());
  } catch (const std::exception &e) {
    std::fprintf(stderr, "pack_pictures: %s\n", e.what());
    return 1;
  }
  return 0;
}
