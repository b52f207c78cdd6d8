#include "replay/png_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

// stb_image_write (header-only, Debian's libstb-dev) in every build. Its own deflate is several
// times slower than zlib's and its output larger, so a build that has zlib (NADILKA_PNG_ZLIB, the
// desktop's) hands it zlib; the WebAssembly build keeps stb's own.
#ifdef NADILKA_PNG_ZLIB
#include <zlib.h>

#include <cstdlib>
namespace {
unsigned char *zlibCompress(unsigned char *data, int length, int *outLength, int level) {
  uLongf size = compressBound(static_cast<uLong>(length));
  auto *out = static_cast<unsigned char *>(std::malloc(size)); // stb frees it with free()
  if (out && compress2(out, &size, data, static_cast<uLong>(length), level) != Z_OK) {
    std::free(out);
    out = nullptr;
  }
  *outLength = static_cast<int>(size);
  return out;
}
} // namespace
#define STBIW_ZLIB_COMPRESS zlibCompress
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace nad::replay {
namespace {

void append(void *context, void *data, int size) {
  auto *bytes = static_cast<std::vector<unsigned char> *>(context);
  bytes->insert(bytes->end(), static_cast<unsigned char *>(data), static_cast<unsigned char *>(data) + size);
}

} // namespace

Status writePng(const std::filesystem::path &file, const Surface &image, PngEffort effort) {
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
  stbi_write_png_compression_level = static_cast<int>(effort);
  // The game's pictures are areas of flat colour: rows left unfiltered compress best, and
  // quickest (measured on the site's pictures and on replay frames, docs/PERFORMANCE.md).
  stbi_write_force_png_filter = 0;
  std::vector<unsigned char> png;
  if (!stbi_write_png_to_func(append, &png, w, h, 3, rgb.data(), w * 3))
    return Status::Failed("cannot write " + file.string() + ": the picture could not be compressed");
  std::FILE *f = std::fopen(file.c_str(), "wb");
  if (!f) return Status::Failed("cannot write " + file.string() + ": " + errnoText(errno));
  const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  const int writeError = errno;
  if (std::fclose(f) != 0 || !written)
    return Status::Failed("cannot write " + file.string() + ": " + errnoText(written ? errno : writeError));
  return {};
}

} // namespace nad::replay
