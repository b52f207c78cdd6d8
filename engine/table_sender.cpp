#include "table_sender.h"

#include <openssl/evp.h>

#include <algorithm>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "platform/report.h"

namespace nad::tables {
namespace {

using nlohmann::json;

// A connection that cannot be made in 3 s is not waited for longer: at the program's end it is
// the part of a send that cannot be cut short. An answer may take longer (a busy server replays
// the tape first).
constexpr int kConnectSeconds = 3;
constexpr int kTimeoutSeconds = 10;

std::string withPoints(int64_t points) {
  return "the game with " + std::to_string(points) + (points == 1 ? " point" : " points");
}

// The server's own word for a refusal, when its body carries one (bounded and on one line).
std::string serverError(const std::string &body) {
  const json doc = json::parse(body, nullptr, false);
  if (doc.is_object() && doc.contains("error") && doc["error"].is_string()) {
    std::string e = doc["error"].get<std::string>().substr(0, 200);
    for (char &c : e)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return e;
  }
  return {};
}

} // namespace

std::string base64(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char *>(out.data()),
                                reinterpret_cast<const unsigned char *>(bytes.data()), int(bytes.size()));
  out.resize(std::size_t(n));
  return out;
}

Answer readAnswer(int64_t points, int status, const std::string &body) {
  const std::string game = withPoints(points);
  if (status == 201) {
    const json doc = json::parse(body, nullptr, false);
    if (doc.is_object() && doc.contains("rank") && doc["rank"].is_number_integer())
      return {Answer::Taken, "the shared table took " + game + ": rank " + std::to_string(doc["rank"].get<int64_t>())};
    return {Answer::Taken, "the shared table took " + game};
  }
  const std::string why = serverError(body);
  const std::string said =
      why.empty() ? "HTTP " + std::to_string(status) : why + " (HTTP " + std::to_string(status) + ")";
  if (status >= 400 && status < 500 && status != 429)
    return {Answer::Refused, "the shared table refused " + game + ": " + said};
  return {Answer::Later,
          "the shared table could not take " + game + " now (" + said + "): it waits to be sent at the next start"};
}

Answer HttpPost::operator()(const QueuedGame &game) {
  Result<TableAddress> table = readTableAddress(game.table);
  if (!table.ok())
    return {Answer::Refused, "the shared table's address " + game.table + " is wrong: " + table.reason()};
  httplib::Client client(table->origin());
  client.set_connection_timeout(kConnectSeconds, 0);
  client.set_read_timeout(kTimeoutSeconds, 0);
  client.set_write_timeout(kTimeoutSeconds, 0);
  client.set_keep_alive(false);
  {
    const std::lock_guard hold(lock);
    if (cancelled) return {Answer::Later, withPoints(game.points) + " waits to be sent at the next start"};
    inFlight = &client;
  }
  httplib::Result res = client.Post(table->scoresPath(), requestBody(game), "application/json");
  {
    const std::lock_guard hold(lock);
    inFlight = nullptr;
  }
  if (!res)
    return {Answer::Later, "the shared table at " + table->origin() + " could not be reached for " +
                               withPoints(game.points) + " (" + httplib::to_string(res.error()) +
                               "): it waits to be sent at the next start"};
  return readAnswer(game.points, res->status, res->body);
}

void HttpPost::cancel() {
  const std::lock_guard hold(lock);
  cancelled = true;
  if (inFlight) inFlight->stop();
}

TableSender::TableSender(TableAddress table, std::filesystem::path queueFile, Post post,
                         std::function<void(const std::string &)> notify, std::function<void()> cancel)
    : table_(std::move(table)), queue_(std::move(queueFile)), post_(std::move(post)), notify_(std::move(notify)),
      cancel_(std::move(cancel)) {
  worker_ = std::thread([this] { work(); });
}

TableSender::~TableSender() { finish(std::chrono::milliseconds(0)); }

void TableSender::gameTaped(int64_t points, const std::string &name, const std::string &tape) {
  QueuedGame game{table_.text, name, points, tape}; // encoded by the worker
  {
    const std::lock_guard hold(lock_);
    arrived_.push_back(std::move(game));
    busy_ = true;
  }
  wake_.notify_one();
}

void TableSender::tell(const std::string &line) {
  reportProblem(line);
  if (notify_) notify_(line);
}

void TableSender::keep(std::deque<QueuedGame> &arrived) {
  for (QueuedGame &g : arrived) {
    g.tape = base64(g.tape);
    if (Status kept = queue_.add(g); !kept.ok()) {
      reportProblem("a game for the shared table could not be kept until it is sent: " + kept.reason());
      unkept_.push_back(g); // sent from here while the program runs
    }
  }
}

void TableSender::drain() {
  std::vector<QueuedGame> games = queue_.load();
  games.insert(games.end(), unkept_.begin(), unkept_.end());
  for (const QueuedGame &g : games) {
    {
      // A newly ended game goes into the file before anything more is sent.
      const std::lock_guard hold(lock_);
      if (abandoned_ || !arrived_.empty()) return;
    }
    const Answer answer = post_(g);
    tell(answer.text);
    if (answer.kind == Answer::Later) return; // the rest would fare no better now
    if (const auto it = std::find(unkept_.begin(), unkept_.end(), g); it != unkept_.end()) {
      unkept_.erase(it);
      continue;
    }
    if (Status taken = queue_.remove(g); !taken.ok())
      reportProblem("the games waiting for the shared table were not updated: " + taken.reason());
  }
}

void TableSender::work() {
  // At the start, the games of earlier runs; then after each ended game, the whole queue in
  // order, until the table cannot be reached.
  std::unique_lock hold(lock_);
  bool first = true;
  for (;;) {
    std::deque<QueuedGame> arrived;
    arrived.swap(arrived_);
    const bool sendNow = !abandoned_ && (first || !stopping_ || !arrived.empty());
    first = false;
    hold.unlock();
    keep(arrived);
    if (sendNow) drain();
    hold.lock();
    if (!arrived_.empty()) continue;
    busy_ = false;
    idle_.notify_all();
    if (stopping_) return;
    wake_.wait(hold, [this] { return stopping_ || !arrived_.empty(); });
  }
}

void TableSender::finish(std::chrono::milliseconds grace) {
  {
    std::unique_lock hold(lock_);
    if (!worker_.joinable()) return;
    stopping_ = true;
    wake_.notify_one();
    if (!idle_.wait_for(hold, grace, [this] { return !busy_; })) {
      abandoned_ = true;
      hold.unlock();
      if (cancel_) cancel_();
    }
  }
  worker_.join();
}

} // namespace nad::tables
