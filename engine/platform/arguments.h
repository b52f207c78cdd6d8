#pragma once
// Command lines and numbers read the usual way, for the game and its tools alike: long options
// with their value after a blank or an equals sign, unambiguous abbreviations of them, "-h",
// and "--" ending the options. Plain C++.
#include <charconv>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/report.h"

namespace nad::options {

// A whole number in [least, most], written as the whole text: digits with an optional leading
// '-', no blanks, no '+', nothing after them.
template <class Int> std::optional<Int> wholeNumber(std::string_view text, Int least, Int most) {
  Int v{};
  const char *end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || ptr != end || v < least || v > most) return std::nullopt;
  return v;
}

// The text of a value or argument as it appears in a message: between apostrophes.
std::string quoted(std::string_view text);

struct LongOption {
  std::string_view name; // without the leading "--"
  int id;                // the caller's own
  bool takesValue;
};

// One item of a command line: an option with its value, or a plain argument.
struct Item {
  const LongOption *option = nullptr; // null for a plain argument
  std::string_view value;             // the option's value, or the argument
  std::string shownName;              // "'--name'" for messages
};

// Walks the arguments after the program's name. "-h" is "--help" when the table has it.
class ArgumentReader {
public:
  ArgumentReader(const std::vector<std::string_view> &args, std::span<const LongOption> options)
      : args_(args), options_(options) {
    skipEndOfOptions();
  }
  bool atEnd() const { return at_ >= args_.size(); }
  // The next item, or a fault in one line without the program's name. Only before atEnd().
  Result<Item> next();

private:
  void skipEndOfOptions(); // "--": what follows is arguments only
  Result<Item> read();
  Result<const LongOption *> find(std::string_view name) const;
  const std::vector<std::string_view> &args_;
  std::span<const LongOption> options_;
  std::size_t at_ = 0;
  bool optionsEnded_ = false;
};

} // namespace nad::options
