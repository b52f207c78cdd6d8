// nadilka-server: the shared high-score tables, with the browser version's site beside them.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "replay/verify.h"
#include "server/api.h"
#include "server/options.h"
#include "server/routes.h"

namespace fs = std::filesystem;
using namespace nad;
using namespace nad::server;

namespace {

constexpr int kUsageError = 2, kRunError = 1;

int failure(const std::string &reason) {
  reportProblem(reason);
  return kRunError;
}

fs::path ownFolder() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : self.parent_path();
}

// Serves `dir` at "/" with the types the browser needs for each of the site's files.
Status mountSite(httplib::Server &http, const std::string &dir) {
  if (!fs::is_directory(dir)) return Status::Failed("the site folder " + dir + " is not there");
  const std::pair<const char *, const char *> types[] = {{"html", "text/html; charset=utf-8"},
                                                         {"js", "text/javascript; charset=utf-8"},
                                                         {"wasm", "application/wasm"},
                                                         {"data", "application/octet-stream"},
                                                         {"webmanifest", "application/manifest+json"},
                                                         {"json", "application/json"},
                                                         {"mp3", "audio/mpeg"},
                                                         {"mid", "audio/midi"},
                                                         {"png", "image/png"},
                                                         {"svg", "image/svg+xml"},
                                                         {"ico", "image/x-icon"},
                                                         {"ttf", "font/ttf"},
                                                         {"css", "text/css; charset=utf-8"},
                                                         {"txt", "text/plain; charset=utf-8"}};
  for (const auto &[ext, mime] : types) http.set_file_extension_and_mimetype_mapping(ext, mime);
  // The page's service worker decides what is cached; the server makes no promise of its own.
  if (!http.set_mount_point("/", dir, {{"Cache-Control", "no-cache"}}))
    return Status::Failed("cannot serve the site folder " + dir);
  return {};
}

} // namespace

int main(int argc, char **argv) {
  const Result<ServerOptions> parsed = parseServerOptions(std::vector<std::string_view>(argv + 1, argv + argc));
  if (!parsed.ok()) {
    std::fprintf(stderr, "nadilka-server: %s (see --help)\n", parsed.reason().c_str());
    return kUsageError;
  }
  const ServerOptions &o = parsed.value();
  if (o.help) {
    std::fputs(kServerUsage, stdout);
    return 0;
  }

  // SIGINT and SIGTERM are waited for by one thread, which stops the server; no thread started
  // after this takes them. A client gone away is an error on its socket, not the end.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  const int workers = o.workers > 0 ? o.workers : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  // Every submission holds an HTTP thread while it waits, at most workers + queue of them; the
  // rest stay for reads.
  const int httpThreads = workers + o.queue + o.readThreads;
  auto store = openStore(o.database, std::min(httpThreads, 16));
  if (!store.ok()) return failure(store.reason());

  std::unique_ptr<replay::Verifier> verifier;
  try {
    verifier = std::make_unique<replay::Verifier>(o.runFolder ? fs::path(*o.runFolder) : ownFolder());
  } catch (const StartupError &e) {
    return failure(e.what());
  }
  const replay::VerifyLimits limits{.maxTime = std::chrono::seconds(o.verifySeconds)};
  VerifyPool verifications([&](std::string_view tape) { return verifier->verify(tape, limits); }, workers, o.queue);
  RateLimiter writes(o.ratePerMinute, o.burst);
  Services services{*store.value(), verifications, writes, o.trustProxy};

  httplib::Server http;
  http.new_task_queue = [httpThreads] { return new httplib::ThreadPool(static_cast<size_t>(httpThreads)); };
  http.set_payload_max_length(kMaxBody);
  http.set_read_timeout(5);
  http.set_write_timeout(5);
  http.set_keep_alive_timeout(2);
  http.set_keep_alive_max_count(1000);
  // Headers and body go out in two writes: without this the body waits for the delayed ACK (40 ms).
  http.set_tcp_nodelay(true);
  addRoutes(http, services);
  if (o.site) {
    if (Status s = mountSite(http, *o.site); !s.ok()) return failure(s.reason());
  }

  const int port = o.port == 0 ? http.bind_to_any_port(o.host) : (http.bind_to_port(o.host, o.port) ? o.port : -1);
  if (port < 0) return failure("cannot listen on " + o.host + ":" + std::to_string(o.port));
  std::printf("listening on http://%s:%d/\n", o.host.c_str(), port);
  std::fflush(stdout);

  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    http.stop();
  });
  const bool served = http.listen_after_bind();
  // Ended by a failure rather than a signal: the stopper still waits for one, so send it.
  if (!served) kill(getpid(), SIGTERM);
  stopper.join();
  return served ? 0 : kRunError;
}
