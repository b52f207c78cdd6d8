// The text pieces of the replay tool: session lines in, JSON numbers and strings out.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "replay/frame_list.h"
#include "replay/json_text.h"
#include "replay/session_file.h"

namespace nad::replay {
namespace {

std::string number(double v) {
  std::string s;
  appendNumber(s, v);
  return s;
}

TEST(ReplayJson, NumbersAreShortestAndWholeWithoutFraction) {
  struct Case {
    double v;
    const char *text;
  } cases[] = {
      {430, "430"},
      {-50, "-50"},
      {0.1, "0.1"},
      {1.1, "1.1"},
      {0.1 + 0.2, "0.30000000000000004"},
      {2.5, "2.5"},
      {double(0.6932527f), "0.693252682685852"},
      {1e22, "1e+22"},
      {-0.0, "-0"},
      {5e-324, "5e-324"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(number(c.v), c.text) << c.text;
    EXPECT_EQ(std::strtod(number(c.v).c_str(), nullptr), c.v) << c.text;
  }
}

TEST(ReplayJson, NonFiniteNumbersBecomeNull) {
  EXPECT_EQ(number(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(number(std::numeric_limits<double>::quiet_NaN()), "null");
}

TEST(ReplayJson, StringsEscapeWhatJsonRequiresAndKeepUtf8) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"Bodů : 430", "\"Bodů : 430\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"tab\tnl\ncr\r", "\"tab\\tnl\\ncr\\r\""},
      {std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
      {"\xc3\x28", "\"\\ufffd(\""},                  // a lead byte without its continuation
      {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""}, // a surrogate is not text
      {"\xf0\x9f\x8e\x84", "\"\xf0\x9f\x8e\x84\""},  // beyond the basic plane
  };
  for (const Case &c : cases) {
    std::string s;
    appendString(s, c.in);
    EXPECT_EQ(s, c.out) << c.in;
  }
}

struct LineCase {
  const char *line;
  EventKind kind;
  int64_t t;
  int code, x, y;
  const char *text;
};

TEST(ReplaySession, ReadsEveryKindOfLine) {
  const LineCase cases[] = {
      {"0 keydown 38", EventKind::KeyDown, 0, 38, 0, 0, ""},
      {"  120\tkeyup 27   # Escape", EventKind::KeyUp, 120, 27, 0, 0, ""},
      {"7 text Ježíšek", EventKind::Text, 7, 0, 0, 0, "Ježíšek"},
      {"7 text  a#b  # a comment", EventKind::Text, 7, 0, 0, 0, "a#b"},
      {"7 text \" x # y \\\"z\\\\ \"  # comment", EventKind::Text, 7, 0, 0, 0, " x # y \"z\\ "},
      {"8000 pausebox close", EventKind::DialogClose, 8000, 0, 0, 0, ""},
      {"9000 quit", EventKind::Quit, 9000, 0, 0, 0, ""},
  };
  for (const LineCase &c : cases) {
    const Result<std::vector<ScriptedEvent>> parsed = parseSessionLine(c.line);
    ASSERT_TRUE(parsed.ok()) << c.line << ": " << parsed.reason();
    const std::vector<ScriptedEvent> &events = parsed.value();
    ASSERT_EQ(events.size(), 1u) << c.line;
    const ScriptedEvent &ev = events[0];
    EXPECT_EQ(ev.e.kind, c.kind) << c.line;
    EXPECT_EQ(ev.t, c.t) << c.line;
    EXPECT_EQ(ev.e.code, c.code) << c.line;
    EXPECT_EQ(ev.e.x, c.x) << c.line;
    EXPECT_EQ(ev.e.y, c.y) << c.line;
    EXPECT_EQ(ev.e.text, c.text) << c.line;
  }
}

TEST(ReplaySession, AClickIsAPressAndAReleaseAtOnePoint) {
  const struct {
    const char *line;
    int64_t t;
    int x, y;
  } cases[] = {{"100 click 320 245", 100, 320, 245}, {"5 click -3 -4\r", 5, -3, -4}};
  for (const auto &c : cases) {
    const Result<std::vector<ScriptedEvent>> parsed = parseSessionLine(c.line);
    ASSERT_TRUE(parsed.ok()) << c.line << ": " << parsed.reason();
    const std::vector<ScriptedEvent> &events = parsed.value();
    ASSERT_EQ(events.size(), 2u) << c.line;
    EXPECT_EQ(events[0].e.kind, EventKind::MouseDown) << c.line;
    EXPECT_EQ(events[1].e.kind, EventKind::MouseUp) << c.line;
    for (const ScriptedEvent &ev : events) {
      EXPECT_EQ(ev.t, c.t) << c.line;
      EXPECT_EQ(ev.e.x, c.x) << c.line;
      EXPECT_EQ(ev.e.y, c.y) << c.line;
    }
  }
}

TEST(ReplaySession, BlankAndCommentLinesAreNoEvents) {
  for (const char *line : {"", "   ", "# note", "\t# 100 keydown 38", "\r"}) {
    const Result<std::vector<ScriptedEvent>> parsed = parseSessionLine(line);
    ASSERT_TRUE(parsed.ok()) << line;
    EXPECT_TRUE(parsed->empty()) << line;
  }
}

TEST(ReplaySession, NamesTheFirstBadLine) {
  struct Case {
    const char *text;
    int line;
    const char *fragment;
  } cases[] = {
      {"1 keydown 38\n2 keyup 38\n1 keydown 40\n", 3, "earlier"},
      {"# a\n5 quit\n6 quit\n", 3, "follow quit"},
      {"1 keydown 38\n\n2 keydown 1x\n", 3, "key code"},
      {"2000000000000000 quit\n", 1, "not a time"},
  };
  for (const Case &c : cases) {
    std::istringstream in(c.text);
    const Result<std::vector<ScriptedEvent>> parsed = parseSession(in);
    EXPECT_FALSE(parsed.ok()) << c.text;
    EXPECT_EQ(parsed.reason().rfind(std::to_string(c.line) + ": ", 0), 0u) << parsed.reason();
    EXPECT_NE(parsed.reason().find(c.fragment), std::string::npos) << parsed.reason();
  }
}

TEST(ReplaySession, EqualTimesKeepTheirOrder) {
  std::istringstream in("10 keydown 32\n10 keyup 32\n10 keydown 38\n");
  const Result<std::vector<ScriptedEvent>> parsed = parseSession(in);
  ASSERT_TRUE(parsed.ok()) << parsed.reason();
  const std::vector<ScriptedEvent> &events = parsed.value();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1].e.kind, EventKind::KeyUp);
  EXPECT_EQ(events[2].e.code, 38);
}

TEST(ReplayFrames, ListsAndRanges) {
  const Result<FrameSelection> sel = FrameSelection::parse("1-10,200,15-15");
  ASSERT_TRUE(sel.ok()) << sel.reason();
  struct Case {
    int64_t frame;
    bool in;
  } cases[] = {{1, true}, {10, true}, {11, false}, {14, false}, {15, true}, {16, false}, {199, false}, {200, true}};
  for (const Case &c : cases) EXPECT_EQ(sel->contains(c.frame), c.in) << c.frame;
  EXPECT_TRUE(FrameSelection::all().contains(123456));
}

TEST(ReplayFrames, RejectsWhatIsNoFrameList) {
  for (const char *list : {"", "0", "5-2", "1,,2", "1-", "-3", "a", "1-2-3", "2,"}) {
    const Result<FrameSelection> sel = FrameSelection::parse(list);
    EXPECT_FALSE(sel.ok()) << list;
    EXPECT_FALSE(sel.reason().empty()) << list;
  }
}

} // namespace
} // namespace nad::replay
