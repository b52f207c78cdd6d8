#pragma once
// The server's command line.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/report.h"

namespace nad::server {

struct ServerOptions {
  bool help = false;
  std::string host = "127.0.0.1";
  int port = 8642;
  std::string database = "sqlite:nadilka-tables.sqlite";
  std::optional<std::string> site;
  bool trustProxy = false;
  int workers = 0; // 0: the number of cores
  int queue = 64;
  std::optional<std::string> runFolder;
  double ratePerMinute = 60; // writes per address
  double burst = 20;
  int readThreads = 16; // HTTP threads beyond those a full verification queue can hold
  int verifySeconds = 10;
};

extern const char kServerUsage[];

// The arguments after the program's name; the reason is one line.
Result<ServerOptions> parseServerOptions(const std::vector<std::string_view> &args);

} // namespace nad::server
