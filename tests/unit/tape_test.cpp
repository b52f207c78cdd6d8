// Tapes of whole runs: which games count as ended, a replay that matches the run that was taped
// whatever fonts the replaying side has, and the verifier that proves a score from a tape.
#include "harness.h"

#include <memory>

#include "platform/headless/tape_player.h"
#include "platform/tape_recorder.h"
#include "replay/verify.h"

namespace nad::test {
namespace {

struct Ended {
  int64_t points;
  std::string name;
  bool operator==(const Ended &) const = default;
};

class ResultLog : public TapedGameResults {
public:
  std::vector<Ended> games;
  std::string lastTape;
  void gameTaped(int64_t points, const std::string &name, const std::string &tape) override {
    games.push_back({points, name});
    lastTape = tape;
  }
};

// A run taped as the game tapes itself: the recorder between the form and the headless twin.
// `Twin` lets a test give the taping side other text metrics than the replaying one.
template <class Twin = HeadlessPlatform> struct TapedRun {
  TempDir dir;
  Twin hp{dir.path()};
  ResultLog results;
  TapeRecorder taping{hp.platform(), &results};
  Form f{taping.platform()};
  FrameLog log;

  TapedRun() {
    f.scene.loadPictures(gameDir() / "pictures");
    taping.begin(tapeHeader(f));
    f.observer = &log;
  }
  void run() {
    Form_Load(f);
    try {
      RunProgram(f);
    } catch (const ProgramEnd &) {
    }
  }
  void clickOn(int64_t t, Id id, int dx = 2, int dy = 2) {
    int x, y;
    f.scene.clientOrigin(id, x, y);
    hp.click(t, x + dx, y + dy);
  }
};

// The tape replayed on the headless twin with the installed table nowhere near.
struct Replayed {
  std::unique_ptr<TapePlayer> player;
  std::unique_ptr<Form> f;
  std::string stop; // why the replay ended early, "" when the tape ran out or the program ended
};
Replayed replayTape(const std::string &tape) {
  Replayed r;
  Result<tape::Reader> reader = tape::Reader::open(tape);
  EXPECT_TRUE(reader.ok()) << reader.reason();
  r.player = std::make_unique<TapePlayer>(std::move(reader.value()), "/nonexistent");
  r.f = std::make_unique<Form>(r.player->platform());
  r.f->scene.loadPictures(gameDir() / "pictures");
  try {
    Form_Load(*r.f);
    RunProgram(*r.f);
  } catch (const ProgramEnd &) {
  } catch (const TapeStop &stop) {
    if (!stop.end) r.stop = stop.what();
  }
  return r;
}

TEST(GameEnd, AGameEndsWhenItsClockRunsOutInPlayOrInTheMenuAfterEscape) {
  TapedRun run;
  run.clickOn(100, Image1);
  for (int t = 3000; t < 9000; t += 500) run.hp.press(t, key::Space);
  // The second game is left with Escape: its clock runs on in the menu and ends it there.
  run.clickOn(131000, Image6, 10, 5);
  run.clickOn(132000, Image1);
  run.hp.press(140000, key::Escape);
  run.hp.idleUntil(270000);
  double pointsAtEscape = 0;
  run.log.afterUpdate = [&] { pointsAtEscape = run.f.s.points; };
  run.run();
  ASSERT_EQ(run.results.games.size(), 2u);
  EXPECT_NE(run.results.games[0].points, 0) << "the gifts score";
  EXPECT_EQ(run.results.games[1].points, int64_t(pointsAtEscape));
  EXPECT_EQ(run.results.games[0].name, "BRIMEL") << "the name box's text, as the name last typed";
  // Each game is handed on with the run's tape up to its end.
  ASSERT_FALSE(run.results.lastTape.empty());
  EXPECT_EQ(run.taping.bytes().compare(0, run.results.lastTape.size(), run.results.lastTape), 0);
}

TEST(GameEnd, AGameClosedOrStillRunningHasNotEnded) {
  TapedRun run;
  run.clickOn(100, Image1);
  run.hp.quit(60000);
  run.run();
  EXPECT_TRUE(run.results.games.empty());
}

TEST(Tape, AReplayFollowsTheTapedRunFrameByFrameWithoutTouchingAFile) {
  TapedRun run;
  run.clickOn(100, Image1);
  for (int t = 1000; t < 2000; t += 40) run.hp.keyDown(t, key::Up, t > 1000);
  run.hp.keyUp(2000, key::Up);
  for (int t = 3000; t < 60000; t += 700) run.hp.press(t, key::Space);
  run.hp.press(61000, key::P);
  run.hp.closeDialog(64000);
  run.hp.idleUntil(131000);
  std::vector<std::pair<int64_t, double>> taped;
  run.log.afterUpdate = [&] { taped.push_back({run.log.starts.back(), run.f.s.points}); };
  run.run();

  Result<tape::Reader> reader = tape::Reader::open(run.taping.bytes());
  ASSERT_TRUE(reader.ok());
  TapePlayer player(std::move(reader.value()), run.dir.path()); // the music's folder, for the calls
  Form f{player.platform()};
  f.scene.loadPictures(gameDir() / "pictures");
  FrameLog log;
  std::vector<std::pair<int64_t, double>> replayed;
  log.afterUpdate = [&] { replayed.push_back({log.starts.back(), f.s.points}); };
  f.observer = &log;
  Form_Load(f);
  try {
    RunProgram(f);
  } catch (const TapeStop &stop) {
    EXPECT_TRUE(stop.end) << stop.what();
  }
  EXPECT_EQ(replayed, taped);
  const Surface &mine = f.scene.pixels(pic), &original = run.f.scene.pixels(pic);
  ASSERT_EQ(mine.width(), original.width());
  for (int y = 0; y < mine.height(); ++y)
    ASSERT_TRUE(std::equal(mine.row(y), mine.row(y) + mine.width(), original.row(y))) << "row " << y;
  ASSERT_EQ(player.calls.size(), run.hp.calls.size());
  for (size_t i = 0; i < player.calls.size(); ++i) {
    EXPECT_EQ(player.calls[i].t, run.hp.calls[i].t) << i;
    EXPECT_EQ(player.calls[i].what + player.calls[i].arg, run.hp.calls[i].what + run.hp.calls[i].arg) << i;
  }
  ASSERT_EQ(player.endedGames().size(), 1u);
  EXPECT_EQ(player.endedGames()[0].points, run.results.games[0].points);
}

// Text half as wide as the headless twin's: the music switch's caption then reaches less far.
class NarrowText : public HeadlessPlatform {
public:
  using HeadlessPlatform::HeadlessPlatform;
  int measure(Font font, std::string_view utf8) override { return HeadlessPlatform::measure(font, utf8) / 2; }
  void render(Font font, std::string_view utf8, TextImage &out) override {
    HeadlessPlatform::render(font, utf8, out);
    out.w /= 2;
    out.coverage.assign(size_t(out.w) * size_t(out.h), 0);
  }
};

TEST(Tape, TextSizesComeFromTheTapeNotTheReplayingSidesFonts) {
  TapedRun<NarrowText> run;
  // Beyond the switch's caption in the taped metrics, within it in the replaying twin's own.
  int x, y;
  run.f.scene.clientOrigin(Label12, x, y);
  const int taped = NarrowText(run.dir.path()).measure(run.f.scene[Label12].font, "Music : ON");
  run.hp.click(500, x + taped + 5, y + 3);
  run.hp.idleUntil(1000);
  run.run();
  ASSERT_EQ(run.f.scene[Label12].caption, "Music : ON") << "the click missed the narrow caption";
  Replayed r = replayTape(run.taping.bytes());
  EXPECT_EQ(r.stop, "");
  EXPECT_EQ(r.f->scene[Label12].caption, "Music : ON");
  EXPECT_EQ(r.f->scene[Label12].width, run.f.scene[Label12].width);
}

TEST(Tape, ATapeThatNoLongerFollowsTheGameStopsWithTheReason) {
  TapedRun run;
  run.clickOn(100, Image1);
  run.hp.idleUntil(5000);
  run.run();
  std::string tape = run.taping.bytes();
  // The first record after the header becomes a frame wait, which the load never asks for.
  const size_t at = tape::Writer(tapeHeader(run.f)).bytes().size();
  tape[at] = char(0x40);
  Replayed r = replayTape(tape);
  EXPECT_NE(r.stop.find("does not follow the game"), std::string::npos) << r.stop;
}

TEST(Tape, AFullTapeStopsGrowingTellsOnceAndPassesNoFurtherGameOn) {
  HeadlessPlatform hp{"/nonexistent"};
  ResultLog results;
  TapeRecorder taping(hp.platform(), &results);
  taping.begin({1, 2});
  int told = 0;
  taping.onFull = [&] { ++told; };
  taping.gameEnded(10, "A");
  while (!taping.full()) taping.ticks();
  taping.ticks();
  taping.gameEnded(20, "B");
  EXPECT_EQ(told, 1);
  EXPECT_LE(taping.bytes().size(), tape::kMaxBytes + 16);
  EXPECT_EQ(results.games, (std::vector<Ended>{{10, "A"}}));
}

// --- the verifier ---

struct VerifierTest : ::testing::Test {
  static void SetUpTestSuite() { verifier = std::make_unique<replay::Verifier>(gameDir()); }
  static void TearDownTestSuite() { verifier.reset(); }
  static std::unique_ptr<replay::Verifier> verifier;

