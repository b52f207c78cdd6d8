#include "frontend/highscore_file.h"
#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace nad::hiscore;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "hiscore-test-XXXXXX").string();
    path = ::mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path, ec);
  }
};

std::string readFile(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const fs::path &p, const std::string &bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::vector<std::string> folderEntries(const fs::path &dir) {
  std::vector<std::string> names;
  for (const auto &e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

// Rows not listed must keep the defaults.
void expectRows(const Table &t, const std::vector<Record> &rows) {
  for (int r = 0; r < kRows; ++r) {
    SCOPED_TRACE("row " + std::to_string(r));
    const Record want = r < static_cast<int>(rows.size()) ? rows[r] : Record{};
    EXPECT_EQ(t[r].name, want.name);
    EXPECT_EQ(t[r].points, want.points);
  }
}

const std::string kSevenCrLf = "\"Ann\",\"700\"\r\n\"Ben\",\"600\"\r\n\"Cyril\",\"500\"\r\n\"Dan\",\"400\"\r\n"
                               "\"Eva\",\"300\"\r\n\"Filip\",\"200\"\r\n\"Gita\",\"100\"\r\n";
const std::vector<Record> kSevenRows = {{"Ann", "700"}, {"Ben", "600"},   {"Cyril", "500"}, {"Dan", "400"},
                                        {"Eva", "300"}, {"Filip", "200"}, {"Gita", "100"}};

} // namespace

TEST(HighscoreParse, FileContentsGiveTheseRows) {
  struct Case {
    const char *what;
    std::string bytes;
    std::vector<Record> rows;
  };
  const std::vector<Case> cases = {
      {"seven records", kSevenCrLf, kSevenRows},
      {"more than seven", kSevenCrLf + "\"Hugo\",\"50\"\r\n\"Ivan\",\"10\"\r\n", kSevenRows},
      {"fewer than seven",
       "\"Ann\",\"9\"\r\n\"Ben\",\"8\"\r\n\"Cyril\",\"7\"\r\n",
       {{"Ann", "9"}, {"Ben", "8"}, {"Cyril", "7"}}},
      {"empty file", "", {}},
      {"LF line ends", "\"Ann\",\"9\"\n\"Ben\",\"8\"\n", {{"Ann", "9"}, {"Ben", "8"}}},
      {"CR line ends", "\"Ann\",\"9\"\r\"Ben\",\"8\"\r", {{"Ann", "9"}, {"Ben", "8"}}},
      {"empty lines give no fields", "\r\n\r\n\"Ann\",\"9\"\r\n  \r\n\n\"Ben\",\"8\"", {{"Ann", "9"}, {"Ben", "8"}}},
      {"leading blanks, junk after the quote", " \t\"Ann\" x, \t \"9\"junk\r\n", {{"Ann", "9"}}},
      {"unquoted fields trimmed", "  Ann Lee \t, 9 \r\nBen,8", {{"Ann Lee", "9"}, {"Ben", "8"}}},
      {"points kept as written",
       "\"a\",\"0042\"\r\n\"b\",\"12abc\"\r\n\"c\",\"abc\"\r\n\"d\",\"-7\"\r\n\"e\",\" 3.5x\"\r\n",
       {{"a", "0042"}, {"b", "12abc"}, {"c", "abc"}, {"d", "-7"}, {"e", " 3.5x"}}},
      {"empty name and empty points", "\"\",\"\"\r\n\"x\",\r\n", {{"", ""}, {"x", ""}}},
      {"comma inside quotes", "\"Nov\xE1k, Jan\",\"5\"\r\n", {{"Novák, Jan", "5"}}},
      {"cp1250 Dvořák", "\"\x44\x76\x6F\xF8\xE1\x6B\",\"1\"\r\n", {{"Dvořák", "1"}}},
      {"undefined cp1250 byte", "\"a\x81z\",\"1\"\r\n", {{"a\xEF\xBF\xBDz", "1"}}},
      {"line end is only a separator", "\"Ann\"\r\n\"Ben\",\"8\"\r\n", {{"Ann", "Ben"}, {"8", "0"}}},
      {"quoted field spans a line end", "\"An\r\nn\",\"9\"", {{"An\r\nn", "9"}}},
      {"unclosed quote runs to the end", "\"Ann\",\"9", {{"Ann", "9"}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    expectRows(parse(c.bytes), c.rows);
  }
}

TEST(HighscoreParse, MoreThanSevenRecordsWriteBackSeven) {
  const Table t = parse(kSevenCrLf + "\"Hugo\",\"50\"\r\n");
  EXPECT_EQ(format(t), kSevenCrLf);
}

TEST(HighscoreNumbers, NumberValue) {
  const std::string nines(100000, '9');
  const struct {
    std::string text;
    double value;
  } cases[] = {
      {"0042", 42},
      {"12abc", 12},
      {"abc", 0},
      {"-7", -7},
      {" 3.5x", 3.5},
      {"\t+8", 8},
      {"", 0},
      {"-", 0},
      {".5", 0.5},
      {"-.25", -0.25},
      {"5.", 5},
      {"1e3", 1},
      {"1 2", 1},
      {"12.5.3", 12.5},
      {"- 5", 0},
      {"999999999999999", 999999999999999.0},
      {nines, 1e15},
      {"-" + nines, -1e15},
      {std::string(100000, '0') + "7", 7}, // leading zeros do not push the number to the clamp
      {"0." + std::string(100000, '0') + "1", 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text.substr(0, 30));
    EXPECT_EQ(numberValue(c.text), c.value);
  }
  EXPECT_FALSE(std::signbit(numberValue("-0")));
  EXPECT_FALSE(std::signbit(numberValue("-0.0")));
}

TEST(HighscoreNumbers, NumberText) {
  const struct {
    double value;
    const char *text;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {42, "42"},
      {-7, "-7"},
      {0.5, "0"},
      {1.5, "2"},
      {2.5, "2"},
      {-2.5, "-2"},
      {-0.4, "0"},
      {-0.5, "0"},
      {2.6, "3"},
      {-3.5, "-4"},
      {123456789012.0, "123456789012"},
      {1e15, "1000000000000000"},
      {1e300, "1000000000000000"},
      {-std::numeric_limits<double>::infinity(), "-1000000000000000"},
      {std::numeric_limits<double>::quiet_NaN(), "0"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(numberText(c.value), c.text);
  }
  for (double v : {0.0, 1.0, -1.0, 9.0, 10.0, -100.0, 2500.0, 1234567.0, -999999999999999.0, 1e15})
    EXPECT_EQ(numberValue(numberText(v)), v) << v;
}

TEST(HighscoreNames, CleanName) {
  const std::string twentyTwoR = [] {
    std::string s;
    for (int i = 0; i < 22; ++i) s += "Ř";
    return s;
  }();
  const struct {
    const char *what;
    std::string in, out;
  } cases[] = {
      {"Czech letters kept", "Ježíšek", "Ježíšek"},
      {"cut to 20 code points, not bytes", twentyTwoR, twentyTwoR.substr(0, 40)},
      {"exactly 20 kept", "abcdefghijklmnopqrst", "abcdefghijklmnopqrst"},
      {"controls do not count",
       "a\tb\rc\nd\x7F"
       "e\xC2\x85"
       "fghijklmnopqrstuvwxyz",
       "abcdefghijklmnopqrst"},
      {"double quote becomes apostrophe", "Say \"hi\"", "Say 'hi'"},
      {"comma kept", "Novák, Jan", "Novák, Jan"},
      {"invalid byte dropped",
       "ab\xFF"
       "c",
       "abc"},
      {"truncated sequence dropped", "ab\xC5", "ab"},
      {"overlong slash dropped",
       "a\xC0\xAF"
       "b",
       "ab"},
      {"surrogate dropped",
       "a\xED\xA0\x80"
       "b",
       "ab"},
      {"outside cp1250 becomes ?", "日本 🎄", "?? ?"},
      {"euro is in cp1250", "5€", "5€"},
      {"empty", "", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string got = cleanName(c.in);
    EXPECT_EQ(got, c.out);
    EXPECT_EQ(cleanName(got), got);
  }
  EXPECT_EQ(nad::utf8::length("Dvořák"), 6u);
  EXPECT_EQ(nad::utf8::length("🎄x"), 2u);
}

TEST(HighscoreCodePage, EveryDefinedByteRoundTrips) {
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = cp1250ToUtf8(byte);
    if (utf8 == "\xEF\xBF\xBD") {
      ++undefined;
      EXPECT_EQ(utf8ToCp1250(utf8), "?");
    } else {
      EXPECT_EQ(utf8ToCp1250(utf8), byte) << "byte " << b;
      EXPECT_EQ(nad::utf8::length(utf8), 1u) << "byte " << b;
    }
  }
  EXPECT_EQ(undefined, 5);
  EXPECT_EQ(cp1250ToUtf8("\x44\x76\x6F\xF8\xE1\x6B"), "Dvořák");
  EXPECT_EQ(utf8ToCp1250("Čert € ŽŠ"), "\xC8\x65rt \x80 \x8E\x8A");
  EXPECT_EQ(utf8ToCp1250("a\xFF"
                         "b"),
            "a?b");
}

TEST(HighscoreFormat, ExactBytes) {
  Table t;
  t[0] = {"Dvořák", "0042"};
  t[1] = {"Novák, Jan", "-7"};
  t[2] = {"", "abc"};
  t[3] = {"日本🎄", "2.5"};
  t[4] = {"a\"b\r\nc", "1e3"};
  EXPECT_EQ(format(t), "\"Dvo\xF8\xE1k\",\"42\"\r\n"
                       "\"Nov\xE1k, Jan\",\"-7\"\r\n"
                       "\"\",\"0\"\r\n"
                       "\"???\",\"2\"\r\n"
                       "\"a'bc\",\"1\"\r\n"
                       "\"-\",\"0\"\r\n"
                       "\"-\",\"0\"\r\n");
}

TEST(HighscoreFormat, CleanedTablesRoundTrip) {
  // Fixed seed: mt19937's sequence is fixed by the standard, so the cases are the same each run.
  std::mt19937 rng(2412);
  const std::vector<std::string> pieces = {"a", "Ř", "ů",  "\"",   ",", " ", "\t", "\r\n",     "\xFF", "\xC5",
                                           "🎄", "€", "日", "\x81", "-", "0", "'",  "\xC2\x85", "ß",    "  "};
  for (int n = 0; n < 2000; ++n) {
    Table t;
    for (Record &r : t) {
      std::string raw;
      for (auto k = int(rng() % 30); k > 0; --k) raw += pieces[rng() % pieces.size()];
      r.name = cleanName(raw);
      const double v = static_cast<double>(static_cast<std::int64_t>(rng() % 2000001) - 1000000) / 4;
      r.points = numberText(v);
    }
    ASSERT_EQ(parse(format(t)), t) << format(t);
  }
}

TEST(HighscoreLoad, MissingShortAndUnreadableFilesGiveDefaults) {
  TempDir dir;
  const fs::path file = dir.path / kFileName;

  LoadResult r = load(file);
  EXPECT_FALSE(r.complete);
  EXPECT_FALSE(r.status.ok());
  expectRows(r.table, {});

  writeFile(file, "\"Ann\",\"9\"\r\n\"Ben\"\r\n");
  r = load(file);
  EXPECT_FALSE(r.complete);
  EXPECT_FALSE(r.status.ok());
  expectRows(r.table, {{"Ann", "9"}, {"Ben", "0"}});

  writeFile(file, kSevenCrLf);
  r = load(file);
  EXPECT_TRUE(r.complete);
  EXPECT_TRUE(r.status.ok());
  expectRows(r.table, kSevenRows);

  r = load(dir.path); // a folder where the file should be
  EXPECT_FALSE(r.complete);
  EXPECT_FALSE(r.status.ok());
  expectRows(r.table, {});
}

TEST(HighscoreSave, ReplacesTheFileAndKeepsItsAccess) {
  TempDir dir;
  const fs::path file = dir.path / kFileName;
  writeFile(file, "old");
  ::chmod(file.c_str(), 0644);
  Table t;
  t[0] = {"Mikuláš", "2500"};

  EXPECT_EQ(save(file, t).reason(), "");
  EXPECT_EQ(readFile(file), format(t));
  EXPECT_EQ(folderEntries(dir.path), std::vector<std::string>{kFileName});
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  const fs::path nested = dir.path / "share" / "nadilka" / kFileName;
  EXPECT_EQ(save(nested, t).reason(), "");
  EXPECT_EQ(load(nested).table, t);
}

TEST(HighscoreSave, SweepsOnlyItsOwnOldTemporariesAndNeverAPlayersFiles) {
  // Files a player may keep beside the table, all untouched for hours: copies made by hand, one
  // that looks exactly like a temporary of an older version of the game (name plus six
  // characters), and hidden files that are not ours.
  const std::vector<std::string> players = {
      "extract.ext.backup",
      "extract.ext.orig01",
      "extract.ext.AbC123",
      ".extract.ext.AbC123",
      ".hidden-notes",
      ".nadilka-save-extract.ext.bak",
      ".nadilka-save-extract.ext.AbC1234",
      ".nadilka-save-other.ext.AbC123",
      ".nadilka-save-extract.ext.Ab-123",
  };
  struct Case {
    const char *name;
    std::chrono::seconds age;
    bool swept;
  };
  const Case ours[] = {
      {".nadilka-save-extract.ext.a1B2c3", std::chrono::hours(2), true}, // left by a killed save
      {".nadilka-save-extract.ext.q9W8e7", std::chrono::seconds(61), true},
      {".nadilka-save-extract.ext.zZ9yY8", std::chrono::seconds(0), false},  // another copy saving now
      {".nadilka-save-extract.ext.Mm0Nn1", std::chrono::seconds(50), false}, // within the minute
  };
  TempDir dir;
  const fs::path file = dir.path / kFileName;
  const auto now = fs::file_time_type::clock::now();
  for (const std::string &n : players) {
    writeFile(dir.path / n, "mine: " + n);
    fs::last_write_time(dir.path / n, now - std::chrono::hours(2));
  }
  for (const Case &c : ours) {
    writeFile(dir.path / c.name, "\"half");
    fs::last_write_time(dir.path / c.name, now - c.age);
  }

  EXPECT_EQ(save(file, Table{}).reason(), "");
  EXPECT_EQ(load(file).table, Table{});
  for (const std::string &n : players) EXPECT_EQ(readFile(dir.path / n), "mine: " + n) << n;
  for (const Case &c : ours) EXPECT_EQ(fs::exists(dir.path / c.name), !c.swept) << c.name;
  std::vector<std::string> left = folderEntries(dir.path);
  EXPECT_EQ(left.size(), players.size() + 1 + 2) << "the save left a temporary of its own";
}

TEST(HighscoreSave, TheTemporaryACrashLeavesIsHiddenAndSweptOnceOld) {
  TempDir dir;
  const fs::path file = dir.path / kFileName;
  writeFile(dir.path / "extract.ext.backup", "mine");
  fs::last_write_time(dir.path / "extract.ext.backup", fs::file_time_type::clock::now() - std::chrono::hours(2));
  SaveHooks hooks;
  hooks.crashAfter = [](std::string_view s) { return s == "written"; };
  EXPECT_NE(save(file, Table{}, &hooks).reason(), "");

  std::vector<std::string> left = folderEntries(dir.path);
  std::sort(left.begin(), left.end());
  ASSERT_EQ(left.size(), 2u);
  const std::string leftover = left[0];
  EXPECT_EQ(leftover.substr(0, 26), ".nadilka-save-extract.ext.");
  EXPECT_EQ(leftover.size(), 32u);
  EXPECT_EQ(left[1], "extract.ext.backup");

  // A save within the minute keeps it (it may belong to a copy of the game saving now)...
  EXPECT_EQ(save(file, Table{}).reason(), "");
  EXPECT_TRUE(fs::exists(dir.path / leftover));
  // ...a later one sweeps it, and only it.
  fs::last_write_time(dir.path / leftover, fs::file_time_type::clock::now() - std::chrono::minutes(2));
  EXPECT_EQ(save(file, Table{}).reason(), "");
  left = folderEntries(dir.path);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{kFileName, "extract.ext.backup"}));
  EXPECT_EQ(readFile(dir.path / "extract.ext.backup"), "mine");
}

TEST(HighscoreSave, UnwritablePlacesGiveAReasonAndTouchNothing) {
  TempDir dir;
  const fs::path notAFolder = dir.path / "plain";
  writeFile(notAFolder, "keep");
  EXPECT_NE(save(notAFolder / kFileName, Table{}).reason(), "");
  EXPECT_EQ(readFile(notAFolder), "keep");

  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  const fs::path locked = dir.path / "locked";
  fs::create_directory(locked);
  writeFile(locked / kFileName, "old");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_NE(save(locked / kFileName, Table{}).reason(), "");
  EXPECT_EQ(readFile(locked / kFileName), "old");
  EXPECT_EQ(folderEntries(locked), std::vector<std::string>{kFileName});
}

// A table (or settings file) kept elsewhere and linked into place stays linked: the file the
// link names gets the new rows, written beside itself and keeping its access bits. A link to
// anything but a regular file is never written through.
TEST(HighscoreSave, ALinkIsFollowedToARegularFileAndNothingElseIsReplaced) {
  Table t;
  t[0] = {"Sdílený", "999"};
  struct Case {
    const char *name;
    std::function<fs::path(const fs::path &elsewhere)> make; // the link's target, made there
    bool saves;
  };
  const Case cases[] = {
      {"a regular file in another folder",
       [](const fs::path &e) {
         writeFile(e / "table", "old");
         ::chmod((e / "table").c_str(), 0600);
         return e / "table";
       },
       true},
      {"a link to a link to a regular file",
       [](const fs::path &e) {
         writeFile(e / "table", "old");
         ::chmod((e / "table").c_str(), 0600);
         fs::create_symlink("table", e / "middle");
         return e / "middle";
       },
       true},
      {"a device", [](const fs::path &) { return fs::path("/dev/zero"); }, false},
      {"a FIFO",
       [](const fs::path &e) {
         ::mkfifo((e / "fifo").c_str(), 0644);
         return e / "fifo";
       },
       false},
      {"a folder",
       [](const fs::path &e) {
         fs::create_directory(e / "folder");
         return e / "folder";
       },
       false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TempDir run, elsewhere;
    const fs::path target = c.make(elsewhere.path), link = run.path / kFileName;
    fs::create_symlink(target, link);
    const std::string reason = save(link, t).reason();
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(folderEntries(run.path), std::vector<std::string>{kFileName}) << "nothing written beside the link";
    if (c.saves) {
      EXPECT_EQ(reason, "");
      EXPECT_EQ(readFile(link), format(t));
      const fs::path file = fs::canonical(link);
      struct stat st {};
      ASSERT_EQ(::stat(file.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0600u) << "the target keeps its access";
      EXPECT_EQ(load(link).table, t);
    } else {
      EXPECT_NE(reason.find("not a regular file"), std::string::npos) << reason;
      EXPECT_FALSE(load(link).readable);
    }
  }
}

// Anything but a regular file in the table's place is reported like an unreadable file at once,
// without waiting for a writer to open a FIFO, and is never replaced.
TEST(HighscoreLoad, AFifoOrADeviceIsUnreadableAndNeverBlocks) {
  TempDir dir;
  const fs::path fifo = dir.path / kFileName;
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  for (const fs::path &p : {fifo, fs::path("/dev/zero"), fs::path("/dev/null")}) {
    SCOPED_TRACE(p.string());
    const LoadResult r = load(p); // a blocking open would hang the test here
    EXPECT_FALSE(r.readable);
    EXPECT_NE(r.status.reason().find("not a regular file"), std::string::npos) << r.status.reason();
    expectRows(r.table, {});
  }
  EXPECT_NE(save(fifo, Table{}).reason(), "");
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(HighscoreSave, ANewFileGetsReadableAccessLessTheUmask) {
  TempDir dir;
  for (const auto &[mask, mode] : {std::pair{0022u, 0644u}, {0077u, 0600u}, {0002u, 0644u}}) {
    SCOPED_TRACE(mask);
    const fs::path file = dir.path / ("t" + std::to_string(mask)) / kFileName;
    const mode_t old = ::umask(mask);
    const std::string reason = save(file, Table{}).reason();
    ::umask(old);
    EXPECT_EQ(reason, "");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, mode);
  }
}

// Two holders of the table's lock take turns: the second waits until the first lets go.
TEST(HighscoreSave, TheLockIsHeldByOneCopyAtATime) {
  TempDir dir;
  const fs::path file = dir.path / kFileName;
  std::atomic<bool> released{false};
  std::optional<nad::files::FileLock> first(std::in_place, file);
  ASSERT_TRUE(first->status().ok());
  std::thread other([&] {
    // flock locks belong to open files, so a second open in this process contends like another copy.
    const nad::files::FileLock second(file);
    EXPECT_TRUE(released.load()) << "the second lock was granted while the first was held";
    EXPECT_TRUE(second.status().ok());
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  released = true;
  first.reset();
  other.join();
}

TEST(HighscoreSave, FailureOrCrashAfterEachStepLeavesOldOrNewBytes) {
  Table t;
  t[0] = {"Sněhulák", "1800"};
  const std::string oldBytes = kSevenCrLf, newBytes = format(t);
  for (const char *step : {"created", "written", "synced", "renamed"}) {
    for (bool crash : {false, true}) {
      SCOPED_TRACE(std::string(crash ? "crash" : "failure") + " after " + step);
      TempDir dir;
      const fs::path file = dir.path / kFileName;
      writeFile(file, oldBytes);
      SaveHooks hooks;
      (crash ? hooks.crashAfter : hooks.failAfter) = [&](std::string_view s) { return s == step; };

      EXPECT_NE(save(file, t, &hooks).reason(), "");
      const std::string now = readFile(file);
      EXPECT_EQ(now, std::string_view(step) == "renamed" ? newBytes : oldBytes);
      if (!crash) {
        EXPECT_EQ(folderEntries(dir.path), std::vector<std::string>{kFileName});
      }

      // Whatever a crash left behind, the next save works and is what loads.
      EXPECT_EQ(save(file, t).reason(), "");
      EXPECT_EQ(load(file).table, t);
    }
  }
}

TEST(HighscoreLocate, ProgramFolderOrUserDataFolder) {
  TempDir dir;
  const fs::path prog = dir.path / "game";
  fs::create_directory(prog);
  writeFile(dir.path / "plain", "");
  // Under a regular file nothing can be created, whoever runs the test.
  const fs::path lockedProg = dir.path / "plain" / "game";
  const fs::path xdg = dir.path / "xdg", home = dir.path / "home";
  const fs::path xdgFile = xdg / "nadilka" / kFileName;
  const fs::path homeFile = home / ".local" / "share" / "nadilka" / kFileName;
  fs::create_directories(xdgFile.parent_path());
  const fs::path existingUser = dir.path / "xdg2";
  fs::create_directories(existingUser / "nadilka");
  writeFile(existingUser / "nadilka" / kFileName, kSevenCrLf);

  const std::string xdgS = xdg.string(), homeS = home.string(), existingS = existingUser.string();
  const struct {
    const char *what;
    fs::path programDir;
    const char *xdgDataHome, *home;
    fs::path read, write;
    bool shared = false; // a system package's data folder: written by no one, root included
  } cases[] = {
      {"writable program folder", prog, xdgS.c_str(), homeS.c_str(), prog / kFileName, prog / kFileName},
      {"locked, user file exists", lockedProg, existingS.c_str(), homeS.c_str(), existingUser / "nadilka" / kFileName,
       existingUser / "nadilka" / kFileName},
      {"locked, no user file yet", lockedProg, xdgS.c_str(), homeS.c_str(), lockedProg / kFileName, xdgFile},
      {"XDG unset", lockedProg, nullptr, homeS.c_str(), lockedProg / kFileName, homeFile},
      {"XDG empty", lockedProg, "", homeS.c_str(), lockedProg / kFileName, homeFile},
      {"XDG relative", lockedProg, "rel/data", homeS.c_str(), lockedProg / kFileName, homeFile},
      {"neither set", lockedProg, nullptr, nullptr, lockedProg / kFileName, lockedProg / kFileName},
      {"shared, no user file yet", prog, xdgS.c_str(), homeS.c_str(), prog / kFileName, xdgFile, true},
      {"shared, user file exists", prog, existingS.c_str(), homeS.c_str(), existingUser / "nadilka" / kFileName,
       existingUser / "nadilka" / kFileName, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const Location loc = locate(c.programDir, c.xdgDataHome, c.home, c.shared);
    EXPECT_EQ(loc.readPath, c.read);
    EXPECT_EQ(loc.writePath, c.write);
  }
}

#ifdef NADILKA_SOURCE_DIR
TEST(HighscoreInstalled, ShipsSevenOrderedRowsInTheExactFormat) {
  const fs::path file = fs::path(NADILKA_SOURCE_DIR) / "assets" / kFileName;
  const LoadResult r = load(file);
  ASSERT_TRUE(r.complete) << r.status.reason();
  for (int row = 1; row < kRows; ++row)
    EXPECT_GT(numberValue(r.table[row - 1].points), numberValue(r.table[row].points)) << "row " << row;
  EXPECT_EQ(r.table[0].name, "Ježíšek");
  EXPECT_EQ(format(r.table), readFile(file)); // already in the exact form the game writes
}
#endif
