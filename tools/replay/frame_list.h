#pragma once
// Which frames --frames-png writes: every frame, or a list like "1-10,200".
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/report.h"

namespace nad::replay {

class FrameSelection {
public:
  static FrameSelection all() { return FrameSelection{}; }

  // A comma-separated list of frame numbers (from 1) and ranges A-B with A <= B.
  static Result<FrameSelection> parse(std::string_view list);

  bool contains(int64_t frame) const;

private:
  bool all_ = true;
  std::vector<std::pair<int64_t, int64_t>> ranges_;
};

} // namespace nad::replay
