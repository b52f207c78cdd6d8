#pragma once
// Records a tape of the running program: stands between the game and its real services and
// writes down each value they hand the game (tape.h says which), passing display and music
// through untouched. The tape starts at the program's start, as the rules carry state from the
// menu into a game.
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "platform/tape.h"

namespace nad {

// Hears of each game that ran to its end with the run's tape up to there, which proves the
// score (a shared table's sender, the page).
class TapedGameResults {
public:
  virtual ~TapedGameResults() = default;
  virtual void gameTaped(int64_t points, const std::string &name, const std::string &tape) = 0;
};

class TapeRecorder : public Clock,
                     public EventSource,
                     public TextRenderer,
                     public Dialogs,
                     public TableFiles,
                     public GameResults {
public:
  // `next` hears of each ended game with the tape that holds it.
  explicit TapeRecorder(const Platform &inner, TapedGameResults *next = nullptr);
  // Starts the tape; before the program's first step, once the pictures it names are loaded.
  void begin(const tape::Header &header) { writer_ = tape::Writer(header); }

  Platform platform();
  // The tape so far; past tape::kMaxBytes it stops growing and `full` is true.
  const std::string &bytes() const { return writer_.bytes(); }
  bool full() const { return full_; }
  // Called once when the tape becomes full: games after it cannot be proven.
  std::function<void()> onFull;
  // Called at each game's end with the tape up to there (the desktop keeps it beside its data).
  std::function<void(const std::string &tape)> onGameTaped;

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
  void openUrl(const std::string &address) override { inner_.dialogs.openUrl(address); }
  files::ReadResult read(const std::filesystem::path &path, std::size_t maxBytes) override;
  Status write(const std::filesystem::path &path, std::string_view bytes) override;
  Status lock(const std::filesystem::path &file) override;
  void unlock() override { inner_.files.unlock(); }
  void gameEnded(int64_t points, const std::string &name) override;

private:
  // Every record goes through here, so that the limit is kept in one place.
  void keep(const std::function<void(tape::Writer &)> &append);
  int64_t now() { return inner_.clock.ticks(); }

  Platform inner_;
  TapedGameResults *next_;
  tape::Writer writer_;
  bool full_ = false;
  // A text's size is the same every time: each is taped once, when first asked for.
  std::set<std::pair<Font, std::string>> rendered_, measured_;
  std::set<Font> heights_;
};

} // namespace nad
