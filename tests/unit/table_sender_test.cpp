// A shared table's sender: what it keeps in the queue file, sends and drops, with a stand-in
// for the network; and its HTTP client against a real server of the test's own.
#include "table_sender.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <nlohmann/json.hpp>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace nad::tables;
using namespace std::chrono_literals;

namespace {

const std::string kLink = "http://127.0.0.1:9/?table=T1";
const std::string kTape("tape\0\xff", 6), kTapeBase64 = "dGFwZQD/";

struct TempDir {
  fs::path path;
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "table-test-XXXXXX").string();
    path = ::mkdtemp(tmpl.data());
  }
  ~TempDir() { fs::remove_all(path); }
};

std::string readFile(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The lines reported on the test's own thread.
struct Lines {
  std::mutex lock;
  std::vector<std::string> said;
  nad::ProblemCapture capture{[this](std::string_view l) {
    const std::lock_guard hold(lock);
    said.emplace_back(l);
  }};
  std::vector<std::string> get() {
    const std::lock_guard hold(lock);
    return said;
  }
};

// A stand-in network: answers as scripted, in order, and records what it was sent.
struct Network {
  std::mutex lock;
  std::vector<Answer::Kind> answers;
  std::vector<QueuedGame> sent;
  Post post() {
    return [this](const QueuedGame &g) {
      const std::lock_guard hold(lock);
      sent.push_back(g);
      const Answer::Kind k = answers.empty() ? Answer::Later : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return Answer{k, "answer " + std::to_string(int(k)) + " for " + std::to_string(g.points)};
    };
  }
};

nad::TableAddress link() { return nad::readTableAddress(kLink).value(); }

TEST(TableQueue, GamesOfTheWrongShapeAreLeftOutAndCounted) {
  const std::string good = R"({"table":")" + kLink + R"(","name":"A","points":-5,"tape":"eA=="})";
  struct Case {
    std::string text;
    std::size_t games;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {R"({"games":[]})", 0, ""},
      {R"({"games":[)" + good + "," + good + "]}", 2, ""},
      {R"({"games":[)" + good + R"(,{"table":"http://h/","name":"A","points":1,"tape":""}]})", 1,
       "1 game in it could not be read"},
      {R"({"games":[{"table":")" + kLink + R"(","name":"A","points":1.5,"tape":""},7,null]})", 0,
       "3 games in it could not be read"},
      {R"({"games":[)" + good + "]", 0, "it is not a list of games"},
      {"[]", 0, "it is not a list of games"},
      {std::string("\x00\xff", 2), 0, "it is not a list of games"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    const ParsedQueue p = parseQueue(c.text);
    EXPECT_EQ(p.games.size(), c.games);
    EXPECT_EQ(p.status.reason(), c.problem);
  }
  const std::vector<QueuedGame> games = {{kLink, "Dvořák", 694, kTapeBase64}, {kLink, "\"x\"", -3, ""}};
  EXPECT_EQ(parseQueue(formatQueue(games)).games, games);
}

TEST(TableQueue, TheOldestGiveWayAndADamagedFileIsReportedOnce) {
  TempDir dir;
  Lines lines;
  QueueFile queue(dir.path / "sub" / kQueueFileName);
  for (int i = 0; i < int(kMaxQueued) + 2; ++i) ASSERT_TRUE(queue.add({kLink, "A", i, "eA=="}).ok());
  std::vector<QueuedGame> kept = queue.load();
  ASSERT_EQ(kept.size(), kMaxQueued);
  EXPECT_EQ(kept.front().points, 2);
  EXPECT_EQ(lines.get(),
            (std::vector<std::string>{"the game with 0 points waited too long for a shared table and is dropped",
                                      "the game with 1 points waited too long for a shared table and is dropped"}));
  ASSERT_TRUE(queue.remove(kept[3]).ok());
  ASSERT_TRUE(queue.remove(kept[3]).ok()); // gone already: nothing happens
  EXPECT_EQ(queue.load().size(), kMaxQueued - 1);
  for (const QueuedGame &g : queue.load()) ASSERT_TRUE(queue.remove(g).ok());
  EXPECT_FALSE(fs::exists(queue.path())); // the last one takes the file with it

  std::ofstream(queue.path()) << "{\"games\": [";
  EXPECT_TRUE(queue.load().empty());
  EXPECT_TRUE(queue.load().empty());
  ASSERT_EQ(lines.get().size(), 3u);
  EXPECT_EQ(lines.get()[2], "the games waiting for a shared table in " + queue.path().string() +
                                " were not all read: it is not a list of games");
}

TEST(TableSender, WhatCannotBeSentIsKeptAndSentAtTheNextStart) {
  TempDir dir;
  const fs::path file = dir.path / kQueueFileName;
  Network offline;
  // The worker's lines go to stderr and, the same, to the notices, which the test reads.
  std::mutex lock;
  std::vector<std::string> told;
  const auto notices = [&](const std::string &l) {
    const std::lock_guard hold(lock);
    told.push_back(l);
  };
  {
    TableSender sender(link(), file, offline.post(), notices);
    sender.gameTaped(694, "Dvořák", kTape);
    sender.gameTaped(-20, "BRIMEL", "x");
    sender.finish(5s);
  }
  // Each attempt (one or two, as the worker met the games) stopped at the first, which could not
  // be sent: the second was never tried.
  ASSERT_GE(offline.sent.size(), 1u);
  for (const QueuedGame &g : offline.sent) EXPECT_EQ(g, (QueuedGame{kLink, "Dvořák", 694, kTapeBase64}));
  const std::vector<QueuedGame> waiting = parseQueue(readFile(file)).games;
  EXPECT_EQ(waiting, (std::vector<QueuedGame>{{kLink, "Dvořák", 694, kTapeBase64}, {kLink, "BRIMEL", -20, "eA=="}}));
  EXPECT_EQ(told, std::vector<std::string>(offline.sent.size(), "answer 2 for 694"));

  // The next start: the first is taken, the second refused for good; both leave the queue.
  told.clear();
  Network online;
  online.answers = {Answer::Taken, Answer::Refused};
  {
    TableSender sender(link(), file, online.post(), notices);
    sender.finish(5s);
  }
  EXPECT_EQ(online.sent, waiting);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(told, (std::vector<std::string>{"answer 0 for 694", "answer 1 for -20"}));
}

TEST(TableSender, AnAnswerLateAtTheEndIsGivenUpAndTheGameKept) {
  TempDir dir;
  const fs::path file = dir.path / kQueueFileName;
  std::atomic<bool> cancelled = false;
  const Post hanging = [&](const QueuedGame &g) {
    while (!cancelled) std::this_thread::sleep_for(5ms);
    return Answer{Answer::Later, "given up on " + std::to_string(g.points)};
  };
  const auto started = std::chrono::steady_clock::now();
  {
    TableSender sender(link(), file, hanging, {}, [&] { cancelled = true; });
    sender.gameTaped(7, "A", "t");
    std::this_thread::sleep_for(50ms); // the worker is inside the post
    sender.finish(200ms);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(parseQueue(readFile(file)).games, (std::vector<QueuedGame>{{kLink, "A", 7, "dA=="}}));
}

TEST(TableSender, TheServersAnswersAreReadForThePlayer) {
  struct Case {
    int status;
    std::string body;
    Answer::Kind kind;
    std::string text;
  };
  const std::vector<Case> cases = {
      {201, R"({"row":4,"points":694,"rank":3})", Answer::Taken,
       "the shared table took the game with 694 points: rank 3"},
      {201, "", Answer::Taken, "the shared table took the game with 694 points"},
      {422, R"({"error":"the replay gives 12 points"})", Answer::Refused,
       "the shared table refused the game with 694 points: the replay gives 12 points (HTTP 422)"},
      {409, R"({"error":"entered\nbefore\u001b[31m"})", Answer::Refused,
       "the shared table refused the game with 694 points: entered before [31m (HTTP 409)"},
      {404, "<html>", Answer::Refused, "the shared table refused the game with 694 points: HTTP 404"},
      {429, R"({"error":"slow down"})", Answer::Later,
       "the shared table could not take the game with 694 points now (slow down (HTTP 429)): it waits to be sent at "
       "the next start"},
      {503, "", Answer::Later,
       "the shared table could not take the game with 694 points now (HTTP 503): it waits to be sent at the next "
       "start"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.status);
    const Answer a = readAnswer(694, c.status, c.body);
    EXPECT_EQ(a.kind, c.kind);
    EXPECT_EQ(a.text, c.text);
  }
}

TEST(TableSender, TheHttpClientPostsTheGameToTheTablesAddress) {
  httplib::Server server;
  std::mutex lock;
  std::vector<nlohmann::json> bodies;
  int answer = 201;
  server.Post("/api/tables/T1/scores", [&](const httplib::Request &req, httplib::Response &res) {
    const std::lock_guard hold(lock);
    bodies.push_back(nlohmann::json::parse(req.body));
    res.status = answer;
    res.set_content(answer == 201 ? R"({"row":1,"points":694,"rank":1})" : R"({"error":"busy"})", "application/json");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread serving([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(1ms);
  const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/index.html?table=T1";

  HttpPost http;
  const QueuedGame game{address, "Dvořák", 694, kTapeBase64};
  const Answer taken = http(game);
  EXPECT_EQ(taken.kind, Answer::Taken);
  EXPECT_EQ(taken.text, "the shared table took the game with 694 points: rank 1");
  {
    const std::lock_guard hold(lock);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], (nlohmann::json{{"name", "Dvořák"}, {"points", 694}, {"tape", kTapeBase64}}));
    answer = 503;
  }
  EXPECT_EQ(http(game).kind, Answer::Later);
  server.stop();
  serving.join();
  const Answer offline = http(game);
  EXPECT_EQ(offline.kind, Answer::Later);
  EXPECT_NE(offline.text.find("could not be reached"), std::string::npos) << offline.text;
  http.cancel(); // from now on nothing goes out
  EXPECT_EQ(http(game).kind, Answer::Later);
}

} // namespace
