#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <string>

using namespace nad;

// Every reader of outside text (the table, the settings, the replay's JSON, the browser's fonts)
// takes characters from here, so what is and is not a character is decided once.
TEST(Utf8, DecodeTakesWellFormedCharactersAndOneByteOfAnythingElse) {
  struct Case {
    const char *name;
    std::string text;
    char32_t code;
    std::size_t length;
    bool valid;
  };
  const Case cases[] = {
      {"ASCII", "a", U'a', 1, true},
      {"two bytes", "č", U'č', 2, true},
      {"three bytes", "€", U'€', 3, true},
      {"four bytes", "🎄", U'🎄', 4, true},
      {"C1 control, well-formed", "\xC2\x9B", 0x9B, 2, true},
      {"overlong two-byte form of '/'", "\xC0\xAF", utf8::kReplacement, 1, false},
      {"overlong three-byte form", "\xE0\x80\xAF", utf8::kReplacement, 1, false},
      {"overlong four-byte form", "\xF0\x80\x80\xAF", utf8::kReplacement, 1, false},
      {"a surrogate", "\xED\xA0\x80", utf8::kReplacement, 1, false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", utf8::kReplacement, 1, false},
      {"a stray continuation byte", "\x80x", utf8::kReplacement, 1, false},
      {"a lead byte cut short", "\xC4", utf8::kReplacement, 1, false},
      {"a lead byte before ASCII", "\xC4x", utf8::kReplacement, 1, false},
      {"a byte no character starts with", "\xFF", utf8::kReplacement, 1, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const utf8::Char got = utf8::decode(c.text, 0);
    EXPECT_EQ(got.code, c.code);
    EXPECT_EQ(got.length, c.length);
    EXPECT_EQ(got.valid, c.valid);
    if (c.valid) {
      std::string again;
      utf8::append(again, got.code);
      EXPECT_EQ(again, c.text.substr(0, c.length));
    }
  }
  EXPECT_EQ(utf8::length("Dvořák\xC0\xAF"), 8u) << "each byte of a broken sequence counts";
  EXPECT_TRUE(utf8::isValid("Žofie 🎄"));
  EXPECT_FALSE(utf8::isValid("Žofie \xED\xA0\x80"));
}
