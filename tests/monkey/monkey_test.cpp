// A headless game driven by a random but seeded player for many virtual minutes: thousands of
// keys (with auto-repeat), clicks anywhere, typed junk, pause boxes and stalls, across many
// games and several restarts of the program. After every frame and every handled event the
// record and the high-score file must still be sound. Faults this is meant to catch: a state
// that only a rare order of events reaches, an index that walks off an array, a torn or
// malformed table after a save, and anything the sanitizers see on the way.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "flow/lifecycle.h"
#include "frontend/highscore_file.h"
#include "platform/headless/headless_platform.h"

namespace fs = std::filesystem;
using namespace nad;

namespace {

constexpr uint64_t kSeed = 20231224;

// Longer runs by hand (scripts/soak): NADILKA_MONKEY_MINUTES=600 plays 600 virtual minutes;
// NADILKA_MONKEY_WALL_SECONDS=900 plays until 900 s of real time have passed, however many
// virtual minutes that is; NADILKA_MONKEY_SEED picks another player. A run that found a fault
// replays it with the same seed and at least the virtual minutes it reported.
int64_t positiveEnv(const char *name, int64_t fallback) {
  const char *v = std::getenv(name);
  const long long n = v ? std::atoll(v) : 0;
  return n > 0 ? n : fallback;
}
int64_t minutesWanted() { return positiveEnv("NADILKA_MONKEY_MINUTES", 20); }
uint64_t seedWanted() { return uint64_t(positiveEnv("NADILKA_MONKEY_SEED", int64_t(kSeed))); }

// The end of the run in virtual time, moved forward to "now" once the real-time budget is spent.
struct RunEnd {
  int64_t virtualMs;
  std::optional<std::chrono::steady_clock::time_point> wallDeadline;
  bool reached(int64_t now) {
    if (wallDeadline && now < virtualMs && std::chrono::steady_clock::now() >= *wallDeadline) virtualMs = now;
    return now >= virtualMs;
  }
};

// The things worth clicking: start, information, table, name box, confirmation, back, music and
// the portal's logo. Their client points are the scene's own.
constexpr Id kTargets[] = {Image1, Image4, Image5, Text1, command1, Image6, Label12, Image7};

// The game's own keys, then keys it should ignore (letters, the name box's editing keys, codes
// no keyboard sends).
constexpr int kGameKeys[] = {38, 40, 39, 37}; // the arrows; space, +, -, P and Escape are picked apart
constexpr int kOtherKeys[] = {8, 9, 13, 16, 17, 18, 35, 36, 46, 65, 90, 187, 189, 0, 255, 1000, -5};

const char *const kTexts[] = {
    "Ježíšek",
    "ěščřžýáíéůúňťď",
    "ĚŠČŘŽÝÁÍÉŮÚŇŤĎ",
    "\"quoted\", \"and\"",
    "a,b,c\r\n\"x\"",
    "\x01\x02\t\x1b\x7f",
    "\xff\xfe\xc3",
    "\xe2\x82",
    "🎄🎅 ho ho",
    "Žluťoučký kůň úpěl ďábelské ódy",
    "0123456789012345678901234567890123456789012345678901234567890123456789",
    " ",
    "",
    "-",
    "\"",
    "ÄÖÜß€‚„…†‡‰Š‹ŚŤŽŹ",
    "日本語",
    "\xc2\x85\xc2\x9f",
    "BRIMEL",
};

std::string slurp(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// "" when the bytes are seven well-formed lines `"name","points"` CR LF, else what is wrong.
std::string tableProblem(const std::string &bytes) {
  size_t pos = 0;
  for (int row = 0; row < 7; ++row) {
    size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) return "line " + std::to_string(row + 1) + " has no CR LF";
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 2;
    if (line.find_first_of("\r\n") != std::string::npos) return "stray line break in line " + std::to_string(row + 1);
    size_t mid = line.find("\",\"");
    if (line.size() < 5 || line.front() != '"' || line.back() != '"' || mid == std::string::npos)
      return "line " + std::to_string(row + 1) + " is not two quoted fields: " + line;
    if (line.substr(1, mid - 1).find('"') != std::string::npos) return "quote inside a name: " + line;
    std::string pts = line.substr(mid + 3, line.size() - mid - 4);
    size_t k = pts.size() > 1 && pts[0] == '-' ? 1 : 0;
    if (k == pts.size() || pts.find_first_not_of("0123456789", k) != std::string::npos)
      return "points not whole digits: " + line;
  }
  if (pos != bytes.size()) return "more than seven lines";
  if (hiscore::format(hiscore::parse(bytes)) != bytes) return "does not read back to itself";
  return "";
}

struct Totals {
  long events = 0, frames = 0, games = 0, clockEnds = 0, escapes = 0, restarts = 0, saves = 0, pauses = 0;
  long checks = 0;
  int64_t virtualMs = 0;
};

// The player and the checker in one: it scripts more input whenever the script runs low and
// checks the record after every frame and every handled event.
class Monkey : public FormObserver {
public:
  Monkey(std::mt19937_64 &rng, Totals &totals, RunEnd &end, fs::path dir)
      : rng_(rng), t_(totals), end_(end), dir_(std::move(dir)) {}

