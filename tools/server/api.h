#pragma once
// The API's texts: request bodies read into typed values with every rule a body must keep, and
// the JSON answers. Plain functions, tested without a network.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/report.h"
#include "server/store.h"

namespace nad::server {

inline constexpr std::size_t kMaxBody = 1 << 20;
inline constexpr std::size_t kMaxNameChars = 20;
inline constexpr std::size_t kMaxTitleChars = 60;

struct ScoreClaim {
  std::string name; // trimmed
  int64_t points = 0;
  std::string tape; // decoded
};

// {"title": "..."} -> the trimmed title.
Result<std::string> parseNewTable(std::string_view body);
// {"name": "...", "points": N, "tape": "base64"}.
Result<ScoreClaim> parseScoreClaim(std::string_view body);

// A player's name or a table's title: valid UTF-8 without controls, trimmed of blanks, then 1 to
// `maxChars` code points. `what` names it in the reason.
Result<std::string> checkText(std::string_view text, std::size_t maxChars, std::string_view what);

// The key of "Authorization: Bearer KEY".
Result<std::string> bearerKey(std::string_view authorization);

// The shape our ids have (URL-safe base64); anything else is no table or row of ours.
bool looksLikeId(std::string_view id);

// "2026-12-11T07:05:00Z".
std::string isoTime(std::chrono::system_clock::time_point t);

std::string createdJson(std::string_view id, std::string_view key);
std::string tableJson(const ScoreTable &table);
std::string addedJson(std::string_view row, int64_t points, int64_t rank);
std::string errorJson(std::string_view message);

} // namespace nad::server
