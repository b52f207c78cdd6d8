#pragma once
// A game controller as the keyboard the game knows: which pad input stands for which key, and
// the auto-repeat of a held one. Plain C++ on a millisecond clock, no SDL; the backend feeds
// it the controllers' buttons and sticks.
#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "platform/platform.h"

namespace nad {

enum class PadInput { Up, Down, Left, Right, StickUp, StickDown, StickLeft, StickRight, A, B, Back, Start, Count };

// The key a pad input stands for: the d-pad and the left stick are the arrow keys, A the space
// bar, Start the P key, B and Back the Escape key.
int padInputKey(PadInput in);
// Held like a key on the keyboard, these repeat; Start, B and Back are one press each.
bool padInputRepeats(PadInput in);

class PadKeys {
public:
  // The keyboard's auto-repeat: the first repeat after delayMs, then one every intervalMs.
  PadKeys(int delayMs, int intervalMs) : delay_(delayMs), interval_(intervalMs) {}

  // An input of pad `pad` went down or up at `now`. A key goes down when the first input
  // standing for it does, and up when the last one is let go, across all pads.
  void set(int pad, PadInput in, bool held, int64_t now, std::vector<Event> &out);
  bool held(int pad, PadInput in) const {
    auto it = pads_.find(pad);
    return it != pads_.end() && it->second[size_t(in)];
  }
  // A pad was unplugged: whatever it held is let go.
  void removePad(int pad, int64_t now, std::vector<Event> &out);
  // The repeats due by `now`, each a further press as the keyboard gives them.
  void repeat(int64_t now, std::vector<Event> &out);
  // When the next repeat is due; INT64_MAX when no repeating key is held.
  int64_t nextRepeat() const;
  // After a modal box: everything held now was pressed for the box, or released for the game
  // already; it stays silent (no repeats, no release) until it is let go.
  void silenceHeld();

  int delayMs() const { return delay_; }
  int intervalMs() const { return interval_; }

private:
  static constexpr size_t kInputs = size_t(PadInput::Count);
  struct KeyState {
    int holders = 0; // inputs held for this key across all pads
    bool silent = false;
    int64_t next = INT64_MAX; // the next repeat
  };
  void change(int code, bool repeats, int delta, int64_t now, std::vector<Event> &out);

  int delay_, interval_;
  std::map<int, std::array<bool, kInputs>> pads_; // what each pad holds
  std::map<int, KeyState> keys_;                  // by key code
};

} // namespace nad
