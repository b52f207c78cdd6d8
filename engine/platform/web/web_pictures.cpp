#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bmp_file.h"
#include "platform/report.h"
#include "platform/web/web_backend.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_STATIC
#include <stb_image.h>

namespace nad {

void UnpackPictures(const std::filesystem::path &pngFolder, const std::filesystem::path &bmpFolder) {
  std::error_code ec;
  std::filesystem::create_directories(bmpFolder, ec);
  for (const auto &entry : std::filesystem::directory_iterator(pngFolder, ec)) {
    const std::filesystem::path &png = entry.path();
    if (png.extension() != ".png") continue;
    std::ifstream in(png, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int w = 0, h = 0, channels = 0;
    unsigned char *rgb = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &channels, 3);
    if (!rgb) throw StartupError("cannot read picture " + png.string() + ": " + stbi_failure_reason());
    Surface s(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const unsigned char *p = rgb + (size_t(y) * size_t(w) + size_t(x)) * 3;
        s.at(x, y) = rgbPixel(p[0], p[1], p[2]);
      }
    stbi_image_free(rgb);
    writeBmp((bmpFolder / png.stem()).string() + ".bmp", s);
  }
  if (ec) throw StartupError("cannot read the pictures in " + pngFolder.string() + ": " + ec.message());
}

} // namespace nad
