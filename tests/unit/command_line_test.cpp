#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace nad::options;

namespace {

CommandLine run(const std::vector<std::string_view> &args) { return parse(args); }

struct Good {
  std::vector<std::string_view> args;
  Action action;
  WindowChoice window;
};

TEST(CommandLine, GoodArgumentsGiveTheirChoice) {
  const std::vector<Good> cases = {
      {{}, Action::Run, {}},
      {{"--scale", "2"}, Action::Run, {2, {}, {}}},
      {{"--scale=8"}, Action::Run, {8, {}, {}}},
      {{"--scale", "1", "--scale", "3"}, Action::Run, {3, {}, {}}}, // the later one counts
      {{"--fullscreen"}, Action::Run, {{}, true, {}}},
      {{"--windowed"}, Action::Run, {{}, false, {}}},
      {{"--fullscreen", "--windowed"}, Action::Run, {{}, false, {}}},
      {{"--smooth"}, Action::Run, {{}, {}, true}},
      {{"--smooth", "--sharp"}, Action::Run, {{}, {}, false}},
      {{"--full", "--sc", "4", "--sm"}, Action::Run, {4, true, true}}, // unambiguous abbreviations
      {{"--win", "--sh"}, Action::Run, {{}, false, false}},
      {{"--scale", "2", "--"}, Action::Run, {2, {}, {}}},
      {{"--help"}, Action::Help, {}},
      {{"-h"}, Action::Help, {}},
      {{"--he"}, Action::Help, {}},
      {{"--version"}, Action::Version, {}},
      {{"--fullscreen", "--version", "--bogus"}, Action::Version, {}}, // decided before the fault
      {{"--help", "--scale", "99"}, Action::Help, {}},
  };
  for (const Good &c : cases) {
    std::string shown;
    for (auto a : c.args) shown += std::string(a) + " ";
    SCOPED_TRACE(shown);
    CommandLine got = run(c.args);
    EXPECT_EQ(got.action, c.action);
    EXPECT_EQ(got.error, "");
    if (c.action == Action::Run) {
      EXPECT_EQ(got.window, c.window);
    }
  }
}

struct Bad {
  std::vector<std::string_view> args;
  std::string error;
};

TEST(CommandLine, EachFaultGivesOneLineNamingIt) {
  const std::vector<Bad> cases = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-x"}, "unknown option '-x'"},
      {{"-"}, "unexpected argument '-'"},
      {{"game.sav"}, "unexpected argument 'game.sav'"},
      {{"--", "--help"}, "unexpected argument '--help'"},
      {{"--s"}, "option '--s' is ambiguous (--scale, --smooth, --sharp)"},
      {{"--=2"}, "unknown option '--'"},
      {{"--scale"}, "option '--scale' needs a value"},
      {{"--scale", "0"}, "option '--scale': '0' is not a whole number from 1 to 8"},
      {{"--scale", "9"}, "option '--scale': '9' is not a whole number from 1 to 8"},
      {{"--scale", "-2"}, "option '--scale': '-2' is not a whole number from 1 to 8"},
      {{"--scale", "2x"}, "option '--scale': '2x' is not a whole number from 1 to 8"},
      {{"--scale", "1.5"}, "option '--scale': '1.5' is not a whole number from 1 to 8"},
      {{"--scale", " 2"}, "option '--scale': ' 2' is not a whole number from 1 to 8"},
      {{"--scale="}, "option '--scale': '' is not a whole number from 1 to 8"},
      {{"--scale", "99999999999999999999"},
       "option '--scale': '99999999999999999999' is not a whole number from 1 to 8"},
      {{"--fullscreen=yes"}, "option '--fullscreen' takes no value"},
      {{"--help=me"}, "option '--help' takes no value"},
      {{"--scale", "2", "--bogus", "--help"}, "unknown option '--bogus'"}, // a fault before --help counts
      {{"--table"}, "option '--table' needs a value"},
      {{"--table", "example.org/?table=a"},
       "option '--table': 'example.org/?table=a' is not a shared table's address: it does not start with http:// or "
       "https://"},
      {{"--table=http://h/"}, "option '--table': 'http://h/' is not a shared table's address: it has no ?table=ID"},
  };
  for (const Bad &c : cases) {
    std::string shown;
    for (auto a : c.args) shown += "[" + std::string(a) + "] ";
    SCOPED_TRACE(shown);
    CommandLine got = run(c.args);
    EXPECT_EQ(got.action, Action::Fail);
    EXPECT_EQ(got.error, c.error);
    EXPECT_EQ(got.error.find('\n'), std::string::npos);
  }
}

TEST(CommandLine, TheTableIsTheLastOneGiven) {
  const CommandLine none = run({"--scale", "2"});
  EXPECT_FALSE(none.table);
  const CommandLine two = run({"--table", "http://a/?table=one", "--tab=https://b:8443/x?table=two"});
  ASSERT_EQ(two.action, Action::Run);
  ASSERT_TRUE(two.table);
  EXPECT_EQ(two.table->origin(), "https://b:8443");
  EXPECT_EQ(two.table->id, "two");
}

TEST(CommandLine, HelpNamesEveryOptionAndVersionTheProgram) {
  const std::string help = helpText();
  for (const char *o :
       {"--scale N", "--fullscreen", "--windowed", "--sharp", "--smooth", "-h, --help", "--version", "--table URL",
        "[tables]", "last-run.tape", "nadilka-replay --tape", "F11", "Alt+Enter", "settings.ini"})
    EXPECT_NE(help.find(o), std::string::npos) << o;
  EXPECT_EQ(help.back(), '\n');
  EXPECT_EQ(versionText(), "nadilka " NADILKA_VERSION "\nLicence: MIT\n");
}

} // namespace
