#include "platform/tape_recorder.h"

namespace nad {

TapeRecorder::TapeRecorder(const Platform &inner, TapedGameResults *next)
    : inner_(inner), next_(next), writer_(tape::Header{}) {}

Platform TapeRecorder::platform() {
  return Platform{
      *this, *this, inner_.display, *this, *this, inner_.music, *this, inner_.programDir, inner_.programDirShared,
      this};
}

void TapeRecorder::keep(const std::function<void(tape::Writer &)> &append) {
  if (full_) return;
  append(writer_);
  if (writer_.bytes().size() <= tape::kMaxBytes) return;
  full_ = true;
  if (onFull) onFull();
}

int64_t TapeRecorder::ticks() {
  const int64_t t = now();
  keep([&](tape::Writer &w) { w.tick(t); });
  return t;
}

void TapeRecorder::waitUntilAfter(int64_t deadline) {
  inner_.clock.waitUntilAfter(deadline);
  const int64_t t = now();
  keep([&](tape::Writer &w) { w.wait(t); });
}

uint64_t TapeRecorder::randomSeed() {
  const uint64_t seed = inner_.clock.randomSeed();
  keep([&](tape::Writer &w) { w.seed(seed); });
  return seed;
}

bool TapeRecorder::poll(Event &out) {
  const bool got = inner_.events.poll(out);
  const int64_t t = now();
  keep([&](tape::Writer &w) { w.poll(got ? &out : nullptr, t); });
  return got;
}

bool TapeRecorder::waitEvent(int64_t deadline) {
  const bool more = inner_.events.waitEvent(deadline);
  const int64_t t = now();
  keep([&](tape::Writer &w) { w.waitEvent(more, t); });
  return more;
}

void TapeRecorder::render(Font font, std::string_view utf8, TextImage &out) {
  inner_.text.render(font, utf8, out);
  if (rendered_.emplace(font, std::string(utf8)).second)
    keep([&](tape::Writer &w) { w.textRender(font, utf8, out.w, out.h); });
}

int TapeRecorder::measure(Font font, std::string_view utf8) {
  const int width = inner_.text.measure(font, utf8);
  if (measured_.emplace(font, std::string(utf8)).second)
    keep([&](tape::Writer &w) { w.textMeasure(font, utf8, width); });
  return width;
}

int TapeRecorder::lineHeight(Font font) {
  const int height = inner_.text.lineHeight(font);
  if (heights_.insert(font).second) keep([&](tape::Writer &w) { w.lineHeight(font, height); });
  return height;
}

void TapeRecorder::showInfo(const std::string &title, const std::string &text) {
  inner_.dialogs.showInfo(title, text);
  const int64_t t = now();
  keep([&](tape::Writer &w) { w.dialogClose(t); });
}

void TapeRecorder::showWarning(const std::string &title, const std::string &text) {
  inner_.dialogs.showWarning(title, text);
  const int64_t t = now();
  keep([&](tape::Writer &w) { w.dialogClose(t); });
}

files::ReadResult TapeRecorder::read(const std::filesystem::path &path, std::size_t maxBytes) {
  files::ReadResult r = inner_.files.read(path, maxBytes);
  keep([&](tape::Writer &w) { w.tableRead(r); });
  return r;
}

Status TapeRecorder::write(const std::filesystem::path &path, std::string_view bytes) {
  Status s = inner_.files.write(path, bytes);
  keep([&](tape::Writer &w) { w.tableWrite(s); });
  return s;
}

Status TapeRecorder::lock(const std::filesystem::path &file) {
  Status s = inner_.files.lock(file);
  keep([&](tape::Writer &w) { w.tableLock(s); });
  return s;
}

void TapeRecorder::gameEnded(int64_t points, const std::string &name) {
  keep([&](tape::Writer &w) { w.gameEnd(points); });
  if (full_) return; // the tape lacks this game: it cannot be proven anywhere
  if (onGameTaped) onGameTaped(writer_.bytes());
  if (next_) next_->gameTaped(points, name, writer_.bytes());
}

} // namespace nad
