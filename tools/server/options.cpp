#include "server/options.h"

#include "platform/arguments.h"

namespace nad::server {

using options::ArgumentReader;
using options::LongOption;
using options::wholeNumber;

const char kServerUsage[] =
    "usage: nadilka-server [--listen HOST:PORT] [--database URL] [--site DIR] [--trust-proxy]\n"
    "                      [--workers N] [--queue N] [--run-folder DIR] [--rate N] [--burst N]\n"
    "                      [--read-threads N] [--verify-seconds N]\n"
    "  Keeps the shared high-score tables and serves the browser version's site.\n"
    "  --listen HOST:PORT   where to listen (127.0.0.1:8642)\n"
    "  --database URL       sqlite:PATH (sqlite:nadilka-tables.sqlite) or postgresql://...\n"
    "  --site DIR           serve this folder's files beside the API\n"
    "  --trust-proxy        take the client's address from X-Forwarded-For (behind a proxy only)\n"
    "  --workers N          threads replaying tapes (the number of cores)\n"
    "  --queue N            tapes that may wait for a worker before 503 (64)\n"
    "  --run-folder DIR     the game's run folder with pictures/ (the server's own folder)\n"
    "  --rate N             writes a minute per client address (60)\n"
    "  --burst N            writes an address may make at once (20)\n"
    "  --read-threads N     HTTP threads kept for reads beyond the verifications' (16)\n"
    "  --verify-seconds N   wall-clock limit of one tape's replay (10)\n";

namespace {

enum Opt {
  Help,
  Listen,
  Database,
  Site,
  TrustProxy,
  Workers,
  Queue,
  RunFolder,
  Rate,
  Burst,
  ReadThreads,
  VerifySeconds
};
constexpr LongOption kOptions[] = {{"help", Help, false},
                                   {"listen", Listen, true},
                                   {"database", Database, true},
                                   {"site", Site, true},
                                   {"trust-proxy", TrustProxy, false},
                                   {"workers", Workers, true},
                                   {"queue", Queue, true},
                                   {"run-folder", RunFolder, true},
                                   {"rate", Rate, true},
                                   {"burst", Burst, true},
                                   {"read-threads", ReadThreads, true},
                                   {"verify-seconds", VerifySeconds, true}};

Status number(const options::Item &item, int least, int most, int &into) {
  const auto v = wholeNumber<int>(item.value, least, most);
  if (!v)
    return Status::Failed(item.shownName + " wants a whole number from " + std::to_string(least) + " to " +
                          std::to_string(most) + ", not " + options::quoted(item.value));
  into = *v;
  return {};
}

Status listenAddress(std::string_view text, ServerOptions &o) {
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0)
    return Status::Failed("--listen wants HOST:PORT, not " + options::quoted(text));
  const auto port = wholeNumber<int>(text.substr(colon + 1), 0, 65535);
  if (!port) return Status::Failed("--listen: no port from 0 to 65535 in " + options::quoted(text));
  std::string_view host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  o.host = host;
  o.port = *port;
  return {};
}

} // namespace

Result<ServerOptions> parseServerOptions(const std::vector<std::string_view> &args) {
  ServerOptions o;
  ArgumentReader reader(args, kOptions);
  while (!reader.atEnd()) {
    const Result<options::Item> next = reader.next();
    if (!next.ok()) return Result<ServerOptions>::Failed(next.reason());
    const options::Item &item = next.value();
    if (!item.option)
      return Result<ServerOptions>::Failed("no arguments are taken, not " + options::quoted(item.value));
    Status s;
    int n = 0;
    switch (item.option->id) {
    case Help: o.help = true; break;
    case Listen: s = listenAddress(item.value, o); break;
    case Database:
      if (!item.value.starts_with("sqlite:") && !item.value.starts_with("postgresql://") &&
          !item.value.starts_with("postgres://"))
        s = Status::Failed("--database wants sqlite:PATH or postgresql://..., not " + options::quoted(item.value));
      else if (item.value == "sqlite:")
        s = Status::Failed("--database sqlite: wants a path");
      o.database = item.value;
      break;
    case Site: o.site = item.value; break;
    case TrustProxy: o.trustProxy = true; break;
    case Workers: s = number(item, 1, 256, o.workers); break;
    case Queue: s = number(item, 0, 100000, o.queue); break;
    case RunFolder: o.runFolder = item.value; break;
    case Rate:
      s = number(item, 1, 1000000, n);
      o.ratePerMinute = n;
      break;
    case Burst:
      s = number(item, 1, 1000000, n);
      o.burst = n;
      break;
    case ReadThreads: s = number(item, 1, 1024, o.readThreads); break;
    case VerifySeconds: s = number(item, 1, 3600, o.verifySeconds); break;
    default: break;
    }
    if (!s.ok()) return Result<ServerOptions>::Failed(s.reason());
  }
  return o;
}

} // namespace nad::server
