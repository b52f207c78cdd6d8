// The generated pictures keep the conventions the renderer and the world update rely on:
// sizes, background colours, exact masks, plain areas under game-drawn text, and the
// chimney key of the house strip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/bmp_file.h"

namespace {

constexpr uint32_t kSky = 0x00286F;         // (0, 40, 111)
constexpr uint32_t kReindeerSky = 0x002B6D; // (0, 43, 109)
constexpr uint32_t kChimneyKey = 0x101710;  // (16, 23, 16)
constexpr uint32_t kWhite = 0xFFFFFF;

const nad::Surface &picture(const std::string &name) {
  static std::map<std::string, nad::Surface> cache;
  auto it = cache.find(name);
  if (it == cache.end())
    it = cache.emplace(name, nad::readBmp(std::string(NADILKA_GAME_DIR "/pictures/") + name + ".bmp")).first;
  return it->second;
}

std::string numbered(const char *stem, int i) { return stem + std::to_string(i); }

struct Size {
  std::string name;
  int w, h;
};

std::vector<Size> allPictures() {
  std::vector<Size> v = {{"menu", 640, 480},   {"info", 640, 165}, {"Picture2", 467, 403}, {"Picture1", 429, 269},
                         {"logo", 240, 73},    {"l1", 240, 73},    {"l2", 240, 73},        {"pic", 643, 483},
                         {"barak", 2907, 209}, {"santa", 65, 38}};
  for (int i = 0; i < 10; ++i) {
    v.push_back({numbered("sob", i), 70, 40});
    v.push_back({numbered("sobspecial", i), 70, 40});
  }
  for (int i = 0; i < 12; ++i) v.push_back({numbered("darek", i), 15, 15});
  for (int i = 0; i < 6; ++i) v.push_back({numbered("star", i), 17, 15});
  return v;
}

TEST(Artwork, AllFortyEightPicturesHaveTheirSizes) {
  const auto all = allPictures();
  ASSERT_EQ(all.size(), 48u);
  for (const Size &s : all) {
    SCOPED_TRACE(s.name);
    const nad::Surface &p = picture(s.name);
    EXPECT_EQ(p.width(), s.w);
    EXPECT_EQ(p.height(), s.h);
  }
}

TEST(Artwork, OpaquePicturesHaveTheirBackgroundInEveryCorner) {
  std::vector<std::pair<std::string, uint32_t>> cases = {{"menu", kSky},     {"info", kSky}, {"Picture2", kSky},
                                                         {"Picture1", kSky}, {"logo", kSky}, {"l1", kSky},
                                                         {"l2", kSky},       {"pic", kSky},  {"santa", kSky}};
  for (int i = 0; i < 10; ++i) {
    cases.push_back({numbered("sob", i), kReindeerSky});
    cases.push_back({numbered("sobspecial", i), kReindeerSky});
  }
  for (const auto &[name, bg] : cases) {
    SCOPED_TRACE(name);
    const nad::Surface &p = picture(name);
    const int r = p.width() - 1, b = p.height() - 1;
    EXPECT_EQ(p.at(0, 0), bg);
    EXPECT_EQ(p.at(r, 0), bg);
    EXPECT_EQ(p.at(0, b), bg);
    EXPECT_EQ(p.at(r, b), bg);
  }
}

// Rectangles (inclusive) where the game draws over the picture, or that must stay
// empty for another reason: nothing but sky may be there.
TEST(Artwork, AreasUnderGameDrawnContentArePlainSky) {
  const struct {
    std::string name;
    int x0, y0, x1, y1;
  } cases[] = {
      {"pic", 0, 0, 642, 482},          // the play field is reset to this every frame
      {"logo", 0, 0, 239, 72},          // the banner frame's background
      {"menu", 584, 0, 639, 14},        // the music switch label
      {"Picture2", 103, 88, 361, 257},  // the high-score rows
      {"Picture1", 136, 128, 297, 147}, // the name text box
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    const nad::Surface &p = picture(c.name);
    int off = 0;
    for (int y = c.y0; y <= c.y1; ++y)
      for (int x = c.x0; x <= c.x1; ++x) off += p.at(x, y) != kSky;
    EXPECT_EQ(off, 0);
  }
}

// Words that act as buttons must be under their click areas.
TEST(Artwork, ClickableWordsLieInsideTheirClickAreas) {
  const struct {
    std::string name;
    int x0, y0, x1, y1;
    bool red;
  } cases[] = {
      {"menu", 232, 234, 408, 256, false},     {"menu", 224, 269, 416, 294, false},
      {"menu", 224, 307, 416, 338, false},     {"menu", 248, 352, 392, 372, false},
      {"info", 552, 0, 639, 32, true},         {"Picture2", 376, 368, 464, 392, true},
      {"Picture1", 128, 216, 272, 264, false}, {"menu", 8, 400, 224, 479, false},
      {"menu", 376, 416, 639, 472, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name + " at " + std::to_string(c.x0) + "," + std::to_string(c.y0));
    const nad::Surface &p = picture(c.name);
    int marked = 0;
    for (int y = c.y0; y <= c.y1; ++y)
      for (int x = c.x0; x <= c.x1; ++x) {
        uint32_t v = p.at(x, y);
        int r = int(v >> 16), g = int(v >> 8 & 0xFF), b = int(v & 0xFF);
        marked += c.red ? (r > 200 && g < 90 && b < 90) : v != kSky;
      }
    EXPECT_GT(marked, 20);
  }
  // The menu entries' lettering stays within its rows: the rows between entries,
  // across the column of the entries, are empty sky.
  const nad::Surface &menu = picture("menu");
  for (auto [y0, y1] : {std::pair{257, 268}, {295, 306}, {339, 351}}) {
    SCOPED_TRACE("gap rows " + std::to_string(y0));
    int off = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = 224; x <= 416; ++x) off += menu.at(x, y) != kSky;
    EXPECT_EQ(off, 0);
  }
}

