#pragma once
// A tape: every value from outside the game that can change what the game does, in the order
// the game took it: clock readings and the time after each wait, polled events, the random seed,
// message boxes closing, the high-score file's bytes and the outcome of its writes, and the text
// measurements the rules read. Replaying a tape gives the same run, frame for frame, on any
// machine. The byte format is in docs/TAPES.md; a tape may come from anyone, so the reader
// bounds every length and trusts nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/platform.h"
#include "platform/report.h"

namespace nad::tape {

// A sitting's tape grows past this only by a very long sitting; a longer one stops recording.
inline constexpr std::size_t kMaxBytes = 4u << 20;
// Bounds of single records, far above what the game produces.
inline constexpr std::size_t kMaxTextBytes = 64u << 10;
inline constexpr std::size_t kMaxReasonBytes = 1024;
inline constexpr std::size_t kMaxTableBytes = 1u << 20;
inline constexpr int kMaxTextPixels = 1 << 16;

// What a tape was made with: the rules' version and a hash of the pictures' pixels. A tape of
// other rules or pictures replays differently, so it is refused.
struct Header {
  uint32_t rules = 0;
  uint64_t pictures = 0;
  bool operator==(const Header &) const = default;
};

// Whether a tape with header `taped` replays on a program that makes `mine`; if not, why.
Status sameMaking(const Header &taped, const Header &mine);

enum class Kind : uint8_t {
  Tick,        // a clock reading: `time`
  Wait,        // the frame wait returned at `time`
  Poll,        // an event poll: `event` when `hasEvent`, at `time` afterwards
  WaitEvent,   // the idle wait returned `flag` at `time`
  Seed,        // the random seed: `number`
  DialogClose, // a message box closed at `time`
  TextRender,  // the size of `text` drawn in `font`: `width` x `height`
  TextMeasure, // the width of `text` in `font`: `width`
  LineHeight,  // the line height of `font`: `height`
  TableRead,   // the high-score file read: `read`
  TableWrite,  // the high-score file written: `status`
  TableLock,   // the lock between copies taken: `status`
  GameEnd,     // a game ran to its end with `number` points (the recorder's own account)
};

inline bool isText(Kind k) { return k == Kind::TextRender || k == Kind::TextMeasure || k == Kind::LineHeight; }

struct Record {
  Kind kind = Kind::Tick;
  int64_t time = 0; // absolute, from the deltas on the tape
  int64_t number = 0;
  bool flag = false;
  bool hasEvent = false;
  Event event;
  Font font = Font::Default;
  std::string text;
  int width = 0, height = 0;
  files::ReadResult read;
  Status status;
};

class Writer {
public:
  explicit Writer(const Header &h);
  // Each appends one record; times are absolute and stored as the change since the last one.
  void tick(int64_t time);
  void wait(int64_t time);
  void poll(const Event *event, int64_t time);
  void waitEvent(bool result, int64_t time);
  void seed(uint64_t seed);
  void dialogClose(int64_t time);
  void textRender(Font font, std::string_view text, int width, int height);
  void textMeasure(Font font, std::string_view text, int width);
  void lineHeight(Font font, int height);
  void tableRead(const files::ReadResult &read);
  void tableWrite(const Status &status);
  void tableLock(const Status &status);
  void gameEnd(int64_t points);

  const std::string &bytes() const { return out_; }

private:
  void timed(uint8_t shortBase, uint8_t longCode, int64_t time);
  void text(std::string_view s, std::size_t limit);
  void status(const Status &s);
  std::string out_;
  int64_t time_ = 0;
};

class Reader {
public:
  // Reads the header; a tape that is not one, or of another format, is refused here.
  static Result<Reader> open(std::string_view bytes);
  const Header &header() const { return header_; }
  // The next record; std::nullopt at the tape's end; a failure names the damage and its place.
  Result<std::optional<Record>> next();
  // Bytes read so far (the whole record last returned included).
  std::size_t offset() const { return pos_; }

private:
  explicit Reader(std::string_view bytes) : in_(bytes) {}
  Status fail(const std::string &what) const;
  Status varint(uint64_t &out);
  Status signedVarint(int64_t &out);
  Status byte(uint8_t &out);
  Status string(std::string &out, std::size_t limit);
  Status font(Font &out);
  Status pixels(int &out);
  Status status(Status &out);
  Status event(uint8_t code, Event &out);

  std::string_view in_;
  std::size_t pos_ = 0;
  Header header_;
  int64_t time_ = 0;
};

} // namespace nad::tape
