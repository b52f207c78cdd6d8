#pragma once
// A token bucket per client address for the requests that write: each address may spend `burst`
// at once and gets `perMinute` back a minute. The buckets of addresses gone quiet are dropped, so
// the map stays bounded whatever the number of addresses.
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace nad::server {

struct Admission {
  bool allowed = true;
  int retryAfterSeconds = 0; // when refused: until the next token
};

class RateLimiter {
public:
  using Clock = std::chrono::steady_clock;
  RateLimiter(double perMinute, double burst, std::size_t maxAddresses = 100000);
  Admission take(std::string_view address, Clock::time_point now);

private:
  struct Bucket {
    double tokens;
    Clock::time_point last;
  };
  double refilled(const Bucket &b, Clock::time_point now) const;
  void dropFullBuckets(Clock::time_point now);

  double perSecond_;
  double burst_;
  std::size_t maxAddresses_;
  std::mutex mutex_;
  std::unordered_map<std::string, Bucket> buckets_;
};

} // namespace nad::server
