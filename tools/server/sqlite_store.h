#pragma once
// The tables in one SQLite file: WAL with synchronous=FULL, so a row is on the disk before the
// server answers 201, and readers never wait for a writer.
#include <memory>
#include <string>

#include "server/store.h"

namespace nad::server {

Result<std::unique_ptr<Store>> openSqliteStore(const std::string &path, int connections);

} // namespace nad::server
