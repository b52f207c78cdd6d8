#pragma once
// The games waiting for a shared table: a small JSON file beside the player's high-score table,
// so that a game that could not be sent (offline, the server busy) is sent at the next start.
// Each game is written here before it is sent and taken out once the table answered, so that a
// crash or a lost connection loses none; two copies of the game take turns on it (FileLock).
//
//   {"games": [{"table": "https://host/?table=ID", "name": "BRIMEL", "points": 694,
//               "tape": "<base64>"}]}
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/report.h"

namespace nad::tables {

inline constexpr const char *kQueueFileName = "table-queue.json";
// The oldest games give way past this many: a player offline for weeks keeps the latest.
inline constexpr std::size_t kMaxQueued = 8;
// A shared table takes bodies of at most 1 MB; the file holds a little more than kMaxQueued.
inline constexpr std::size_t kMaxQueueBytes = std::size_t{10} << 20;

struct QueuedGame {
  std::string table; // the address it is for, as the player gave it
  std::string name;
  int64_t points = 0;
  std::string tape; // base64, as it is sent
  bool operator==(const QueuedGame &) const = default;
};

// What a shared table is sent for a game: {"name","points","tape"}.
std::string requestBody(const QueuedGame &game);

std::string formatQueue(const std::vector<QueuedGame> &games);
// Games with a wrong shape (or a table that is no table's address) are left out and counted in
// the status's reason; a file that is no such JSON at all gives none.
struct ParsedQueue {
  std::vector<QueuedGame> games;
  Status status;
};
ParsedQueue parseQueue(std::string_view text);

class QueueFile {
public:
  explicit QueueFile(std::filesystem::path path) : path_(std::move(path)) {}
  const std::filesystem::path &path() const { return path_; }
  // The games waiting; a damaged or unreadable file is reported once and counts as empty.
  std::vector<QueuedGame> load();
  // Appends `game` (the oldest giving way past kMaxQueued, reported).
  Status add(const QueuedGame &game);
  // Takes out the first game equal to `game`, if it is still there.
  Status remove(const QueuedGame &game);

private:
  std::vector<QueuedGame> readLocked();
  std::filesystem::path path_;
  bool reported_ = false;
};

} // namespace nad::tables
