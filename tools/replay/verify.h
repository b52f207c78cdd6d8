#pragma once
// Proving a score: a tape replayed on the headless twin with the same rules and pictures that
// played it. The score of the tape's last ended game is what the replay gives, whatever the
// sender claims. Safe to call from several threads at once, each with its own tape.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/report.h"

namespace nad::replay {

struct VerifyLimits {
  int64_t maxFrames = 200000;               // a sitting of many games; 130 s is ~7000 frames
  std::chrono::milliseconds maxTime{10000}; // wall clock per tape
};

struct Verdict {
  int64_t points = 0; // the last ended game's score
  size_t gameEnd = 0; // the tape's bytes up to that game's end: what identifies the game
  int gamesEnded = 0; // games that ran to their end on the tape
};

class Verifier {
public:
  // Reads the pictures from runFolder/pictures once (throws StartupError when it cannot).
  explicit Verifier(const std::filesystem::path &runFolder);
  ~Verifier();
  Verifier(const Verifier &) = delete;
  Verifier &operator=(const Verifier &) = delete;

  // The verdict, or why there is none: a damaged tape, a tape of another version of the rules
  // or pictures, a tape that holds no ended game, or one past the limits. Never throws.
  Result<Verdict> verify(std::string_view tape, const VerifyLimits &limits = {}) const;

private:
  struct Pictures;
  std::unique_ptr<Pictures> pictures_;
};

} // namespace nad::replay
