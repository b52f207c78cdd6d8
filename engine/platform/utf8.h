#pragma once
// UTF-8, read strictly in one place for everything that takes text from outside: the high-score
// file, the settings file, the replay's JSON, the browser's fonts. Plain C++.
#include <cstddef>
#include <string>
#include <string_view>

namespace nad::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// One character of UTF-8 text. An invalid sequence (a stray continuation byte, a lead byte
// without its continuations, an overlong form, a surrogate, a value past U+10FFFF) is one byte
// long and not valid, so that the next lead byte after it still reads.
struct Char {
  char32_t code = kReplacement;
  std::size_t length = 1;
  bool valid = false;
};
Char decode(std::string_view text, std::size_t at);

void append(std::string &out, char32_t code);

bool isValid(std::string_view text);
// Characters; each byte of an invalid sequence counts as one.
std::size_t length(std::string_view text);

// C0 controls, DEL and the C1 controls (U+0080 to U+009F: U+009B opens a terminal's escape
// sequence as ESC [ does).
constexpr bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

} // namespace nad::utf8
