#include "platform/tape.h"

#include "platform/utf8.h"

namespace nad::tape {
namespace {

constexpr char kMagic[] = {'N', 'd', 'T', 'p'};
constexpr uint8_t kFormat = 1;

// One byte per record for what comes every frame: a clock reading or the frame wait within 63 ms
// of the last time, a poll that found nothing. Longer steps and everything else take a code
// byte and their fields.
enum Code : uint8_t {
  kTickShort = 0x00, // + delta 0..63
  kWaitShort = 0x40, // + delta 0..63
  kTick = 0x80,
  kWait = 0x81,
  kPollNone = 0x82,
  kPollNoneLater = 0x83,
  kWaitEventFalse = 0x84,
  kWaitEventTrue = 0x85,
  kSeed = 0x86,
  kDialogClose = 0x87,
  kTextRender = 0x88,
  kTextMeasure = 0x89,
  kLineHeight = 0x8A,
  kTableRead = 0x8B,
  kTableWrite = 0x8C,
  kTableLock = 0x8D,
  kGameEnd = 0x8E,
  kEvent = 0x90, // + the event's kind, 0x90..0x96
};
constexpr int kShortLimit = 64;

// Event kinds on the tape, in this order after kEvent; the headless-only kinds never reach a tape.
constexpr EventKind kTapedEvents[] = {EventKind::KeyDown, EventKind::KeyUp, EventKind::MouseDown, EventKind::MouseUp,
                                      EventKind::Text,    EventKind::Quit,  EventKind::Expose};
constexpr int kTapedEventCount = int(std::size(kTapedEvents));

// Far beyond a program's life (35 years in ms) and any window, so that no sum overflows.
constexpr int64_t kMaxTime = int64_t(1) << 40;
constexpr int kMaxCoordinate = 1 << 20;
constexpr uint64_t kMaxKeyCode = 0xFFFF;
constexpr uint8_t kReadFailed = 1, kReadMissing = 2, kReadTooLarge = 4;

void putVarint(std::string &out, uint64_t v) {
  while (v >= 0x80) {
    out += char(uint8_t(v) | 0x80);
    v >>= 7;
  }
  out += char(uint8_t(v));
}
uint64_t zigzag(int64_t v) { return (uint64_t(v) << 1) ^ uint64_t(v >> 63); }
int64_t unzigzag(uint64_t v) { return int64_t(v >> 1) ^ -int64_t(v & 1); }

} // namespace

Status sameMaking(const Header &taped, const Header &mine) {
  if (taped.rules != mine.rules)
    return Status::Failed("a tape of the rules' version " + std::to_string(taped.rules) +
                          ", this program plays version " + std::to_string(mine.rules));
  if (taped.pictures != mine.pictures) return Status::Failed("a tape made with other pictures than this program's");
  return {};
}

Writer::Writer(const Header &h) {
  out_.append(kMagic, sizeof kMagic);
  out_ += char(kFormat);
  putVarint(out_, h.rules);
  for (int i = 0; i < 8; ++i) out_ += char(uint8_t(h.pictures >> (8 * i)));
}

void Writer::timed(uint8_t shortBase, uint8_t longCode, int64_t time) {
  const int64_t delta = time - time_;
  time_ = time;
  if (delta >= 0 && delta < kShortLimit) {
    out_ += char(shortBase + uint8_t(delta));
    return;
  }
  out_ += char(longCode);
  putVarint(out_, zigzag(delta));
}

void Writer::tick(int64_t time) { timed(kTickShort, kTick, time); }
void Writer::wait(int64_t time) { timed(kWaitShort, kWait, time); }

void Writer::poll(const Event *e, int64_t time) {
  if (!e) {
    if (time == time_) {
      out_ += char(kPollNone);
      return;
    }
    out_ += char(kPollNoneLater);
  } else {
    int kind = 0;
    while (kind < kTapedEventCount && kTapedEvents[kind] != e->kind) ++kind;
    out_ += char(kEvent + kind);
    switch (e->kind) {
    case EventKind::KeyDown:
      putVarint(out_, uint64_t(e->code) & kMaxKeyCode);
      out_ += char((e->repeat ? 1 : 0) | (e->shift ? 2 : 0));
      break;
    case EventKind::KeyUp: putVarint(out_, uint64_t(e->code) & kMaxKeyCode); break;
    case EventKind::MouseDown:
    case EventKind::MouseUp:
      putVarint(out_, zigzag(e->x));
      putVarint(out_, zigzag(e->y));
      break;
    case EventKind::Text: text(e->text, kMaxTextBytes); break;
    default: break;
    }
  }
  putVarint(out_, zigzag(time - time_));
  time_ = time;
}

void Writer::waitEvent(bool result, int64_t time) {
  out_ += char(result ? kWaitEventTrue : kWaitEventFalse);
  putVarint(out_, zigzag(time - time_));
  time_ = time;
}

void Writer::seed(uint64_t seed) {
  out_ += char(kSeed);
  putVarint(out_, seed);
}

void Writer::dialogClose(int64_t time) {
  out_ += char(kDialogClose);
  putVarint(out_, zigzag(time - time_));
  time_ = time;
}

void Writer::text(std::string_view s, std::size_t limit) {
  s = s.substr(0, limit);
  putVarint(out_, s.size());
  out_ += s;
}

void Writer::status(const Status &s) {
  out_ += char(s.ok() ? 0 : 1);
  if (!s.ok()) text(s.reason(), kMaxReasonBytes);
}

void Writer::textRender(Font font, std::string_view s, int width, int height) {
  out_ += char(kTextRender);
  out_ += char(font);
  text(s, kMaxTextBytes);
  putVarint(out_, uint64_t(width));
  putVarint(out_, uint64_t(height));
}

void Writer::textMeasure(Font font, std::string_view s, int width) {
  out_ += char(kTextMeasure);
  out_ += char(font);
  text(s, kMaxTextBytes);
  putVarint(out_, uint64_t(width));
}

void Writer::lineHeight(Font font, int height) {
  out_ += char(kLineHeight);
  out_ += char(font);
  putVarint(out_, uint64_t(height));
}

void Writer::tableRead(const files::ReadResult &read) {
  out_ += char(kTableRead);
  out_ += char((read.status.ok() ? 0 : kReadFailed) | (read.missing ? kReadMissing : 0) |
               (read.tooLarge ? kReadTooLarge : 0));
  text(read.bytes, kMaxTableBytes);
  if (!read.status.ok()) text(read.status.reason(), kMaxReasonBytes);
}

void Writer::tableWrite(const Status &s) {
  out_ += char(kTableWrite);
  status(s);
}

void Writer::tableLock(const Status &s) {
  out_ += char(kTableLock);
  status(s);
}

void Writer::gameEnd(int64_t points) {
  out_ += char(kGameEnd);
  putVarint(out_, zigzag(points));
}

// --- reading ---

Result<Reader> Reader::open(std::string_view bytes) {
  Reader r(bytes);
  if (bytes.size() < sizeof kMagic + 1 || bytes.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic))
    return Result<Reader>::Failed("not a tape");
  if (uint8_t(bytes[sizeof kMagic]) != kFormat)
    return Result<Reader>::Failed("a tape of format " + std::to_string(uint8_t(bytes[sizeof kMagic])) +
                                  ", this program reads format " + std::to_string(kFormat));
  r.pos_ = sizeof kMagic + 1;
  uint64_t rules = 0;
  if (Status s = r.varint(rules); !s.ok()) return Result<Reader>::Failed(s.reason());
  if (rules > UINT32_MAX) return Result<Reader>::Failed("the tape's header is damaged");
  r.header_.rules = uint32_t(rules);
  for (int i = 0; i < 8; ++i) {
    uint8_t b = 0;
    if (Status s = r.byte(b); !s.ok()) return Result<Reader>::Failed(s.reason());
    r.header_.pictures |= uint64_t(b) << (8 * i);
  }
  return r;
}

