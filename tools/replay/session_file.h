#pragma once
// The session file: one input event per line at a virtual time, in time order.
//
//   <t> keydown <code> | <t> keyup <code> | <t> click <x> <y> | <t> text <text>
//   <t> pausebox close | <t> quit
//
// A '#' at the start of a line or after a blank starts a comment. The text of a `text` line
// runs to the end of the line (or to a comment) with its outer blanks trimmed; put it in
// double quotes, with \" and \\ inside, to type blanks at its ends or " #". A click is the
// button pressed and released at one point: two events at the same time.
// Inline here: the replay tool and its unit tests include it.
#include <charconv>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/arguments.h"
#include "platform/platform.h"
#include "platform/report.h"
#include "platform/utf8.h"
#include "replay/json_text.h"

namespace nad::replay {

struct ScriptedEvent {
  int64_t t = 0;
  Event e;
};

namespace detail {

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The line without its comment; a '#' glued to a word is part of the word.
inline std::string_view stripComment(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i)
    if (line[i] == '#' && (i == 0 || isBlank(line[i - 1]))) return line.substr(0, i);
  return line;
}

inline std::string_view nextWord(std::string_view &rest) {
  rest = trim(rest);
  size_t end = 0;
  while (end < rest.size() && !isBlank(rest[end])) ++end;
  std::string_view word = rest.substr(0, end);
  rest.remove_prefix(end);
  return word;
}

// The quoted form of a text line; nothing but a comment may follow the closing quote.
inline Result<std::string> parseQuoted(std::string_view raw) {
  std::string text;
  size_t i = 1;
  for (; i < raw.size() && raw[i] != '"'; ++i) {
    if (raw[i] == '\\') {
      if (i + 1 >= raw.size() || (raw[i + 1] != '"' && raw[i + 1] != '\\')) {
        return Result<std::string>::Failed("in quoted text only \\\" and \\\\ are escapes");
      }
      ++i;
    }
    text += raw[i];
  }
  if (i >= raw.size()) {
    return Result<std::string>::Failed("quoted text has no closing quote");
  }
  if (!trim(stripComment(raw.substr(i + 1))).empty()) {
    return Result<std::string>::Failed("unexpected text after the closing quote");
  }
  return text;
}

} // namespace detail

// The events of one line (none for a blank or comment line), or what is wrong with it.
inline Result<std::vector<ScriptedEvent>> parseSessionLine(std::string_view line) {
  using namespace detail;
  std::vector<ScriptedEvent> events;
  const auto fail = [](std::string why) { return Result<std::vector<ScriptedEvent>>::Failed(std::move(why)); };
  std::string error; // what the number and end-of-line checks below found
  const auto failed = [&] { return fail(error); };
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1); // files written on Windows
  if (!utf8::isValid(line)) return fail("the line is not valid UTF-8");
  // The text of a text line is taken from the raw line later, so that a quoted " #" survives.
  std::string_view rest = stripComment(line);
  std::string_view tWord = nextWord(rest);
  if (tWord.empty()) return events;
  constexpr int64_t kMaxTime = int64_t(1) << 50; // far beyond any game, far from overflow
  auto t = options::wholeNumber<int64_t>(tWord, 0, kMaxTime);
  if (!t) return fail("'" + std::string(tWord) + "' is not a time (whole milliseconds from program start)");
  ScriptedEvent out;
  out.t = *t;
  std::string_view verb = nextWord(rest);
  auto wantInt = [&](const char *what, int lo, int hi) -> std::optional<int> {
    std::string_view w = nextWord(rest);
    if (w.empty()) {
      error = std::string(verb) + " needs a " + what;
      return std::nullopt;
    }
    auto v = options::wholeNumber<int>(w, lo, hi);
    if (!v)
      error = "'" + std::string(w) + "' is not a valid " + what + " (" + std::to_string(lo) + " to " +
              std::to_string(hi) + ")";
    return v;
  };
  auto noMore = [&]() {
    std::string_view extra = trim(rest);
    if (extra.empty()) return true;
    error = "unexpected '" + std::string(extra) + "' after " + std::string(verb);
    return false;
  };
  if (verb == "keydown" || verb == "keyup") {
    auto k = wantInt("key code", 1, 255);
    if (!k) return failed();
    out.e.kind = verb == "keydown" ? EventKind::KeyDown : EventKind::KeyUp;
    out.e.code = *k;
    if (!noMore()) return failed();
  } else if (verb == "click") {
    constexpr int kFar = 100000; // client coordinates; far outside still reaches the window
    auto x = wantInt("x coordinate", -kFar, kFar);
    if (!x) return failed();
    auto y = wantInt("y coordinate", -kFar, kFar);
    if (!y) return failed();
    out.e.x = *x;
    out.e.y = *y;
    if (!noMore()) return failed();
    out.e.kind = EventKind::MouseDown;
    events.push_back(out);
    out.e.kind = EventKind::MouseUp;
  } else if (verb == "text") {
    // Offset of the text in the raw line: comments and quotes are judged on the raw text.
    size_t at = size_t(rest.data() - line.data());
    std::string_view raw = trim(line.substr(at));
    std::string text;
    if (!raw.empty() && raw.front() == '"') {
      Result<std::string> q = parseQuoted(raw);
      if (!q.ok()) return fail(q.reason());
      text = q.value();
    } else {
      text = std::string(trim(stripComment(raw)));
    }
    if (text.empty()) return fail("text needs something to type");
    out.e.kind = EventKind::Text;
    out.e.text = std::move(text);
  } else if (verb == "pausebox") {
    std::string_view what = nextWord(rest);
    if (what != "close") return fail("the only pausebox event is 'pausebox close'");
    out.e.kind = EventKind::DialogClose;
    if (!noMore()) return failed();
  } else if (verb == "quit") {
    out.e.kind = EventKind::Quit;
    if (!noMore()) return failed();
  } else if (verb.empty())
    return fail("a time without an event");
  else {
    return fail("unknown event '" + std::string(verb) + "' (keydown, keyup, click, text, pausebox close or quit)");
  }
  events.push_back(std::move(out));
  return events;
}

// The events of a whole session, or the first bad line: "N: what is wrong" (counted from 1), as
// a compiler names a line after the file's name.
inline Result<std::vector<ScriptedEvent>> parseSession(std::istream &in) {
  std::vector<ScriptedEvent> events;
  std::string line;
  int number = 0;
  bool quitSeen = false;
  const auto bad = [&number](const std::string &what) {
    return Result<std::vector<ScriptedEvent>>::Failed(std::to_string(number) + ": " + what);
  };
  while (std::getline(in, line)) {
    ++number;
    Result<std::vector<ScriptedEvent>> lineEvents = parseSessionLine(line);
    if (!lineEvents.ok()) return bad(lineEvents.reason());
    if (lineEvents->empty()) continue;
    if (quitSeen) return bad("nothing can follow quit: the window is closed");
    const int64_t t = lineEvents->front().t;
    if (!events.empty() && t < events.back().t)
      return bad("time " + std::to_string(t) + " is earlier than the previous event's " +
                 std::to_string(events.back().t) + "; lines must be in time order");
    quitSeen = lineEvents->back().e.kind == EventKind::Quit;
    for (ScriptedEvent &ev : lineEvents.value()) events.push_back(std::move(ev));
  }
  return events;
}

} // namespace nad::replay
