#pragma once
#include <cstdint>
#include <string>

namespace nad {

// Hears of each game that ran to its end with the run's tape up to there, which proves the
// score (a shared table's sender, table_sender.h).
class TapedGameResults {
public:
  virtual ~TapedGameResults() = default;
  virtual void gameTaped(int64_t points, const std::string &name, const std::string &tape) = 0;
};

} // namespace nad
