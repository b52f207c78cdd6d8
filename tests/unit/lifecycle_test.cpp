// Load, world reset, the start of a game, the 130-second clock, its end and the way back.
#include "harness.h"

#include <chrono>

#include "input/keyboard.h"

namespace nad::test {
namespace {

TEST(Lifecycle, LoadShowsTheMenuAndFormsTheStars) {
  Game g;
  EXPECT_TRUE(g.sc[menu].visible);
  EXPECT_EQ(g.sc[menu].left, 0);
  EXPECT_EQ(g.sc[menu].top, 0);
  EXPECT_FALSE(g.s.gameRunning);
  EXPECT_FALSE(g.sc[Picture2].visible);
  const double x[9] = {286, 236, 186, 136, 86, 136, 186, 236, 286};
  const double y[9] = {144, 144, 144, 144, 144, 159, 154, 159, 154};
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(g.s.starX[k], x[k]) << k;
    EXPECT_EQ(g.s.starY[k], y[k]) << k;
  }
  EXPECT_EQ(g.musicCalls(), (std::vector<std::string>{"file menu.mid", "play"}));
  EXPECT_EQ(g.s.horizDir, HorizDir::Unset) << "the reset leaves the horizontal state alone";
  EXPECT_EQ(g.s.bannerPhase, BannerPhase::Unset);
  EXPECT_TRUE(g.f.timers.enabled(Timer4)) << "the clock runs from the load";
  EXPECT_FALSE(g.f.timers.enabled(Timer3));
}

TEST(Lifecycle, ClockCountsBelowZeroInTheMenuBeforeTheFirstGame) {
  Game g;
  g.hp.idleUntil(3500);
  g.run();
  EXPECT_EQ(g.s.timeLeft, -3);
  EXPECT_EQ(g.sc[Label6].caption, "Čas   : -3");
  EXPECT_FALSE(g.sc[Picture2].visible);
}

TEST(Lifecycle, AWholeGameEndsOnTheHundredThirtiethTickInWellUnderASecond) {
  Game g;
  g.hp.idleUntil(250);
  g.clickOn(250, Image1);
  int64_t endedAt = -1;
  int passesAfterEnd = 0;
  g.log.afterUpdate = [&] {
    if (endedAt >= 0)
      ++passesAfterEnd;
    else if (!g.s.gameRunning)
      endedAt = g.log.starts.back();
  };
  auto t0 = std::chrono::steady_clock::now();
  g.run();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  // Typically about a third of a second here; the bound only catches a gross slowdown and
  // stays clear of a loaded machine. The figure itself comes from the benchmark.
  EXPECT_LT(seconds, 5.0);
  EXPECT_EQ(g.s.timeLeft, 0);
  EXPECT_EQ(g.sc[Label6].caption, "Čas   : 0");
  EXPECT_TRUE(g.sc[Picture2].visible);
  EXPECT_FALSE(g.sc[menu].visible) << "the last frame stays under the panel";
  EXPECT_TRUE(g.f.timers.enabled(Timer5));
  for (TimerId t : {Timer1, Timer3, Timer4}) EXPECT_FALSE(g.f.timers.enabled(t)) << t;
  EXPECT_EQ(passesAfterEnd, 0) << "the pass in progress finished; none after";
  // The clock ticked at 1000, 2000, ... from load; 130 ticks after the start the game is over.
  EXPECT_GE(g.log.starts.back(), 130000);
  EXPECT_LE(g.log.starts.back(), 131000);
  EXPECT_EQ(g.s.speed, 2.5 + 0.5 * 13) << "Timer5 kept its ten-second cadence";
  EXPECT_EQ(g.musicCalls(), (std::vector<std::string>{"file menu.mid", "play", "file game.mid", "play"}));
}

TEST(Lifecycle, EscapeMidGameKeepsTheClockRunningInTheMenu) {
  Game g;
  g.clickOn(0, Image1);
  // 130 - 73 = 57 seconds left when Escape is released.
  g.hp.keyDown(73500, key::Escape);
  g.hp.keyUp(73500, key::Escape);
  g.hp.idleUntil(73500 + 56000);
  g.run();
  EXPECT_TRUE(g.sc[menu].visible);
  EXPECT_FALSE(g.s.gameRunning);
  EXPECT_EQ(g.s.timeLeft, 1);
  for (Id l : {Label3, Label4}) EXPECT_EQ(g.sc[l].caption, "") << l;
  // Escape was handled before the pass drew: that pass still updated and wrote the points.
  EXPECT_EQ(g.sc[Label5].caption, "Bodů : 0");
  EXPECT_FALSE(g.sc[Picture2].visible);
  EXPECT_EQ(g.musicCalls().back(), "play");
  EXPECT_EQ(g.musicCalls()[g.musicCalls().size() - 2], "file menu.mid");

  g.hp.idleUntil(73500 + 57000);
  g.run();
  EXPECT_EQ(g.s.timeLeft, 0);
  EXPECT_TRUE(g.sc[Picture2].visible) << "the panel comes up over the menu";
  EXPECT_TRUE(g.sc[menu].visible);
}

TEST(Lifecycle, BackToMenuAfterAGameMakesNoMusicCall) {
  Game g;
  g.clickOn(0, Image1);
  g.hp.idleUntil(140000);
  g.run();
  ASSERT_TRUE(g.sc[Picture2].visible);
  size_t musicBefore = g.musicCalls().size();
  g.clickOn(141000, Image6, 10, 10);
  g.run();
  EXPECT_TRUE(g.sc[menu].visible);
  EXPECT_FALSE(g.sc[Picture2].visible);
  for (Id l : {Label5, Label3, Label4}) EXPECT_EQ(g.sc[l].caption, "");
  EXPECT_EQ(g.musicCalls().size(), musicBefore) << "the game music goes on playing";
  EXPECT_EQ(g.s.trailY[1], 100) << "the world was reset";
}

TEST(Lifecycle, ClosingTheWindowEndsTheProgramAtOnceMidGame) {
  Game g;
  g.writeScores("\"a\",\"1\"\r\n");
  g.clickOn(0, Image1);
  g.hp.quit(5000);
  int passesAfterQuit = 0;
  g.log.afterUpdate = [&] { passesAfterQuit += g.log.starts.back() >= 5000; };
  EXPECT_TRUE(g.run());
  EXPECT_EQ(passesAfterQuit, 0);
  EXPECT_EQ(g.readScores(), "\"a\",\"1\"\r\n");
}

TEST(Lifecycle, StartDoesNotResetTheWorld) {
  Game g;
  g.hp.press(100, key::Space); // a gift dropped in the menu waits in its slot
  g.clickOn(200, Image1);
  g.log.afterUpdate = [&] { g.s.gameRunning = false; };
  g.run();
  EXPECT_TRUE(g.s.giftActive[0]);
  EXPECT_EQ(g.s.giftY[0], 103) << "it fell on the first frame of the game";
  EXPECT_EQ(g.s.chimneyColor, colorValue(16, 23, 16));
}

} // namespace
} // namespace nad::test
