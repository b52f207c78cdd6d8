#pragma once
// A shared high-score table's address as players pass it around: the page's link,
// http(s)://HOST[:PORT]/...?table=ID. The table's API is then on the same host and port,
// /api/tables/ID. Plain C++ on uriparser; no network.
#include <string>
#include <string_view>

#include "platform/report.h"

namespace nad {

struct TableAddress {
  std::string scheme; // "http" or "https"
  std::string host;   // a name, an IPv4 address, or an IPv6 address in brackets
  int port = 0;       // given or the scheme's own
  std::string id;     // the table's id: letters, digits, '-' and '_'
  std::string text;   // the address as it was given, to report and keep in the settings

  // "http://HOST:PORT", what an HTTP client is opened on.
  std::string origin() const;
  // "/api/tables/ID/scores"
  std::string scoresPath() const;
  bool operator==(const TableAddress &) const = default;
};

inline constexpr std::size_t kMaxTableAddressBytes = 2000;
inline constexpr std::size_t kMaxTableIdBytes = 64;

// The reason, when there is one, says what is wrong in words a player can act on.
Result<TableAddress> readTableAddress(std::string_view text);

} // namespace nad
