#include "server/verify_pool.h"

namespace nad::server {

VerifyPool::VerifyPool(Check check, int workers, int queue)
    : check_(std::move(check)), capacity_(static_cast<std::size_t>(queue)) {
  for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
}

VerifyPool::~VerifyPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  for (auto &t : workers_) t.join();
}

std::optional<std::future<Result<replay::Verdict>>> VerifyPool::trySubmit(std::string tape) {
  std::future<Result<replay::Verdict>> verdict;
  {
    std::lock_guard lock(mutex_);
    if (jobs_.size() >= capacity_ || stopping_) return std::nullopt;
    jobs_.push_back(Job{std::move(tape), {}});
    verdict = jobs_.back().verdict.get_future();
  }
  ready_.notify_one();
  return verdict;
}

void VerifyPool::work() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job.verdict.set_value(check_(job.tape));
  }
}

} // namespace nad::server
