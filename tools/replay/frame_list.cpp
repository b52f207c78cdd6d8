#include "replay/frame_list.h"

#include <limits>

#include "platform/arguments.h"

namespace nad::replay {

Result<FrameSelection> FrameSelection::parse(std::string_view list) {
  FrameSelection sel;
  sel.all_ = false;
  auto number = [](std::string_view w) {
    return options::wholeNumber<int64_t>(w, 1, std::numeric_limits<int64_t>::max());
  };
  size_t start = 0;
  for (;;) {
    size_t comma = list.find(',', start);
    std::string_view item =
        list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    size_t dash = item.find('-');
    auto a = number(item.substr(0, dash));
    auto b = dash == std::string_view::npos ? a : number(item.substr(dash + 1));
    if (!a || !b || *b < *a) {
      return Result<FrameSelection>::Failed("'" + std::string(item) +
                                            "' is neither a frame number (from 1) nor a range A-B with A <= B");
    }
    sel.ranges_.emplace_back(*a, *b);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return sel;
}

bool FrameSelection::contains(int64_t frame) const {
  if (all_) return true;
  for (auto [a, b] : ranges_)
    if (frame >= a && frame <= b) return true;
  return false;
}

} // namespace nad::replay
