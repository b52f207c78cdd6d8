#include "table_queue.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "platform/atomic_file.h"
#include "platform/table_address.h"

namespace nad::tables {
namespace {

using nlohmann::json;

std::string_view gamesWord(std::size_t n) { return n == 1 ? "game" : "games"; }

} // namespace

std::string requestBody(const QueuedGame &game) {
  return json{{"name", game.name}, {"points", game.points}, {"tape", game.tape}}.dump();
}

std::string formatQueue(const std::vector<QueuedGame> &games) {
  json list = json::array();
  for (const QueuedGame &g : games)
    list.push_back({{"table", g.table}, {"name", g.name}, {"points", g.points}, {"tape", g.tape}});
  return json{{"games", std::move(list)}}.dump() + "\n";
}

ParsedQueue parseQueue(std::string_view text) {
  ParsedQueue out;
  // Invalid UTF-8 is taken as it comes: the server judges the names.
  const json doc = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded() || !doc.is_object() || !doc.contains("games") || !doc["games"].is_array()) {
    out.status = Status::Failed("it is not a list of games");
    return out;
  }
  std::size_t wrong = 0;
  for (const json &g : doc["games"]) {
    const bool shaped = g.is_object() && g.contains("table") && g["table"].is_string() && g.contains("name") &&
                        g["name"].is_string() && g.contains("points") && g["points"].is_number_integer() &&
                        g.contains("tape") && g["tape"].is_string();
    if (!shaped || !readTableAddress(g["table"].get<std::string>()).ok()) {
      ++wrong;
      continue;
    }
    out.games.push_back({g["table"].get<std::string>(), g["name"].get<std::string>(), g["points"].get<int64_t>(),
                         g["tape"].get<std::string>()});
  }
  if (out.games.size() > kMaxQueued) {
    wrong += out.games.size() - kMaxQueued;
    out.games.erase(out.games.begin(), out.games.end() - kMaxQueued);
  }
  if (wrong)
    out.status =
        Status::Failed(std::to_string(wrong) + " " + std::string(gamesWord(wrong)) + " in it could not be read");
  return out;
}

std::vector<QueuedGame> QueueFile::readLocked() {
  files::ReadResult read = files::readAtMost(path_, kMaxQueueBytes);
  if (read.missing) return {};
  Status problem = read.status;
  if (problem.ok() && read.tooLarge)
    problem = Status::Failed("it is larger than " + std::to_string(kMaxQueueBytes >> 20) + " MiB");
  ParsedQueue parsed;
  if (problem.ok()) parsed = parseQueue(read.bytes), problem = parsed.status;
  if (!problem.ok() && !reported_) {
    reported_ = true;
    reportProblem("the games waiting for a shared table in " + path_.string() +
                  " were not all read: " + problem.reason());
  }
  return std::move(parsed.games);
}

std::vector<QueuedGame> QueueFile::load() {
  const files::FileLock lock(path_);
  return readLocked();
}

Status QueueFile::add(const QueuedGame &game) {
  const files::FileLock lock(path_);
  std::vector<QueuedGame> games = readLocked();
  games.push_back(game);
  if (games.size() > kMaxQueued) {
    const std::size_t over = games.size() - kMaxQueued;
    for (std::size_t i = 0; i < over; ++i)
      reportProblem("the game with " + std::to_string(games[i].points) +
                    " points waited too long for a shared table and is dropped");
    games.erase(games.begin(), games.begin() + std::ptrdiff_t(over));
  }
  std::error_code ignored;
  std::filesystem::create_directories(path_.parent_path(), ignored); // the write says what failed
  return files::writeAtomically(path_, formatQueue(games));
}

Status QueueFile::remove(const QueuedGame &game) {
  const files::FileLock lock(path_);
  std::vector<QueuedGame> games = readLocked();
  const auto it = std::find(games.begin(), games.end(), game);
  if (it == games.end()) return {};
  games.erase(it);
  if (games.empty()) {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
    if (!ec) return {};
  }
  return files::writeAtomically(path_, formatQueue(games));
}

} // namespace nad::tables
