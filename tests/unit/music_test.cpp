// The music switch and which file plays when, checked against the player calls that leave
// the program. The switch state lives only in the two captions, so every case checks both.
#include "harness.h"

#include <functional>

#include "frontend/music.h"
#include "input/keyboard.h"

namespace nad::test {
namespace {

using Calls = std::vector<std::string>;

// One game, started at `start` and left with Escape at `leave`.
void playBriefly(Game &g, int64_t start, int64_t leave) {
  g.clickOn(start, Image1);
  g.hp.press(leave, key::Escape);
}

struct MusicCase {
  const char *name;
  std::function<void(Game &)> script;
  Calls expected; // after the load's "file menu.mid", "play"
  const char *caption;
};

TEST(Music, SequencesOfSwitchGameAndEscape) {
  const MusicCase cases[] = {
      {"load only", [](Game &) {}, {}, kMusicOn},
      {"switched off in the menu, then a game: the game file is selected and paused at once",
       [](Game &g) {
         g.clickOn(100, Label12);
         playBriefly(g, 200, 2000);
       },
       {"pause", "file game.mid", "pause", "file menu.mid", "pause"},
       kMusicOff},
      {"Label11 during a game switches off",
       [](Game &g) {
         playBriefly(g, 0, 2000);
         g.clickOn(500, Label11);
       },
       {"file game.mid", "play", "pause", "file menu.mid", "pause"},
       kMusicOff},
      {"Label11 during a game switches back on after the menu switched off",
       [](Game &g) {
         g.clickOn(100, Label12);
         playBriefly(g, 200, 2000);
         g.clickOn(500, Label11);
       },
       {"pause", "file game.mid", "pause", "play", "file menu.mid", "play"},
       kMusicOn},
      {"Escape in the menu with the music on starts the menu file afresh",
       [](Game &g) { g.hp.press(100, key::Escape); },
       {"file menu.mid", "play"},
       kMusicOn},
      {"Escape in the menu with the music off selects it and pauses",
       [](Game &g) {
         g.clickOn(50, Label12);
         g.hp.press(100, key::Escape);
       },
       {"pause", "file menu.mid", "pause"},
       kMusicOff},
      {"off and on again continues the same file",
       [](Game &g) {
         g.clickOn(100, Label12);
         g.clickOn(200, Label12);
       },
       {"pause", "play"},
       kMusicOn},
      {"the end of a game and the way back to the menu leave the game music playing",
       [](Game &g) {
         g.clickOn(0, Image1);
         g.clickOn(135000, Image6, 10, 10);
       },
       {"file game.mid", "play"},
       kMusicOn},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Game g;
    c.script(g);
    g.run();
    Calls expected{"file menu.mid", "play"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(g.musicCalls(), expected);
    EXPECT_EQ(g.sc[Label11].caption, c.caption);
    EXPECT_EQ(g.sc[Label12].caption, c.caption);
  }
}

TEST(Music, FilesArePlainlyInTheProgramFolder) {
  Game g;
  g.clickOn(0, Image1);
  g.hp.press(1000, key::Escape);
  g.run();
  const auto files = g.calls("music-file");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], (g.dir.path() / "menu.mid").string());
  EXPECT_EQ(files[1], (g.dir.path() / "game.mid").string());
  EXPECT_EQ(files[2], (g.dir.path() / "menu.mid").string());
}

TEST(Music, BothCaptionsReadOffThroughoutAGameStartedWithTheMusicOff) {
  Game g;
  g.clickOn(100, Label12);
  playBriefly(g, 200, 3000);
  int frames = 0, wrong = 0;
  g.log.afterUpdate = [&] {
    ++frames;
    wrong += g.sc[Label11].caption != kMusicOff || g.sc[Label12].caption != kMusicOff;
  };
  g.run();
  EXPECT_GT(frames, 100);
  EXPECT_EQ(wrong, 0);
}

TEST(Music, ASwitchDuringAGameReachesTheHiddenMenuLabelToo) {
  for (bool startOn : {true, false}) {
    SCOPED_TRACE(startOn ? "switched off in the game" : "switched on in the game");
    Game g;
    if (!startOn) g.clickOn(100, Label12);
    g.clickOn(200, Image1);
    g.clickOn(1000, Label11);
    std::string seen11, seen12;
    g.log.afterUpdate = [&] {
      if (g.log.starts.back() > 1000 && seen11.empty()) {
        seen11 = g.sc[Label11].caption;
        seen12 = g.sc[Label12].caption;
        ASSERT_FALSE(g.sc[menu].visible);
        g.s.gameRunning = false;
      }
    };
    g.run();
    const char *want = startOn ? kMusicOff : kMusicOn;
    EXPECT_EQ(seen11, want);
    EXPECT_EQ(seen12, want);
  }
}

} // namespace
} // namespace nad::test
