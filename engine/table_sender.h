#pragma once
// Sends each game that ran to its end to the player's shared high-score table, in the
// background: the frame loop only hands over a copy of the tape. The player hears of each
// answer as one line on stderr and a desktop notice. A game is first written to the queue file
// (table_queue.h) and taken out once the table has answered: taken (201) or refused for good
// (a 4xx but 429); what could not be sent (offline, 429, 503, a timeout) waits there for the next
// start.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/table_address.h"
#include "platform/tape_recorder.h"
#include "table_queue.h"

namespace httplib {
class Client;
}

namespace nad::tables {

// How one attempt ended; `text` is the line the player is told.
struct Answer {
  enum Kind { Taken, Refused, Later } kind;
  std::string text;
};

// Sends one game's body and reads the answer; the sender's only contact with the network, so
// that tests can stand in for it.
using Post = std::function<Answer(const QueuedGame &game)>;

// The real one: cpp-httplib's client, 10 s to connect and for each read and write.
struct HttpPost {
  Answer operator()(const QueuedGame &game);
  void cancel(); // thread-safe: ends an attempt in flight and refuses further ones
  std::mutex lock;
  httplib::Client *inFlight = nullptr;
  bool cancelled = false;
};

// Reads a table's answer: what the player is told and whether the game is kept.
Answer readAnswer(int64_t points, int status, const std::string &body);

class TableSender : public TapedGameResults {
public:
  // `notify` shows the player a line beside stderr (the desktop's notices); may be empty.
  TableSender(TableAddress table, std::filesystem::path queueFile, Post post,
              std::function<void(const std::string &)> notify, std::function<void()> cancel = {});
  ~TableSender() override;
  TableSender(const TableSender &) = delete;
  TableSender &operator=(const TableSender &) = delete;

  // From the frame loop: copies what it needs and returns at once.
  void gameTaped(int64_t points, const std::string &name, const std::string &tape) override;
  // Gives what is being sent at most `grace` to finish, then stops; whatever was not answered
  // stays in the queue file. Called once, at the program's end (the destructor does it with no
  // grace when it was not).
  void finish(std::chrono::milliseconds grace);

private:
  void work();
  void keep(std::deque<QueuedGame> &arrived); // into the queue file, the tapes in base64
  void drain();                               // sends the queue file's games in order
  void tell(const std::string &line);

  TableAddress table_;
  QueueFile queue_;
  Post post_;
  std::function<void(const std::string &)> notify_;
  std::function<void()> cancel_;

  std::mutex lock_;
  std::condition_variable wake_, idle_;
  std::deque<QueuedGame> arrived_; // ended games the worker has not written to the queue yet
  std::vector<QueuedGame> unkept_; // the worker's: games the queue file could not take
  bool busy_ = true;               // the worker is sending (it starts with the queue file)
  bool stopping_ = false;
  bool abandoned_ = false; // the grace is over: nothing more is sent
  std::thread worker_;
};

// Base64 of the tape (OpenSSL's encoder).
std::string base64(std::string_view bytes);

} // namespace nad::tables
