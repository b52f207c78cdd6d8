// Composition of the play field from the real pictures: the houses, the team, the gifts and
// the stars, checked pixel by pixel against the source pictures.
#include "harness.h"

#include "render/draw_frame.h"

namespace nad::test {
namespace {

const Surface &field(Game &g) { return g.sc.pixels(pic); }

bool matchesAt(const Surface &dst, const Surface &sprite, int x, int y) {
  for (int sy = 0; sy < sprite.height(); ++sy)
    for (int sx = 0; sx < sprite.width(); ++sx)
      if (!dst.contains(x + sx, y + sy) || dst.at(x + sx, y + sy) != sprite.at(sx, sy)) return false;
  return true;
}

// Every x at which the whole sprite shows on row y of the field.
std::vector<int> findOnRow(const Surface &dst, const Surface &sprite, int y) {
  std::vector<int> xs;
  for (int x = 0; x + sprite.width() <= dst.width(); ++x)
    if (matchesAt(dst, sprite, x, y)) xs.push_back(x);
  return xs;
}

// What a masked sprite must leave: the mask ANDed in, then the colours ORed in, clipped.
void applyMasked(Surface &dst, const Surface &mask, const Surface &sprite, int x, int y) {
  for (int sy = 0; sy < sprite.height(); ++sy)
    for (int sx = 0; sx < sprite.width(); ++sx)
      if (dst.contains(x + sx, y + sy)) dst.at(x + sx, y + sy) &= mask.at(sx, sy);
  for (int sy = 0; sy < sprite.height(); ++sy)
    for (int sx = 0; sx < sprite.width(); ++sx)
      if (dst.contains(x + sx, y + sy)) dst.at(x + sx, y + sy) |= sprite.at(sx, sy);
}

// Counts differing pixels, so a failure says how much is wrong rather than where first.
int differences(const Surface &a, const Surface &b) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.at(x, y) != b.at(x, y);
  return n;
}

void parkStars(GameState &s) {
  for (int k = 0; k <= 8; ++k) s.starX[k] = -100, s.starY[k] = 0;
}

// --- The house strip ----------------------------------------------------------------------

TEST(RenderHouses, StripWindowFollowsTheRoundedScrollAndLeavesTheRestSky) {
  struct Case {
    double scroll;
    int firstColumn; // strip column shown at x = 0 (negative: sky first)
  } cases[] = {{0, 0}, {100.5, 100}, {101.5, 102}, {-100, -100}, {2900, 2900}, {-640, -640}, {2266.5, 2266}};
  for (const Case &c : cases) {
    Game g;
    g.s.houseScroll = c.scroll;
    DrawFrame(g.f);
    const Surface &f = field(g), &strip = g.sc.pixels(barak);
    ASSERT_EQ(strip.width(), 2907);
    int wrong = 0, sky = 0, houses = 0;
    for (int y = 300; y < f.height(); ++y)
      for (int x = 0; x < f.width(); ++x) {
        int col = c.firstColumn + x;
        bool fromStrip = x < 640 && col >= 0 && col < strip.width();
        uint32_t want = fromStrip ? strip.at(col, y - 300) : kNightSky;
        wrong += f.at(x, y) != want;
        (fromStrip ? houses : sky) += x < 640;
      }
    EXPECT_EQ(wrong, 0) << "scroll " << c.scroll;
    // The counts show the case means what it says: 2900 leaves 7 strip columns, -100 100 of sky.
    if (c.scroll == 2900) {
      EXPECT_EQ(houses, 7 * 183);
    } else if (c.scroll == -100) {
      EXPECT_EQ(sky, 100 * 183);
    } else if (c.scroll == -640) {
      EXPECT_EQ(houses, 0);
    }
  }
}

TEST(RenderHouses, EachFrameStartsFromTheSky) {
  Game g;
  g.sc.image(pic).fillRect(0, 0, 643, 483, rgbPixel(255, 0, 0)); // left over from elsewhere
  g.s.giftActive[0] = true, g.s.giftX[0] = 300, g.s.giftY[0] = 200;
  DrawFrame(g.f);
  g.s.giftActive[0] = false;
  DrawFrame(g.f);
  Game fresh;
  DrawFrame(fresh.f);
  DrawFrame(fresh.f);
  EXPECT_EQ(differences(field(g), field(fresh)), 0) << "nothing of an earlier frame remains";
  EXPECT_EQ(field(g).colorAt(642, 482), colorValue(0, 40, 111));
}

// --- The team -----------------------------------------------------------------------------

TEST(RenderTeam, ReindeerAndSleighSitAtTheirOffsetsAndOlderHeights) {
  for (double teamX : {100.0, 100.5}) {
    Game g;
    GameState &s = g.s;
    parkStars(s);
    s.teamX = teamX;
    // Heights far enough apart that no figure covers another.
    s.trailY[15] = 50.5; // the sleigh: 45.5, then rounded to 46
    s.trailY[12] = 100;
    s.trailY[10] = 150;
    s.trailY[5] = 200.5; // rounds to 200
    s.trailY[1] = 251.5; // rounds to 252
    DrawFrame(g.f);
    const Surface &f = field(g);
    auto at = [&](Id id, int y) { return findOnRow(f, g.sc.pixels(id), y); };
    using V = std::vector<int>;
    // First DrawFrame of the program: the animation only arms its toggle, frames 2, 4, 8.
    EXPECT_EQ(at(santa, 46), V{40}) << teamX;
    EXPECT_EQ(at(sob(2), 100), V{116}) << teamX;
    EXPECT_EQ(at(sob(2), 150), V{174}) << teamX;
    EXPECT_EQ(at(sob(4), 200), V{232}) << teamX;
    EXPECT_EQ(at(sobspecial(8), 252), V{286}) << "the lead has the red nose";
    EXPECT_EQ(at(sob(8), 252), V{}) << "and not the plain picture";
  }
}

TEST(RenderTeam, AnimationAdvancesOnEverySecondFrameAndWrapsOnlyAtTen) {
  Game g;
  GameState &s = g.s;
  ASSERT_FALSE(s.deerStepToggle);
  using F = std::array<int, 5>;
  DrawFrame(g.f);
  EXPECT_EQ(s.deerFrame, (F{0, 2, 4, 8, 10})) << "the first frame only arms the toggle";
  EXPECT_TRUE(s.deerStepToggle);
  DrawFrame(g.f);
  EXPECT_EQ(s.deerFrame, (F{0, 3, 5, 9, 11}));
  EXPECT_FALSE(s.deerStepToggle);
  DrawFrame(g.f);
  DrawFrame(g.f);
  EXPECT_EQ(s.deerFrame, (F{0, 4, 6, 0, 12})) << "9 wraps to 0; element 4 counts on past 10";
  for (int i = 0; i < 12; ++i) DrawFrame(g.f);
  EXPECT_EQ(s.deerFrame, (F{0, 0, 2, 6, 18})) << "the drawn elements stay inside 0..9";

  // The drawn pictures follow the counters, the lead from its own set.
  parkStars(s);
  s.trailY[12] = 100, s.trailY[10] = 150, s.trailY[5] = 200, s.trailY[1] = 250, s.trailY[15] = 30;
  s.deerStepToggle = true;
  s.deerFrame = {0, 9, 6, 9, 10};
  DrawFrame(g.f);
  ASSERT_EQ(s.deerFrame, (F{0, 0, 7, 0, 11}));
  const Surface &f = field(g);
  EXPECT_TRUE(matchesAt(f, g.sc.pixels(sob(0)), 116, 100));
  EXPECT_TRUE(matchesAt(f, g.sc.pixels(sob(0)), 174, 150));
  EXPECT_TRUE(matchesAt(f, g.sc.pixels(sob(7)), 232, 200));
  EXPECT_TRUE(matchesAt(f, g.sc.pixels(sobspecial(0)), 286, 250));
}

TEST(RenderTeam, LaterReindeerCoverTheFrontOfEarlierOnes) {
  Game g;
  parkStars(g.s);
  DrawFrame(g.f); // all at height 100, teamX 100
  const Surface &f = field(g);
  const Surface &rear = g.sc.pixels(sob(2)), &third = g.sc.pixels(sob(4)), &lead = g.sc.pixels(sobspecial(8));
  // The rear reindeer shows only its first 58 columns, the second is covered by the third.
  auto columnsShown = [&](const Surface &sprite, int x) {
    int n = 0;
    while (n < sprite.width()) {
      bool same = true;
      for (int y = 0; y < sprite.height(); ++y) same &= f.at(x + n, 100 + y) == sprite.at(n, y);
      if (!same) break;
      ++n;
    }
    return n;
  };
  EXPECT_GE(columnsShown(rear, 116), 58);
  EXPECT_GE(columnsShown(rear, 174), 58);
  EXPECT_GE(columnsShown(third, 232), 54);
  EXPECT_EQ(columnsShown(lead, 286), 70);
  EXPECT_TRUE(matchesAt(f, g.sc.pixels(santa), 40, 95));
}

// --- Gifts and stars ----------------------------------------------------------------------

TEST(RenderSprites, AGiftIsItsMaskThenItsPictureAtItsRoundedPositionBehindTheTeam) {
  struct Case {
    int slot;
    double x, y;
    int drawX, drawY;
  } cases[] = {
      {3, 400.4, 210.6, 400, 211},
      {0, 402.5, 220.5, 402, 220},
      {5, -6, 475, -6, 475},   // clipped at the left and the bottom
      {2, 635, -7.5, 635, -8}, // clipped at the right and the top
  };
  for (const Case &c : cases) {
    Game g, h; // both on their first frame, so the team looks the same
    DrawFrame(g.f);
    h.s.giftActive[c.slot] = true;
    h.s.giftX[c.slot] = c.x;
    h.s.giftY[c.slot] = c.y;
    DrawFrame(h.f);
    Surface expected;
    expected.copyFrom(field(g));
    applyMasked(expected, g.sc.pixels(darek(11 - c.slot)), g.sc.pixels(darek(c.slot)), c.drawX, c.drawY);
    ASSERT_GT(differences(expected, field(g)), 0) << "the gift shows at all";
    EXPECT_EQ(differences(expected, field(h)), 0) << "slot " << c.slot;
  }

  // A gift under the lead reindeer is hidden by it.
  Game g, h;
  h.s.giftActive[1] = true, h.s.giftX[1] = 300, h.s.giftY[1] = 110;
  DrawFrame(g.f);
  DrawFrame(h.f);
  EXPECT_EQ(differences(field(g), field(h)), 0);
}

TEST(RenderSprites, InactiveSlotsDrawNothingAndAHigherSlotLiesOnTop) {
  Game g, h;
  for (int i = 0; i <= 5; ++i) h.s.giftX[i] = 300, h.s.giftY[i] = 200; // stale positions
  DrawFrame(g.f);
  DrawFrame(h.f);
  EXPECT_EQ(differences(field(g), field(h)), 0);

  Game both;
  both.s.giftActive[1] = both.s.giftActive[4] = true;
  both.s.giftX[1] = 300, both.s.giftY[1] = 200;
  both.s.giftX[4] = 305, both.s.giftY[4] = 204;
  DrawFrame(both.f);
  Surface expected;
  expected.copyFrom(field(g));
  applyMasked(expected, g.sc.pixels(darek(10)), g.sc.pixels(darek(1)), 300, 200);
  applyMasked(expected, g.sc.pixels(darek(7)), g.sc.pixels(darek(4)), 305, 204);
  EXPECT_EQ(differences(expected, field(both)), 0);
}

TEST(RenderSprites, StarsMixByOrWhereTheyOverlapAndLieInFrontOfTheTeam) {
  Game g;
  parkStars(g.s);
  DrawFrame(g.f);
  Surface background;
  background.copyFrom(field(g));

  struct Case {
    const char *what;
    std::vector<int> stars; // all placed at (x, y)
    int x, y;
  } cases[] = {
      {"green and violet on the sky", {0, 3}, 420, 40}, {"gold and green", {1, 8}, 420, 40},
      {"gold over the lead reindeer", {6}, 300, 110},   {"violet over the sleigh", {5}, 50, 100},
      {"a star cut at the corner", {2, 7}, 636, 475},
  };
  // Colour picture per star: 0, 2 and 8 green, 3, 5 and 7 violet, 1, 4 and 6 gold.
  const int colour[9] = {0, 2, 0, 1, 2, 1, 2, 1, 0};
  for (const Case &c : cases) {
    Game h;
    parkStars(h.s);
    for (int k : c.stars) h.s.starX[k] = c.x, h.s.starY[k] = c.y;
    DrawFrame(h.f);
    Surface expected;
    expected.copyFrom(background);
    // All masks first, then all colours: overlapping stars do not cut into each other.
    const Surface none(17, 15, 0);
    for (int k : c.stars) applyMasked(expected, g.sc.pixels(star(5 - colour[k])), none, c.x, c.y);
    for (int k : c.stars) applyMasked(expected, Surface(17, 15, 0xFFFFFFFFu), g.sc.pixels(star(colour[k])), c.x, c.y);
    EXPECT_EQ(differences(expected, field(h)), 0) << c.what;
  }
}

} // namespace
} // namespace nad::test
