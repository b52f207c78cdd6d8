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
#include "platform/utf8.h"
#include "replay/json_text.h"

namespace nad::replay {

struct ScriptedEvent {
  int64_t t = 0;
  Event e;
};

struct SessionError {
  int line = 0;
  std::string message;
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
inline std::optional<std::string> parseQuoted(std::string_view raw, std::string &error) {
  std::string text;
  size_t i = 1;
  for (; i < raw.size() && raw[i] != '"'; ++i) {
    if (raw[i] == '\\') {
      if (i + 1 >= raw.size() || (raw[i + 1] != '"' && raw[i + 1] != '\\')) {
        error = "in quoted text only \\\" and \\\\ are escapes";
        return std::nullopt;
      }
      ++i;
    }
    text += raw[i];
  }
  if (i >= raw.size()) {
    error = "quoted text has no closing quote";
    return std::nullopt;
  }
  if (!trim(stripComment(raw.substr(i + 1))).empty()) {
    error = "unexpected text after the closing quote";
    return std::nullopt;
  }
  return text;
}

} // namespace detail

// Parses one line. Returns true and appends the line's events to `events` (none for a blank or
// comment line), returns false with a message otherwise.
inline bool parseSessionLine(std::string_view line, std::vector<ScriptedEvent> &events, std::string &error) {
  using namespace detail;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1); // files written on Windows
  if (!utf8::isValid(line)) {
    error = "the line is not valid UTF-8";
    return false;
  }
  // The text of a text line is taken from the raw line later, so that a quoted " #" survives.
  std::string_view rest = stripComment(line);
  std::string_view tWord = nextWord(rest);
  if (tWord.empty()) return true;
  constexpr int64_t kMaxTime = int64_t(1) << 50; // far beyond any game, far from overflow
  auto t = options::wholeNumber<int64_t>(tWord, 0, kMaxTime);
  if (!t) {
    error = "'" + std::string(tWord) + "' is not a time (whole milliseconds from program start)";
    return false;
  }
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
    if (!k) return false;
    out.e.kind = verb == "keydown" ? EventKind::KeyDown : EventKind::KeyUp;
    out.e.code = *k;
    if (!noMore()) return false;
  } else if (verb == "click") {
    constexpr int kFar = 100000; // client coordinates; far outside still reaches the window
    auto x = wantInt("x coordinate", -kFar, kFar);
    if (!x) return false;
    auto y = wantInt("y coordinate", -kFar, kFar);
    if (!y) return false;
    out.e.x = *x;
    out.e.y = *y;
    if (!noMore()) return false;
    out.e.kind = EventKind::MouseDown;
    events.push_back(out);
    out.e.kind = EventKind::MouseUp;
  } else if (verb == "text") {
    // Offset of the text in the raw line: comments and quotes are judged on the raw text.
    size_t at = size_t(rest.data() - line.data());
    std::string_view raw = trim(line.substr(at));
    std::string text;
    if (!raw.empty() && raw.front() == '"') {
      auto q = parseQuoted(raw, error);
      if (!q) return false;
      text = *q;
    } else {
      text = std::string(trim(stripComment(raw)));
    }
    if (text.empty()) {
      error = "text needs something to type";
      return false;
    }
    out.e.kind = EventKind::Text;
    out.e.text = std::move(text);
  } else if (verb == "pausebox") {
    std::string_view what = nextWord(rest);
    if (what != "close") {
      error = "the only pausebox event is 'pausebox close'";
      return false;
    }
    out.e.kind = EventKind::DialogClose;
    if (!noMore()) return false;
  } else if (verb == "quit") {
    out.e.kind = EventKind::Quit;
    if (!noMore()) return false;
  } else if (verb.empty()) {
    error = "a time without an event";
    return false;
  } else {
    error = "unknown event '" + std::string(verb) + "' (keydown, keyup, click, text, pausebox close or quit)";
    return false;
  }
  events.push_back(std::move(out));
  return true;
}

// Parses a whole session; on failure `err` names the first bad line (counted from 1).
inline bool parseSession(std::istream &in, std::vector<ScriptedEvent> &events, SessionError &err) {
  std::string line;
  int number = 0;
  bool quitSeen = false;
  while (std::getline(in, line)) {
    ++number;
    std::vector<ScriptedEvent> lineEvents;
    std::string message;
    if (!parseSessionLine(line, lineEvents, message)) {
      err = {number, message};
      return false;
    }
    if (lineEvents.empty()) continue;
    if (quitSeen) {
      err = {number, "nothing can follow quit: the window is closed"};
      return false;
    }
    const int64_t t = lineEvents.front().t;
    if (!events.empty() && t < events.back().t) {
      err = {number, "time " + std::to_string(t) + " is earlier than the previous event's " +
                         std::to_string(events.back().t) + "; lines must be in time order"};
      return false;
    }
    quitSeen = lineEvents.back().e.kind == EventKind::Quit;
    for (ScriptedEvent &ev : lineEvents) events.push_back(std::move(ev));
  }
  return true;
}

} // namespace nad::replay
