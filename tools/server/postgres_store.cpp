#include "server/postgres_store.h"

#include <libpq-fe.h>

#include <array>
#include <charconv>
#include <utility>

#include "server/connection_pool.h"

namespace nad::server {
namespace {

// Servers that start together take turns at creating the schema (a lock of this number).
constexpr const char *kSchema = R"sql(
SELECT pg_advisory_xact_lock(7226371);
CREATE TABLE IF NOT EXISTS score_tables (
  id TEXT PRIMARY KEY,
  title TEXT NOT NULL,
  key_sha256 TEXT NOT NULL,
  created TIMESTAMPTZ NOT NULL DEFAULT now());
CREATE TABLE IF NOT EXISTS scores (
  seq BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  table_id TEXT NOT NULL REFERENCES score_tables (id),
  row_id TEXT NOT NULL UNIQUE,
  name TEXT NOT NULL,
  points BIGINT NOT NULL,
  at TEXT NOT NULL,
  game_sha256 TEXT NOT NULL,
  removed BOOLEAN NOT NULL DEFAULT false,
  UNIQUE (table_id, game_sha256));
CREATE INDEX IF NOT EXISTS scores_order ON scores (table_id, removed, points DESC, seq);
)sql";

// Statement names and their text, prepared on every connection.
constexpr std::array<std::pair<const char *, const char *>, 7> kStatements{{
    {"insert_table", "INSERT INTO score_tables (id, title, key_sha256) VALUES ($1, $2, $3)"},
    {"select_table", "SELECT title FROM score_tables WHERE id = $1"},
    {"select_rows", "SELECT row_id, name, points, at FROM scores WHERE table_id = $1 AND NOT removed "
                    "ORDER BY points DESC, seq LIMIT $2"},
    {"select_key", "SELECT key_sha256 FROM score_tables WHERE id = $1"},
    {"insert_score", "INSERT INTO scores (table_id, row_id, name, points, at, game_sha256) "
                     "VALUES ($1, $2, $3, $4, $5, $6) ON CONFLICT (table_id, game_sha256) DO NOTHING RETURNING seq"},
    {"rank_of", "SELECT count(*) FROM scores WHERE table_id = $1 AND NOT removed AND "
                "(points > $2 OR (points = $2 AND seq <= $3))"},
    {"remove_row", "UPDATE scores SET removed = true WHERE table_id = $1 AND row_id = $2 AND NOT removed"},
}};

struct PgResult {
  PGresult *r;
  explicit PgResult(PGresult *r) : r(r) {}
  ~PgResult() { PQclear(r); }
  PgResult(const PgResult &) = delete;
  PgResult &operator=(const PgResult &) = delete;
  ExecStatusType status() const { return PQresultStatus(r); }
  int rows() const { return PQntuples(r); }
  std::string text(int row, int col) const {
    return std::string(PQgetvalue(r, row, col), static_cast<size_t>(PQgetlength(r, row, col)));
  }
  int64_t number(int row, int col) const {
    int64_t v = 0;
    const char *p = PQgetvalue(r, row, col);
    std::from_chars(p, p + PQgetlength(r, row, col), v);
    return v;
  }
};

struct Connection {
  PGconn *conn = nullptr;
  ~Connection() { PQfinish(conn); }
};

Failure failed(Connection &c, std::string_view what) {
  std::string message = PQerrorMessage(c.conn);
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  for (char &ch : message)
    if (ch == '\n') ch = ' ';
  return {"database: " + std::string(what) + ": " + message};
}

Status createSchema(Connection &c) {
  PgResult schema(PQexec(c.conn, (std::string("BEGIN;") + kSchema + "COMMIT;").c_str()));
  if (schema.status() != PGRES_COMMAND_OK && schema.status() != PGRES_TUPLES_OK)
    return failed(c, "cannot create the schema");
  return {};
}

Status prepare(Connection &c) {
  for (const auto &[name, sql] : kStatements) {
    PgResult prepared(PQprepare(c.conn, name, sql, 0, nullptr));
    if (prepared.status() != PGRES_COMMAND_OK) return failed(c, "cannot prepare a statement");
  }
  return {};
}

Result<std::unique_ptr<Connection>> connect(const std::string &uri, bool withSchema) {
  auto c = std::make_unique<Connection>();
  c->conn = PQconnectdb(uri.c_str());
  if (!c->conn) return Result<std::unique_ptr<Connection>>::Failed("cannot open the database: out of memory");
  if (PQstatus(c->conn) != CONNECTION_OK) return failed(*c, "cannot open the database");
  // The server's notices ("relation ... already exists, skipping") are no problem of ours.
  PQsetNoticeProcessor(
      c->conn, [](void *, const char *) {}, nullptr);
  Status s = withSchema ? createSchema(*c) : Status();
  if (s.ok()) s = prepare(*c);
  if (!s.ok()) return Result<std::unique_ptr<Connection>>::Failed(s.reason());
  return c;
}

// Runs a prepared statement with text parameters.
PgResult run(Connection &c, const char *name, std::initializer_list<std::string_view> params) {
  std::vector<std::string> owned(params.begin(), params.end()); // libpq wants them NUL-terminated
  std::vector<const char *> values;
  values.reserve(owned.size());
  for (const auto &p : owned) values.push_back(p.c_str());
  return PgResult(PQexecPrepared(c.conn, name, static_cast<int>(values.size()), values.data(), nullptr, nullptr, 0));
}

bool command(Connection &c, const char *sql) { return PgResult(PQexec(c.conn, sql)).status() == PGRES_COMMAND_OK; }

class PostgresStore final : public Store {
public:
  explicit PostgresStore(std::vector<std::unique_ptr<Connection>> connections) : pool_(std::move(connections)) {}

