// The two link banners in the frame at the top right, followed frame by frame through a game.
#include "harness.h"

#include <set>

#include "input/keyboard.h"
#include "world/update_world.h"

namespace nad::test {
namespace {

struct Pos {
  float l1Left, l1Top, l2Left, l2Top;
  bool operator==(const Pos &) const = default;
};
std::ostream &operator<<(std::ostream &o, const Pos &p) {
  return o << "l1(" << p.l1Left << "," << p.l1Top << ") l2(" << p.l2Left << "," << p.l2Top << ")";
}

struct Frame {
  Pos pos;
  BannerPhase phase;
};

Pos positions(const Game &g) { return {g.sc[l1].left, g.sc[l1].top, g.sc[l2].left, g.sc[l2].top}; }

void recordFrames(Game &g, std::vector<Frame> &out) {
  // Nothing moves the banners between UpdateWorld and this hook, so the phase seen here is the
  // one the frame's step used.
  g.log.afterUpdate = [&g, &out] { out.push_back({positions(g), g.s.bannerPhase}); };
}

constexpr Pos kL2Shown{0, 73, 0, 0};  // l2 fills the frame, l1 waits below it
constexpr Pos kL1Shown{0, 0, 240, 0}; // l1 fills the frame, l2 waits to the right

TEST(Banner, AFullCycleThroughTheFirstFortySecondsOfAGame) {
  Game g;
  std::vector<Frame> frames;
  recordFrames(g, frames);
  g.clickOn(0, Image1);
  g.hp.press(41500, key::Escape);
  g.run();
  ASSERT_GT(frames.size(), 1500u);

  // Unset behaves as "2": the first frame already places l2 and parks l1.
  ASSERT_EQ(frames[0].phase, BannerPhase::Unset);
  size_t i = 0;
  for (; i < frames.size() && frames[i].phase == BannerPhase::Unset; ++i) ASSERT_EQ(frames[i].pos, kL2Shown) << i;
  EXPECT_GT(i, 900u) << "l2 shows for the first 20 seconds";

  // Phase "1": l1 rises 2 pixels a frame from 73 to -1, pushing l2 up from 0 to -74.
  ASSERT_EQ(frames[i].phase, BannerPhase::One);
  for (int k = 1; k <= 37; ++k, ++i) {
    ASSERT_EQ(frames[i].phase, BannerPhase::One);
    ASSERT_EQ(frames[i].pos, (Pos{0, float(73 - 2 * k), 0, float(-2 * k)})) << "slide frame " << k;
  }
  EXPECT_EQ(frames[i - 1].pos.l1Top, -1) << "the vertical slide overshoots by one pixel";
  for (; frames[i].phase == BannerPhase::One; ++i) ASSERT_EQ(frames[i].pos, kL1Shown) << i;

  // Phase "2": l2 comes in from the right 5 pixels a frame and pushes l1 out to the left.
  for (int k = 1; k <= 48; ++k, ++i) {
    ASSERT_EQ(frames[i].phase, BannerPhase::Two);
    ASSERT_EQ(frames[i].pos, (Pos{float(-5 * k), 0, float(240 - 5 * k), 0})) << "slide frame " << k;
  }
  for (; i < frames.size(); ++i) {
    ASSERT_EQ(frames[i].phase, BannerPhase::Two);
    ASSERT_EQ(frames[i].pos, kL2Shown) << i;
  }
}

// Timer3 switched by hand after given frames, to land a switch in the middle of a slide.
struct SwitchCase {
  const char *name;
  std::set<int> switchAfter;             // frame numbers, 1-based
  std::vector<std::pair<int, Pos>> want; // positions after these frames
};

TEST(Banner, APhaseSwitchMidSlideContinuesFromWhereTheBannersAre) {
  const SwitchCase cases[] = {
      {"back to 2 while l1 rises: l2 is home already, so l1 is parked at once",
       {5, 15, 16},
       {{15, {0, 53, 0, -20}}, {16, kL2Shown}, {17, {0, 71, 0, -2}}}},
      {"back to 1 while l2 comes in: l1 is at the top already, so l2 is parked and l1 stays aside",
       {5, 50, 60, 61},
       {{43, kL1Shown}, {60, {-50, 0, 190, 0}}, {61, {-50, 0, 240, 0}}, {62, {-55, 0, 235, 0}}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Game g;
    std::vector<Pos> after{Pos{}}; // index = frame number
    g.log.afterUpdate = [&] {
      after.push_back(positions(g));
      if (c.switchAfter.count(int(after.size() - 1))) Timer3_Timer(g.f);
      if (after.size() > 70) g.s.gameRunning = false;
    };
    g.clickOn(0, Image1);
    g.run();
    for (const auto &[frame, pos] : c.want) EXPECT_EQ(after.at(size_t(frame)), pos) << "after frame " << frame;
  }
}

TEST(Banner, BannersRestBetweenGamesAndTheNextGameGoesOnFromThere) {
  Game g;
  std::vector<Frame> frames;
  recordFrames(g, frames);
  g.clickOn(0, Image1);
  g.hp.press(20300, key::Escape); // the rise of l1 is under way
  g.run();
  ASSERT_EQ(frames.back().phase, BannerPhase::One);
  const Pos left = positions(g);
  ASSERT_GT(left.l1Top, 0);
  ASSERT_LT(left.l1Top, 73);

  g.hp.idleUntil(30000); // the menu's background: Timer3 keeps ticking, nothing slides
  g.run();
  EXPECT_EQ(positions(g), left);
  EXPECT_EQ(g.s.bannerPhase, BannerPhase::One);

  frames.clear();
  g.clickOn(31000, Image1);
  g.hp.press(31100, key::Escape);
  g.run();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames[0].pos, (Pos{0, left.l1Top - 2, 0, left.l2Top - 2}));
}

TEST(Banner, NothingMovesTheBannersBeforeTheFirstGame) {
  Game g;
  const Pos design = positions(g);
  EXPECT_EQ(design, (Pos{0, 48, 0, -32}));
  g.hp.idleUntil(45000);
  g.clickOn(45000, Image4);
  g.run();
  EXPECT_EQ(positions(g), design);
  EXPECT_EQ(g.s.bannerPhase, BannerPhase::Unset) << "Timer3 waits for the first game";
}

} // namespace
} // namespace nad::test
