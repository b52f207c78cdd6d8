#include "platform/table_address.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using nad::readTableAddress;
using nad::TableAddress;

namespace {

struct Good {
  std::string text;
  std::string origin, id;
};

TEST(TableAddress, ThePagesLinkGivesTheTablesOriginAndId) {
  const std::vector<Good> cases = {
      {"http://127.0.0.1:8642/?table=abc", "http://127.0.0.1:8642", "abc"},
      {"https://nadilka.example.org/?table=Ab-_9", "https://nadilka.example.org:443", "Ab-_9"},
      {"http://nadilka.example.org?table=x", "http://nadilka.example.org:80", "x"},
      // A link passed around gains a path, other parameters and a fragment; the scheme any case.
      {"HTTP://Example.org/hra/index.html?utm=mail&table=t1#top", "http://Example.org:80", "t1"},
      {"http://h/?table=a&table=b", "http://h:80", "b"},
      {"http://[::1]:9000/?table=z", "http://[::1]:9000", "z"},
      {"http://h/?table=" + std::string(64, 'q'), "http://h:80", std::string(64, 'q')},
  };
  for (const Good &c : cases) {
    SCOPED_TRACE(c.text);
    const nad::Result<TableAddress> got = readTableAddress(c.text);
    ASSERT_TRUE(got.ok()) << got.reason();
    EXPECT_EQ(got->origin(), c.origin);
    EXPECT_EQ(got->id, c.id);
    EXPECT_EQ(got->scoresPath(), "/api/tables/" + c.id + "/scores");
    EXPECT_EQ(got->text, c.text); // kept as the player gave it
  }
}

struct Bad {
  std::string text, reason;
};

TEST(TableAddress, EachWrongAddressIsRefusedWithItsReason) {
  const std::string scheme = "it does not start with http:// or https://", noId = "it has no ?table=ID",
                    idLength = "the table's id is not 1 to 64 characters long",
                    port = "its port is not a whole number from 1 to 65535";
  const std::vector<Bad> cases = {
      {"", scheme},
      {"nadilka.example.org/?table=a", scheme},
      {"ftp://h/?table=a", scheme},
      {"file:///home/a/?table=a", scheme},
      {"http:///?table=a", "it names no host"},
      {"http://me:secret@h/?table=a", "it holds a user name"},
      {"http://h:0/?table=a", port},
      {"http://h:65536/?table=a", port},
      {"http://h/", noId},
      {"http://h/?tables=a", noId},
      {"http://h/#?table=a", noId},
      {"http://h/?table=", idLength},
      {"http://h/?table=" + std::string(65, 'q'), idLength},
      {"http://h/?table=a%2F..%2Fb", "the table's id holds other characters than letters, digits, - and _"},
      {"http://h/?table=a.b", "the table's id holds other characters than letters, digits, - and _"},
      {"http://h o/?table=a", "it is not a web address"},
      {"http://h/?table=a\n", "it is not a web address"},
      {"http://h/?x=" + std::string(2000, 'x') + "&table=a", "it is longer than 2000 characters"},
  };
  for (const Bad &c : cases) {
    SCOPED_TRACE(c.text);
    const nad::Result<TableAddress> got = readTableAddress(c.text);
    ASSERT_FALSE(got.ok());
    EXPECT_EQ(got.reason(), c.reason);
  }
}

} // namespace
