#include "core/timers.h"

#include <limits>

namespace nad {

Timers::Timers() {
  // Intervals and enabled flags as the window is designed; they run from its creation.
  slots_[Timer1] = {1000, true, 1000};
  slots_[Timer3] = {20000, false, 0};
  slots_[Timer4] = {1000, true, 1000};
  slots_[Timer5] = {10000, true, 10000};
}

void Timers::setEnabled(TimerId t, bool on, int64_t now) {
  Slot &s = slots_[t];
  // Enabling a running timer leaves its cadence alone; enabling a stopped one starts a
  // fresh interval.
  if (on && !s.enabled) s.due = now + s.interval;
  s.enabled = on;
}

int64_t Timers::nextDue() const {
  int64_t best = std::numeric_limits<int64_t>::max();
  for (const Slot &s : slots_)
    if (s.enabled && s.due < best) best = s.due;
  return best;
}

bool Timers::takeDue(int64_t now, TimerId &out) {
  int found = -1;
  for (int i = 0; i < TimerCount; ++i) {
    const Slot &s = slots_[i];
    if (s.enabled && s.due <= now && (found < 0 || s.due < slots_[found].due)) found = i;
  }
  if (found < 0) return false;
  Slot &s = slots_[found];
  s.due += (int64_t(now - s.due) / s.interval + 1) * s.interval;
  out = TimerId(found);
  return true;
}

} // namespace nad
