#include "platform/headless/tape_player.h"

namespace nad {
namespace {

const char *kindName(tape::Kind k) {
  switch (k) {
  case tape::Kind::Tick: return "a clock reading";
  case tape::Kind::Wait: return "the frame wait";
  case tape::Kind::Poll: return "an event poll";
  case tape::Kind::WaitEvent: return "the idle wait";
  case tape::Kind::Seed: return "the random seed";
  case tape::Kind::DialogClose: return "a message box";
  case tape::Kind::TextRender:
  case tape::Kind::TextMeasure:
  case tape::Kind::LineHeight: return "a text size";
  case tape::Kind::TableRead: return "a high-score file read";
  case tape::Kind::TableWrite: return "a high-score file write";
  case tape::Kind::TableLock: return "the high-score file's lock";
  case tape::Kind::GameEnd: return "a game's end";
  }
  return "an unknown record";
}

} // namespace

TapePlayer::TapePlayer(tape::Reader reader, std::filesystem::path programDir, TapeLimits limits)
    : HeadlessPlatform(std::move(programDir)), reader_(reader), limits_(limits),
      started_(std::chrono::steady_clock::now()) {}

const tape::Record *TapePlayer::peek() {
  if (!ahead_) {
    Result<std::optional<tape::Record>> r = reader_.next();
    if (!r.ok()) throw TapeStop(false, r.reason());
    if (!r.value()) return nullptr;
    ahead_ = std::move(*r.value());
  }
  return &*ahead_;
}

void TapePlayer::keepText(tape::Record &r) {
  switch (r.kind) {
  case tape::Kind::TextRender: rendered_[{r.font, std::move(r.text)}] = {r.width, r.height}; break;
  case tape::Kind::TextMeasure: measured_[{r.font, std::move(r.text)}] = r.width; break;
  case tape::Kind::LineHeight: heights_[r.font] = r.height; break;
  default: break;
  }
}

tape::Record TapePlayer::take(tape::Kind kind, const char *what) {
  // The wall clock, now and then: a tape of idle waits and polls costs time without frames.
  if (++taken_ % 1024 == 0 && std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                                    started_) > limits_.maxTime)
    throw TapeStop(false, "the tape takes longer than " + std::to_string(limits_.maxTime.count()) + " ms to replay");
  for (;;) {
    const tape::Record *next = peek();
    if (!next) throw TapeStop(true, std::string("the tape ends where the game asks for ") + what);
    tape::Record r = std::move(*ahead_);
    ahead_.reset();
    if (tape::isText(r.kind)) {
      keepText(r);
      continue;
    }
    if (r.kind != kind)
      throw TapeStop(false, std::string("the tape does not follow the game: it holds ") + kindName(r.kind) +
                                " where the game asks for " + what + " (before byte " +
                                std::to_string(reader_.offset()) + ")");
    return r;
  }
}

template <class Map, class Key>
const typename Map::mapped_type &TapePlayer::lookUp(Map &map, const Key &key, const char *what) {
  for (;;) {
    auto it = map.find(key);
    if (it != map.end()) return it->second;
    const tape::Record *next = peek();
    if (!next) throw TapeStop(true, std::string("the tape ends where the game asks for ") + what);
    if (!tape::isText(next->kind))
      throw TapeStop(false, std::string("the tape does not follow the game: it lacks ") + what);
    tape::Record r = std::move(*ahead_);
    ahead_.reset();
    keepText(r);
  }
}

int64_t TapePlayer::ticks() {
  const tape::Record r = take(tape::Kind::Tick, "a clock reading");
  moveClockTo(r.time);
  return r.time;
}

void TapePlayer::waitUntilAfter(int64_t deadline) {
  const tape::Record r = take(tape::Kind::Wait, "the frame wait");
  if (r.time <= deadline)
    throw TapeStop(false, "the tape does not follow the game: its frame wait ends before the deadline");
  moveClockTo(r.time);
  if (++frames_ > limits_.maxFrames)
    throw TapeStop(false, "the tape runs longer than " + std::to_string(limits_.maxFrames) + " frames");
}

uint64_t TapePlayer::randomSeed() { return uint64_t(take(tape::Kind::Seed, "the random seed").number); }

bool TapePlayer::poll(Event &out) {
  tape::Record r = take(tape::Kind::Poll, "an event poll");
  moveClockTo(r.time);
  if (!r.hasEvent) return false;
  out = std::move(r.event);
  return true;
}

bool TapePlayer::waitEvent(int64_t /*deadline*/) {
  const tape::Record r = take(tape::Kind::WaitEvent, "the idle wait");
  moveClockTo(r.time);
  return r.flag;
}

void TapePlayer::render(Font font, std::string_view utf8, TextImage &out) {
  const auto &[w, h] = lookUp(rendered_, std::make_pair(font, std::string(utf8)), "the size of a text drawn");
  out.w = w, out.h = h;
  out.coverage.assign(size_t(w) * size_t(h), 0);
}

int TapePlayer::measure(Font font, std::string_view utf8) {
  return lookUp(measured_, std::make_pair(font, std::string(utf8)), "the width of a text measured");
}

int TapePlayer::lineHeight(Font font) { return lookUp(heights_, font, "a line height"); }

void TapePlayer::dialog(const char *what, const std::string &title, const std::string &text) {
  record(what, title + "|" + text);
  if (onDialog) onDialog();
  moveClockTo(take(tape::Kind::DialogClose, "a message box's closing").time);
}

void TapePlayer::showInfo(const std::string &title, const std::string &text) { dialog("msgbox", title, text); }
void TapePlayer::showWarning(const std::string &title, const std::string &text) { dialog("warning", title, text); }

files::ReadResult TapePlayer::read(const std::filesystem::path & /*path*/, std::size_t maxBytes) {
  files::ReadResult r = take(tape::Kind::TableRead, "a high-score file read").read;
  if (r.bytes.size() > maxBytes) throw TapeStop(false, "the tape holds a high-score file larger than the game reads");
  return r;
}

Status TapePlayer::write(const std::filesystem::path & /*path*/, std::string_view /*bytes*/) {
  return take(tape::Kind::TableWrite, "a high-score file write").status;
}

Status TapePlayer::lock(const std::filesystem::path & /*file*/) {
  return take(tape::Kind::TableLock, "the high-score file's lock").status;
}

void TapePlayer::gameEnded(int64_t points, const std::string & /*name*/) {
  // The recorder's own account must agree with the replay; the replay's is the one that counts.
  const tape::Record r = take(tape::Kind::GameEnd, "a game's end");
  if (r.number != points)
    throw TapeStop(false, "the tape says its game ended with " + std::to_string(r.number) +
                              " points, its replay gives " + std::to_string(points));
  ended_.push_back({points, reader_.offset()});
}

} // namespace nad
