#include "platform/midi_file.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

namespace nad {
namespace {

class Reader {
public:
  explicit Reader(std::string_view b) : b_(b) {}
  bool more() const { return pos_ < b_.size(); }
  size_t pos() const { return pos_; }
  std::optional<uint32_t> byte() {
    if (pos_ >= b_.size()) return std::nullopt;
    return uint8_t(b_[pos_++]);
  }
  std::optional<uint32_t> big(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
      auto c = byte();
      if (!c) return std::nullopt;
      v = v << 8 | *c;
    }
    return v;
  }
  // A variable-length quantity: at most four bytes of seven bits.
  std::optional<uint32_t> vlq() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      auto c = byte();
      if (!c) return std::nullopt;
      v = v << 7 | (*c & 0x7F);
      if (!(*c & 0x80)) return v;
    }
    return std::nullopt;
  }
  bool skip(size_t n) {
    if (n > b_.size() - pos_) return false;
    pos_ += n;
    return true;
  }
  std::string_view take(size_t n) {
    std::string_view s = b_.substr(pos_, n);
    pos_ += s.size();
    return s;
  }

private:
  std::string_view b_;
  size_t pos_ = 0;
};

// Reads one track; returns its length in ticks and adds its tempo changes to `tempos`.
std::optional<uint64_t> readTrack(std::string_view track, std::map<uint64_t, uint32_t> &tempos) {
  Reader r(track);
  uint64_t tick = 0;
  uint32_t running = 0;
  while (r.more()) {
    auto delta = r.vlq();
    if (!delta) return std::nullopt;
    tick += *delta;
    auto status = r.byte();
    if (!status) return std::nullopt;
    uint32_t s = *status;
    if (s < 0x80) { // running status: this byte is the first data byte
      if (running == 0) return std::nullopt;
      s = running;
      if (!r.skip((s & 0xF0) == 0xC0 || (s & 0xF0) == 0xD0 ? 0 : 1)) return std::nullopt;
      continue;
    }
    if (s == 0xFF) {
      auto type = r.byte();
      auto len = r.vlq();
      if (!type || !len) return std::nullopt;
      std::string_view data = r.take(*len);
      if (data.size() != *len) return std::nullopt;
      if (*type == 0x51 && *len == 3)
        tempos[tick] = uint32_t(uint8_t(data[0])) << 16 | uint32_t(uint8_t(data[1])) << 8 | uint8_t(data[2]);
      if (*type == 0x2F) return tick; // end of track
      continue;
    }
    if (s == 0xF0 || s == 0xF7) {
      auto len = r.vlq();
      if (!len || !r.skip(*len)) return std::nullopt;
      continue;
    }
    if (s >= 0xF0) return std::nullopt; // no other system message belongs in a file
    running = s;
    if (!r.skip((s & 0xF0) == 0xC0 || (s & 0xF0) == 0xD0 ? 1 : 2)) return std::nullopt;
  }
  return tick; // a track without its end marker still ends with its last event
}

} // namespace

Result<double> midiLengthMs(std::string_view bytes) {
  const auto broken = [](const char *why) { return Result<double>::Failed(why); };
  Reader r(bytes);
  auto magic = r.big(4), headerLen = r.big(4);
  if (!magic || *magic != 0x4D546864 || !headerLen || *headerLen < 6) return broken("not a MIDI file"); // "MThd"
  auto format = r.big(2), tracks = r.big(2), division = r.big(2);
  if (!format || !tracks || !division || *division == 0 || !r.skip(*headerLen - 6)) return broken("a broken header");

  std::map<uint64_t, uint32_t> tempos; // tick -> microseconds per quarter note
  uint64_t lastTick = 0;
  for (uint32_t t = 0; t < *tracks; ++t) {
    auto magicT = r.big(4), len = r.big(4);
    if (!magicT || !len) return broken("a track cut short");
    std::string_view chunk = r.take(*len);
    if (chunk.size() != *len) return broken("a track cut short");
    if (*magicT != 0x4D54726B) continue; // not "MTrk": chunks of unknown kinds are skipped
    auto ticks = readTrack(chunk, tempos);
    if (!ticks) return broken("a track that cannot be read to its end");
    lastTick = std::max(lastTick, *ticks);
  }

  if (*division & 0x8000) { // SMPTE: frames per second times ticks per frame
    int fps = -int(int8_t(*division >> 8));
    int perFrame = int(*division & 0xFF);
    if (fps <= 0 || perFrame == 0) return broken("an impossible SMPTE time");
    return double(lastTick) * 1000.0 / (fps * perFrame);
  }
  double ms = 0;
  uint64_t at = 0;
  uint32_t tempo = 500000; // 120 quarter notes a minute until the file says otherwise
  for (auto [tick, value] : tempos) {
    if (tick >= lastTick) break;
    ms += double(tick - at) * tempo / 1000.0 / *division;
    at = tick;
    tempo = value;
  }
  ms += double(lastTick - at) * tempo / 1000.0 / *division;
  return ms;
}

} // namespace nad