  void attach(HeadlessPlatform &hp, Form &f) {
    hp_ = &hp, f_ = &f;
    scheduledUntil_ = hp.ticks();
    inGame_ = false;
    trailKnown_ = false;
    lastNextTick_ = -1;
    feed();
  }

  void onEvent(const Event &e) override {
    ++t_.events;
    // These may reset the world between two steps, so the trail comparison starts over.
    if (e.kind == EventKind::MouseUp || e.kind == EventKind::Quit ||
        (e.kind == EventKind::KeyUp && e.code == key::Escape))
      trailKnown_ = false;
    if (e.kind == EventKind::KeyUp && e.code == key::P) ++t_.pauses;
  }

  void onFrameStart(int64_t start) override {
    // Only a start click sets gameRunning, and the frame loop it enters runs only while it is
    // set, so a frame start outside a game is the first hook of a new one. A frame end would
    // be too late: the game may be left again in this very frame's first events, and its
    // start has already set the counters back to 0.
    if (!inGame_) {
      inGame_ = true;
      ++t_.games;
      // Some games are played to the clock's end, the rest are chaos.
      patient_ = std::uniform_real_distribution<>(0, 1)(rng_) < 0.3;
      lastDelivered_ = lastDestroyed_ = 0;
      lastNextTick_ = -1;
      trailKnown_ = false;
    }
    // The wait ends strictly after the deadline the previous frame set.
    if (lastNextTick_ >= 0) {
      EXPECT_GT(start, lastNextTick_) << where();
    }
    lastNextTick_ = f_->s.nextTick;
  }

  void onFrameEnd() override {
    ++t_.frames;
    const GameState &s = f_->s;
    // The frame in which the clock or Escape ends a game still runs to its end; it belongs to
    // the game that just ended, not to a new one.
    EXPECT_TRUE(inGame_ || !s.gameRunning) << "a game runs that no frame start began" << where();
    checkRecord();
    if (trailKnown_) {
      for (int k = 1; k <= 15; ++k) ASSERT_EQ(s.trailY[k + 1], prevTrail_[k]) << "trail entry " << k << where();
    }
    prevTrail_ = s.trailY;
    trailKnown_ = true;
    EXPECT_GE(s.giftsDelivered, lastDelivered_) << where();
    EXPECT_GE(s.giftsDestroyed, lastDestroyed_) << where();
    lastDelivered_ = s.giftsDelivered, lastDestroyed_ = s.giftsDestroyed;
    feed();
  }

  void onHiscore(const char *what) override {
    if (std::string(what) == "save") ++t_.saves;
  }

  void onHandled() override {
    if (inGame_ && !f_->s.gameRunning) {
      inGame_ = false;
      if (f_->s.timeLeft == 0) {
        ++t_.clockEnds;
        if (patient_) scriptNameEntry();
      } else {
        ++t_.escapes;
      }
    }
    checkRecord();
    checkFile();
    feed();
  }

  void checkFile() {
    const fs::path table = dir_ / hiscore::kFileName;
    std::error_code ec;
    if (fs::exists(table, ec)) {
      std::string problem = tableProblem(slurp(table));
      ASSERT_EQ(problem, "") << where();
    }
    ++t_.checks;
  }

