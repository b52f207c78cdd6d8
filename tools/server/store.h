#pragma once
// Where the shared tables live: the interface both databases give, so that the server's handlers
// never see SQL. Every method is safe to call from several threads at once and commits before it
// returns success.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/report.h"

namespace nad::server {

struct ScoreRow {
  std::string row; // the row's own id, for good
  std::string name;
  int64_t points = 0;
  std::string at; // ISO 8601, UTC
};

struct ScoreTable {
  std::string id;
  std::string title;
  std::vector<ScoreRow> rows; // best first, equal points in the order entered
};

struct NewScore {
  std::string tableId;
  std::string row;
  std::string name;
  int64_t points = 0;
  std::string at;
  std::string gameDigest; // hex SHA-256 of the tape up to the game's end: one game per table
};

enum class AddOutcome { added, unknownTable, sameGame };
struct Added {
  AddOutcome outcome = AddOutcome::added;
  int64_t rank = 0; // 1 is the best; only when added
};

enum class RemoveOutcome { removed, unknownRow };

inline constexpr int kRowsShown = 100;

// A database's failure as whatever Status or Result the step returns.
struct Failure {
  std::string reason;
  operator Status() const { return Status::Failed(reason); } // NOLINT(google-explicit-constructor)
  template <class T> operator Result<T>() const { return Result<T>::Failed(reason); } // NOLINT
};

class Store {
public:
  virtual ~Store() = default;
  virtual Status createTable(std::string_view id, std::string_view title, std::string_view keyDigest) = 0;
  // The table with its best kRowsShown rows; nullopt when there is no such table.
  virtual Result<std::optional<ScoreTable>> table(std::string_view id) = 0;
  // The hex SHA-256 of the table's owner key; nullopt when there is no such table.
  virtual Result<std::optional<std::string>> keyDigest(std::string_view tableId) = 0;
  virtual Result<Added> addScore(const NewScore &score) = 0;
  // A removed row keeps its game, so the same tape cannot come back.
  virtual Result<RemoveOutcome> removeScore(std::string_view tableId, std::string_view row) = 0;
};

// "sqlite:PATH" or "postgresql://..." (also "postgres://"); creates the schema when missing.
// `connections` bounds the connections held open at once.
Result<std::unique_ptr<Store>> openStore(std::string_view url, int connections);

} // namespace nad::server
