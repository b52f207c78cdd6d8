#pragma once
// Plays a tape back into the game on the headless twin: every clock reading, event, seed, box
// closing, file read and text size comes from the tape, in the order the game asks for them,
// and nothing touches a file. The calls that leave the program (boxes, web addresses, music) are
// recorded as the headless twin records them, so a replay's account matches the original's.
#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "platform/tape.h"

namespace nad {

// Ends a tape's replay from wherever the game was: the tape ran out (`end`), or it cannot go on
// (damaged, out of step with the game, past a limit; `what` says which).
struct TapeStop : std::runtime_error {
  TapeStop(bool atEnd, const std::string &what) : std::runtime_error(what), end(atEnd) {}
  bool end;
};

struct TapeLimits {
  int64_t maxFrames = INT64_MAX;
  std::chrono::milliseconds maxTime = std::chrono::milliseconds::max();
};

class TapePlayer : public HeadlessPlatform, public TableFiles, public GameResults {
public:
  // `reader` has read the header already; the tape's bytes must outlive the player.
  TapePlayer(tape::Reader reader, std::filesystem::path programDir, TapeLimits limits = {});

  Platform platform() { return Platform{*this, *this, *this, *this, *this, *this, *this, programDir(), false, this}; }

  struct EndedGame {
    int64_t points;
    std::size_t tapeEnd; // bytes of the tape up to the game's end
  };
  const std::vector<EndedGame> &endedGames() const { return ended_; }
  int64_t frames() const { return frames_; }

  int64_t ticks() override;
  void waitUntilAfter(int64_t deadline) override;
  uint64_t randomSeed() override;
  bool poll(Event &out) override;
  bool waitEvent(int64_t deadline) override;
  void render(Font font, std::string_view utf8, TextImage &out) override;
  int measure(Font font, std::string_view utf8) override;
  int lineHeight(Font font) override;
  void showInfo(const std::string &title, const std::string &text) override;
  void showWarning(const std::string &title, const std::string &text) override;
  files::ReadResult read(const std::filesystem::path &path, std::size_t maxBytes) override;
  Status write(const std::filesystem::path &path, std::string_view bytes) override;
  Status lock(const std::filesystem::path &file) override;
  void unlock() override {}
  void gameEnded(int64_t points, const std::string &name) override;

private:
  // The next record the game asks for, which must be of `kind`; text sizes on the way are kept.
  tape::Record take(tape::Kind kind, const char *what);
  // The next record of any kind, without taking it.
  const tape::Record *peek();
  void keepText(tape::Record &r);
  // Looks a text size up, reading on over the sizes taped before the next request if need be.
  template <class Map, class Key> const typename Map::mapped_type &lookUp(Map &map, const Key &key, const char *what);
  void moveClockTo(int64_t t) { advance(t - HeadlessPlatform::ticks()); }
  void dialog(const char *what, const std::string &title, const std::string &text);

  tape::Reader reader_;
  std::optional<tape::Record> ahead_;
  TapeLimits limits_;
  std::chrono::steady_clock::time_point started_;
  int64_t frames_ = 0;
  int64_t taken_ = 0;
  std::vector<EndedGame> ended_;
  std::map<std::pair<Font, std::string>, std::pair<int, int>> rendered_;
  std::map<std::pair<Font, std::string>, int> measured_;
  std::map<Font, int> heights_;
};

} // namespace nad
