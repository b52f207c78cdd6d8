// Our number texts against the standard library's: the WebAssembly build has only ours, the
// desktop build has both, and the replays of the two must print the same bytes.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "platform/number_text.h"

namespace nad::numbers {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::string stdText(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

TEST(NumberText, ShortestTable) {
  const struct {
    double value;
    const char *text;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "-0"},
      {1, "1"},
      {-7, "-7"},
      {430, "430"},
      {10000, "10000"},  // fixed and scientific as long: fixed
      {100000, "1e+05"}, // scientific is shorter
      {123456, "123456"},
      {1200, "1200"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.30000000000000004"},
      {2.5, "2.5"},
      {-1.75, "-1.75"},
      {0.001, "0.001"},
      {0.0001, "1e-04"},
      {0.00123, "0.00123"},
      {1.5e-7, "1.5e-07"},
      {double(0.6932527f), "0.693252682685852"},
      {double(0.1f), "0.10000000149011612"},
      {1e15, "1e+15"},
      {1e21, "1e+21"},
      {1e22, "1e+22"},
      {1e23, "1e+23"},                              // the double is 99999999999999991611392; "1e+23" reads back to it
      {123456789012345680.0, "123456789012345680"}, // fixed is shorter
      {12345678901234567890.0, "12345678901234567168"}, // a whole number in fixed notation is exact
      {0x1p53, "9007199254740992"},
      {0x1p53 + 2, "9007199254740994"},
      {4503599627370495.5, "4503599627370495.5"},     // 2^52 - 0.5
      {1.2345678901234568e18, "1234567890123456768"}, // exact, not ...800
      {1.2345678901234568e22, "1.2345678901234568e+22"},
      {5e-324, "5e-324"},                                   // the smallest subnormal
      {-1e-323, "-1e-323"},                                 // twice it
      {2.2250738585072014e-308, "2.2250738585072014e-308"}, // the smallest normal
      {2.225073858507201e-308, "2.225073858507201e-308"},   // the largest subnormal
      {1.7976931348623157e308, "1.7976931348623157e+308"},
      {0x1p-1022 * 1.5, "3.337610787760802e-308"},
      {9.5367431640625e-07, "9.5367431640625e-07"}, // 2^-20, exact in 14 digits
      {kInf, "inf"},
      {-kInf, "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {-std::numeric_limits<double>::quiet_NaN(), "-nan"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(shortest(c.value), c.text);
    EXPECT_EQ(stdText(c.value), c.text); // the table itself agrees with the standard library
  }
}

TEST(NumberText, ShortestNeedsRoom) {
  char buf[8];
  const auto r = toChars(buf, buf + 5, 0.125); // "0.125" fits exactly
  EXPECT_EQ(r.ec, std::errc());
  EXPECT_EQ(std::string(buf, r.ptr), "0.125");
  const auto tooSmall = toChars(buf, buf + 4, 0.125);
  EXPECT_EQ(tooSmall.ec, std::errc::value_too_large);
  EXPECT_EQ(tooSmall.ptr, buf + 4);
}

struct Read {
  double value;
  std::errc ec;
  size_t used;
};

Read ours(const std::string &s, double start = -7.25) {
  double v = start;
  const auto r = fromChars(s.data(), s.data() + s.size(), v);
  return {v, r.ec, static_cast<size_t>(r.ptr - s.data())};
}

Read theirs(const std::string &s, double start = -7.25) {
  double v = start;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return {v, r.ec, static_cast<size_t>(r.ptr - s.data())};
}

bool sameDouble(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

TEST(NumberText, ReadTable) {
  const std::string halfUlpAboveOne = "1.00000000000000011102230246251565404236316680908203125"; // 1 + 2^-53
  const std::string halfSmallest =
      "2.4703282292062327208828439643411068618252990130716238221279284125033775363510437593"
      "264991818081799618989828234772285886546332835517796989819938739800539093906315035659"
      "515570226392290858392449105184435931802849936536152500319370457678249219365623669863"
      "658480757001585769269903706311928279558551332927834338409351978015531246597263579574"
      "622766465272827220056374006485499977096599470454020828166226237857393450736339007967"
      "761930577506740176324673600968951340535537458516661134223766678604162159680461914467"
      "291840300530057530849048765391711386591646239524912623653881879636239373280423891018"
      "672348497668235089863388587925628302755995657524455507255189313690836254779186948667"
      "994968324049705821028513185451396213837722826145437693412532098591327667236328125e-"
      "324"; // 2^-1075 exactly, 751 significant digits
  const std::errc ok{}, invalid = std::errc::invalid_argument, range = std::errc::result_out_of_range;
  const struct {
    std::string text;
    double value;
    std::errc ec;
    size_t used;
  } cases[] = {
      {"0", 0.0, ok, 1},
      {"-0", -0.0, ok, 2},
      {"0.000e999999999999", 0.0, ok, 18},
      {"12", 12, ok, 2},
      {"-12.5", -12.5, ok, 5},
      {".5", 0.5, ok, 2},
      {"5.", 5, ok, 2},
      {"5.e1", 50, ok, 4},
      {"0.1", 0.1, ok, 3},
      {"1e21", 1e21, ok, 4},
      {"1E-3", 0.001, ok, 4},
      {"1e+05", 1e5, ok, 5},
      {"1e", 1, ok, 1}, // an exponent without digits is not read
      {"1e+", 1, ok, 1},
      {"2.5x", 2.5, ok, 3}, // stops at the first character that does not belong
      {"0x10", 0, ok, 1},   // no hexadecimal
      {"007", 7, ok, 3},
      {"9007199254740993", 0x1p53, ok, 16},                            // a tie: to the even neighbour, below
      {"9007199254740995", 0x1p53 + 4, ok, 16},                        // a tie: to the even neighbour, above
      {"9007199254740993.0000000000000000000001", 0x1p53 + 2, ok, 39}, // just past the tie
      {halfUlpAboveOne, 1.0, ok, halfUlpAboveOne.size()},
      {halfUlpAboveOne + std::string(1000, '0'), 1.0, ok, halfUlpAboveOne.size() + 1000},
      {halfUlpAboveOne + std::string(1000, '0') + "1", 1.0 + 0x1p-52, ok, halfUlpAboveOne.size() + 1001},
      {"1" + std::string(400, '0') + "e-400", 1.0, ok, 406},
      {"0." + std::string(400, '0') + "1e401", 1.0, ok, 407},
      {"1.7976931348623157e308", 1.7976931348623157e308, ok, 22},
      {"1.7976931348623158e308", 1.7976931348623157e308, ok, 22}, // still rounds down
      {"1.7976931348623159e308", -7.25, range, 22},               // rounds to infinity
      {"1e309", -7.25, range, 5},
      {"-1e400", -7.25, range, 6},
      {"1e-400", -7.25, range, 6}, // rounds to zero: out of range, the value is left alone
      {"5e-324", 5e-324, ok, 6},
      {"3e-324", 5e-324, ok, 6},
      {"2.5e-324", 5e-324, ok, 8},
      {halfSmallest, -7.25, range, halfSmallest.size()}, // the tie between zero and the smallest
      {"2.4703282292062328e-324", 5e-324, ok, 23},
      {"2.2250738585072011e-308", 2.225073858507201e-308, ok, 23},
      {"inf", kInf, ok, 3},
      {"-Infinity", -kInf, ok, 9},
      {"infinit", kInf, ok, 3},
      {"nan", std::numeric_limits<double>::quiet_NaN(), ok, 3},
      {"-NaN(abc_12)", -std::numeric_limits<double>::quiet_NaN(), ok, 12},
      {"nan(ab", std::numeric_limits<double>::quiet_NaN(), ok, 3},
      {"", -7.25, invalid, 0},
      {"-", -7.25, invalid, 0},
      {".", -7.25, invalid, 0},
      {"+1", -7.25, invalid, 0},
      {" 1", -7.25, invalid, 0},
      {"e5", -7.25, invalid, 0},
      {"-.e5", -7.25, invalid, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    const Read r = ours(c.text);
    EXPECT_TRUE(sameDouble(r.value, c.value)) << r.value;
    EXPECT_EQ(r.ec, c.ec);
    EXPECT_EQ(r.used, c.used);
    const Read t = theirs(c.text); // the table itself agrees with the standard library
    EXPECT_TRUE(sameDouble(t.value, c.value)) << t.value;
    EXPECT_EQ(t.ec, c.ec);
    EXPECT_EQ(t.used, c.used);
  }
}

void expectSameText(double v) {
  char a[64], b[64];
  const auto ra = std::to_chars(a, a + sizeof a, v);
  const auto rb = toChars(b, b + sizeof b, v);
  ASSERT_EQ(std::string(b, rb.ptr), std::string(a, ra.ptr)) << std::hexfloat << v;
}

void expectSameRead(const std::string &s) {
  const Read a = theirs(s), b = ours(s);
  ASSERT_TRUE(sameDouble(b.value, a.value) && b.ec == a.ec && b.used == a.used)
      << "'" << s.substr(0, 80) << "': ours " << std::hexfloat << b.value << " used " << b.used << ", theirs "
      << a.value << " used " << a.used;
}

// Every kind of double: random bit patterns (all exponents, subnormals, infinities, NaNs),
// floats widened as the game's arithmetic makes them, whole numbers, powers of two, short
// decimals and their neighbours; each text is read back by both.
TEST(NumberText, WritesAsTheStandardLibraryOnRandomDoubles) {
  std::mt19937_64 rng(20241224);
  for (int i = 0; i < 40000; ++i) {
    const double bits = std::bit_cast<double>(rng());
    const double widened = double(std::bit_cast<float>(static_cast<uint32_t>(rng())));
    const double whole = double(rng() >> (rng() % 64));
    const double power = std::ldexp(1.0, static_cast<int>(rng() % 2100) - 1075);
    const double everyday = double(rng() % 2000000) / std::pow(10.0, double(rng() % 8));
    for (double v : {bits, widened, whole, -whole, power, everyday, std::nextafter(everyday, kInf)}) {
      expectSameText(v);
      expectSameRead(stdText(v));
    }
  }
}

// Texts of every shape: decimals of up to 40 digits at every exponent, with signs, points and
// exponents in odd places, words, and near-miss junk.
TEST(NumberText, ReadsAsTheStandardLibraryOnRandomTexts) {
  std::mt19937_64 rng(1225);
  auto pick = [&](const char *alphabet) { return alphabet[rng() % std::strlen(alphabet)]; };
  for (int i = 0; i < 60000; ++i) {
    std::string s;
    if (rng() % 2) s += '-';
    const int before = static_cast<int>(rng() % 25), after = static_cast<int>(rng() % 20);
    for (int k = 0; k < before; ++k) s += pick(k == 0 ? "0123456789" : "0123456789000");
    if (rng() % 3) s += '.';
    for (int k = 0; k < after; ++k) s += pick("0123456789");
    if (rng() % 3) {
      s += pick("eE");
      if (rng() % 2) s += pick("+-");
      s += std::to_string(rng() % 700);
    }
    expectSameRead(s);
    std::string junk;
    const int length = static_cast<int>(rng() % 12);
    for (int k = 0; k < length; ++k) junk += pick("0123456789.eE+-infatyINFATY()_x ");
    expectSameRead(junk);
  }
  // Long mantissas, cut beyond the digits that can matter.
  for (int i = 0; i < 300; ++i) {
    std::string s = std::to_string(rng() % 10 + 1);
    const int length = 700 + static_cast<int>(rng() % 300);
    for (int k = 0; k < length; ++k) s += pick(rng() % 4 ? "0" : "0123456789");
    s += "e-" + std::to_string(rng() % 1400);
    expectSameRead(s);
  }
}

// Exact midpoints between neighbouring doubles, the texts hardest to round, and the nearest
// long doubles either side of them: a tie goes to the even neighbour, anything past it away.
TEST(NumberText, ReadsMidpointsAsTheStandardLibrary) {
  static_assert(std::numeric_limits<long double>::digits >= 64, "a midpoint must be exact in a long double");
  std::mt19937_64 rng(31);
  int tried = 0;
  while (tried < 3000) {
    const double a = std::fabs(std::bit_cast<double>(rng()));
    const double b = std::nextafter(a, kInf);
    if (!std::isfinite(b)) continue;
    ++tried;
    const long double mid = (static_cast<long double>(a) + b) / 2;
    for (long double m : {mid, std::nextafter(mid, 0.0L), std::nextafter(mid, static_cast<long double>(kInf))}) {
      char buf[900];
      const auto r = std::to_chars(buf, buf + sizeof buf, m, std::chars_format::scientific, 800); // exact
      expectSameRead(std::string(buf, r.ptr));
    }
  }
}

} // namespace
} // namespace nad::numbers