TEST(Artwork, EveryMaskIsTheExactComplementOfItsSprite) {
  std::vector<std::pair<std::string, std::string>> pairs;
  pairs.reserve(9);
  for (int i = 0; i < 6; ++i) pairs.push_back({numbered("darek", i), numbered("darek", 11 - i)});
  for (int j = 0; j < 3; ++j) pairs.push_back({numbered("star", j), numbered("star", 5 - j)});
  for (const auto &[spriteName, maskName] : pairs) {
    SCOPED_TRACE(std::string(spriteName).append(" / ").append(maskName));
    const nad::Surface &sprite = picture(spriteName), &mask = picture(maskName);
    ASSERT_EQ(sprite.width(), mask.width());
    ASSERT_EQ(sprite.height(), mask.height());
    int shape = 0, wrong = 0;
    for (int y = 0; y < sprite.height(); ++y)
      for (int x = 0; x < sprite.width(); ++x) {
        bool inShape = sprite.at(x, y) != 0;
        shape += inShape;
        wrong += mask.at(x, y) != (inShape ? 0u : kWhite);
      }
    EXPECT_EQ(wrong, 0);
    // A real shape with a real surround, not an empty or full square.
    EXPECT_GT(shape, 60);
    EXPECT_LT(shape, sprite.width() * sprite.height() - 20);
  }
}

TEST(Artwork, StarsShareOneShapeAndGiftsDiffer) {
  for (int j : {4, 5}) {
    const nad::Surface &a = picture("star3"), &b = picture(numbered("star", j));
    int diff = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) diff += a.at(x, y) != b.at(x, y);
    EXPECT_EQ(diff, 0) << "star" << j;
  }
  for (int i = 0; i < 6; ++i)
    for (int k = i + 1; k < 6; ++k) {
      const nad::Surface &a = picture(numbered("darek", i)), &b = picture(numbered("darek", k));
      int diff = 0;
      for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x) diff += a.at(x, y) != b.at(x, y);
      EXPECT_GT(diff, 30) << "darek" << i << " and darek" << k << " look alike";
    }
}

