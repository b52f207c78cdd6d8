#pragma once
// The tables in a PostgreSQL database, which several servers behind a load balancer may share:
// a row is committed before the server answers 201.
#include <memory>
#include <string>

#include "server/store.h"

namespace nad::server {

// `uri` is a libpq connection URI (postgresql://...).
Result<std::unique_ptr<Store>> openPostgresStore(const std::string &uri, int connections);

} // namespace nad::server