  void checkRecord() {
    const GameState &s = f_->s;
    ASSERT_GE(s.loopBrake, 1) << where();
    int flying = 0;
    for (int i = 0; i <= 5; ++i)
      if (s.giftActive[i]) {
        ++flying;
        ASSERT_TRUE(std::isfinite(s.giftX[i]) && std::isfinite(s.giftY[i])) << "gift " << i << where();
      }
    ASSERT_LE(flying, 6);
    ASSERT_TRUE(std::isfinite(s.points)) << where();
    ASSERT_EQ(std::floor(s.points), s.points) << where();
    for (int i = 1; i <= 3; ++i)
      ASSERT_TRUE(s.deerFrame[i] >= 0 && s.deerFrame[i] <= 9) << "deerFrame " << i << where();
    // The world reset of the load gives vertDir a value; horizDir and the banner may stay unset.
    ASSERT_TRUE(s.vertDir == VertDir::None || s.vertDir == VertDir::Up || s.vertDir == VertDir::Down) << where();
    ASSERT_LE(int(s.horizDir), int(HorizDir::Left)) << where();
    ASSERT_LE(int(s.bannerPhase), int(BannerPhase::Two)) << where();
    // The clock runs from the window's creation, so before the first game it counts below zero.
    ASSERT_LE(s.timeLeft, 130) << where();
    if (s.gameRunning) {
      ASSERT_GE(s.timeLeft, 0) << where();
    }
    ASSERT_TRUE(std::isfinite(s.teamX) && std::isfinite(s.trailY[1]) && std::isfinite(s.houseScroll)) << where();
    ++t_.checks;
  }

  bool inGame() const { return inGame_; }

private:
  std::string where() const {
    return " (virtual " + std::to_string(hp_->ticks()) + " ms, game " + std::to_string(t_.games) + ", event " +
           std::to_string(t_.events) + ")";
  }
  int pick(int n) { return std::uniform_int_distribution<>(0, n - 1)(rng_); }
  bool chance(double p) { return std::uniform_real_distribution<>(0, 1)(rng_) < p; }
  int64_t between(int64_t a, int64_t b) { return std::uniform_int_distribution<int64_t>(a, b)(rng_); }

  // Keeps about two seconds of input ahead of the clock until the run's end.
  void feed() {
    const int64_t now = hp_->ticks();
    if (end_.reached(now)) return;
    if (scheduledUntil_ < now) scheduledUntil_ = now;
    while (scheduledUntil_ < now + 2000) {
      // Mostly quick bursts of input, now and then a quiet spell.
      scheduledUntil_ += chance(0.05) ? between(500, 4000) : between(1, 250);
      act(scheduledUntil_);
    }
  }

  void act(int64_t t) {
    const bool calm = inGame_ && patient_;
    const double r = std::uniform_real_distribution<>(0, 1)(rng_);
    if (r < 0.55)
      key(t, calm);
    else if (r < 0.80)
      click(t, calm);
    else if (r < 0.90)
      hp_->type(t, kTexts[pick(std::size(kTexts))]);
    else if (r < 0.93)
      hp_->closeDialog(t);
    else if (r < 0.96)
      hp_->stall(t, chance(0.9) ? int(between(1, 120)) : int(between(500, 3000)));
    else if (r < 0.99)
      hp_->idleUntil(t);
    else if (!calm && chance(0.2))
      hp_->quit(t); // the window closed: the program starts afresh
  }

  void key(int64_t t, bool calm) {
    // Mostly steering and gifts; the keys that stop play (pause, Escape) are rarer, or the
    // games would be too short and the pause boxes would eat the virtual time.
    const double r = std::uniform_real_distribution<>(0, 1)(rng_);
    int code = r < 0.60   ? kGameKeys[pick(4)]
               : r < 0.80 ? key::Space
               : r < 0.88 ? (chance(0.5) ? key::KeypadPlus : key::KeypadMinus)
               : r < 0.90 ? key::P
               : r < 0.92 ? key::Escape
                          : kOtherKeys[pick(std::size(kOtherKeys))];
    if (calm && code == key::Escape) code = key::Space;
    const int64_t hold = chance(0.7) ? between(0, 80) : between(80, 1500);
    hp_->keyDown(t, code);
    // A held key repeats like a real keyboard: a first delay, then a steady stream.
    if (hold > 300 && chance(0.6))
      for (int64_t r = t + 250; r < t + hold; r += between(25, 40)) hp_->keyDown(r, code, true);
    if (!chance(0.03)) hp_->keyUp(t + hold, code); // a release lost now and then (focus change)
    if (code == key::P && chance(0.8)) hp_->closeDialog(t + hold + between(0, 3000));
  }