TEST(Artwork, LeadReindeerDiffersOnlyByItsRedNose) {
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    const nad::Surface &plain = picture(numbered("sob", i)), &lead = picture(numbered("sobspecial", i));
    int nose = 0, other = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 70; ++x) {
        if (plain.at(x, y) == lead.at(x, y)) continue;
        uint32_t v = lead.at(x, y);
        int r = int(v >> 16), g = int(v >> 8 & 0xFF), b = int(v & 0xFF);
        (r >= 180 && 2 * g <= r && 2 * b <= r ? nose : other)++;
      }
    EXPECT_GE(nose, 8);
    EXPECT_EQ(other, 0);
    // Consecutive frames differ: the run cycle actually moves.
    const nad::Surface &next = picture(numbered("sob", (i + 1) % 10));
    int moved = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 70; ++x) moved += plain.at(x, y) != next.at(x, y);
    EXPECT_GT(moved, 40);
  }
}

struct Patch {
  int x0, y0, x1, y1, pixels;
};

// 4-connected patches of the chimney key, leaving out the key sample at (0, 0).
std::vector<Patch> chimneyPatches(const nad::Surface &s) {
  std::vector<char> seen(size_t(s.width()) * size_t(s.height()), 0);
  std::vector<Patch> patches;
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      if ((x == 0 && y == 0) || s.at(x, y) != kChimneyKey || seen[size_t(y) * size_t(s.width()) + size_t(x)]) continue;
      Patch p{x, y, x, y, 0};
      stack.push_back({x, y});
      seen[size_t(y) * size_t(s.width()) + size_t(x)] = 1;
      while (!stack.empty()) {
        auto [cx, cy] = stack.back();
        stack.pop_back();
        ++p.pixels;
        p.x0 = std::min(p.x0, cx), p.x1 = std::max(p.x1, cx);
        p.y0 = std::min(p.y0, cy), p.y1 = std::max(p.y1, cy);
        for (auto [nx, ny] : {std::pair{cx + 1, cy}, {cx - 1, cy}, {cx, cy + 1}, {cx, cy - 1}}) {
          if (!s.contains(nx, ny) || (nx == 0 && ny == 0)) continue;
          size_t k = size_t(ny) * size_t(s.width()) + size_t(nx);
          if (!seen[k] && s.at(nx, ny) == kChimneyKey) {
            seen[k] = 1;
            stack.push_back({nx, ny});
          }
        }
      }
      patches.push_back(p);
    }
  return patches;
}

TEST(Artwork, HouseStripCarriesTheChimneyKeyOnlyInItsChimneys) {
  const nad::Surface &strip = picture("barak");
  EXPECT_EQ(strip.at(0, 0), kChimneyKey);
  EXPECT_EQ(strip.at(1, 0), kSky);
  EXPECT_EQ(strip.at(strip.width() - 1, 0), kSky);
  const std::vector<Patch> patches = chimneyPatches(strip);
  ASSERT_EQ(patches.size(), 21u);
  for (const Patch &p : patches) {
    SCOPED_TRACE("chimney at x " + std::to_string(p.x0));
    EXPECT_GE(p.x0, 136);
    EXPECT_LE(p.x1, 2843);
    EXPECT_GE(p.y0, 28);
    EXPECT_LE(p.y1, 141);
    // Wide and tall enough that a falling 15-pixel gift is caught fairly.
    EXPECT_GE(p.x1 - p.x0 + 1, 14);
    EXPECT_LE(p.x1 - p.x0 + 1, 20);
    EXPECT_GE(p.y1 - p.y0 + 1, 12);
    // Solid across its top rows, so the catch does not depend on a lucky column.
    for (int x = p.x0; x <= p.x1; ++x)
      for (int y = p.y0; y < p.y0 + 12; ++y) EXPECT_EQ(strip.at(x, y), kChimneyKey) << x << "," << y;
  }
  // Below the houses lies snow, never sky: the visible ground is rows 150 to 182.
  for (int x = 0; x < strip.width(); x += 97) EXPECT_NE(strip.at(x, 175), kSky) << x;
}

} // namespace
