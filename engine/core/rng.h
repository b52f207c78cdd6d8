#pragma once
// The game's one random generator: uniform over [0, 1) in single precision. Its default
// sequence is fixed (the first game after start-up replays it unless the table was shown);
// only the high-score table load reseeds it, from the clock.
#include <cstdint>

namespace nad {

class Rng {
public:
  static constexpr uint64_t kDefaultSeed = 0x6e6164696c6b61ULL;

  float next() {
    // PCG-XSH-RR 64/32; the top 24 bits give every float step in [0, 1) exactly.
    uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
    uint32_t xorshifted = uint32_t(((old >> 18u) ^ old) >> 27u);
    uint32_t rot = uint32_t(old >> 59u);
    uint32_t out = (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
    return float(out >> 8) * (1.0f / 16777216.0f);
  }
  void seed(uint64_t s) { state_ = s; }
  uint64_t state() const { return state_; }

private:
  uint64_t state_ = kDefaultSeed;
};

} // namespace nad
