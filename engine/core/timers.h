#pragma once
// The window's four timers. Ticks are delivered only while the window processes its events;
// intervals that passed meanwhile are coalesced into one tick, and the cadence keeps its phase.
#include <array>
#include <cstdint>

namespace nad {

enum TimerId : int { Timer1, Timer3, Timer4, Timer5, TimerCount };

class Timers {
public:
  Timers();
  void setEnabled(TimerId t, bool on, int64_t now);
  bool enabled(TimerId t) const { return slots_[t].enabled; }
  int interval(TimerId t) const { return slots_[t].interval; }
  // The earliest due time of an enabled timer, or INT64_MAX.
  int64_t nextDue() const;
  // The timer that is due at `now` first (earliest due, then Timer1, 3, 4, 5), after
  // scheduling its next tick; false when none is due.
  bool takeDue(int64_t now, TimerId &out);

private:
  struct Slot {
    int interval;
    bool enabled;
    int64_t due;
  };
  std::array<Slot, TimerCount> slots_;
};

} // namespace nad
