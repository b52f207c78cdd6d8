#include "server/rate_limit.h"

#include <algorithm>
#include <cmath>

namespace nad::server {

RateLimiter::RateLimiter(double perMinute, double burst, std::size_t maxAddresses)
    : perSecond_(perMinute / 60.0), burst_(burst), maxAddresses_(maxAddresses) {}

double RateLimiter::refilled(const Bucket &b, Clock::time_point now) const {
  const double seconds = std::chrono::duration<double>(now - b.last).count();
  return std::min(burst_, b.tokens + std::max(0.0, seconds) * perSecond_);
}

void RateLimiter::dropFullBuckets(Clock::time_point now) {
  // A full bucket is the same as none.
  std::erase_if(buckets_, [&](const auto &entry) { return refilled(entry.second, now) >= burst_; });
}

Admission RateLimiter::take(std::string_view address, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  auto it = buckets_.find(std::string(address));
  if (it == buckets_.end()) {
    if (buckets_.size() >= maxAddresses_) dropFullBuckets(now);
    // Still full of addresses that are all busy: the newcomer waits as if its bucket were empty.
    if (buckets_.size() >= maxAddresses_) return {false, static_cast<int>(std::ceil(1.0 / perSecond_))};
    it = buckets_.emplace(std::string(address), Bucket{burst_, now}).first;
  }
  Bucket &b = it->second;
  b.tokens = refilled(b, now);
  b.last = now;
  if (b.tokens >= 1.0) {
    b.tokens -= 1.0;
    return {};
  }
  return {false, std::max(1, static_cast<int>(std::ceil((1.0 - b.tokens) / perSecond_)))};
}

} // namespace nad::server
