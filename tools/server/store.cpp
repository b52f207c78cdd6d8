#include "server/store.h"

#include "server/postgres_store.h"
#include "server/sqlite_store.h"

namespace nad::server {

Result<std::unique_ptr<Store>> openStore(std::string_view url, int connections) {
  constexpr std::string_view kSqlite = "sqlite:";
  if (url.starts_with(kSqlite)) return openSqliteStore(std::string(url.substr(kSqlite.size())), connections);
  if (url.starts_with("postgresql://") || url.starts_with("postgres://"))
    return openPostgresStore(std::string(url), connections);
  return Result<std::unique_ptr<Store>>::Failed("unknown kind of database: " + std::string(url));
}

} // namespace nad::server