  // A game with gifts that runs to its end: the tape up to there, and the whole run's tape,
  // which goes on a while after it.
  struct Taped {
    std::string upToEnd, whole;
    int64_t points = 0;
    size_t header = 0;
  };
  static Taped endedGameTape() {
    TapedRun run;
    run.clickOn(100, Image1);
    for (int t = 3000; t < 9000; t += 500) run.hp.press(t, key::Space);
    run.hp.idleUntil(135000);
    Taped taped;
    run.taping.onGameTaped = [&](const std::string &tape) { taped.upToEnd = tape; };
    run.run();
    taped.whole = run.taping.bytes();
    taped.points = run.results.games.at(0).points;
    taped.header = tape::Writer(tapeHeader(run.f)).bytes().size();
    return taped;
  }
};
std::unique_ptr<replay::Verifier> VerifierTest::verifier;

TEST_F(VerifierTest, AnEndedGameIsProvenWithItsScoreAndEnd) {
  const Taped t = endedGameTape();
  Result<replay::Verdict> v = verifier->verify(t.upToEnd);
  ASSERT_TRUE(v.ok()) << v.reason();
  EXPECT_NE(t.points, 0);
  EXPECT_EQ(v->points, t.points);
  EXPECT_EQ(v->gameEnd, t.upToEnd.size());
  EXPECT_EQ(v->gamesEnded, 1);
  // The run went on after the game: neither its score nor where the game ends moves.
  ASSERT_GT(t.whole.size(), t.upToEnd.size());
  Result<replay::Verdict> longer = verifier->verify(t.whole);
  ASSERT_TRUE(longer.ok()) << longer.reason();
  EXPECT_EQ(longer->points, t.points);
  EXPECT_EQ(longer->gameEnd, t.upToEnd.size());
}

TEST_F(VerifierTest, ForgedAndDamagedTapesAreRefused) {
  const Taped t = endedGameTape();
  const std::string &tape = t.upToEnd;
  // The game's end as the recorder tells it, and the same claiming 1 point.
  auto endRecord = [](int64_t points) {
    tape::Writer w(tape::Header{});
    const size_t header = w.bytes().size();
    w.gameEnd(points);
    return w.bytes().substr(header);
  };
  const std::string claimed = endRecord(t.points);
  ASSERT_EQ(tape.substr(tape.size() - claimed.size()), claimed);
  struct Forgery {
    const char *what;
    std::string bytes;
    const char *says;
  } forgeries[] = {
      {"cut before the game's end", tape.substr(0, tape.size() - 40), ""}, // inside a record or not
      {"nothing but the header", tape.substr(0, t.header), "no game that ran to its end"},
      {"not a tape", "hello", "not a tape"},
      {"the recorder's own score changed", tape.substr(0, tape.size() - claimed.size()) + endRecord(1),
       "ended with 1 points, its replay gives"},
  };
  for (const Forgery &f : forgeries) {
    SCOPED_TRACE(f.what);
    Result<replay::Verdict> v = verifier->verify(f.bytes);
    ASSERT_FALSE(v.ok());
    EXPECT_NE(v.reason().find(f.says), std::string::npos) << v.reason();
  }
}

TEST_F(VerifierTest, BitFlipsNeverProveAnotherScoreSilently) {
  const Taped t = endedGameTape();
  const std::string &tape = t.upToEnd;
  int refused = 0, proven = 0;
  for (size_t at = t.header; at < tape.size(); at += tape.size() / 31) {
    std::string flipped = tape;
    flipped[at] = char(flipped[at] ^ (1 << (at % 8)));
    Result<replay::Verdict> v = verifier->verify(flipped);
    if (!v.ok()) {
      ++refused;
      continue;
    }
    ++proven;
    // A flip that still replays is a different game; its tape then says its own score.
    EXPECT_GE(v->gamesEnded, 1);
  }
  EXPECT_GT(refused, proven) << "most flips leave the tape out of step with the game";
}

TEST_F(VerifierTest, ATapePastTheLimitsIsRefused) {
  const std::string tape = endedGameTape().upToEnd;
  struct Limit {
    replay::VerifyLimits limits;
    const char *says;
  } limits[] = {{{1000, std::chrono::milliseconds(10000)}, "longer than 1000 frames"},
                {{1000000, std::chrono::milliseconds(0)}, "takes longer than 0 ms"}};
  for (const Limit &l : limits) {
    Result<replay::Verdict> v = verifier->verify(tape, l.limits);
    ASSERT_FALSE(v.ok());
    EXPECT_NE(v.reason().find(l.says), std::string::npos) << v.reason();
  }
}

} // namespace
} // namespace nad::test
