#include "server/routes.h"

#include <regex>

#include "server/api.h"
#include "server/crypto.h"

namespace nad::server {
namespace {

constexpr const char *kJson = "application/json; charset=utf-8";
constexpr std::size_t kIdBytes = 9;   // 72 bits: a table's or a row's address
constexpr std::size_t kKeyBytes = 18; // 144 bits: the owner's key

void answer(httplib::Response &res, int status, const std::string &body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(body, kJson);
}
void refuse(httplib::Response &res, int status, std::string_view message) { answer(res, status, errorJson(message)); }
void serverFault(httplib::Response &res, std::string_view reason) {
  reportProblem(reason);
  refuse(res, 500, "the server could not do that; try again later");
}

// The client's address: the connection's, or behind our own proxy the last one it appended.
std::string clientAddress(const httplib::Request &req, bool trustProxy) {
  if (trustProxy && req.has_header("X-Forwarded-For")) {
    const std::string &chain = req.get_header_value("X-Forwarded-For");
    std::string_view last = chain;
    if (const size_t comma = last.rfind(','); comma != std::string_view::npos) last = last.substr(comma + 1);
    while (!last.empty() && last.front() == ' ') last.remove_prefix(1);
    while (!last.empty() && last.back() == ' ') last.remove_suffix(1);
    if (!last.empty() && last.size() <= 64) return std::string(last);
  }
  return req.remote_addr;
}

// False (after answering 429) when the address has written too much lately.
bool admitted(Services &s, const httplib::Request &req, httplib::Response &res) {
  const Admission a = s.writes.take(clientAddress(req, s.trustProxy), RateLimiter::Clock::now());
  if (a.allowed) return true;
  res.set_header("Retry-After", std::to_string(a.retryAfterSeconds));
  refuse(res, 429, "too many requests from this address; try again later");
  return false;
}

// The body, read by us rather than by cpp-httplib: it would parse a body sent as a form (curl's
// default type) itself and refuse one over 8 KB. Its length is still bounded by kMaxBody.
Result<std::string> readBody(const httplib::Response &res, const httplib::ContentReader &reader) {
  std::string body;
  const bool whole = reader([&](const char *data, size_t length) {
    body.append(data, length);
    return body.size() <= kMaxBody;
  });
  if (!whole || body.size() > kMaxBody) {
    // cpp-httplib stops at its own bound (the same) with 413.
    const bool tooLong = body.size() > kMaxBody || res.status == 413;
    return Result<std::string>::Failed(tooLong ? "the body is over 1 MB" : "the body could not be read");
  }
  return body;
}

void refuseBody(httplib::Response &res, const std::string &reason) {
  refuse(res, reason == "the body is over 1 MB" ? 413 : 400, reason);
}

void createTable(Services &s, const httplib::Request &req, httplib::Response &res,
                 const httplib::ContentReader &reader) {
  // The body first, whatever the answer: one left unread would be taken for the next request on
  // a kept-alive connection.
  const Result<std::string> body = readBody(res, reader);
  if (!body.ok()) return refuseBody(res, body.reason());
  if (!admitted(s, req, res)) return;
  const Result<std::string> title = parseNewTable(body.value());
  if (!title.ok()) return refuse(res, 400, title.reason());
  const Result<std::string> id = randomToken(kIdBytes), key = randomToken(kKeyBytes);
  if (!id.ok() || !key.ok()) return serverFault(res, id.ok() ? key.reason() : id.reason());
  if (Status st = s.store.createTable(id.value(), title.value(), sha256Hex(key.value())); !st.ok())
    return serverFault(res, st.reason());
  answer(res, 201, createdJson(id.value(), key.value()));
}

void readTable(Services &s, const httplib::Request &req, httplib::Response &res) {
  const std::string id = req.matches[1];
  if (!looksLikeId(id)) return refuse(res, 404, "no such table");
  const auto table = s.store.table(id);
  if (!table.ok()) return serverFault(res, table.reason());
  if (!table.value()) return refuse(res, 404, "no such table");
  answer(res, 200, tableJson(*table.value()));
}

void addScore(Services &s, const httplib::Request &req, httplib::Response &res, const httplib::ContentReader &reader) {
  const Result<std::string> body = readBody(res, reader); // first, as above
  if (!body.ok()) return refuseBody(res, body.reason());
  if (!admitted(s, req, res)) return;
  const std::string id = req.matches[1];
  if (!looksLikeId(id)) return refuse(res, 404, "no such table");
  Result<ScoreClaim> claim = parseScoreClaim(body.value());
  if (!claim.ok()) return refuse(res, 400, claim.reason());
  // A tape for no table is not worth replaying.
  const auto key = s.store.keyDigest(id);
  if (!key.ok()) return serverFault(res, key.reason());
  if (!key.value()) return refuse(res, 404, "no such table");

  auto pending = s.verifications.trySubmit(claim->tape);
  if (!pending) {
    res.set_header("Retry-After", "5");
    return refuse(res, 503, "too many tapes wait to be checked; try again later");
  }
  const Result<replay::Verdict> verdict = pending->get();
  if (!verdict.ok()) return refuse(res, 422, "the tape was not accepted: " + verdict.reason());
  if (verdict->points != claim->points)
    return refuse(res, 422,
                  "the tape's last game ends with " + std::to_string(verdict->points) + " points, not " +
                      std::to_string(claim->points));
  if (verdict->gameEnd == 0 || verdict->gameEnd > claim->tape.size())
    return serverFault(res, "the verifier gave a game's end outside its tape");

  NewScore score{id,
                 {},
                 claim->name,
                 claim->points,
                 isoTime(std::chrono::system_clock::now()),
                 sha256Hex(std::string_view(claim->tape).substr(0, verdict->gameEnd))};
  const Result<std::string> row = randomToken(kIdBytes);
  if (!row.ok()) return serverFault(res, row.reason());
  score.row = row.value();
  const Result<Added> added = s.store.addScore(score);
  if (!added.ok()) return serverFault(res, added.reason());
  switch (added->outcome) {
  case AddOutcome::unknownTable: return refuse(res, 404, "no such table");
  case AddOutcome::sameGame: return refuse(res, 409, "this game is in the table already");
  case AddOutcome::added: break;
  }
  answer(res, 201, addedJson(score.row, score.points, added->rank));
}

void removeScore(Services &s, const httplib::Request &req, httplib::Response &res) {
  if (!admitted(s, req, res)) return;
  const std::string id = req.matches[1], row = req.matches[2];
  if (!looksLikeId(id)) return refuse(res, 404, "no such table");
  const auto digest = s.store.keyDigest(id);
  if (!digest.ok()) return serverFault(res, digest.reason());
  if (!digest.value()) return refuse(res, 404, "no such table");
  const Result<std::string> key = bearerKey(req.get_header_value("Authorization"));
  if (!key.ok() || !sameDigest(sha256Hex(key.value()), *digest.value())) {
    res.set_header("WWW-Authenticate", "Bearer");
    return refuse(res, 401, key.ok() ? "wrong key for this table" : "removing a row needs the table's key");
  }
  if (!looksLikeId(row)) return refuse(res, 404, "no such row");
  const Result<RemoveOutcome> removed = s.store.removeScore(id, row);
  if (!removed.ok()) return serverFault(res, removed.reason());
  if (removed.value() == RemoveOutcome::unknownRow) return refuse(res, 404, "no such row");
  res.status = 204;
}

// The API's paths and the one method each takes: another method is 405, another path 404.
struct Route {
  std::regex path;
  const char *method;
};
const std::vector<Route> &routes() {
  static const std::vector<Route> r{{std::regex("/api/tables"), "POST"},
                                    {std::regex("/api/tables/[^/]+"), "GET"},
                                    {std::regex("/api/tables/[^/]+/scores"), "POST"},
                                    {std::regex("/api/tables/[^/]+/scores/[^/]+"), "DELETE"}};
  return r;
}
void unrouted(const httplib::Request &req, httplib::Response &res) {
  for (const Route &r : routes()) {
    if (std::regex_match(req.path, r.path)) {
      res.set_header("Allow", r.method);
      return refuse(res, 405, req.method + " is not allowed here; " + r.method + " is");
    }
  }
  refuse(res, 404, "no such address in the API");
}

std::string statusText(int status) {
  switch (status) {
  case 400: return "the request is malformed";
  case 404: return "not found";
  case 405: return "method not allowed";
  case 413: return "the body is over 1 MB";
  case 414: return "the address is too long";
  case 431: return "the headers are too large";
  default: return "the request failed with status " + std::to_string(status);
  }
}

} // namespace

void addRoutes(httplib::Server &http, Services &s) {
  using httplib::Request, httplib::Response;
  const std::string table = R"(/api/tables/([^/]+))";
  using httplib::ContentReader;
  http.Post("/api/tables", [&s](const Request &q, Response &r, const ContentReader &c) { createTable(s, q, r, c); });
  http.Get(table, [&s](const Request &q, Response &r) { readTable(s, q, r); });
  http.Post(table + "/scores", [&s](const Request &q, Response &r, const ContentReader &c) { addScore(s, q, r, c); });
  http.Delete(table + R"(/scores/([^/]+))", [&s](const Request &q, Response &r) { removeScore(s, q, r); });
  const std::string anyApi = "/api(/.*)?";
  http.Get(anyApi, unrouted);
  http.Post(anyApi, unrouted);
  http.Put(anyApi, unrouted);
  http.Patch(anyApi, unrouted);
  http.Delete(anyApi, unrouted);
  http.Options(anyApi, unrouted);

  // What cpp-httplib refuses itself (a body too large, an unknown file) is JSON too.
  http.set_error_handler([](const Request &, Response &res) {
    if (res.body.empty()) refuse(res, res.status, statusText(res.status));
  });
  http.set_exception_handler([](const Request &, Response &res, const std::exception_ptr &e) {
    std::string what = "an unexpected exception";
    try {
      if (e) std::rethrow_exception(e);
    } catch (const std::exception &x) {
      what = x.what();
    } catch (...) {
    }
    serverFault(res, "a request failed: " + what);
  });
}

} // namespace nad::server
