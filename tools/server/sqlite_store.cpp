#include "server/sqlite_store.h"

#include <sqlite3.h>

#include <utility>

#include "server/connection_pool.h"

namespace nad::server {
namespace {

constexpr const char *kSchema = R"sql(
CREATE TABLE IF NOT EXISTS score_tables (
  id TEXT PRIMARY KEY,
  title TEXT NOT NULL,
  key_sha256 TEXT NOT NULL,
  created TEXT NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%SZ', 'now')));
CREATE TABLE IF NOT EXISTS scores (
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  table_id TEXT NOT NULL REFERENCES score_tables (id),
  row_id TEXT NOT NULL UNIQUE,
  name TEXT NOT NULL,
  points INTEGER NOT NULL,
  at TEXT NOT NULL,
  game_sha256 TEXT NOT NULL,
  removed INTEGER NOT NULL DEFAULT 0,
  UNIQUE (table_id, game_sha256));
CREATE INDEX IF NOT EXISTS scores_order ON scores (table_id, removed, points DESC, seq);
)sql";

// A prepared statement, reset for its next use when the step that used it ends.
class Statement {
public:
  Statement(sqlite3 *db, const char *sql) : db_(db) {
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;
  bool prepared() const { return stmt_ != nullptr; }
  sqlite3_stmt *get() { return stmt_; }
  std::string error() const { return sqlite3_errmsg(db_); }

private:
  sqlite3 *db_;
  sqlite3_stmt *stmt_ = nullptr;
};

class Use {
public:
  explicit Use(Statement &s) : s_(s) {}
  ~Use() {
    sqlite3_reset(s_.get());
    sqlite3_clear_bindings(s_.get());
  }
  Use(const Use &) = delete;
  Use &operator=(const Use &) = delete;
  Use &text(int at, std::string_view v) {
    sqlite3_bind_text(s_.get(), at, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Use &number(int at, int64_t v) {
    sqlite3_bind_int64(s_.get(), at, v);
    return *this;
  }
  int step() { return sqlite3_step(s_.get()); }
  std::string column(int at) {
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s_.get(), at));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(s_.get(), at))) : std::string();
  }
  int64_t columnNumber(int at) { return sqlite3_column_int64(s_.get(), at); }

private:
  Statement &s_;
};

struct Connection {
  sqlite3 *db = nullptr;
  std::unique_ptr<Statement> begin, commit, rollback, insertTable, selectTable, selectRows, selectKey, insertScore,
      rankOf, removeRow;
  ~Connection() {
    begin.reset(), commit.reset(), rollback.reset(), insertTable.reset(), selectTable.reset(), selectRows.reset();
    selectKey.reset(), insertScore.reset(), rankOf.reset(), removeRow.reset();
    sqlite3_close(db);
  }
};

Failure failed(Connection &c, std::string_view what) {
  return {"database: " + std::string(what) + ": " + sqlite3_errmsg(c.db)};
}

Result<std::unique_ptr<Connection>> connect(const std::string &path) {
  auto c = std::make_unique<Connection>();
  if (sqlite3_open_v2(path.c_str(), &c->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK)
    return Result<std::unique_ptr<Connection>>::Failed("cannot open the database " + path + ": " +
                                                       (c->db ? sqlite3_errmsg(c->db) : "out of memory"));
  // Writers queue for the file's lock rather than fail at once.
  sqlite3_busy_timeout(c->db, 10000);
  char *error = nullptr;
  const char *setup = "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;";
  if (sqlite3_exec(c->db, setup, nullptr, nullptr, &error) != SQLITE_OK ||
      sqlite3_exec(c->db, kSchema, nullptr, nullptr, &error) != SQLITE_OK) {
    std::string reason = error ? error : sqlite3_errmsg(c->db);
    sqlite3_free(error);
    return Result<std::unique_ptr<Connection>>::Failed("cannot open the database " + path + ": " + reason);
  }
  const std::pair<std::unique_ptr<Statement> Connection::*, const char *> statements[] = {
      {&Connection::begin, "BEGIN IMMEDIATE"},
      {&Connection::commit, "COMMIT"},
      {&Connection::rollback, "ROLLBACK"},
      {&Connection::insertTable, "INSERT INTO score_tables (id, title, key_sha256) VALUES (?1, ?2, ?3)"},
      {&Connection::selectTable, "SELECT title FROM score_tables WHERE id = ?1"},
      {&Connection::selectRows, "SELECT row_id, name, points, at FROM scores WHERE table_id = ?1 AND removed = 0 "
                                "ORDER BY points DESC, seq LIMIT ?2"},
      {&Connection::selectKey, "SELECT key_sha256 FROM score_tables WHERE id = ?1"},
      {&Connection::insertScore, "INSERT INTO scores (table_id, row_id, name, points, at, game_sha256) "
                                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT (table_id, game_sha256) DO NOTHING"},
      {&Connection::rankOf, "SELECT count(*) FROM scores WHERE table_id = ?1 AND removed = 0 AND "
                            "(points > ?2 OR (points = ?2 AND seq <= last_insert_rowid()))"},
      {&Connection::removeRow, "UPDATE scores SET removed = 1 WHERE table_id = ?1 AND row_id = ?2 AND removed = 0"},
  };
  for (const auto &[member, sql] : statements) {
    auto s = std::make_unique<Statement>(c->db, sql);
    if (!s->prepared()) return Result<std::unique_ptr<Connection>>::Failed("cannot prepare a statement: " + s->error());
    (*c).*member = std::move(s);
  }
  return c;
}

class SqliteStore final : public Store {
public:
  explicit SqliteStore(std::vector<std::unique_ptr<Connection>> connections) : pool_(std::move(connections)) {}

  Status createTable(std::string_view id, std::string_view title, std::string_view keyDigest) override {
    auto c = pool_.borrow();
    Use insert(*c->insertTable);
    if (insert.text(1, id).text(2, title).text(3, keyDigest).step() != SQLITE_DONE)
      return failed(*c, "cannot add a table");
    return {};
  }

  Result<std::optional<ScoreTable>> table(std::string_view id) override {
    auto c = pool_.borrow();
    // One read transaction, so the title and the rows are of the same moment.
    if (sqlite3_exec(c->db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return failed(*c, "cannot read a table");
    auto read = [&]() -> Result<std::optional<ScoreTable>> {
      ScoreTable t;
      {
        Use select(*c->selectTable);
        const int s = select.text(1, id).step();
        if (s == SQLITE_DONE) return std::optional<ScoreTable>();
        if (s != SQLITE_ROW) return failed(*c, "cannot read a table");
        t.id = id;
        t.title = select.column(0);
      }
      Use rows(*c->selectRows);
      rows.text(1, id).number(2, kRowsShown);
      int s;
      while ((s = rows.step()) == SQLITE_ROW)
        t.rows.push_back({rows.column(0), rows.column(1), rows.columnNumber(2), rows.column(3)});
      if (s != SQLITE_DONE) return failed(*c, "cannot read a table's rows");
      return std::optional<ScoreTable>(std::move(t));
    };
    auto result = read();
    sqlite3_exec(c->db, "COMMIT", nullptr, nullptr, nullptr);
    return result;
  }

  Result<std::optional<std::string>> keyDigest(std::string_view tableId) override {
    auto c = pool_.borrow();
    Use select(*c->selectKey);
    const int s = select.text(1, tableId).step();
    if (s == SQLITE_DONE) return std::optional<std::string>();
    if (s != SQLITE_ROW) return failed(*c, "cannot read a table's key");
    return std::optional<std::string>(select.column(0));
  }

  Result<Added> addScore(const NewScore &score) override {
    auto c = pool_.borrow();
    if (Use(*c->begin).step() != SQLITE_DONE) return failed(*c, "cannot begin a transaction");
    auto result = add(*c, score);
    if (result.ok() && result->outcome == AddOutcome::added) {
      if (Use(*c->commit).step() != SQLITE_DONE) {
        Result<Added> failure = failed(*c, "cannot commit a row");
        Use(*c->rollback).step();
        return failure;
      }
    } else {
      Use(*c->rollback).step();
    }
    return result;
  }

  Result<RemoveOutcome> removeScore(std::string_view tableId, std::string_view row) override {
    auto c = pool_.borrow();
    Use update(*c->removeRow);
    if (update.text(1, tableId).text(2, row).step() != SQLITE_DONE) return failed(*c, "cannot remove a row");
    return sqlite3_changes(c->db) == 1 ? RemoveOutcome::removed : RemoveOutcome::unknownRow;
  }

private:
  static Result<Added> add(Connection &c, const NewScore &score) {
    {
      Use select(*c.selectTable);
      const int s = select.text(1, score.tableId).step();
      if (s == SQLITE_DONE) return Added{AddOutcome::unknownTable};
      if (s != SQLITE_ROW) return failed(c, "cannot read a table");
    }
    {
      Use insert(*c.insertScore);
      insert.text(1, score.tableId).text(2, score.row).text(3, score.name).number(4, score.points);
      if (insert.text(5, score.at).text(6, score.gameDigest).step() != SQLITE_DONE)
        return failed(c, "cannot add a row");
      if (sqlite3_changes(c.db) == 0) return Added{AddOutcome::sameGame};
    }
    Use rank(*c.rankOf);
    if (rank.text(1, score.tableId).number(2, score.points).step() != SQLITE_ROW) return failed(c, "cannot rank a row");
    return Added{AddOutcome::added, rank.columnNumber(0)};
  }

  ConnectionPool<Connection> pool_;
};

} // namespace

Result<std::unique_ptr<Store>> openSqliteStore(const std::string &path, int connections) {
  std::vector<std::unique_ptr<Connection>> opened;
  for (int i = 0; i < connections; ++i) {
    auto c = connect(path);
    if (!c.ok()) return Result<std::unique_ptr<Store>>::Failed(c.reason());
    opened.push_back(std::move(c.value()));
  }
  return std::unique_ptr<Store>(std::make_unique<SqliteStore>(std::move(opened)));
}

} // namespace nad::server