  void click(int64_t t, bool calm) {
    int x, y;
    if (!calm && chance(0.6)) {
      const ClientRect tg = f_->scene.reachableRect(kTargets[pick(std::size(kTargets))]);
      x = tg.centreX() + int(between(-4, 4)), y = tg.centreY() + int(between(-4, 4));
      // Out of a game, often head for the next one, or the run would be mostly menu.
      if (!inGame_ && chance(0.4)) towardsAGame(x, y);
    } else {
      x = int(between(-5, 646)), y = int(between(-5, 486));
    }
    // The quit entry ends the program; mostly steer clear so that games get played.
    const ClientRect quit = f_->scene.reachableRect(Image2);
    if (std::abs(x - quit.centreX()) < 95 && std::abs(y - quit.centreY()) < 22 && !chance(0.05)) return;
    if (calm && f_->scene.hitTest(x, y) != pic && !chance(0.3)) return;
    hp_->click(t, x, y);
  }

  void towardsAGame(int &x, int &y) {
    const Scene &sc = f_->scene;
    Id id = sc.shown(Picture2) ? Image6 : sc.shown(info) ? Image3 : Image1;
    sc.clientOrigin(id, x, y);
    x += int(between(1, sc[id].width - 2)), y += int(between(1, sc[id].height - 2));
  }

  // After a game played to its end: the name, the confirmation, back to the menu, a new game.
  void scriptNameEntry() {
    int64_t t = std::max(scheduledUntil_, hp_->ticks()) + between(100, 800);
    const Scene &sc = f_->scene;
    const ClientRect box = sc.reachableRect(Text1), ok = sc.reachableRect(command1);
    const ClientRect back = sc.reachableRect(Image6), start = sc.reachableRect(Image1);
    hp_->click(t, box.x + 5 + int(between(-3, 60)), box.y + 5 + int(between(-3, 3)));
    for (int i = 0, n = int(between(0, 6)); i < n; ++i) {
      t += between(20, 200);
      if (chance(0.5))
        hp_->type(t, kTexts[pick(std::size(kTexts))]);
      else
        hp_->press(t, chance(0.5) ? key::Backspace : kOtherKeys[pick(std::size(kOtherKeys))]);
    }
    hp_->click(t += between(100, 600), ok.centreX() + int(between(-5, 5)), ok.centreY() + int(between(-5, 5)));
    hp_->click(t += between(100, 900), back.centreX(), back.centreY());
    hp_->click(t += between(100, 900), start.centreX(), start.centreY());
    scheduledUntil_ = t;
  }

