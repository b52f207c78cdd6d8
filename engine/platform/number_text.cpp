#include "platform/number_text.h"

#include <cmath>
#include <cstring>

// {fmt} header-only, so that neither build links a shared library for it. Compiled formats: the
// WebAssembly replay tool is 70 KB smaller with them than with plain format strings (the
// game's nadilka.wasm the same size either way).
#define FMT_HEADER_ONLY
#include <fast_float/fast_float.h>
#include <fmt/compile.h>
#include <fmt/format.h>

namespace nad::numbers {
namespace {

struct Decimal {
  char digits[24]; // significant digits, no leading or trailing zero
  int count = 0;
  int exponent = 0; // the value is digits * 10^exponent
};

// The shortest digits that read back to `magnitude` (positive and finite), as {fmt} finds them
// (Dragonbox: of several as short, the nearest). Only its digits and exponent are taken from its
// text: where it puts the point and when it switches to an exponent differ from std::to_chars.
Decimal shortestDigits(double magnitude) {
  char text[40];
  const char *end = fmt::format_to(text, FMT_COMPILE("{}"), magnitude);
  Decimal d;
  int afterPoint = 0;
  bool point = false;
  const char *p = text;
  for (; p < end && *p != 'e'; ++p) {
    if (*p == '.') {
      point = true;
      continue;
    }
    if (point) ++afterPoint;
    if (d.count == 0 && *p == '0') continue;
    d.digits[d.count++] = *p;
  }
  int exponent = 0;
  if (p < end) {
    const bool negative = p[1] == '-';
    for (p += 2; p < end; ++p) exponent = exponent * 10 + (*p - '0');
    if (negative) exponent = -exponent;
  }
  d.exponent = exponent - afterPoint;
  while (d.count > 1 && d.digits[d.count - 1] == '0') {
    --d.count;
    ++d.exponent;
  }
  return d;
}

std::to_chars_result put(char *first, char *last, const char *text, size_t length) {
  if (static_cast<size_t>(last - first) < length) return {last, std::errc::value_too_large};
  std::memcpy(first, text, length);
  return {first + length, std::errc()};
}

} // namespace

std::to_chars_result toChars(char *first, char *last, double value) {
  char text[400];
  size_t n = 0;
  if (std::signbit(value)) text[n++] = '-';
  const char *word = std::isnan(value) ? "nan" : std::isinf(value) ? "inf" : value == 0 ? "0" : nullptr;
  if (word) {
    for (; *word; ++word) text[n++] = *word;
    return put(first, last, text, n);
  }
  const double magnitude = std::fabs(value);

  // std::to_chars's layout: fixed notation when it is no longer than scientific, each counted
  // with the shortest digits.
  const Decimal d = shortestDigits(magnitude);
  const int count = d.count, exp10 = d.exponent, sciExp = count - 1 + exp10;
  const int fixedLength = exp10 >= 0 ? count + exp10 : (count + exp10 > 0 ? count + 1 : 2 - exp10);
  const int sciLength = count + (count > 1 ? 1 : 0) + 2 + (std::abs(sciExp) >= 100 ? 3 : 2);
  if (fixedLength <= sciLength) {
    if (exp10 >= 0) {
      // A whole number is written exactly: beyond 2^53 its last digits are not all zeros.
      n = static_cast<size_t>(fmt::format_to(text + n, FMT_COMPILE("{:.0f}"), magnitude) - text);
    } else if (count + exp10 > 0) {
      const int whole = count + exp10;
      std::memcpy(text + n, d.digits, static_cast<size_t>(whole));
      n += static_cast<size_t>(whole);
      text[n++] = '.';
      std::memcpy(text + n, d.digits + whole, static_cast<size_t>(count - whole));
      n += static_cast<size_t>(count - whole);
    } else {
      text[n++] = '0';
      text[n++] = '.';
      for (int i = 0; i < -exp10 - count; ++i) text[n++] = '0';
      std::memcpy(text + n, d.digits, static_cast<size_t>(count));
      n += static_cast<size_t>(count);
    }
  } else {
    text[n++] = d.digits[0];
    if (count > 1) {
      text[n++] = '.';
      std::memcpy(text + n, d.digits + 1, static_cast<size_t>(count - 1));
      n += static_cast<size_t>(count - 1);
    }
    text[n++] = 'e';
    text[n++] = sciExp < 0 ? '-' : '+';
    const int a = std::abs(sciExp);
    if (a >= 100) text[n++] = static_cast<char>('0' + a / 100);
    text[n++] = static_cast<char>('0' + a / 10 % 10);
    text[n++] = static_cast<char>('0' + a % 10);
  }
  return put(first, last, text, n);
}

std::string shortest(double value) {
  char buf[64];
  const auto r = toChars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::from_chars_result fromChars(const char *first, const char *last, double &value) {
  double v = 0;
  const auto r = fast_float::from_chars(first, last, v);
  if (r.ec != std::errc()) return {r.ptr, r.ec};
  // fast_float (3.9) gives infinity or zero where the number is beyond the range: a word is
  // the only text that means infinity, and a zero needs a mantissa of zeros.
  const char *p = first + (*first == '-' ? 1 : 0);
  if (std::isinf(v) && (*p | 0x20) != 'i') return {r.ptr, std::errc::result_out_of_range};
  if (v == 0) {
    for (; p < r.ptr && *p != 'e' && *p != 'E'; ++p)
      if (*p >= '1' && *p <= '9') return {r.ptr, std::errc::result_out_of_range};
  }
  value = v;
  return {r.ptr, std::errc()};
}

} // namespace nad::numbers
