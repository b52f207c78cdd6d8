#include "platform/web/stb_text.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/atomic_file.h"
#include "platform/report.h"
#include "platform/utf8.h"

#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

namespace nad {

struct StbText::Face {
  std::vector<unsigned char> bytes;
  stbtt_fontinfo info{};
  float scale = 0;
  int ascent = 0, height = 0;
  std::vector<unsigned char> glyph; // one glyph's bitmap, reused
};

namespace {

constexpr std::size_t kMaxFontBytes = 32u << 20; // the Liberation faces are a few hundred kilobytes

// FreeType's rounding of font units to pixels at the font's scale, as SDL_ttf gets its metrics:
// the product in 1/64 pixels, rounded, then up to the next whole pixel.
int ceilPixels(int units, float scale) {
  const long v64 = std::lround(double(units) * double(scale) * 64.0);
  return int(v64 >= 0 ? (v64 + 63) / 64 : -((-v64) / 64));
}

// The next code point of UTF-8 text; a byte of an invalid sequence reads as U+FFFD.
int nextCodepoint(std::string_view s, size_t &i) {
  const utf8::Char c = utf8::decode(s, i);
  i += c.length;
  return int(c.code);
}

} // namespace

StbText::StbText(const std::filesystem::path &fontDir) {
  for (const FontFile &s : kFontFiles) {
    auto face = std::make_unique<Face>();
    const std::filesystem::path p = fontDir / s.file;
    // One read of the whole file: a stream read byte by byte costs tens of milliseconds in the
    // browser, before the first frame.
    const files::ReadResult read = files::readAtMost(p, kMaxFontBytes);
    face->bytes.assign(read.bytes.begin(), read.bytes.end());
    if (!read.status.ok() || read.tooLarge || face->bytes.empty() ||
        !stbtt_InitFont(&face->info, face->bytes.data(), 0))
      throw StartupError("cannot open font " + p.string());
    face->scale = stbtt_ScaleForMappingEmToPixels(&face->info, float(s.pixels));
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&face->info, &ascent, &descent, &gap);
    face->ascent = ceilPixels(ascent, face->scale);
    face->height = ceilPixels(ascent - descent, face->scale);
    faces_[size_t(s.font)] = std::move(face);
  }
}

StbText::~StbText() = default;

void StbText::layout(const Face &face, std::string_view utf8, Layout &out) const {
  out.codepoints.clear();
  out.pens.clear();
  out.minX = out.maxX = 0;
  int x = 0, previous = 0;
  for (size_t i = 0; i < utf8.size();) {
    const int cp = nextCodepoint(utf8, i);
    if (previous) x += int(std::lround(float(stbtt_GetCodepointKernAdvance(&face.info, previous, cp)) * face.scale));
    int advance = 0, bearing = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetCodepointHMetrics(&face.info, cp, &advance, &bearing);
    stbtt_GetCodepointBitmapBox(&face.info, cp, face.scale, face.scale, &x0, &y0, &x1, &y1);
    out.codepoints.push_back(cp);
    out.pens.push_back(x);
    if (x1 > x0) {
      out.minX = std::min(out.minX, x + x0);
      out.maxX = std::max(out.maxX, x + x1);
    }
    // A hinted advance is a whole number of pixels.
    x += int(std::lround(float(advance) * face.scale));
    out.maxX = std::max(out.maxX, x);
    previous = cp;
  }
}

int StbText::measure(Font font, std::string_view utf8) {
  layout(*faces_[size_t(font)], utf8, scratch_);
  return scratch_.maxX - scratch_.minX;
}

int StbText::lineHeight(Font font) { return faces_[size_t(font)]->height; }

void StbText::render(Font font, std::string_view utf8, TextImage &out) {
  Face &face = *faces_[size_t(font)];
  out.h = face.height;
  out.w = 0;
  out.coverage.clear();
  if (utf8.empty()) return;
  layout(face, utf8, scratch_);
  out.w = scratch_.maxX - scratch_.minX;
  out.coverage.assign(size_t(out.w) * size_t(out.h), 0);
  for (size_t g = 0; g < scratch_.codepoints.size(); ++g) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const int cp = scratch_.codepoints[g];
    stbtt_GetCodepointBitmapBox(&face.info, cp, face.scale, face.scale, &x0, &y0, &x1, &y1);
    const int gw = x1 - x0, gh = y1 - y0;
    if (gw <= 0 || gh <= 0) continue;
    face.glyph.assign(size_t(gw) * size_t(gh), 0);
    stbtt_MakeCodepointBitmap(&face.info, face.glyph.data(), gw, gh, gw, face.scale, face.scale, cp);
    const int left = scratch_.pens[g] + x0 - scratch_.minX, top = face.ascent + y0;
    for (int y = 0; y < gh; ++y) {
      const int ty = top + y;
      if (ty < 0 || ty >= out.h) continue;
      for (int x = 0; x < gw; ++x) {
        const int tx = left + x;
        if (tx < 0 || tx >= out.w) continue;
        uint8_t &dst = out.coverage[size_t(ty) * size_t(out.w) + size_t(tx)];
        dst = std::max(dst, face.glyph[size_t(y) * size_t(gw) + size_t(x)]);
      }
    }
  }
}

} // namespace nad
