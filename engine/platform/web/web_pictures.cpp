#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/report.h"
#include "platform/web/web_backend.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_STATIC
#include <stb_image.h>

namespace nad {

Surface readPngPicture(const std::filesystem::path &png) {
  std::ifstream in(png, std::ios::binary);
  if (!in) throw StartupError("cannot read picture " + png.string() + ": no such file");
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int w = 0, h = 0, channels = 0;
  unsigned char *rgb = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &channels, 3);
  if (!rgb) throw StartupError("cannot read picture " + png.string() + ": " + stbi_failure_reason());
  Surface s(w, h);
  const unsigned char *p = rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x, p += 3) s.at(x, y) = rgbPixel(p[0], p[1], p[2]);
  stbi_image_free(rgb);
  return s;
}

} // namespace nad
