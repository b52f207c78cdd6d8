#include "platform/sdl/pad_keys.h"

#include <algorithm>

namespace nad {

int padInputKey(PadInput in) {
  switch (in) {
  case PadInput::Up:
  case PadInput::StickUp: return key::Up;
  case PadInput::Down:
  case PadInput::StickDown: return key::Down;
  case PadInput::Left:
  case PadInput::StickLeft: return key::Left;
  case PadInput::Right:
  case PadInput::StickRight: return key::Right;
  case PadInput::A: return key::Space;
  case PadInput::Start: return key::P;
  case PadInput::B:
  case PadInput::Back: return key::Escape;
  case PadInput::Count: break;
  }
  return 0;
}

bool padInputRepeats(PadInput in) { return in != PadInput::Start && in != PadInput::B && in != PadInput::Back; }

void PadKeys::change(int code, bool repeats, int delta, int64_t now, std::vector<Event> &out) {
  KeyState &k = keys_[code];
  const int before = k.holders;
  k.holders = std::max(0, k.holders + delta);
  if (before == 0 && k.holders > 0) {
    k.silent = false;
    out.push_back({EventKind::KeyDown, code, false});
    k.next = repeats ? now + delay_ : INT64_MAX;
  } else if (before > 0 && k.holders == 0) {
    if (!k.silent) out.push_back({EventKind::KeyUp, code});
    k.silent = false;
    k.next = INT64_MAX;
  }
}

void PadKeys::set(int pad, PadInput in, bool held, int64_t now, std::vector<Event> &out) {
  bool &was = pads_[pad][size_t(in)];
  if (was == held) return;
  was = held;
  change(padInputKey(in), padInputRepeats(in), held ? 1 : -1, now, out);
}

void PadKeys::removePad(int pad, int64_t now, std::vector<Event> &out) {
  auto it = pads_.find(pad);
  if (it == pads_.end()) return;
  for (size_t i = 0; i < kInputs; ++i)
    if (it->second[i]) set(pad, PadInput(i), false, now, out);
  pads_.erase(pad);
}

void PadKeys::repeat(int64_t now, std::vector<Event> &out) {
  for (auto &[code, k] : keys_) {
    // A late poll gets every repeat that fell due meanwhile, as the keyboard's queue would hold
    // them, but never more than a handful.
    for (int n = 0; k.holders > 0 && !k.silent && k.next <= now && n < 8; ++n) {
      out.push_back({EventKind::KeyDown, code, true});
      k.next += interval_;
    }
    if (k.next <= now && k.next != INT64_MAX) k.next = now + interval_;
  }
}

int64_t PadKeys::nextRepeat() const {
  int64_t next = INT64_MAX;
  for (const auto &[code, k] : keys_)
    if (k.holders > 0 && !k.silent) next = std::min(next, k.next);
  return next;
}

void PadKeys::silenceHeld() {
  for (auto &[code, k] : keys_)
    if (k.holders > 0) k.silent = true, k.next = INT64_MAX;
}

} // namespace nad
