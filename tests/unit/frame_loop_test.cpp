// The paced frame loop on the virtual clock.
#include "harness.h"

#include "input/keyboard.h"

namespace nad::test {
namespace {

std::vector<int64_t> gaps(const std::vector<int64_t> &t) {
  std::vector<int64_t> g;
  for (size_t i = 1; i < t.size(); ++i) g.push_back(t[i] - t[i - 1]);
  return g;
}

TEST(FrameLoop, FrameStartsLieAtLeastLoopBrakePlusOneApart) {
  for (int brake : {20, 1, 7}) {
    Game g;
    g.hp.idleUntil(100); // first game of the program: nextTick is still 0
    g.clickOn(100, Image1);
    g.log.afterUpdate = [&] {
      g.s.loopBrake = brake; // as if set by the keypad before the game
      if (g.log.starts.size() == 50) g.s.gameRunning = false;
    };
    g.run();
    ASSERT_EQ(g.log.starts.size(), 50u);
    EXPECT_EQ(g.log.starts[0], 100) << "the first pass of the program starts at once";
    auto d = gaps(g.log.starts);
    // The first pass still ran with 20; every later gap is exactly brake + 1.
    for (size_t i = 1; i < d.size(); ++i) EXPECT_EQ(d[i], brake + 1) << "brake " << brake << " gap " << i;
  }
}

TEST(FrameLoop, SlowPassIsFollowedAtOnceAndNotMadeUp) {
  Game g;
  g.clickOn(0, Image1);
  g.log.afterUpdate = [&] {
    if (g.log.starts.size() == 3) g.hp.advance(50); // the third pass takes 50 ms
    if (g.log.starts.size() == 6) g.s.gameRunning = false;
  };
  g.run();
  auto d = gaps(g.log.starts);
  ASSERT_EQ(d.size(), 5u);
  EXPECT_EQ(d[1], 21);
  EXPECT_EQ(d[2], 50) << "the next pass starts as soon as the slow one ends";
  EXPECT_EQ(d[3], 21) << "its deadline counts from its own start";
  EXPECT_EQ(g.s.nextTick, g.log.starts.back() + 20);
}

TEST(FrameLoop, FlagClearedInTheFirstEventProcessingStillDrawsAndUpdatesOnce) {
  Game g;
  g.clickOn(0, Image1);
  g.hp.keyUp(1000, key::Escape); // handled in step 4 of the pass that starts after t = 1000
  int drawnAfterEscape = -1;
  g.log.afterUpdate = [&] {
    if (!g.s.gameRunning && drawnAfterEscape < 0) drawnAfterEscape = int(g.log.starts.size());
  };
  g.run();
  ASSERT_GT(drawnAfterEscape, 0);
  EXPECT_EQ(int(g.log.starts.size()), drawnAfterEscape) << "exactly one pass after the flag dropped";
  EXPECT_GE(g.log.starts.back(), 1000);
  EXPECT_EQ(g.s.frameCount, 1) << "that pass still counted itself after the reset cleared the count";
}

TEST(FrameLoop, TimerOneShowsFramesPerSecondAndZeroOutsideAGame) {
  Game g;
  g.clickOn(0, Image1);
  g.hp.keyUp(5500, key::Escape);
  g.hp.idleUntil(8000);
  std::vector<std::string> captions;
  g.log.afterUpdate = [&] { captions.push_back(g.sc[Label1].caption); };
  g.run();
  EXPECT_FALSE(g.sc[Label1].visible);
  // Within a game at 21 ms a frame: 47 or 48 frames a second.
  int shown = std::stoi(captions.back().substr(6));
  EXPECT_EQ(captions.back().substr(0, 6), "Fps : ");
  EXPECT_TRUE(shown == 47 || shown == 48) << captions.back();
  EXPECT_EQ(g.sc[Label1].caption, "Fps : 0") << "no frames run in the menu";
}

} // namespace
} // namespace nad::test
