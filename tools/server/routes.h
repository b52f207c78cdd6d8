#pragma once
// The API's routes on cpp-httplib: each handler reads a request, asks the store or the pool and
// answers with api.h's texts. Every refusal is JSON {"error": "..."} with its status.
#include <httplib.h>

#include "replay/verify.h"
#include "server/rate_limit.h"
#include "server/store.h"
#include "server/verify_pool.h"

namespace nad::server {

struct Services {
  Store &store;
  VerifyPool &verifications;
  RateLimiter &writes;
  bool trustProxy = false;
};

void addRoutes(httplib::Server &http, Services &services);

} // namespace nad::server
