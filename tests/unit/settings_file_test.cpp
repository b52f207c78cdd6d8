#include "platform/settings_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace nad::settings;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "settings-test-XXXXXX").string();
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

struct Case {
  std::string text;
  Settings values;
  std::vector<std::string> problems;
};

TEST(SettingsFile, ParseTakesGoodLinesAndNamesEachBadOne) {
  const std::vector<Case> cases = {
      {"", {}, {}},
      {"[window]\nmode = fullscreen\nscale = 3\nscaling = smooth\n", {3, true, true}, {}},
      {"[window]\r\nmode=windowed\r\nscale=1\r\nscaling=sharp\r\n", {1, false, false}, {}},
      {"  [ Window ]  \n  MODE =  FullScreen  \n# comment\n; comment\n\n", {{}, true, {}}, {}},
      {"[window]\nscale = 2\nscale = 4\n", {4, {}, {}}, {}},
      {"[window]\nmusic = off\n", {}, {"line 2: unknown setting 'music'"}},
      {"scale = 2\n", {}, {"line 1: 'scale' stands outside the [window] section"}},
      {"[sound]\nvolume = 3\n[window]\nscale = 2\n", {2, {}, {}}, {"line 1: unknown section '[sound]'"}},
      {"[window\nscale = 2\n",
       {},
       {"line 1: '[window' is not a section name", "line 2: 'scale' stands outside the [window] section"}},
      {"[window]\nscale = 0\nscale = 9\nscale = two\nscale = 2.0\nscale =\n",
       {},
       {"line 2: ' 0' is not a value of 'scale'", "line 3: ' 9' is not a value of 'scale'",
        "line 4: ' two' is not a value of 'scale'", "line 5: ' 2.0' is not a value of 'scale'",
        "line 6: '' is not a value of 'scale'"}},
      {"[window]\nmode = big\nscaling = blurry\n",
       {},
       {"line 2: ' big' is not a value of 'mode'", "line 3: ' blurry' is not a value of 'scaling'"}},
      {"[window]\nfullscreen\nscale = 2", {2, {}, {}}, {"line 2: 'fullscreen' is not a setting"}},
      {std::string("[window]\n\x01\x02garbage\xff\n", 20), {}, {"line 2: '?\?garbage?' is not a setting"}},
      // What a file quotes reaches the terminal without a bell, an escape sequence or a C1
      // control (U+009B opens a sequence too), and cut short.
      {"[window]\nscale\a\033[31m\r\033[2K = 2\n", {}, {"line 2: unknown setting 'scale??[31m??[2k'"}},
      {"[\033[31mred\a]\n", {}, {"line 1: unknown section '[?[31mred?]'"}},
      {"x\xc2\x9b = 1\n", {}, {"line 1: 'x?' stands outside the [window] section"}},
      {"[" + std::string(3000, 's') + "]\n", {}, {"line 1: unknown section '[" + std::string(39, 's') + "...'"}},
      {"[window]\nmode = " + std::string(3000, 'v') + "\n",
       {},
       {"line 2: ' " + std::string(39, 'v') + "...' is not a value of 'mode'"}},
      {"[window]\nč" + std::string(3000, 'k') + " = 1\n",
       {},
       {"line 2: unknown setting 'č" + std::string(39, 'k') + "...'"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    Parsed p = parse(c.text);
    EXPECT_EQ(p.values, c.values);
    EXPECT_EQ(p.problems, c.problems);
  }
}

TEST(SettingsFile, FormatReadsBackAsWritten) {
  for (std::optional<bool> fullscreen : {std::optional<bool>(), std::optional(true), std::optional(false)})
    for (std::optional<int> scale : {std::optional<int>(), std::optional(1), std::optional(8)})
      for (std::optional<bool> smooth : {std::optional<bool>(), std::optional(true), std::optional(false)}) {
        const Settings s{scale, fullscreen, smooth};
        Parsed p = parse(format(s));
        EXPECT_EQ(p.values, s);
        EXPECT_TRUE(p.problems.empty());
      }
  EXPECT_EQ(format({2, true, false}), "# nadilka: the window as it was when the game last ended. Written by the game;\n"
                                      "# the command line's options take precedence (nadilka --help).\n"
                                      "[window]\nmode = fullscreen\nscale = 2\nscaling = sharp\n");
}

Settings withTable(Settings s, const std::string &address) {
  s.table = nad::readTableAddress(address).value();
  return s;
}

TEST(SettingsFile, TheTableIsReadInItsOwnSectionWithItsCase) {
  const std::string link = "https://Nadilka.example.org/hra?table=AbC-9";
  const std::vector<Case> cases = {
      {"[tables]\ntable = " + link + "\n", withTable({}, link), {}},
      {"[window]\nscale = 2\n[Tables]\nTABLE=" + link + "  \n", withTable({2, {}, {}}, link), {}},
      {"[tables]\ntable = http://h/?table=a\ntable = " + link + "\n", withTable({}, link), {}},
      {"[tables]\ntable = http://h/\nscale = 2\n",
       {},
       {"line 2: ' http://h/' is not a shared table's address: it has no ?table=ID",
        "line 3: unknown setting 'scale'"}},
      {"[window]\ntable = " + link + "\n", {}, {"line 2: unknown setting 'table'"}},
      {"table = " + link + "\n", {}, {"line 1: 'table' stands outside the [tables] section"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    Parsed p = parse(c.text);
    EXPECT_EQ(p.values, c.values);
    EXPECT_EQ(p.problems, c.problems);
  }
}

TEST(SettingsFile, TheTableIsWrittenBackAsTheWindowChanges) {
  const Settings s = withTable({2, true, {}}, "http://127.0.0.1:8642/?table=Xy_1");
  EXPECT_EQ(format(s), "# nadilka: the window as it was when the game last ended. Written by the game;\n"
                       "# the command line's options take precedence (nadilka --help).\n"
                       "[window]\nmode = fullscreen\nscale = 2\n[tables]\ntable = http://127.0.0.1:8642/?table=Xy_1\n");
  TempDir dir;
  const fs::path path = dir.path / "settings.ini";
  ASSERT_TRUE(save(path, s).ok());
  const LoadResult back = load(path);
  EXPECT_TRUE(back.status.ok()) << back.status.reason();
  EXPECT_EQ(back.values, s);
}

TEST(SettingsFile, RandomBytesNeverCrashAndNeverGiveAValueOutsideItsRange) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::string text = "[window]\n";
    const int n = int(rng() % 200);
    for (int i = 0; i < n; ++i) text += "scale=mode\n[]#; 0123456789\xff"[rng() % 24];
    Parsed p = parse(text);
    if (p.values.scale) {
      EXPECT_GE(*p.values.scale, 1);
      EXPECT_LE(*p.values.scale, 8);
    }
  }
}

TEST(SettingsFile, LocateFollowsTheBaseDirectoryRules) {
  EXPECT_EQ(locate("/cfg", "/home/a"), fs::path("/cfg/nadilka/settings.ini"));
  EXPECT_EQ(locate("relative", "/home/a"), fs::path("/home/a/.config/nadilka/settings.ini"));
  EXPECT_EQ(locate("", "/home/a"), fs::path("/home/a/.config/nadilka/settings.ini"));
  EXPECT_EQ(locate(nullptr, "/home/a"), fs::path("/home/a/.config/nadilka/settings.ini"));
  EXPECT_EQ(locate(nullptr, ""), fs::path());
  EXPECT_EQ(locate(nullptr, nullptr), fs::path());
}

TEST(SettingsFile, LoadSaysInOneLineWhatWasWrong) {
  TempDir dir;
  const fs::path path = dir.path / "nadilka" / "settings.ini";

  LoadResult missing = load(path);
  EXPECT_EQ(missing.values, Settings{});
  EXPECT_TRUE(missing.readable);
  EXPECT_EQ(missing.status.reason(), "no settings in " + path.string() + " yet; the defaults apply");

  fs::create_directories(path); // a folder where the file should be
  LoadResult folder = load(path);
  EXPECT_EQ(folder.values, Settings{});
  EXPECT_FALSE(folder.readable);
  EXPECT_EQ(folder.status.reason(), "cannot read " + path.string() + ": not a regular file; the defaults apply");
  fs::remove(path);

  writeFile(path, std::string("\x7f"
                              "ELF\x02\x01\x01\0\0\0\n\xde\xad\n",
                              14));
  LoadResult garbage = load(path);
  EXPECT_EQ(garbage.values, Settings{});
  EXPECT_TRUE(garbage.readable);
  EXPECT_EQ(garbage.status.reason(),
            path.string() + ": line 1: '?ELF?\?\?\?\?\?' is not a setting (and 1 more); the file is ignored");

  writeFile(path, "[window]\nscale = 3\nvolume = 11\n");
  LoadResult partly = load(path);
  EXPECT_EQ(partly.values, (Settings{3, {}, {}}));
  EXPECT_EQ(partly.status.reason(), path.string() + ": line 3: unknown setting 'volume'; such lines are ignored");

  writeFile(path, format({2, true, true}));
  LoadResult good = load(path);
  EXPECT_EQ(good.values, (Settings{2, true, true}));
  EXPECT_TRUE(good.status.ok());

  if (::geteuid() != 0) { // root reads anything
    ::chmod(path.c_str(), 0);
    LoadResult locked = load(path);
    EXPECT_FALSE(locked.readable);
    EXPECT_EQ(locked.status.reason(), "cannot open " + path.string() + ": Permission denied; the defaults apply");
  }
}

TEST(SettingsFile, SaveCreatesTheFolderAndReplacesTheFileWhole) {
  TempDir dir;
  const fs::path path = dir.path / "config" / "nadilka" / "settings.ini";
  EXPECT_TRUE(save(path, {2, false, false}).ok());
  EXPECT_EQ(readFile(path), format({2, false, false}));
  EXPECT_TRUE(save(path, {1, true, {}}).ok());
  EXPECT_EQ(readFile(path), format({1, true, {}}));
  EXPECT_EQ(load(path).values, (Settings{1, true, {}}));
  // Nothing left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto &e : fs::directory_iterator(path.parent_path())) ++entries;
  EXPECT_EQ(entries, 1);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  writeFile(dir.path / "file", "x"); // a file where a folder is needed
  const std::string problem = save(dir.path / "file" / "settings.ini", {2, {}, {}}).reason();
  EXPECT_NE(problem.find("cannot create folder"), std::string::npos) << problem;
}

} // namespace
