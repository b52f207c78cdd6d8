// The server's pieces without a network: request bodies and their rules, base64, the answers'
// JSON, the command line, the rate limit and the bounded verification pool.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <latch>
#include <random>

#include "server/api.h"
#include "server/base64.h"
#include "server/crypto.h"
#include "server/options.h"
#include "server/rate_limit.h"
#include "server/verify_pool.h"

using namespace nad;
using namespace nad::server;

namespace {

std::string scoreBody(const std::string &name, const std::string &points, const std::string &tape = "\"QUJD\"") {
  return "{\"name\":" + name + ",\"points\":" + points + ",\"tape\":" + tape + "}";
}

struct BodyCase {
  const char *what;
  std::string body;
  const char *refusal; // a part of the reason; null when the body is good
};

TEST(ServerApi, ScoreBodiesAreReadOrRefusedWithAReason) {
  const BodyCase cases[] = {
      {"good", scoreBody("\"Jan\"", "1200"), nullptr},
      {"negative points", scoreBody("\"Jan\"", "-30"), nullptr},
      {"largest int64", scoreBody("\"Jan\"", "9223372036854775807"), nullptr},
      {"smallest int64", scoreBody("\"Jan\"", "-9223372036854775808"), nullptr},
      {"unknown fields are ignored", "{\"x\":[1],\"name\":\"a\",\"points\":1,\"tape\":\"QUJD\"}", nullptr},
      {"empty body", "", "not valid JSON"},
      {"not closed", "{\"name\":\"Jan\"", "not valid JSON"},
      {"garbage after", scoreBody("\"Jan\"", "1") + "x", "not valid JSON"},
      {"an array", "[1,2]", "not a JSON object"},
      {"null", "null", "not a JSON object"},
      {"deep nesting", std::string(5000, '[') + std::string(5000, ']'), "not a JSON object"},
      {"invalid UTF-8 in JSON", "{\"name\":\"\xff\",\"points\":1,\"tape\":\"QUJD\"}", "not valid JSON"},
      {"lone surrogate escape", scoreBody("\"\\ud800\"", "1"), "not valid JSON"},
      {"points 1.5", scoreBody("\"Jan\"", "1.5"), "'points' is not a whole number"},
      {"points 1e3", scoreBody("\"Jan\"", "1e3"), "'points' is not a whole number"},
      {"points 1.0", scoreBody("\"Jan\"", "1.0"), "'points' is not a whole number"},
      {"points as text", scoreBody("\"Jan\"", "\"12\""), "'points' is not a whole number"},
      {"points true", scoreBody("\"Jan\"", "true"), "'points' is not a whole number"},
      {"points 2^63", scoreBody("\"Jan\"", "9223372036854775808"), "'points' is too large"},
      {"points 2^64", scoreBody("\"Jan\"", "18446744073709551616"), "'points' is not a whole number"},
      {"points huge", scoreBody("\"Jan\"", std::string(400, '9')), "not valid JSON"},
      {"points below int64", scoreBody("\"Jan\"", "-9223372036854775809"), "'points' is not a whole number"},
      {"no points", "{\"name\":\"Jan\",\"tape\":\"QUJD\"}", "'points' is missing"},
      {"no name", "{\"points\":1,\"tape\":\"QUJD\"}", "'name' is missing"},
      {"name a number", scoreBody("7", "1"), "'name' is not a string"},
      {"no tape", "{\"name\":\"Jan\",\"points\":1}", "'tape' is missing"},
      {"tape a number", scoreBody("\"Jan\"", "1", "5"), "'tape' is not a string"},
      {"tape empty", scoreBody("\"Jan\"", "1", "\"\""), "'tape' is empty"},
      {"tape with a newline", scoreBody("\"Jan\"", "1", "\"QUJD\\n\""), "'tape' is not base64"},
      {"tape without padding", scoreBody("\"Jan\"", "1", "\"QUI\""), "'tape' is not base64"},
      {"tape URL-safe", scoreBody("\"Jan\"", "1", "\"__-_\""), "'tape' is not base64"},
      {"name empty", scoreBody("\"\"", "1"), "the name is empty"},
      {"name of blanks", scoreBody("\"  \\u00a0 \"", "1"), "the name is empty"},
      {"name with a tab", scoreBody("\"Jan\\tNovák\"", "1"), "control character"},
      {"name with a newline at its end", scoreBody("\"Jan\\n\"", "1"), "control character"},
      {"name with DEL", scoreBody("\"Jan\\u007f\"", "1"), "control character"},
      {"name with a C1 control", scoreBody("\"Jan\\u009b\"", "1"), "control character"},
      {"name with NUL", scoreBody("\"Jan\\u0000\"", "1"), "control character"},
      {"name of 21 characters", scoreBody("\"abcdefghijklmnopqrstu\"", "1"), "longer than 20"},
  };
  for (const BodyCase &c : cases) {
    SCOPED_TRACE(c.what);
    const Result<ScoreClaim> claim = parseScoreClaim(c.body);
    if (!c.refusal) {
      EXPECT_TRUE(claim.ok()) << claim.reason();
      continue;
    }
    ASSERT_FALSE(claim.ok());
    EXPECT_NE(claim.reason().find(c.refusal), std::string::npos) << claim.reason();
  }
}

TEST(ServerApi, AGoodScoreBodyGivesItsValues) {
  const Result<ScoreClaim> claim = parseScoreClaim(scoreBody("\"  Jan Novák \"", "-9223372036854775808", "\"QUI=\""));
  ASSERT_TRUE(claim.ok()) << claim.reason();
  EXPECT_EQ(claim->name, "Jan Novák");
  EXPECT_EQ(claim->points, INT64_MIN);
  EXPECT_EQ(claim->tape, "AB");
  const Result<ScoreClaim> big = parseScoreClaim(scoreBody("\"a\"", "9223372036854775807"));
  ASSERT_TRUE(big.ok());
  EXPECT_EQ(big->points, INT64_MAX);
}

TEST(ServerApi, NamesCountCodePointsAndAreTrimmedOfBlanks) {
  struct Case {
    std::string text;
    const char *kept; // null: refused
  };
  const Case cases[] = {
      {"Jan", "Jan"},
      {"  Jan  ", "Jan"},
      {"\u00a0Jan\u3000", "Jan"},
      {"  Jan  Novák ", "Jan  Novák"},
      // Twenty Czech letters of two bytes each: twenty characters.
      {"ěščřžýáíéůúňťďĚŠČŘŽÝ", "ěščřžýáíéůúňťďĚŠČŘŽÝ"},
      {"ěščřžýáíéůúňťďĚŠČŘŽÝÁ", nullptr},
      {"abcdefghijklmnopqrst", "abcdefghijklmnopqrst"},
      {"   abcdefghijklmnopqrst   ", "abcdefghijklmnopqrst"},
      {"<b>&amp;\"'", "<b>&amp;\"'"},
      {"🎅", "🎅"},
      {"", nullptr},
      {"\xc3", nullptr},         // a lead byte alone
      {"\xc0\xaf", nullptr},     // overlong
      {"\xed\xa0\x80", nullptr}, // a surrogate
      {"a\rb", nullptr},
      {"a\xc2\x85", nullptr}, // NEL, a C1 control
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    const Result<std::string> r = checkText(c.text, kMaxNameChars, "name");
    if (c.kept) {
      ASSERT_TRUE(r.ok()) << r.reason();
      EXPECT_EQ(r.value(), c.kept);
    } else {
      EXPECT_FALSE(r.ok());
    }
  }
}

TEST(ServerApi, TitlesAreOneToSixtyCharacters) {
  const std::string sixty(60, 'x');
  struct Case {
    std::string body;
    bool good;
  };
  const Case cases[] = {{"{\"title\":\"" + sixty + "\"}", true},
                        {"{\"title\":\"  " + sixty + "  \"}", true},
                        {"{\"title\":\"" + sixty + "y\"}", false},
                        {"{\"title\":\"Vánoční liga ve Zlíně\"}", true},
                        {"{\"title\":\"\"}", false},
                        {"{\"title\":\" \"}", false},
                        {"{\"title\":\"a\\u001bb\"}", false},
                        {"{\"title\":5}", false},
                        {"{}", false},
                        {"\"title\"", false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(parseNewTable(c.body).ok(), c.good);
  }
  EXPECT_EQ(parseNewTable("{\"title\":\" Liga \"}").value(), "Liga");
}

TEST(ServerApi, Base64IsReadStrictlyAndRoundTrips) {
  struct Case {
    const char *text;
    const char *bytes; // null: refused
  };
  const Case cases[] = {{"QUJD", "ABC"},     {"QUI=", "AB"},    {"QQ==", "A"},        {"", ""},
                        {"QQ=", nullptr},    {"QQ", nullptr},   {"QR==", nullptr},    {"QUJ=", nullptr},
                        {"Q===", nullptr},   {"====", nullptr}, {"QU=D", nullptr},    {"Q UJD", nullptr},
                        {"QUJD\n", nullptr}, {"QUJ-", nullptr}, {"QUJD====", nullptr}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    const Result<std::string> r = decodeBase64(c.text);
    if (c.bytes) {
      ASSERT_TRUE(r.ok()) << r.reason();
      EXPECT_EQ(r.value(), c.bytes);
    } else {
      EXPECT_FALSE(r.ok());
    }
  }
  std::mt19937 random(7);
  for (int n = 0; n < 200; ++n) {
    std::string bytes(static_cast<size_t>(n), '\0');
    for (char &b : bytes) b = static_cast<char>(random());
    const Result<std::string> back = decodeBase64(encodeBase64(bytes));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value(), bytes);
  }
}

TEST(ServerApi, AnswersAreJsonWithTheTextKeptAsText) {
  const ScoreTable t{"abc", "Liga \"<script>\"", {{"r1", "<img src=x>\\", 50, "2026-12-11T07:05:00Z"}}};
  const auto j = nlohmann::json::parse(tableJson(t));
  EXPECT_EQ(j["title"], "Liga \"<script>\"");
  EXPECT_EQ(j["rows"][0]["name"], "<img src=x>\\");
  EXPECT_EQ(j["rows"][0]["points"], 50);
  EXPECT_EQ(j["rows"][0]["at"], "2026-12-11T07:05:00Z");
  EXPECT_EQ(nlohmann::json::parse(errorJson("a\nb"))["error"], "a\nb");
  EXPECT_EQ(nlohmann::json::parse(addedJson("r", -5, 3)), (nlohmann::json{{"row", "r"}, {"points", -5}, {"rank", 3}}));
  EXPECT_EQ(isoTime(std::chrono::system_clock::time_point(std::chrono::seconds(1796972700))), "2026-12-11T07:05:00Z");
}

TEST(ServerApi, KeysIdsAndDigests) {
  EXPECT_EQ(bearerKey("Bearer abc").value(), "abc");
  for (const char *bad : {"", "Bearer ", "bearer abc", "Basic abc", "Bearerabc"})
    EXPECT_FALSE(bearerKey(bad).ok()) << bad;
  EXPECT_TRUE(looksLikeId("aZ09-_"));
  for (const char *bad : {"", "a/b", "a.b", "a b", "%41"}) EXPECT_FALSE(looksLikeId(bad)) << bad;
  EXPECT_FALSE(looksLikeId(std::string(65, 'a')));
  const auto a = randomToken(9), b = randomToken(9);
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(a.value().size(), 12u);
  EXPECT_NE(a.value(), b.value());
  EXPECT_TRUE(looksLikeId(a.value()));
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_TRUE(sameDigest(sha256Hex("k"), sha256Hex("k")));
  EXPECT_FALSE(sameDigest(sha256Hex("k"), sha256Hex("l")));
  EXPECT_FALSE(sameDigest("ab", "abc"));
}

TEST(ServerOptions, GoodAndBadCommandLines) {
  using Args = std::vector<std::string_view>;
  const auto o = parseServerOptions(Args{"--listen", "0.0.0.0:9000", "--database=postgresql://u@h/db", "--site", "s",
                                         "--trust-proxy", "--workers", "3", "--queue", "0", "--rate", "5"});
  ASSERT_TRUE(o.ok()) << o.reason();
  EXPECT_EQ(o->host, "0.0.0.0");
  EXPECT_EQ(o->port, 9000);
  EXPECT_EQ(o->database, "postgresql://u@h/db");
  EXPECT_EQ(o->site, "s");
  EXPECT_TRUE(o->trustProxy);
  EXPECT_EQ(o->workers, 3);
  EXPECT_EQ(o->queue, 0);
  EXPECT_EQ(o->ratePerMinute, 5);
  const Args bad[] = {{"--listen", "9000"},
                      {"--listen", "h:70000"},
                      {"--listen", "h:"},
                      {"--database", "mysql:x"},
                      {"--database", "sqlite:"},
                      {"--workers", "0"},
                      {"--workers", "x"},
                      {"--queue", "-1"},
                      {"--rate", "1.5"},
                      {"--bogus"},
                      {"extra"},
                      {"--listen"}};
  for (const Args &args : bad) {
    const auto r = parseServerOptions(args);
    EXPECT_FALSE(r.ok()) << args[0];
    if (!r.ok()) {
      EXPECT_EQ(r.reason().find('\n'), std::string::npos);
    }
  }
}

TEST(ServerRateLimit, EachAddressSpendsItsBurstThenWaitsForTokens) {
  RateLimiter limiter(/*perMinute=*/60, /*burst=*/3);
  const auto t0 = RateLimiter::Clock::time_point{} + std::chrono::hours(1);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(limiter.take("a", t0).allowed);
  const Admission refused = limiter.take("a", t0);
  EXPECT_FALSE(refused.allowed);
  EXPECT_EQ(refused.retryAfterSeconds, 1);
  EXPECT_TRUE(limiter.take("b", t0).allowed); // another address has its own bucket
  EXPECT_FALSE(limiter.take("a", t0 + std::chrono::milliseconds(500)).allowed);
  EXPECT_TRUE(limiter.take("a", t0 + std::chrono::milliseconds(1600)).allowed);
  // Never more than the burst, however long it was quiet.
  const auto later = t0 + std::chrono::hours(5);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(limiter.take("a", later).allowed);
  EXPECT_FALSE(limiter.take("a", later).allowed);
}

TEST(ServerRateLimit, TheMapOfAddressesStaysBounded) {
  RateLimiter limiter(60, 2, /*maxAddresses=*/2);
  const auto t0 = RateLimiter::Clock::time_point{} + std::chrono::hours(1);
  EXPECT_TRUE(limiter.take("a", t0).allowed);
  EXPECT_TRUE(limiter.take("b", t0).allowed);
  EXPECT_FALSE(limiter.take("c", t0).allowed); // both others are still busy
  // Once a's and b's buckets are full again they are forgotten and c gets in.
  EXPECT_TRUE(limiter.take("c", t0 + std::chrono::seconds(2)).allowed);
}

TEST(ServerVerifyPool, AFullQueueRefusesAndEveryAcceptedTapeGetsItsVerdict) {
  std::latch release(1);
  std::atomic<int> started{0};
  VerifyPool pool(
      [&](std::string_view tape) -> Result<replay::Verdict> {
        ++started;
        release.wait();
        if (tape == "bad") return Result<replay::Verdict>::Failed("damaged");
        return replay::Verdict{static_cast<int64_t>(tape.size()), tape.size(), 1};
      },
      /*workers=*/1, /*queue=*/2);
  auto first = pool.trySubmit("a");
  ASSERT_TRUE(first);
  while (started.load() == 0) std::this_thread::yield(); // the worker holds the first
  auto second = pool.trySubmit("bb"), third = pool.trySubmit("bad");
  ASSERT_TRUE(second && third);
  EXPECT_FALSE(pool.trySubmit("dddd"));
  release.count_down();
  EXPECT_EQ(first->get().value().points, 1);
  EXPECT_EQ(second->get().value().points, 2);
  EXPECT_EQ(third->get().reason(), "damaged");
  auto again = pool.trySubmit("eeeee"); // room again
  ASSERT_TRUE(again);
  EXPECT_EQ(again->get().value().points, 5);
}

} // namespace
