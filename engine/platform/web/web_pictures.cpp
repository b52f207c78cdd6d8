#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/report.h"
#include "platform/web/web_backend.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_STATIC
#include <stb_image.h>

namespace nad {

constexpr std::size_t kMaxPngBytes = 16u << 20;

Surface readPngPicture(const std::filesystem::path &png) {
  // One read of the whole file (a stream read byte by byte costs tens of milliseconds in the
  // browser), bounded: the largest picture is a few hundred kilobytes.
  const files::ReadResult read = files::readAtMost(png, kMaxPngBytes);
  if (!read.status.ok()) throw StartupError("cannot read picture " + png.string() + ": " + read.status.reason());
  if (read.tooLarge) throw StartupError("cannot read picture " + png.string() + ": larger than any picture");
  int w = 0, h = 0, channels = 0;
  unsigned char *rgb = stbi_load_from_memory(reinterpret_cast<const unsigned char *>(read.bytes.data()),
                                             int(read.bytes.size()), &w, &h, &channels, 3);
  if (!rgb) throw StartupError("cannot read picture " + png.string() + ": " + stbi_failure_reason());
  Surface s(w, h);
  const unsigned char *p = rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x, p += 3) s.at(x, y) = rgbPixel(p[0], p[1], p[2]);
  stbi_image_free(rgb);
  return s;
}

} // namespace nad