  std::mt19937_64 &rng_;
  Totals &t_;
  RunEnd &end_;
  fs::path dir_;
  HeadlessPlatform *hp_ = nullptr;
  Form *f_ = nullptr;
  int64_t scheduledUntil_ = 0;
  bool inGame_ = false, patient_ = false, trailKnown_ = false;
  std::array<double, 17> prevTrail_{};
  int lastDelivered_ = 0, lastDestroyed_ = 0;
  int64_t lastNextTick_ = -1;
};

class ScratchDir {
public:
  explicit ScratchDir(const std::string &name)
      : path_(fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path &path() const { return path_; }

private:
  fs::path path_;
};

TEST(Monkey, ThousandsOfRandomInputsKeepTheRecordAndTheTableSound) {
  ScratchDir dir("nadilka-monkey");
  const fs::path gameDir = NADILKA_GAME_DIR;
  // The table is kept in the program folder (writable here); the user's folder stays untouched.
  ::setenv("XDG_DATA_HOME", (dir.path() / "xdg").c_str(), 1);

  const uint64_t seed = seedWanted();
  std::mt19937_64 rng(seed);
  Totals totals;
  RunEnd end{minutesWanted() * 60000, std::nullopt};
  if (const int64_t wall = positiveEnv("NADILKA_MONKEY_WALL_SECONDS", 0)) {
    end.virtualMs = std::numeric_limits<int64_t>::max() / 2;
    end.wallDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(wall);
  }
  int64_t now = 0;
  while (!end.reached(now)) {
    // One life of the program; the window's closing starts the next one where the clock stood.
    auto hp = std::make_unique<HeadlessPlatform>(dir.path());
    hp->advance(now);
    auto form = std::make_unique<Form>(hp->platform());
    form->scene.loadPictures(gameDir / "pictures");
    Monkey monkey(rng, totals, end, dir.path());
    form->observer = &monkey;
    // The first life starts without a table (every positive score gets in); now and then a later
    // one starts again from the installed table, whose scores are hard to beat.
    if (totals.restarts % 2 == 1)
      fs::copy_file(gameDir / hiscore::kFileName, dir.path() / hiscore::kFileName,
                    fs::copy_options::overwrite_existing);
    Form_Load(*form);
    monkey.attach(*hp, *form);
    try {
      RunProgram(*form);
    } catch (const ProgramEnd &end) {
      EXPECT_EQ(end.status, 0);
      ++totals.restarts;
    }
    if (::testing::Test::HasFatalFailure()) break;
    monkey.checkFile();
    // Leftover temporary files would mean a save that did not clean up after itself.
    for (const auto &entry : fs::directory_iterator(dir.path()))
      EXPECT_TRUE(entry.path().filename() == hiscore::kFileName || entry.path().filename() == "xdg" ||
                  entry.path().filename() == std::string(files::kLockFilePrefix) + hiscore::kFileName)
          << "stray file " << entry.path();
    now = hp->ticks();
    ASSERT_GT(now, 0);
  }
  totals.virtualMs = now;
  std::printf("monkey: %ld events, %ld frames, %ld games (%ld to the clock's end, %ld left early), %ld restarts, "
              "%ld pauses, %ld saves, %ld checks, %.1f virtual minutes, seed %llu\n",
              totals.events, totals.frames, totals.games, totals.clockEnds, totals.escapes, totals.restarts,
              totals.pauses, totals.saves, totals.checks, double(totals.virtualMs) / 60000.0,
              static_cast<unsigned long long>(seed));
  EXPECT_GE(totals.virtualMs, 20 * 60000);
  EXPECT_GE(totals.events, 5000);
  EXPECT_GE(totals.games, 15);
  EXPECT_GE(totals.clockEnds, 3);
  EXPECT_GE(totals.saves, 1);
  EXPECT_GE(totals.restarts, 1);
}

// A start click among the events that end a game, and an Escape among the first events of the
// new game's first frame: that game ends before any frame end sees it running, while its start
// has already set the counters back to 0. A soak's player did this after 777 virtual minutes
// (seed 1796903030); here it is as a script, with the monkey only watching and checking.
TEST(Monkey, AGameLeftInItsFirstFrameIsAGameOfItsOwn) {
  ScratchDir dir("nadilka-monkey-first-frame");
  std::mt19937_64 rng(kSeed);
  Totals totals;
  RunEnd end{0, std::nullopt}; // already reached: the monkey adds no input of its own
  HeadlessPlatform hp(dir.path());
  auto form = std::make_unique<Form>(hp.platform());
  form->scene.loadPictures(fs::path(NADILKA_GAME_DIR) / "pictures");
  Monkey monkey(rng, totals, end, dir.path());
  form->observer = &monkey;
  hp.click(100, 320, 245);    // game A
  hp.press(1000, key::Space); // two gifts that miss every chimney
  hp.press(1200, key::Space);
  hp.press(6000, key::Escape); // A is left,
  hp.click(6000, 320, 245);    // B starts in the same round of events
  hp.press(6000, key::Escape); // and is left in its first frame
  Form_Load(*form);
  monkey.attach(hp, *form);
  RunProgram(*form);
  EXPECT_FALSE(form->s.gameRunning);
  EXPECT_EQ(form->s.giftsDestroyed, 0);
  EXPECT_EQ(totals.games, 2);
  EXPECT_EQ(totals.escapes, 2);
}

} // namespace