  Status createTable(std::string_view id, std::string_view title, std::string_view keyDigest) override {
    auto c = lease();
    if (run(*c, "insert_table", {id, title, keyDigest}).status() != PGRES_COMMAND_OK)
      return failed(*c, "cannot add a table");
    return {};
  }

  Result<std::optional<ScoreTable>> table(std::string_view id) override {
    auto c = lease();
    // One snapshot for the title and the rows.
    if (!command(*c, "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")) return failed(*c, "cannot read a table");
    auto read = [&]() -> Result<std::optional<ScoreTable>> {
      PgResult title = run(*c, "select_table", {id});
      if (title.status() != PGRES_TUPLES_OK) return failed(*c, "cannot read a table");
      if (title.rows() == 0) return std::optional<ScoreTable>();
      ScoreTable t{std::string(id), title.text(0, 0), {}};
      PgResult rows = run(*c, "select_rows", {id, std::to_string(kRowsShown)});
      if (rows.status() != PGRES_TUPLES_OK) return failed(*c, "cannot read a table's rows");
      for (int i = 0; i < rows.rows(); ++i)
        t.rows.push_back({rows.text(i, 0), rows.text(i, 1), rows.number(i, 2), rows.text(i, 3)});
      return std::optional<ScoreTable>(std::move(t));
    };
    auto result = read();
    command(*c, result.ok() ? "COMMIT" : "ROLLBACK");
    return result;
  }

  Result<std::optional<std::string>> keyDigest(std::string_view tableId) override {
    auto c = lease();
    PgResult key = run(*c, "select_key", {tableId});
    if (key.status() != PGRES_TUPLES_OK) return failed(*c, "cannot read a table's key");
    if (key.rows() == 0) return std::optional<std::string>();
    return std::optional<std::string>(key.text(0, 0));
  }

  Result<Added> addScore(const NewScore &score) override {
    auto c = lease();
    if (!command(*c, "BEGIN")) return failed(*c, "cannot begin a transaction");
    auto result = add(*c, score);
    if (result.ok() && result->outcome == AddOutcome::added) {
      if (!command(*c, "COMMIT")) return failed(*c, "cannot commit a row");
    } else {
      command(*c, "ROLLBACK");
    }
    return result;
  }

  Result<RemoveOutcome> removeScore(std::string_view tableId, std::string_view row) override {
    auto c = lease();
    PgResult update = run(*c, "remove_row", {tableId, row});
    if (update.status() != PGRES_COMMAND_OK) return failed(*c, "cannot remove a row");
    return std::string_view(PQcmdTuples(update.r)) == "1" ? RemoveOutcome::removed : RemoveOutcome::unknownRow;
  }

private:
  // A connection the database closed (a restart, a fail-over) is opened again before use.
  ConnectionPool<Connection>::Lease lease() {
    auto c = pool_.borrow();
    if (PQstatus(c->conn) != CONNECTION_OK) {
      PQreset(c->conn);
      if (PQstatus(c->conn) == CONNECTION_OK) (void)prepare(*c);
    }
    return c;
  }

  static Result<Added> add(Connection &c, const NewScore &score) {
    PgResult table = run(c, "select_table", {score.tableId});
    if (table.status() != PGRES_TUPLES_OK) return failed(c, "cannot read a table");
    if (table.rows() == 0) return Added{AddOutcome::unknownTable};
    const std::string points = std::to_string(score.points);
    PgResult inserted =
        run(c, "insert_score", {score.tableId, score.row, score.name, points, score.at, score.gameDigest});
    if (inserted.status() != PGRES_TUPLES_OK) return failed(c, "cannot add a row");
    if (inserted.rows() == 0) return Added{AddOutcome::sameGame};
    PgResult rank = run(c, "rank_of", {score.tableId, points, inserted.text(0, 0)});
    if (rank.status() != PGRES_TUPLES_OK || rank.rows() != 1) return failed(c, "cannot rank a row");
    return Added{AddOutcome::added, rank.number(0, 0)};
  }

  ConnectionPool<Connection> pool_;
};

} // namespace

Result<std::unique_ptr<Store>> openPostgresStore(const std::string &uri, int connections) {
  std::vector<std::unique_ptr<Connection>> opened;
  for (int i = 0; i < connections; ++i) {
    auto c = connect(uri, i == 0);
    if (!c.ok()) return Result<std::unique_ptr<Store>>::Failed(c.reason());
    opened.push_back(std::move(c.value()));
  }
  return std::unique_ptr<Store>(std::make_unique<PostgresStore>(std::move(opened)));
}

} // namespace nad::server
