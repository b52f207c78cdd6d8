#include "platform/number_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>

namespace nad::numbers {
namespace {

// An unsigned integer of up to kLimbs 32-bit limbs, least significant first: just the operations
// exact conversion needs. The widest value is a parse's divisor shifted for the quotient: 10^1124
// (for the smallest number that does not round to zero, with the most digits kept) times 2^57,
// about 3,790 bits.
class Big {
public:
  static constexpr int kLimbs = 128;

  explicit Big(uint64_t v = 0) {
    while (v) {
      limb_[size_++] = static_cast<uint32_t>(v);
      v >>= 32;
    }
  }

  // Only the limbs in use are copied.
  Big(const Big &b) : size_(b.size_) { std::memcpy(limb_, b.limb_, sizeof(uint32_t) * size_); }
  Big &operator=(const Big &b) {
    if (this != &b) {
      size_ = b.size_;
      std::memcpy(limb_, b.limb_, sizeof(uint32_t) * size_);
    }
    return *this;
  }
  ~Big() = default;

  bool isZero() const { return size_ == 0; }

  int bitLength() const { return size_ ? (size_ - 1) * 32 + static_cast<int>(std::bit_width(limb_[size_ - 1])) : 0; }

  void mulAdd(uint32_t factor, uint32_t addend = 0) {
    uint64_t carry = addend;
    for (int i = 0; i < size_; ++i) {
      const uint64_t t = uint64_t(limb_[i]) * factor + carry;
      limb_[i] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    if (carry) push(static_cast<uint32_t>(carry));
  }

  void mulPow10(int n) {
    for (; n >= 9; n -= 9) mulAdd(1000000000);
    static constexpr uint32_t kSmall[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    if (n > 0) mulAdd(kSmall[n]);
  }

  void shiftLeft(int bits) {
    if (isZero() || bits == 0) return;
    const int words = bits / 32, rest = bits % 32;
    if (size_ + words + 1 > kLimbs) throw std::length_error("number_text: number too wide");
    if (rest) {
      limb_[size_] = 0;
      for (int i = size_; i > 0; --i) limb_[i] = (limb_[i] << rest) | (limb_[i - 1] >> (32 - rest));
      limb_[0] <<= rest;
      ++size_;
    }
    if (words) {
      std::memmove(limb_ + words, limb_, sizeof(uint32_t) * size_);
      std::fill(limb_, limb_ + words, 0U);
      size_ += words;
    }
    trim();
  }

  void shiftRightOne() {
    for (int i = 0; i < size_; ++i) limb_[i] = (limb_[i] >> 1) | (i + 1 < size_ ? limb_[i + 1] << 31 : 0);
    trim();
  }

  void add(const Big &b) {
    uint64_t carry = 0;
    const int n = std::max(size_, b.size_);
    for (int i = 0; i < n; ++i) {
      const uint64_t t = uint64_t(i < size_ ? limb_[i] : 0) + (i < b.size_ ? b.limb_[i] : 0) + carry;
      limb_[i] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    size_ = n;
    if (carry) push(1);
  }

  // Needs *this >= b.
  void subtract(const Big &b) {
    int64_t borrow = 0;
    for (int i = 0; i < size_; ++i) {
      int64_t t = int64_t(limb_[i]) - (i < b.size_ ? b.limb_[i] : 0) - borrow;
      borrow = t < 0;
      limb_[i] = static_cast<uint32_t>(t + (borrow << 32));
    }
    trim();
  }

  // Divides by d and returns the remainder.
  uint32_t divide(uint32_t d) {
    uint64_t rest = 0;
    for (int i = size_ - 1; i >= 0; --i) {
      const uint64_t t = (rest << 32) | limb_[i];
      limb_[i] = static_cast<uint32_t>(t / d);
      rest = t % d;
    }
    trim();
    return static_cast<uint32_t>(rest);
  }

  friend int compare(const Big &a, const Big &b) {
    if (a.size_ != b.size_) return a.size_ < b.size_ ? -1 : 1;
    for (int i = a.size_ - 1; i >= 0; --i)
      if (a.limb_[i] != b.limb_[i]) return a.limb_[i] < b.limb_[i] ? -1 : 1;
    return 0;
  }

  // a + b compared with c, without making the sum.
  friend int compareSum(const Big &a, const Big &b, const Big &c) {
    const int n = std::max(a.size_, b.size_);
    if (n + 1 < c.size_) return -1;
    if (n > c.size_) return 1;
    // The sum's limbs from the bottom, then compared from the top.
    uint32_t sum[kLimbs + 1];
    uint64_t carry = 0;
    for (int i = 0; i < n; ++i) {
      const uint64_t t = uint64_t(i < a.size_ ? a.limb_[i] : 0) + (i < b.size_ ? b.limb_[i] : 0) + carry;
      sum[i] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    int size = n;
    if (carry) sum[size++] = 1;
    if (size != c.size_) return size < c.size_ ? -1 : 1;
    for (int i = size - 1; i >= 0; --i)
      if (sum[i] != c.limb_[i]) return sum[i] < c.limb_[i] ? -1 : 1;
    return 0;
  }

private:
  void push(uint32_t v) {
    if (size_ == kLimbs) throw std::length_error("number_text: number too wide");
    limb_[size_++] = v;
  }
  void trim() {
    while (size_ && limb_[size_ - 1] == 0) --size_;
  }

  // Only the first size_ limbs mean anything; leaving the rest unset keeps copies cheap.
  uint32_t limb_[kLimbs];
  int size_ = 0;
};

constexpr uint64_t kHiddenBit = uint64_t(1) << 52;

// std::bit_cast, which the WebAssembly build's library lacks.
uint64_t bitsOf(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

struct Decimal {
  char digits[24]; // significant digits, no leading zero
  int count = 0;
  int exponent = 0; // the value is digits * 10^exponent
};

// A machine integer with the operations of Big, with room to spare for one more factor of ten:
// most numbers a replay prints are converted in 64 or 128 bits, many times faster.
__extension__ typedef unsigned __int128 U128;
template <class U, int kRoomBits> class Machine {
public:
  static constexpr U kRoom = U(1) << kRoomBits;

  explicit Machine(U128 v = 0) : v_(static_cast<U>(v)) {}
  void mulAdd(uint32_t factor) { v_ *= factor; }
  void add(const Machine &b) { v_ += b.v_; }
  void subtract(const Machine &b) { v_ -= b.v_; }
  friend int compare(const Machine &a, const Machine &b) { return a.v_ < b.v_ ? -1 : a.v_ > b.v_ ? 1 : 0; }
  friend int compareSum(const Machine &a, const Machine &b, const Machine &c) {
    const U sum = a.v_ + b.v_;
    return sum < c.v_ ? -1 : sum > c.v_ ? 1 : 0;
  }
  // Multiplies by 10^n unless the result would leave no room; false then.
  bool mulPow10(int n) {
    for (; n > 0; --n) {
      if (v_ >= kRoom / 10) return false;
      v_ *= 10;
    }
    return true;
  }

private:
  U v_;
};
using Narrow = Machine<uint64_t, 59>;
using Wide = Machine<U128, 122>;

// The parts of a positive finite double: v = f * 2^e.
struct Parts {
  uint64_t f;
  int e;
  bool inclusive;   // a midpoint that reads back as v belongs to it (reading rounds ties to even)
  bool closerBelow; // at a power of two the neighbour below is half as far as the one above
};

Parts partsOf(double v) {
  const uint64_t bits = bitsOf(v);
  const int biased = static_cast<int>(bits >> 52);
  Parts p{bits & (kHiddenBit - 1), -1074, false, false};
  if (biased) {
    p.f |= kHiddenBit;
    p.e = biased - 1075;
  }
  p.inclusive = p.f % 2 == 0;
  p.closerBelow = p.f == kHiddenBit && biased > 1;
  return p;
}

// A first guess at the decimal exponent k with v < 10^k: floor(log2 v) * log10(2) is at most
// log10 v, so the guess is at or below the final k.
int exponentGuess(const Parts &p) {
  const int log2Floor = p.e + static_cast<int>(std::bit_width(p.f)) - 1;
  return static_cast<int>(std::ceil(log2Floor * 0.30102999566398114 - 1e-9));
}

// Steele and White's free-format digits. v / 10^k = r / s in [0.1, 1) (at most), with `plus` and
// `minus` the distances to the midpoints between v and its neighbours, in the same units. Each
// step takes one digit and stops as soon as the digits so far, or they with the last digit
// raised, lie between the midpoints; when both do, the nearer wins.
template <class N> Decimal freeFormatDigits(N r, N plus, N minus, const N &s, int k, bool inclusive) {
  Decimal d;
  for (;;) {
    r.mulAdd(10);
    plus.mulAdd(10);
    minus.mulAdd(10);
    int digit = 0;
    while (compare(r, s) >= 0) {
      r.subtract(s);
      ++digit;
    }
    const int lowCmp = compare(r, minus);
    const bool low = inclusive ? lowCmp <= 0 : lowCmp < 0;
    const int highCmp = compareSum(r, plus, s);
    const bool high = inclusive ? highCmp >= 0 : highCmp > 0;
    if (low && high) {
      N twice = r;
      twice.add(r);
      const int c = compare(twice, s);
      if (c > 0 || (c == 0 && digit % 2 == 1)) ++digit;
    } else if (high) {
      ++digit;
    }
    d.digits[d.count++] = static_cast<char>('0' + digit);
    --k;
    if (low || high) break;
  }
  d.exponent = k;
  return d;
}

// The same in machine integers when the scaled numbers fit, which they do for everyday
// magnitudes.
template <class N> std::optional<Decimal> shortestDigitsIn(const Parts &p) {
  const int up = p.e - 2;
  if (up > 60 || -up > 120) return std::nullopt;
  // v = r * 2^(e-2) with the margins in the same units.
  const U128 r0 = U128(p.f * 4) << std::max(up, 0), s0 = U128(1) << std::max(-up, 0);
  if (r0 >= N::kRoom || s0 >= N::kRoom) return std::nullopt;
  N r(r0), plus(U128(2) << std::max(up, 0)), minus(U128(p.closerBelow ? 1 : 2) << std::max(up, 0)), s(s0);
  int k = exponentGuess(p);
  if (k >= 0 ? !s.mulPow10(k) : !(r.mulPow10(-k) && plus.mulPow10(-k) && minus.mulPow10(-k))) return std::nullopt;
  // The upper midpoint must lie below 10^k (or at it, when it does not belong to v).
  while (compareSum(r, plus, s) >= (p.inclusive ? 0 : 1)) {
    if (!s.mulPow10(1)) return std::nullopt;
    ++k;
  }
  return freeFormatDigits(r, plus, minus, s, k, p.inclusive);
}

// The shortest digits of a positive finite double.
Decimal shortestDigits(double v) {
  const Parts p = partsOf(v);
  if (auto d = shortestDigitsIn<Narrow>(p)) return *d;
  if (auto d = shortestDigitsIn<Wide>(p)) return *d;
  Big r(p.f * 4), plus(2), minus(p.closerBelow ? 1 : 2), s(1);
  if (p.e - 2 >= 0) {
    r.shiftLeft(p.e - 2);
    plus.shiftLeft(p.e - 2);
    minus.shiftLeft(p.e - 2);
  } else {
    s.shiftLeft(2 - p.e);
  }
  int k = exponentGuess(p);
  if (k >= 0) {
    s.mulPow10(k);
  } else {
    r.mulPow10(-k);
    plus.mulPow10(-k);
    minus.mulPow10(-k);
  }
  while (compareSum(r, plus, s) >= (p.inclusive ? 0 : 1)) {
    s.mulAdd(10);
    ++k;
  }
  return freeFormatDigits(r, plus, minus, s, k, p.inclusive);
}

// The digits of a whole number below 2^53, trailing zeros moved into the exponent: for these
// the exact value is already the shortest text.
Decimal wholeDigits(uint64_t n) {
  Decimal d;
  while (n % 10 == 0) {
    n /= 10;
    ++d.exponent;
  }
  char reversed[24];
  int count = 0;
  for (; n; n /= 10) reversed[count++] = static_cast<char>('0' + n % 10);
  for (int i = 0; i < count; ++i) d.digits[i] = reversed[count - 1 - i];
  d.count = count;
  return d;
}

// The exact decimal digits of a whole double (at or above 2^53), into out; returns the count.
int exactWholeDigits(double v, char *out) {
  const uint64_t bits = bitsOf(v);
  Big n((bits & (kHiddenBit - 1)) | kHiddenBit);
  n.shiftLeft(static_cast<int>(bits >> 52) - 1075);
  char reversed[400];
  int count = 0;
  while (!n.isZero()) {
    uint32_t chunk = n.divide(1000000000);
    for (int i = 0; i < 9; ++i, chunk /= 10) reversed[count++] = static_cast<char>('0' + chunk % 10);
  }
  while (count > 1 && reversed[count - 1] == '0') --count;
  for (int i = 0; i < count; ++i) out[i] = reversed[count - 1 - i];
  return count;
}

std::to_chars_result put(char *first, char *last, const char *text, size_t length) {
  if (static_cast<size_t>(last - first) < length) return {last, std::errc::value_too_large};
  std::memcpy(first, text, length);
  return {first + length, std::errc()};
}

bool startsWithWord(const char *p, const char *last, const char *lowerWord) {
  const size_t n = std::strlen(lowerWord);
  if (static_cast<size_t>(last - p) < n) return false;
  for (size_t i = 0; i < n; ++i)
    if ((p[i] | 0x20) != lowerWord[i]) return false;
  return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Any decimal beyond this many significant digits reads as its first kMaxDigits followed by a
// single 1 when anything non-zero was cut: a midpoint between two doubles has at most 767
// significant digits, so the cut number lies on the same side of each as the whole one.
constexpr int kMaxDigits = 800;

// Rounds digits * 10^exponent (digits without leading zeros, value within the double's range
// give or take rounding) to the nearest double, ties to even. Infinity when it rounds past the
// largest double.
double roundDecimal(const char *digits, int count, int exponent) {
  uint64_t small = 0;
  if (count <= 15) {
    for (int i = 0; i < count; ++i) small = small * 10 + static_cast<uint64_t>(digits[i] - '0');
    // Both operands exact in a double, so the one rounding IEEE arithmetic does is the right one.
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (exponent >= 0 && exponent <= 22) return static_cast<double>(small) * kPow10[exponent];
    if (exponent < 0 && exponent >= -22) return static_cast<double>(small) / kPow10[-exponent];
  }

  // value = x / y exactly.
  Big x, y(1);
  for (int i = 0; i < count; ++i) x.mulAdd(10, static_cast<uint32_t>(digits[i] - '0'));
  if (exponent >= 0)
    x.mulPow10(exponent);
  else
    y.mulPow10(-exponent);
  // q = floor(x * 2^shift / y) has 55 or 56 bits: two below the double's 53 and more to round on.
  const int shift = 55 - (x.bitLength() - y.bitLength());
  if (shift >= 0)
    x.shiftLeft(shift);
  else
    y.shiftLeft(-shift);
  uint64_t q = 0;
  Big part = y;
  part.shiftLeft(56);
  for (int b = 56; b >= 0; --b) {
    if (compare(x, part) >= 0) {
      x.subtract(part);
      q |= uint64_t(1) << b;
    }
    part.shiftRightOne();
  }
  const bool sticky = !x.isZero();

  // value = (q + sticky fraction) * 2^-shift; the last kept bit is worth 2^unit.
  const int top = static_cast<int>(std::bit_width(q)) - 1 - shift; // value in [2^top, 2^(top+1))
  const int unit = std::max(top - 52, -1074);
  const int drop = unit + shift;
  uint64_t mantissa;
  bool up;
  if (drop >= 64) {
    mantissa = 0;
    up = false; // below a quarter of the smallest step
  } else {
    mantissa = q >> drop;
    const uint64_t rest = q & ((uint64_t(1) << drop) - 1), half = uint64_t(1) << (drop - 1);
    up = rest > half || (rest == half && (sticky || mantissa % 2 == 1));
  }
  if (up) ++mantissa;
  return std::ldexp(static_cast<double>(mantissa), unit);
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

  const Decimal d = magnitude <= 0x1p53 && magnitude == std::floor(magnitude)
                        ? wholeDigits(static_cast<uint64_t>(magnitude))
                        : shortestDigits(magnitude);
  const int count = d.count, exp10 = d.exponent, sciExp = count - 1 + exp10;
  const int fixedLength = exp10 >= 0 ? count + exp10 : (count + exp10 > 0 ? count + 1 : 2 - exp10);
  const int sciLength = count + (count > 1 ? 1 : 0) + 2 + (std::abs(sciExp) >= 100 ? 3 : 2);
  if (fixedLength <= sciLength) {
    if (exp10 >= 0) {
      if (magnitude >= 0x1p53) {
        n += static_cast<size_t>(exactWholeDigits(magnitude, text + n));
      } else {
        std::memcpy(text + n, d.digits, static_cast<size_t>(count));
        n += static_cast<size_t>(count);
        for (int i = 0; i < exp10; ++i) text[n++] = '0';
      }
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
  const char *p = first;
  const bool negative = p < last && *p == '-';
  if (negative) ++p;

  if (startsWithWord(p, last, "inf")) {
    p += startsWithWord(p, last, "infinity") ? 8 : 3;
    value = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return {p, std::errc()};
  }
  if (startsWithWord(p, last, "nan")) {
    p += 3;
    if (p < last && *p == '(') {
      const char *q = p + 1;
      while (q < last && (isDigit(*q) || ((*q | 0x20) >= 'a' && (*q | 0x20) <= 'z') || *q == '_')) ++q;
      if (q < last && *q == ')') p = q + 1;
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    value = negative ? -nan : nan;
    return {p, std::errc()};
  }

  // The significant digits (from the first non-zero one, at most kMaxDigits and the cut's 1),
  // and the power of ten they are multiplied by.
  char digits[kMaxDigits + 1];
  int count = 0;
  bool cut = false, any = false;
  int64_t exponent = 0;
  for (; p < last && isDigit(*p); ++p) {
    any = true;
    if (count == 0 && *p == '0') continue;
    if (count < kMaxDigits) {
      digits[count++] = *p;
    } else {
      cut |= *p != '0';
      ++exponent;
    }
  }
  if (p < last && *p == '.') {
    const char *afterPoint = p + 1;
    for (p = afterPoint; p < last && isDigit(*p); ++p) {
      any = true;
      if (count == 0 && *p == '0') {
        --exponent;
      } else if (count < kMaxDigits) {
        digits[count++] = *p;
        --exponent;
      } else {
        cut |= *p != '0';
      }
    }
    if (!any) return {first, std::errc::invalid_argument};
  }
  if (!any) return {first, std::errc::invalid_argument};

  if (p < last && (*p == 'e' || *p == 'E')) {
    const char *q = p + 1;
    const bool negativeExp = q < last && *q == '-';
    if (q < last && (*q == '-' || *q == '+')) ++q;
    if (q < last && isDigit(*q)) {
      int64_t e = 0;
      for (; q < last && isDigit(*q); ++q) e = std::min<int64_t>(e * 10 + (*q - '0'), int64_t(1) << 40);
      exponent += negativeExp ? -e : e;
      p = q;
    }
  }

  if (count == 0) {
    value = negative ? -0.0 : 0.0;
    return {p, std::errc()};
  }
  if (cut) {
    digits[count++] = '1';
    --exponent;
  }
  // The value lies in [10^(magnitude-1), 10^magnitude).
  const int64_t magnitude = count + exponent;
  if (magnitude > 309 || magnitude < -323) return {p, std::errc::result_out_of_range};
  const double v = roundDecimal(digits, count, static_cast<int>(exponent));
  if (v == 0 || std::isinf(v)) return {p, std::errc::result_out_of_range};
  value = negative ? -v : v;
  return {p, std::errc()};
}

} // namespace nad::numbers