Status Reader::fail(const std::string &what) const {
  return Status::Failed("the tape is damaged at byte " + std::to_string(pos_) + ": " + what);
}

Status Reader::byte(uint8_t &out) {
  if (pos_ >= in_.size()) return fail("it ends inside a record");
  out = uint8_t(in_[pos_++]);
  return {};
}

Status Reader::varint(uint64_t &out) {
  out = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    uint8_t b = 0;
    if (Status s = byte(b); !s.ok()) return s;
    if (shift == 63 && b > 1) return fail("a number is too large");
    out |= uint64_t(b & 0x7F) << shift;
    if (!(b & 0x80)) return {};
  }
  return fail("a number is too long");
}

Status Reader::signedVarint(int64_t &out) {
  uint64_t v = 0;
  if (Status s = varint(v); !s.ok()) return s;
  out = unzigzag(v);
  return {};
}

Status Reader::string(std::string &out, std::size_t limit) {
  uint64_t n = 0;
  if (Status s = varint(n); !s.ok()) return s;
  if (n > limit) return fail("a text of " + std::to_string(n) + " bytes, more than " + std::to_string(limit));
  if (n > in_.size() - pos_) return fail("it ends inside a text");
  out.assign(in_.substr(pos_, n));
  pos_ += n;
  return {};
}

Status Reader::font(Font &out) {
  uint8_t b = 0;
  if (Status s = byte(b); !s.ok()) return s;
  if (b > uint8_t(Font::TableSerif)) return fail("an unknown font " + std::to_string(b));
  out = Font(b);
  return {};
}

Status Reader::pixels(int &out) {
  uint64_t v = 0;
  if (Status s = varint(v); !s.ok()) return s;
  if (v > uint64_t(kMaxTextPixels)) return fail("a text size of " + std::to_string(v) + " pixels");
  out = int(v);
  return {};
}

Status Reader::status(Status &out) {
  uint8_t b = 0;
  if (Status s = byte(b); !s.ok()) return s;
  if (b > 1) return fail("an unknown outcome " + std::to_string(b));
  out = Status();
  if (b == 0) return {};
  std::string reason;
  if (Status s = string(reason, kMaxReasonBytes); !s.ok()) return s;
  out = Status::Failed(reason);
  return {};
}

