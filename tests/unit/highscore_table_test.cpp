// The high-score panel: loading the table, the qualification, inserting a confirmed name, the
// file written back, the name box, and a save that fails. Fixtures are written as raw bytes.
#include "harness.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "frontend/highscore_table.h"
#include "frontend/music.h"
#include "input/keyboard.h"
#include "platform/atomic_file.h"

namespace nad::test {
namespace {

// The files in a folder but the lock file that confirmations leave beside the table.
long filesBesideTheLock(const std::filesystem::path &dir) {
  return std::count_if(std::filesystem::directory_iterator(dir), {}, [](const auto &e) {
    return e.path().filename().string().rfind(nad::files::kLockFilePrefix, 0) != 0;
  });
}

using Rows = std::vector<std::pair<std::string, std::string>>;

// The file as the game writes it: quoted fields, CR LF after every line.
std::string fileOf(const Rows &rows) {
  std::string out;
  for (const auto &[name, points] : rows) out.append("\"").append(name).append("\",\"").append(points).append("\"\r\n");
  return out;
}

const Rows kTable = {{"Ann", "900"}, {"Bob", "700"}, {"Cyd", "500"}, {"Dan", "500"},
                     {"Eve", "300"}, {"Fay", "200"}, {"Gus", "100"}};

Rows shownRows(const Game &g) {
  Rows out;
  for (int r = 0; r < 7; ++r) out.emplace_back(g.sc[highscore(r)].caption, g.sc[hiscr(r)].caption);
  return out;
}

std::vector<int> redRows(const Game &g) {
  std::vector<int> out;
  for (int r = 0; r < 7; ++r) {
    EXPECT_EQ(g.sc[highscore(r)].color, g.sc[hiscr(r)].color) << "both labels of row " << r;
    if (g.sc[highscore(r)].color == 255u)
      out.push_back(r);
    else
      EXPECT_EQ(g.sc[highscore(r)].color, kWhite) << "row " << r;
  }
  return out;
}

// The last tick of the game clock, through its own handler: the panel comes up, the table loads.
void clockRunsOut(Game &g, double points) {
  g.s.points = points;
  g.s.timeLeft = 1;
  Timer4_Timer(g.f);
}

// Confirms the name with a click on command1 at virtual time t.
void confirm(Game &g, int64_t t) {
  g.clickOn(t, command1, 20, 20);
  g.run();
}

// Empties the name box through the keyboard, leaving it focused.
void clearNameBox(Game &g, int64_t t) {
  g.clickOn(t, Text1, 150, 5);
  g.hp.press(t + 1, key::End);
  for (int i = 0; i < 30; ++i) g.hp.press(t + 2, key::Backspace);
}

// A game played for real: its points are set on the first frame, no gift is dropped, the clock
// runs out at about 130 seconds.
void playGame(Game &g, int64_t start, double points) {
  bool set = false;
  g.log.afterUpdate = [&g, &set, points] {
    if (!set) g.s.points = points, set = true;
  };
  g.clickOn(start, Image1);
  g.run();
  g.log.afterUpdate = nullptr;
  ASSERT_EQ(g.s.timeLeft, 0);
}

struct InsertCase {
  const char *name;
  Rows file;
  double points;
  int row; // -1: does not qualify
};

Rows inserted(Rows rows, int at, const std::string &name, const std::string &points) {
  rows.insert(rows.begin() + at, {name, points});
  rows.pop_back();
  return rows;
}

TEST(HighScoreTable, InsertionTable) {
  Rows negatives = kTable;
  negatives[5].second = "-2";
  negatives[6].second = "-5";
  const InsertCase cases[] = {
      {"equal to the seventh row does not qualify", kTable, 100, -1},
      {"one point more goes in last", kTable, 101, 6},
      {"equal to rows 2 and 3 goes above both", kTable, 500, 2},
      {"one below rows 2 and 3 goes below both", kTable, 499, 4},
      {"a new best", kTable, 901, 0},
      {"negative, equal to a negative seventh row", negatives, -5, -1},
      {"negative, above a negative seventh row", negatives, -4, 6},
      {"negative against a seventh row of 0", kTable, -3, -1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Game g;
    const std::string before = fileOf(c.file);
    g.writeScores(before);
    clockRunsOut(g, c.points);
    EXPECT_TRUE(g.sc[Picture2].visible);
    EXPECT_EQ(g.sc[Picture1].visible, c.row >= 0);
    EXPECT_EQ(shownRows(g), c.file);
    // command1 checks again even if the box were shown to a game that does not qualify.
    g.sc.setVisible(Picture1, true);
    confirm(g, 1000);
    EXPECT_FALSE(g.sc[Picture1].visible);
    EXPECT_TRUE(g.sc[Picture2].visible);
    const Rows want = c.row < 0 ? c.file : inserted(c.file, c.row, "BRIMEL", std::to_string(int(c.points)));
    EXPECT_EQ(shownRows(g), want);
    EXPECT_EQ(g.readScores(), c.row < 0 ? before : fileOf(want));
    EXPECT_EQ(redRows(g), c.row < 0 ? std::vector<int>{} : std::vector<int>{c.row});
    EXPECT_TRUE(g.calls("warning").empty());
  }
}

TEST(HighScoreTable, TwoInsertionsInOneRunLeaveTheirRowsRed) {
  Game g;
  g.writeScores(fileOf(kTable));
  clockRunsOut(g, 350);
  g.sc.setCaption(Text1, "First");
  confirm(g, 1000);
  ASSERT_EQ(redRows(g), std::vector<int>{4});

  clockRunsOut(g, 800); // the next game's end loads the file just written
  g.sc.setCaption(Text1, "Second");
  confirm(g, 2000);
  EXPECT_EQ(shownRows(g), (Rows{{"Ann", "900"},
                                {"Second", "800"},
                                {"Bob", "700"},
                                {"Cyd", "500"},
                                {"Dan", "500"},
                                {"First", "350"},
                                {"Eve", "300"}}));
  EXPECT_EQ(redRows(g), (std::vector<int>{1, 4})) << "the colour stays with the row, not the entry";
}

TEST(HighScoreTable, CzechNameIsWrittenInTheEightBitCodePage) {
  Game g;
  g.writeScores(fileOf(kTable));
  clockRunsOut(g, 150);
  clearNameBox(g, 100);
  g.hp.type(200, "Žofie \"Č\" Čápová");
  confirm(g, 1000);
  EXPECT_EQ(g.sc[highscore(6)].caption, "Žofie 'Č' Čápová") << "the table shows what the file holds";
  EXPECT_EQ(g.readScores(), "\"Ann\",\"900\"\r\n\"Bob\",\"700\"\r\n\"Cyd\",\"500\"\r\n\"Dan\",\"500\"\r\n"
                            "\"Eve\",\"300\"\r\n\"Fay\",\"200\"\r\n"
                            "\"\x8E"
                            "ofie '\xC8' \xC8\xE1pov\xE1\",\"150\"\r\n");
  // And it reads back as the same name.
  Image5_Click(g.f);
  EXPECT_EQ(g.sc[highscore(6)].caption, "Žofie 'Č' Čápová");
}

TEST(HighScoreTable, InsertionLeavesTheLoadedArraysAsTheFileWas) {
  Game g;
  g.writeScores(fileOf(kTable));
  clockRunsOut(g, 1000);
  confirm(g, 1000);
  ASSERT_EQ(g.sc[highscore(0)].caption, "BRIMEL");
  for (int r = 0; r < 7; ++r) {
    EXPECT_EQ(g.s.hiscoreName[size_t(r)], kTable[size_t(r)].first) << r;
    EXPECT_EQ(g.s.hiscorePoints[size_t(r)], kTable[size_t(r)].second) << r;
  }
}

// Two copies of the game on one run folder, both at the name box: the second confirmation is
// tested and inserted against the table as the first one left it on disk, not against the one
// its own game loaded, so that no result overwrites another.
TEST(HighScoreTable, AConfirmationKeepsWhatAnotherCopyEnteredMeanwhile) {
  struct Case {
    const char *name;
    double points;
    Rows afterwards; // the file and the panel after the second confirmation
    std::vector<int> red;
  };
  const Rows alfa = inserted(kTable, 2, "Alfa", "800"); // what the other copy wrote
  const Case cases[] = {
      {"still qualifies", 600, inserted(alfa, 3, "Beta", "600"), {3}},
      {"pushed out by the other copy's entry", 150, alfa, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Game g;
    g.writeScores(fileOf(kTable));
    clockRunsOut(g, c.points);
    ASSERT_TRUE(g.sc[Picture1].visible);
    const uint64_t generator = g.f.rng.state();
    g.writeScores(fileOf(alfa));
    g.sc.setCaption(Text1, "Beta");
    confirm(g, 1000);
    EXPECT_EQ(g.readScores(), fileOf(c.afterwards));
    EXPECT_EQ(shownRows(g), c.afterwards) << "the panel shows the table as written";
    EXPECT_EQ(redRows(g), c.red);
    EXPECT_FALSE(g.sc[Picture1].visible);
    EXPECT_EQ(g.f.rng.state(), generator) << "the re-read is no load: the generator is not reseeded";
    for (int r = 0; r < 7; ++r) EXPECT_EQ(g.s.hiscoreName[size_t(r)], kTable[size_t(r)].first) << r;
  }
}

// A table that cannot be read at the confirmation (it was readable at the game's end) is not
// replaced by empty rows: the rows the panel shows are the ones kept.
TEST(HighScoreTable, AConfirmationAfterTheTableBecameUnreadableKeepsTheShownRows) {
  Game g;
  g.writeScores(fileOf(kTable));
  clockRunsOut(g, 600);
  std::filesystem::remove(g.dir.path() / "extract.ext");
  std::filesystem::create_directory(g.dir.path() / "extract.ext");
  confirm(g, 1000);
  EXPECT_EQ(shownRows(g), inserted(kTable, 2, "BRIMEL", "600"));
  EXPECT_EQ(g.calls("warning").size(), 1u);
}

TEST(HighScoreTable, EnterInTheNameBoxConfirmsAsTheClickDoes) {
  Game g;
  g.writeScores(fileOf(kTable));
  playGame(g, 0, 600);
  ASSERT_TRUE(g.sc[Picture1].visible);
  g.hp.press(140000, key::Return); // the box has no focus yet: nothing happens
  g.run();
  EXPECT_TRUE(g.sc[Picture1].visible);
  clearNameBox(g, 140100);
  g.hp.type(140200, "Čert");
  g.hp.press(140300, key::Return);
  g.run();
  EXPECT_FALSE(g.sc[Picture1].visible);
  EXPECT_EQ(g.readScores(), fileOf(inserted(kTable, 2,
                                            "\xC8"
                                            "ert",
                                            "600")));
  g.hp.press(140400, key::Return); // once confirmed, Enter does nothing more
  g.run();
  EXPECT_EQ(g.readScores(), fileOf(inserted(kTable, 2,
                                            "\xC8"
                                            "ert",
                                            "600")));
}

TEST(HighScoreTable, PointsShowAsTheirNumberAndNamesExactlyAsWritten) {
  Game g;
  g.writeScores("\"a,b\",\"0042\"\r\n"
                "\"\",\"12abc\"\r\n"
                "\" x \",\"abc\"\r\n"
                "\"-\",\"-0\"\r\n"
                "\"P\",\" -7\"\r\n"
                "\"Q\",\"+8\"\r\n"
                "\"R\",\"\"\r\n");
  Image5_Click(g.f);
  EXPECT_EQ(shownRows(g),
            (Rows{{"a,b", "42"}, {"", "12"}, {" x ", "0"}, {"-", "0"}, {"P", "-7"}, {"Q", "8"}, {"R", "0"}}));
  EXPECT_EQ(g.s.hiscorePoints[0], "0042") << "the array keeps the field as read";
}

TEST(HighScoreTable, MissingOrShortFileShowsDashRowsAndTheGameGoesOn) {
  const struct {
    const char *name;
    std::optional<std::string> file;
    Rows shown;
  } cases[] = {
      {"missing", std::nullopt, Rows(7, {"-", "0"})},
      {"empty", "", Rows(7, {"-", "0"})},
      {"two rows", "\"Ann\",\"900\"\r\n\"Bob\",\"700\"\r\n",
       Rows{{"Ann", "900"}, {"Bob", "700"}, {"-", "0"}, {"-", "0"}, {"-", "0"}, {"-", "0"}, {"-", "0"}}},
      {"a row cut short", "\"Ann\",\"900\"\r\n\"Bob\"",
       Rows{{"Ann", "900"}, {"Bob", "0"}, {"-", "0"}, {"-", "0"}, {"-", "0"}, {"-", "0"}, {"-", "0"}}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Game g;
    if (c.file) g.writeScores(*c.file);
    Image5_Click(g.f);
    EXPECT_TRUE(g.sc[Picture2].visible);
    EXPECT_EQ(shownRows(g), c.shown);

    g.clickOn(100, Image6, 10, 10);
    g.run();
    ASSERT_TRUE(g.sc[menu].visible);
    playGame(g, 200, 5);
    EXPECT_TRUE(g.sc[Picture1].visible) << "5 points beat a row of 0";
    confirm(g, 140000);
    Rows want = c.shown;
    want.insert(want.begin() + int(std::find_if(want.begin(), want.end(),
                                                [](const auto &r) { return std::atoi(r.second.c_str()) <= 5; }) -
                                   want.begin()),
                {"BRIMEL", "5"});
    want.pop_back();
    EXPECT_EQ(g.readScores(), fileOf(want)) << "the save makes a whole file of seven rows";
  }
}

TEST(HighScoreTable, MoreThanSevenRowsAreReadAsSevenAndWrittenBackAsSeven) {
  Game g;
  Rows nine = kTable;
  nine.push_back({"Hal", "50"});
  nine.push_back({"Ivy", "10"});
  g.writeScores(fileOf(nine));
  clockRunsOut(g, 150);
  EXPECT_EQ(shownRows(g), kTable);
  confirm(g, 1000);
  EXPECT_EQ(g.readScores(), fileOf(inserted(kTable, 6, "BRIMEL", "150")));
}

// The name box: typed text in events, the 20-character limit, the cleaning on confirmation.
TEST(HighScoreTable, NameBoxAndTheStoredName) {
  const std::string a25(25, 'a'), e25 = [] {
    std::string s;
    for (int i = 0; i < 25; ++i) s += "é";
    return s;
  }();
  const std::string a20(20, 'a'), e20 = e25.substr(0, 40);
  const struct {
    const char *name;
    std::vector<std::string> typed; // each a Text event; empty: the caption is set directly
    std::string direct;
    std::string box;    // the box afterwards
    std::string stored; // the name in the table (UTF-8)
    std::string bytes;  // the name in the file, when it differs from the above
  } cases[] = {
      {"25 letters in one event", {a25}, "", a20, a20},
      {"25 letters one by one", std::vector<std::string>(25, "a"), "", a20, a20},
      {"25 two-byte letters count as 25 characters", {e25}, "", e20, e20, std::string(20, '\xE9')},
      {"a box holding 25 characters all the same is cut on confirmation", {}, a25, a25, a20},
      {"a double quote becomes an apostrophe", {"Bob \"B\" Jr"}, "", "Bob \"B\" Jr", "Bob 'B' Jr"},
      {"control characters are not typed",
       {"A\tB\x01"
        "C"},
       "",
       "ABC",
       "ABC"},
      {"nor are the C1 controls, which would eat into the 20",
       {"A\xC2\x85"
        "B\x7F",
        std::string(19, 'c')},
       "",
       "AB" + std::string(18, 'c'),
       "AB" + std::string(18, 'c')},
      {"an empty box gives an empty name", {}, "", "", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Game g;
    g.writeScores(fileOf(kTable));
    clockRunsOut(g, 650);
    clearNameBox(g, 100);
    int64_t t = 200;
    for (const auto &s : c.typed) g.hp.type(t++, s);
    g.hp.idleUntil(500);
    g.run();
    if (c.typed.empty()) g.sc.setCaption(Text1, c.direct);
    EXPECT_EQ(g.sc[Text1].caption, c.box);
    confirm(g, 1000);
    EXPECT_EQ(g.sc[highscore(2)].caption, c.stored);
    EXPECT_EQ(g.readScores(), fileOf(inserted(kTable, 2, c.bytes.empty() ? c.stored : c.bytes, "650")));
  }
}

// setenv for the length of one test.
class ScopedEnv {
public:
  ScopedEnv(const char *name, const std::string &value) : name_(name) {
    if (const char *old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

private:
  const char *name_;
  std::optional<std::string> old_;
};

// Files may grow to `bytes` at most while it lives; writing past that fails with EFBIG.
class ScopedFileSizeLimit {
public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldSignal_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~ScopedFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, oldSignal_);
  }

private:
  rlimit old_{};
  void (*oldSignal_)(int) = nullptr;
};

// Collects what the program writes on stderr. A pipe rather than a file, so that a file size
// limit set by the test does not cut the report short.
class StderrPipe {
public:
  StderrPipe() {
    std::fflush(stderr);
    if (::pipe(fds_) != 0) ADD_FAILURE() << "pipe";
    saved_ = ::dup(2);
    ::dup2(fds_[1], 2);
  }
  std::string take() {
    std::fflush(stderr);
    ::dup2(saved_, 2);
    ::close(saved_);
    ::close(fds_[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds_[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    ::close(fds_[0]);
    return out;
  }

private:
  int fds_[2] = {-1, -1};
  int saved_ = -1;
};

// Confirms a qualifying name when the save cannot succeed: the table stays shown with the new
// row, one line goes to stderr, the player gets a warning box.
void expectFailedSaveIsShown(Game &g, int64_t t) {
  StderrPipe pipe;
  confirm(g, t);
  const std::string err = pipe.take();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_TRUE(g.sc[Picture2].visible);
  EXPECT_EQ(g.sc[highscore(2)].caption, "BRIMEL");
  EXPECT_EQ(g.sc[hiscr(2)].caption, "650");
  const auto warnings = g.calls("warning");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], std::string(kSaveFailedTitle) + "|" + kSaveFailedText);
}

TEST(HighScoreTable, SaveFailsWhenTheFileIsAFolder) {
  Game g;
  std::filesystem::create_directory(g.dir.path() / "extract.ext");
  std::filesystem::path inside = g.dir.path() / "extract.ext" / "keep";
  std::ofstream(inside) << "x";
  Image5_Click(g.f);
  g.clickOn(100, Image6, 10, 10);
  g.run();
  playGame(g, 200, 650); // against a table of seven empty rows
  ASSERT_TRUE(g.sc[Picture1].visible);
  StderrPipe pipe;
  confirm(g, 140000);
  const std::string err = pipe.take();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(g.sc[highscore(0)].caption, "BRIMEL");
  EXPECT_TRUE(g.sc[Picture2].visible);
  EXPECT_EQ(g.calls("warning").size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(g.dir.path() / "extract.ext"));
  EXPECT_TRUE(std::filesystem::exists(inside));
  EXPECT_EQ(filesBesideTheLock(g.dir.path()), 1) << "no temporary file left behind";
}

// The warning box holds the program; the window behind it must already show the panel without
// the name box that the click closed.
TEST(HighScoreTable, TheWindowIsRepaintedBeforeTheSaveFailureBoxOpens) {
  Game g;
  g.hp.composeFrames = true;
  g.writeScores(fileOf(kTable));
  clockRunsOut(g, 650);
  g.run();
  std::filesystem::remove(g.dir.path() / "extract.ext");
  std::filesystem::create_directory(g.dir.path() / "extract.ext");
  const int before = g.hp.presents;
  int atTheBox = -1;
  bool nameBoxShownAtTheBox = true;
  g.hp.onDialog = [&] {
    atTheBox = g.hp.presents;
    nameBoxShownAtTheBox = g.sc.dirty() || g.sc[Picture1].visible;
  };
  confirm(g, 1000);
  EXPECT_GT(atTheBox, before) << "a frame was shown between the click and the box";
  EXPECT_FALSE(nameBoxShownAtTheBox);
}

TEST(HighScoreTable, SaveFailsPartWayAndTheOldFileStays) {
  Game g;
  const std::string before = fileOf(kTable);
  g.writeScores(before);
  clockRunsOut(g, 650);
  {
    ScopedFileSizeLimit limit(16); // the new table cannot be written out
    expectFailedSaveIsShown(g, 1000);
  }
  EXPECT_EQ(g.readScores(), before);
  EXPECT_EQ(filesBesideTheLock(g.dir.path()), 1) << "no temporary file";
  // The program goes on: the way back to the menu and the table again.
  g.clickOn(2000, Image6, 10, 10);
  g.clickOn(2100, Image5);
  g.run();
  EXPECT_EQ(shownRows(g), kTable) << "the next load shows the file, which kept the old table";
}

// A game whose program folder cannot be written: the table then lives in the user's data folder.
struct OtherFolderGame {
  explicit OtherFolderGame(const std::filesystem::path &programDir, bool shared = false) : hp(programDir) {
    f.platform.programDirShared = shared;
    f.scene.loadPictures(gameDir() / "pictures");
    Form_Load(f);
  }
  HeadlessPlatform hp;
  Form f{hp.platform()};
};

TEST(HighScoreTable, UnwritableProgramFolderKeepsTheTableInTheUserDataFolder) {
  TempDir tmp;
  std::ofstream(tmp.path() / "plain-file") << "not a folder";
  const auto programDir = tmp.path() / "plain-file" / "game"; // no one can write there, not even root
  const struct {
    const char *name;
    std::filesystem::path xdg;
    bool saves;
  } cases[] = {
      {"data folder usable", tmp.path() / "data", true},
      {"data folder unusable too", tmp.path() / "plain-file" / "data", false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ScopedEnv env("XDG_DATA_HOME", c.xdg.string());
    OtherFolderGame rg(programDir);
    Form &f = rg.f;
    f.s.points = 77;
    f.s.timeLeft = 1;
    StderrPipe quiet;
    Timer4_Timer(f);
    ASSERT_TRUE(f.scene[Picture1].visible);
    command1_Click(f);
    quiet.take();
    EXPECT_EQ(f.scene[highscore(0)].caption, "BRIMEL");
    EXPECT_TRUE(f.scene[Picture2].visible);
    const auto saved = c.xdg / "nadilka" / "extract.ext";
    size_t warnings = 0;
    for (const auto &call : rg.hp.calls) warnings += call.what == "warning";
    EXPECT_EQ(warnings, c.saves ? 0u : 1u);
    EXPECT_EQ(std::filesystem::exists(saved), c.saves);
    if (c.saves) {
      std::ifstream in(saved, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      EXPECT_EQ(bytes,
                fileOf(Rows{{"BRIMEL", "77"}, {"-", "0"}, {"-", "0"}, {"-", "0"}, {"-", "0"}, {"-", "0"}, {"-", "0"}}));
      // The next load reads the user's copy.
      f.scene.setCaption(highscore(0), "?");
      Image5_Click(f);
      EXPECT_EQ(f.scene[highscore(0)].caption, "BRIMEL");
    }
  }
}

// An installed system package: its data folder could be written by root, but the table it
// brings is only read; the player's scores go to the player's own data folder.
TEST(HighScoreTable, SharedDataFolderIsReadButNeverWritten) {
  TempDir tmp;
  const auto programDir = tmp.path() / "share" / "games" / "nadilka";
  std::filesystem::create_directories(programDir);
  const std::string installed = fileOf(kTable);
  std::ofstream(programDir / "extract.ext", std::ios::binary) << installed;
  ScopedEnv env("XDG_DATA_HOME", (tmp.path() / "data").string());
  OtherFolderGame rg(programDir, true);
  Form &f = rg.f;
  f.s.points = 950;
  f.s.timeLeft = 1;
  Timer4_Timer(f);
  ASSERT_TRUE(f.scene[Picture1].visible) << "950 beats the installed table's best row";
  EXPECT_EQ(f.scene[highscore(0)].caption, "Ann") << "the installed table is the one shown";
  command1_Click(f);
  EXPECT_EQ(f.scene[highscore(0)].caption, "BRIMEL");

  std::ifstream in(tmp.path() / "data" / "nadilka" / "extract.ext", std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(saved, fileOf(Rows{{"BRIMEL", "950"},
                               {"Ann", "900"},
                               {"Bob", "700"},
                               {"Cyd", "500"},
                               {"Dan", "500"},
                               {"Eve", "300"},
                               {"Fay", "200"}}));
  std::ifstream kept(programDir / "extract.ext", std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), {}), installed);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(programDir), {}), 1) << "nothing else written there";
}

// The end of a game, played for real.
TEST(HighScoreTable, EndOfGameShowsTheNameBoxOnlyToAQualifyingScore) {
  for (double points : {100.0, 101.0}) {
    SCOPED_TRACE(points);
    Game g;
    g.writeScores(fileOf(kTable));
    playGame(g, 0, points);
    const bool qualifies = points > 100;
    EXPECT_TRUE(g.sc[Picture2].visible);
    EXPECT_FALSE(g.sc[menu].visible);
    EXPECT_EQ(g.sc[Picture1].visible, qualifies);
    // While the box shows it covers the rows; a click there reaches the box, not a row.
    auto [x, y] = g.at(highscore(1), 3, 3);
    const Id hit = g.sc.hitTest(x, y);
    if (qualifies)
      EXPECT_TRUE(hit == Picture1 || g.sc[hit].parent == Picture1) << g.sc[hit].name;
    else
      EXPECT_EQ(hit, highscore(1)) << g.sc[hit].name;
    EXPECT_EQ(g.sc[Text1].caption, "BRIMEL");
  }
}

TEST(HighScoreTable, TableFromTheMenuHidesANameBoxLeftOpen) {
  Game g;
  g.writeScores(fileOf(kTable));
  playGame(g, 0, 600);
  ASSERT_TRUE(g.sc[Picture1].visible);
  g.clickOn(140000, Image6, 10, 10); // back to the menu without confirming
  g.run();
  ASSERT_FALSE(g.sc[Picture2].visible);
  g.clickOn(141000, Image5);
  g.run();
  EXPECT_TRUE(g.sc[Picture2].visible);
  EXPECT_FALSE(g.sc[Picture1].visible);
  EXPECT_EQ(shownRows(g), kTable);
  EXPECT_EQ(g.readScores(), fileOf(kTable));
}

TEST(HighScoreTable, EscapeWhileTypingReturnsToTheMenuBehindThePanel) {
  Game g;
  g.writeScores(fileOf(kTable));
  playGame(g, 0, 600);
  g.clickOn(140000, Text1, 150, 5);
  g.hp.type(140100, "X");
  g.hp.press(140200, key::Escape);
  g.hp.type(140300, "Y");
  g.run();
  EXPECT_TRUE(g.sc[menu].visible);
  EXPECT_TRUE(g.sc[Picture2].visible);
  EXPECT_TRUE(g.sc[Picture1].visible);
  auto [x, y] = g.at(Text1, 5, 5);
  EXPECT_EQ(g.sc.hitTest(x, y), Text1) << "the panel stays in front of the menu";
  EXPECT_EQ(g.sc[Text1].caption, "BRIMELXY");
  const auto music = g.musicCalls();
  EXPECT_EQ(std::vector<std::string>(music.end() - 2, music.end()),
            (std::vector<std::string>{"file menu.mid", "play"}));
  confirm(g, 141000);
  EXPECT_EQ(g.sc[highscore(2)].caption, "BRIMELXY");
}

TEST(HighScoreTable, TabReachesTheNameBoxWithoutTheMouseAndTypingGoesIn) {
  Game g;
  g.writeScores(fileOf(kTable));
  playGame(g, 0, 600);
  ASSERT_TRUE(g.sc[Picture1].visible);
  ASSERT_EQ(g.sc.focus(), pic);
  // The menu, the information panel and the sprites are hidden and skipped.
  int64_t t = 140000;
  for (Id next : {logo, l2, l1, Picture2, Picture1, Text1}) {
    g.hp.press(t += 100, key::Tab);
    g.run();
    EXPECT_EQ(g.sc.focus(), next) << g.sc[g.sc.focus()].name;
  }
  EXPECT_TRUE(g.hp.textInput);
  g.hp.type(t += 100, "Ž");
  g.hp.keyDown(t += 100, key::Left); // the box's keys still work, and the window still sees them
  g.hp.type(t += 100, "X");
  g.run();
  EXPECT_EQ(g.sc[Text1].caption, "BRIMELXŽ");
  EXPECT_EQ(g.s.horizDir, HorizDir::Left);
  g.hp.keyUp(t += 100, key::Left);
  // Shift+Tab goes back.
  Event back{.kind = EventKind::KeyDown, .code = key::Tab, .shift = true};
  g.hp.at(t += 100, back);
  g.hp.keyUp(t, key::Tab);
  g.run();
  EXPECT_EQ(g.sc.focus(), Picture1);
  EXPECT_FALSE(g.hp.textInput);
  g.hp.type(t += 100, "Y");
  g.run();
  EXPECT_EQ(g.sc[Text1].caption, "BRIMELXŽ") << "typing goes nowhere without the focus";
  confirm(g, t + 1000);
  EXPECT_EQ(g.sc[highscore(2)].caption, "BRIMELXŽ");
}

TEST(HighScoreTable, PauseWhileTypingAndTheBoxTypesOnAfterIt) {
  Game g;
  g.writeScores(fileOf(kTable));
  playGame(g, 0, 600);
  g.clickOn(140000, Text1, 150, 5);
  g.hp.keyDown(140100, key::P);
  g.hp.type(140100, "p");
  g.hp.keyUp(140100, key::P);
  g.hp.type(140200, "lost"); // typed at the open pause box
  g.hp.closeDialog(140300);
  g.hp.type(140400, "q");
  g.run();
  ASSERT_EQ(g.calls("msgbox").size(), 1u);
  EXPECT_EQ(g.calls("msgbox")[0], std::string(kPauseTitle) + "|" + kPauseText);
  EXPECT_EQ(g.sc[Text1].caption, "BRIMELpq");
}

TEST(HighScoreTable, SpaceWhileTypingDropsAGiftAndOnlyItsTextTypes) {
  Game g;
  g.writeScores(fileOf(kTable));
  playGame(g, 0, 600);
  for (int i = 0; i <= 5; ++i) ASSERT_FALSE(g.s.giftActive[size_t(i)]);
  g.clickOn(140000, Text1, 150, 5);
  g.hp.press(140100, key::Space);
  g.hp.idleUntil(140150);
  g.run();
  EXPECT_TRUE(g.s.giftActive[0]) << "the window saw the key first";
  EXPECT_EQ(g.sc[Text1].caption, "BRIMEL") << "the key alone types nothing";
  g.hp.type(140200, " ");
  g.hp.idleUntil(140250);
  g.run();
  EXPECT_EQ(g.sc[Text1].caption, "BRIMEL ");
}

} // namespace
} // namespace nad::test
