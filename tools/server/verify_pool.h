#pragma once
// Tapes are replayed on a few worker threads with a bounded queue in front: a flood of
// submissions is refused (503) once the queue is full instead of piling up threads or memory,
// and the HTTP threads stay free for reads.
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/report.h"
#include "replay/verify.h"

namespace nad::server {

class VerifyPool {
public:
  using Check = std::function<Result<replay::Verdict>(std::string_view tape)>;
  // `check` is called on the workers, several at once.
  VerifyPool(Check check, int workers, int queue);
  ~VerifyPool(); // finishes what is queued, then joins
  VerifyPool(const VerifyPool &) = delete;
  VerifyPool &operator=(const VerifyPool &) = delete;

  // The verdict to come, or nullopt when `queue` tapes wait already.
  std::optional<std::future<Result<replay::Verdict>>> trySubmit(std::string tape);

private:
  struct Job {
    std::string tape;
    std::promise<Result<replay::Verdict>> verdict;
  };
  void work();

  Check check_;
  std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

} // namespace nad::server