Status Reader::event(uint8_t code, Event &e) {
  const int kind = code - kEvent;
  if (kind >= kTapedEventCount) return fail("an unknown record " + std::to_string(code));
  e = Event{kTapedEvents[kind]};
  uint64_t v = 0;
  int64_t x = 0, y = 0;
  switch (e.kind) {
  case EventKind::KeyDown:
  case EventKind::KeyUp: {
    if (Status s = varint(v); !s.ok()) return s;
    if (v > kMaxKeyCode) return fail("a key code " + std::to_string(v));
    e.code = int(v);
    if (e.kind == EventKind::KeyUp) break;
    uint8_t flags = 0;
    if (Status s = byte(flags); !s.ok()) return s;
    if (flags > 3) return fail("unknown key flags");
    e.repeat = flags & 1, e.shift = flags & 2;
    break;
  }
  case EventKind::MouseDown:
  case EventKind::MouseUp:
    if (Status s = signedVarint(x); !s.ok()) return s;
    if (Status s = signedVarint(y); !s.ok()) return s;
    if (x < -kMaxCoordinate || x > kMaxCoordinate || y < -kMaxCoordinate || y > kMaxCoordinate)
      return fail("a click far outside any window");
    e.x = int(x), e.y = int(y);
    break;
  case EventKind::Text:
    if (Status s = string(e.text, kMaxTextBytes); !s.ok()) return s;
    if (!utf8::isValid(e.text)) return fail("typed text that is not UTF-8");
    break;
  default: break;
  }
  return {};
}

Result<std::optional<Record>> Reader::next() {
  using Out = Result<std::optional<Record>>;
  if (pos_ >= in_.size()) return std::optional<Record>();
  Record r;
  uint8_t code = 0;
  if (Status s = byte(code); !s.ok()) return Out::Failed(s.reason());
  // Every record that carries time carries its change; the sum stays within a program's life.
  auto later = [&](int64_t delta) -> Status {
    if (delta < -kMaxTime || delta > kMaxTime || time_ + delta < 0 || time_ + delta > kMaxTime)
      return fail("the clock leaves its range");
    time_ += delta;
    r.time = time_;
    return {};
  };
  auto laterBy = [&]() -> Status {
    int64_t delta = 0;
    if (Status s = signedVarint(delta); !s.ok()) return s;
    return later(delta);
  };
  Status s;
  if (code < kTick) {
    r.kind = code < kWaitShort ? Kind::Tick : Kind::Wait;
    s = later(code & (kShortLimit - 1));
  } else if (code >= kEvent) {
    r.kind = Kind::Poll;
    r.hasEvent = true;
    s = event(code, r.event);
    if (s.ok()) s = laterBy();
  } else {
    switch (code) {
    case kTick: r.kind = Kind::Tick, s = laterBy(); break;
    case kWait: r.kind = Kind::Wait, s = laterBy(); break;
    case kPollNone: r.kind = Kind::Poll, s = later(0); break;
    case kPollNoneLater: r.kind = Kind::Poll, s = laterBy(); break;
    case kWaitEventFalse:
    case kWaitEventTrue:
      r.kind = Kind::WaitEvent, r.flag = code == kWaitEventTrue;
      s = laterBy();
      break;
    case kSeed: {
      uint64_t v = 0;
      r.kind = Kind::Seed, s = varint(v);
      r.number = int64_t(v);
      break;
    }
    case kDialogClose: r.kind = Kind::DialogClose, s = laterBy(); break;
    case kTextRender:
    case kTextMeasure:
      r.kind = code == kTextRender ? Kind::TextRender : Kind::TextMeasure;
      s = font(r.font);
      if (s.ok()) s = string(r.text, kMaxTextBytes);
      if (s.ok()) s = pixels(r.width);
      if (s.ok() && r.kind == Kind::TextRender) s = pixels(r.height);
      break;
    case kLineHeight:
      r.kind = Kind::LineHeight, s = font(r.font);
      if (s.ok()) s = pixels(r.height);
      break;
    case kTableRead: {
      r.kind = Kind::TableRead;
      uint8_t flags = 0;
      s = byte(flags);
      if (s.ok() && flags > 7) s = fail("unknown file flags");
      if (s.ok()) s = string(r.read.bytes, kMaxTableBytes);
      r.read.missing = flags & kReadMissing, r.read.tooLarge = flags & kReadTooLarge;
      if (s.ok() && (flags & kReadFailed)) {
        std::string reason;
        s = string(reason, kMaxReasonBytes);
        r.read.status = Status::Failed(reason);
      }
      break;
    }
    case kTableWrite: r.kind = Kind::TableWrite, s = status(r.status); break;
    case kTableLock: r.kind = Kind::TableLock, s = status(r.status); break;
    case kGameEnd: r.kind = Kind::GameEnd, s = signedVarint(r.number); break;
    default: return Out::Failed(fail("an unknown record " + std::to_string(code)).reason());
    }
  }
  if (!s.ok()) return Out::Failed(s.reason());
  r.time = time_;
  return std::optional<Record>(std::move(r));
}

} // namespace nad::tape
