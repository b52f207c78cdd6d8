#pragma once
// The desktop's notices (the freedesktop notification service, through libnotify): how the
// player hears of a shared table's answer without the game's frame or title changing. Where
// there is no such service, nothing is shown and nothing is reported: stderr has the line.
#include <string>

namespace nad {

class DesktopNotices {
public:
  DesktopNotices();
  ~DesktopNotices();
  DesktopNotices(const DesktopNotices &) = delete;
  DesktopNotices &operator=(const DesktopNotices &) = delete;
  // From one thread at a time (the table's sender).
  void show(const std::string &text);

private:
  bool ready_ = false;
};

} // namespace nad
