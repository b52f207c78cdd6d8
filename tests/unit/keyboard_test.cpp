// The keyboard: steering states, the frame delay and its readout, gifts, Escape and pause.
// The keys act on every screen, so most cases work on the menu right after the load.
#include "harness.h"

#include <algorithm>
#include <functional>

#include "frontend/music.h"
#include "input/keyboard.h"

namespace nad::test {
namespace {

struct Key {
  bool down;
  int code;
  int shift = 0;
};
Key D(int code, int shift = 0) { return {true, code, shift}; }
Key U(int code, int shift = 0) { return {false, code, shift}; }

TEST(KeyboardTable, SteeringAndFrameDelay) {
  constexpr int kShift = 1, kCtrl = 2;
  struct Case {
    const char *what;
    int startBrake;
    std::vector<Key> keys;
    VertDir vert;
    HorizDir horiz;
    int brake;
    const char *label; // nullptr: no release, the design caption stays
  } cases[] = {
      {"up while down is held", 20, {D(key::Down), D(key::Up)}, VertDir::Up, HorizDir::Unset, 20, nullptr},
      {"then releasing up",
       20,
       {D(key::Down), D(key::Up), U(key::Up)},
       VertDir::None,
       HorizDir::Unset,
       20,
       "přibrždování LOOPu: 20"},
      {"then releasing down",
       20,
       {D(key::Down), D(key::Up), U(key::Down)},
       VertDir::None,
       HorizDir::Unset,
       20,
       "přibrždování LOOPu: 20"},
      {"right while left is held", 20, {D(key::Left), D(key::Right)}, VertDir::None, HorizDir::Right, 20, nullptr},
      {"then releasing left",
       20,
       {D(key::Left), D(key::Right), U(key::Left)},
       VertDir::None,
       HorizDir::None,
       20,
       "přibrždování LOOPu: 20"},
      {"one axis does not clear the other",
       20,
       {D(key::Up), D(key::Left), U(key::Right)},
       VertDir::Up,
       HorizDir::None,
       20,
       "přibrždování LOOPu: 20"},
      {"shift and ctrl are ignored",
       20,
       {D(key::Down, kShift), D(key::Right, kCtrl)},
       VertDir::Down,
       HorizDir::Right,
       20,
       nullptr},
      {"plus five times",
       20,
       {U(key::KeypadPlus), U(key::KeypadPlus), U(key::KeypadPlus), U(key::KeypadPlus), U(key::KeypadPlus)},
       VertDir::None,
       HorizDir::Unset,
       25,
       "přibrždování LOOPu: 25"},
      {"a held plus counts once, on release",
       20,
       {D(key::KeypadPlus), D(key::KeypadPlus), D(key::KeypadPlus), U(key::KeypadPlus)},
       VertDir::None,
       HorizDir::Unset,
       21,
       "přibrždování LOOPu: 21"},
      {"minus at 2", 2, {U(key::KeypadMinus)}, VertDir::None, HorizDir::Unset, 1, "přibrždování LOOPu: 1"},
      {"minus at 1 does nothing",
       1,
       {U(key::KeypadMinus), U(key::KeypadMinus)},
       VertDir::None,
       HorizDir::Unset,
       1,
       "přibrždování LOOPu: 1"},
      {"plus has no limit",
       1000,
       {U(key::KeypadPlus, kShift)},
       VertDir::None,
       HorizDir::Unset,
       1001,
       "přibrždování LOOPu: 1001"},
      {"main keyboard plus and minus",
       20,
       {D(key::Plus), U(key::Plus), D(key::Minus), U(key::Minus)},
       VertDir::None,
       HorizDir::Unset,
       20,
       "přibrždování LOOPu: 20"},
      {"any release rewrites the readout", 7, {U('A')}, VertDir::None, HorizDir::Unset, 7, "přibrždování LOOPu: 7"},
  };
  for (const Case &c : cases) {
    Game g;
    g.s.loopBrake = c.startBrake;
    std::string design = g.sc[Label2].caption;
    for (const Key &k : c.keys) (k.down ? Form_KeyDown : Form_KeyUp)(g.f, k.code, k.shift);
    EXPECT_EQ(g.s.vertDir, c.vert) << c.what;
    EXPECT_EQ(g.s.horizDir, c.horiz) << c.what;
    EXPECT_EQ(g.s.loopBrake, c.brake) << c.what;
    EXPECT_EQ(g.sc[Label2].caption, c.label ? std::string(c.label) : design) << c.what;
  }
}

TEST(KeyboardEscape, ReadoutKeepsTheDelayFromBeforeTheReset) {
  Game g;
  for (int i = 0; i < 5; ++i) Form_KeyUp(g.f, key::KeypadPlus, 0);
  Form_KeyUp(g.f, key::Escape, 0);
  EXPECT_EQ(g.sc[Label2].caption, "přibrždování LOOPu: 25");
  EXPECT_EQ(g.s.loopBrake, 20);
  Form_KeyUp(g.f, key::Space, 0);
  EXPECT_EQ(g.sc[Label2].caption, "přibrždování LOOPu: 20") << "until the next release";
}

TEST(KeyboardEscape, InTheMenuResetsTheWorldReselectsTheMusicAndLeavesTheTimers) {
  for (bool musicOn : {true, false}) {
    Game g;
    if (!musicOn) Label12_Click(g.f);
    size_t before = g.musicCalls().size();
    // A world that has moved: a game was left some other way.
    g.s.teamX = 250, g.s.trailY[1] = 170, g.s.velocityY = 1.3, g.s.houseScroll = 900;
    g.s.giftActive[2] = true;
    g.s.vertDir = VertDir::Up;
    g.s.horizDir = HorizDir::Left;
    g.s.points = 380;
    g.sc.setCaption(Label5, "Bodů : 380");
    g.sc.setVisible(menu, false);
    g.hp.press(500, key::Escape);
    g.hp.idleUntil(2500);
    g.run();
    std::vector<std::string> all = g.musicCalls();
    std::vector<std::string> music(all.begin() + long(before), all.end());
    EXPECT_EQ(music, (std::vector<std::string>{"file menu.mid", musicOn ? "play" : "pause"})) << musicOn;
    EXPECT_TRUE(g.sc[menu].visible);
    EXPECT_EQ(g.s.teamX, 100);
    EXPECT_EQ(g.s.trailY[1], 100);
    EXPECT_EQ(g.s.velocityY, 0);
    EXPECT_EQ(g.s.houseScroll, -100);
    EXPECT_FALSE(g.s.giftActive[2]);
    EXPECT_EQ(g.s.vertDir, VertDir::None);
    EXPECT_EQ(g.s.horizDir, HorizDir::Left) << "the reset leaves the sideways state alone";
    EXPECT_EQ(g.s.points, 380) << "no reset clears the score";
    for (Id l : {Label5, Label3, Label4}) EXPECT_EQ(g.sc[l].caption, "") << l;
    for (TimerId t : {Timer1, Timer4, Timer5}) EXPECT_TRUE(g.f.timers.enabled(t)) << t;
    EXPECT_FALSE(g.f.timers.enabled(Timer3));
    EXPECT_EQ(g.s.timeLeft, -2) << "the clock went on counting";
  }
}

// --- Gifts by the space bar ---------------------------------------------------------------

TEST(KeyboardGifts, AGiftDroppedInTheMenuWaitsInItsSlot) {
  Game g;
  g.hp.press(100, key::Space);
  g.hp.idleUntil(5000);
  g.run();
  EXPECT_TRUE(g.s.giftActive[0]);
  EXPECT_FALSE(g.s.giftActive[1]) << "a press and a release drop one gift";
  EXPECT_EQ(g.s.giftX[0], 35);
  EXPECT_EQ(g.s.giftY[0], 100);
}

TEST(KeyboardGifts, AHeldSpaceBarDropsAtTheRepeatRateUntilSix) {
  Game g;
  g.clickOn(0, Image1);
  g.hp.keyDown(1000, key::Space);
  for (int k = 1; k <= 9; ++k) g.hp.keyDown(1000 + 40 * k, key::Space, true);
  g.hp.keyUp(1000 + 40 * 9 + 10, key::Space);
  std::vector<int> inFlight;
  g.log.afterUpdate = [&] {
    int n = 0;
    for (bool a : g.s.giftActive) n += a;
    if (inFlight.empty() || inFlight.back() != n) inFlight.push_back(n);
    if (g.log.starts.back() > 1600) g.s.gameRunning = false;
  };
  g.run();
  EXPECT_EQ(inFlight, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
  // The six were dropped one after the other: each higher slot has fallen for less time.
  for (int i = 1; i <= 5; ++i) EXPECT_LT(g.s.giftY[i], g.s.giftY[i - 1]) << i;
}

// --- Pause --------------------------------------------------------------------------------

// The world as the game logic sees it, without the clocks.
auto world(const GameState &s) {
  return std::tuple(s.trailY, s.teamX, s.velocityX, s.velocityY, s.vertDir, s.horizDir, s.houseScroll, s.starX, s.starY,
                    s.giftActive, s.giftX, s.giftY, s.points, s.deerFrame, s.deerStepToggle, s.speed);
}

TEST(KeyboardPause, TheBoxHoldsTheWorldAndTheGameGoesOnWhereItStopped) {
  constexpr int kFrames = 90;
  auto play = [&](Game &g, bool pause) {
    g.clickOn(0, Image1);
    g.hp.keyDown(300, key::Right); // the same steering in both games
    g.hp.keyUp(500, key::Right);
    if (pause) {
      g.hp.keyDown(600, key::P, false);
      g.hp.keyUp(600, key::P);
      g.hp.keyDown(900, key::Up); // typed while the box is open: lost
      g.hp.press(1200, key::Space);
      g.hp.closeDialog(2600);
    }
    g.log.afterUpdate = [&] {
      if (int(g.log.starts.size()) == kFrames) g.s.gameRunning = false;
    };
    g.run();
  };
  Game plain, paused;
  play(plain, false);
  play(paused, true);

  auto boxes = paused.calls("msgbox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Pauza...|Hra pozastavena ...");
  ASSERT_EQ(paused.hp.dropped.size(), 3u);
  EXPECT_EQ(paused.hp.dropped[0].code, key::Up);

  // No frame starts while the box is open (the pass whose event processing opened it
  // started just before), frames again after it.
  int64_t opened = -1;
  for (const auto &c : paused.hp.calls)
    if (c.what == "msgbox") opened = c.t;
  EXPECT_GE(opened, 600);
  const auto &t = paused.log.starts;
  int after = 0;
  for (int64_t start : t) {
    EXPECT_FALSE(start > opened && start < 2600) << "a frame at " << start;
    after += start >= 2600;
  }
  EXPECT_GT(after, 30) << "the game goes on";
  // Frame for frame the paused game is the game without the pause.
  EXPECT_TRUE(world(paused.s) == world(plain.s));
  EXPECT_EQ(paused.log.randoms, plain.log.randoms);
  EXPECT_EQ(paused.s.vertDir, VertDir::None) << "the Up typed into the box never arrived";
  EXPECT_FALSE(paused.s.giftActive[0]);
  EXPECT_EQ(paused.s.horizDir, HorizDir::None);
  EXPECT_GT(paused.s.teamX, 100) << "the steering before the pause counted";
}

// What the flush after the pause box keeps and drops, in a game: the pause opens on the release
// of P at 600 and closes at 2600.
TEST(KeyboardPause, TheFlushDropsOnlyInputTypedWhileTheBoxWasOpen) {
  struct Case {
    const char *what;
    std::function<void(HeadlessPlatform &)> script;
    size_t dropped;
    bool giftFalls;
    HorizDir horiz;
  } cases[] = {
      {"a space queued right behind the P is handled after the box",
       [](HeadlessPlatform &hp) { hp.press(600, key::Space); }, 0, true, HorizDir::Unset},
      {"a space typed while the box is open is lost", [](HeadlessPlatform &hp) { hp.press(1500, key::Space); }, 2,
       false, HorizDir::Unset},
      {"a key held before the box and released meanwhile does not stick",
       [](HeadlessPlatform &hp) {
         hp.keyDown(400, key::Right);
         hp.keyUp(1500, key::Right);
       },
       0, false, HorizDir::None},
      {"a key pressed while the box is open stays unpressed",
       [](HeadlessPlatform &hp) {
         hp.keyDown(1500, key::Right);
         hp.keyUp(3000, key::Right);
       },
       1, false, HorizDir::None},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Game g;
    g.clickOn(0, Image1);
    g.hp.keyDown(600, key::P);
    g.hp.keyUp(600, key::P);
    c.script(g.hp);
    g.hp.closeDialog(2600);
    HorizDir horizAfterBox = HorizDir::Unset;
    bool giftAfterBox = false;
    g.log.afterUpdate = [&] {
      if (g.f.now() < 2600) return;
      if (!giftAfterBox)
        giftAfterBox = std::find(g.s.giftActive.begin(), g.s.giftActive.end(), true) != g.s.giftActive.end();
      if (g.f.now() > 3500) {
        horizAfterBox = g.s.horizDir;
        g.s.gameRunning = false;
      }
    };
    g.run();
    ASSERT_EQ(g.calls("msgbox").size(), 1u);
    EXPECT_EQ(g.hp.dropped.size(), c.dropped);
    EXPECT_EQ(giftAfterBox, c.giftFalls);
    EXPECT_EQ(horizAfterBox, c.horiz);
  }
}

// A quit request is never dropped with the input: the program ends when the box closes.
TEST(KeyboardPause, AQuitWhileTheBoxIsOpenEndsTheProgram) {
  Game g;
  g.clickOn(0, Image1);
  g.hp.keyDown(600, key::P);
  g.hp.keyUp(600, key::P);
  g.hp.press(900, key::Up);
  g.hp.quit(1000);
  g.hp.closeDialog(2600);
  g.hp.idleUntil(10000);
  EXPECT_TRUE(g.run()) << "the program ended";
  EXPECT_EQ(g.hp.dropped.size(), 2u) << "only the Up typed into the box";
  EXPECT_LT(g.f.now(), 2700) << "it ended as the box closed";
}

} // namespace
} // namespace nad::test
