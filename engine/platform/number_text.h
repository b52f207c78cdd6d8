#pragma once
// Doubles to text and back, the same on every platform we build for. The replays of the desktop
// and the WebAssembly builds must print the same bytes, and the WebAssembly build's standard
// library has no floating-point std::to_chars or std::from_chars; these keep their contracts
// (for double, without a format argument) on {fmt}'s shortest digits and fast_float's reading,
// header-only libraries that build alike for both.
#include <charconv>
#include <string>

namespace nad::numbers {

// As std::to_chars(first, last, value): the fewest significant digits that read back to exactly
// `value` (of several as short, the one nearest to it; an exact tie goes to the even digit), in
// fixed notation when that is no longer than scientific ("0.001", "123456", "1e+05",
// "1.5e-07"); a whole number in fixed notation is written exactly ("12345678901234567168"). Zero
// keeps its sign ("-0"); "inf", "-inf", "nan", "-nan". When the text does not fit, returns
// {last, std::errc::value_too_large}.
std::to_chars_result toChars(char *first, char *last, double value);

// The same text as a string.
std::string shortest(double value);

// As std::from_chars(first, last, value): reads [-]DIGITS[.DIGITS][(e|E)[+|-]DIGITS] (at least
// one mantissa digit, either side of the point; an exponent without digits is left unread),
// "inf", "infinity", "nan" and "nan(LETTERS_DIGITS_OR_UNDERSCORES)" in any case. No leading
// blanks and no '+'. Rounds to the nearest double, an exact tie to the even one, whatever the
// number of digits. A text that matches nothing gives {first, std::errc::invalid_argument}; a
// number that would round to zero or to infinity leaves `value` alone and gives
// std::errc::result_out_of_range with the end of the number.
std::from_chars_result fromChars(const char *first, const char *last, double &value);

} // namespace nad::numbers
