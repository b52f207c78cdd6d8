#include "replay/recorder.h"

#include "replay/json_text.h"
#include "replay/png_file.h"

namespace nad::replay {
namespace {

constexpr Id kScreens[4] = {menu, info, Picture2, Picture1};
constexpr const char *kScreenNames[4] = {"menu", "info", "Picture2", "Picture1"};
constexpr Id kLabels[5] = {Label3, Label4, Label5, Label6, Label7};
constexpr const char *kLabelNames[5] = {"Label3", "Label4", "Label5", "Label6", "Label7"};

// The text states as the game's rules spell them; null is the empty start (Unset).
const char *text(VertDir d) {
  switch (d) {
  case VertDir::Up: return "\"up\"";
  case VertDir::Down: return "\"down\"";
  case VertDir::None: return "\"\"";
  case VertDir::Unset: break;
  }
  return "null";
}
const char *text(HorizDir d) {
  switch (d) {
  case HorizDir::Right: return "\"right\"";
  case HorizDir::Left: return "\"left\"";
  case HorizDir::None: return "\"\"";
  case HorizDir::Unset: break;
  }
  return "null";
}
const char *text(BannerPhase p) {
  switch (p) {
  case BannerPhase::One: return "\"1\"";
  case BannerPhase::Two: return "\"2\"";
  case BannerPhase::Unset: break;
  }
  return "null";
}

const char *eventName(EventKind k) {
  switch (k) {
  case EventKind::KeyDown: return "keydown";
  case EventKind::KeyUp: return "keyup";
  case EventKind::MouseDown: return "mousedown";
  case EventKind::MouseUp: return "click";
  case EventKind::Text: return "text";
  case EventKind::Quit: return "quit";
  case EventKind::Expose: return "expose";
  case EventKind::Stall: return "stall";
  case EventKind::DialogClose: return "pausebox-close";
  }
  return "?";
}

// "name": [a[from], ..., a[to]]
template <class Array, class Put>
void field(std::string &out, const char *name, const Array &a, size_t from, size_t to, Put put) {
  out += ",\"";
  out += name;
  out += "\":[";
  for (size_t i = from; i <= to; ++i) {
    if (i > from) out += ',';
    put(out, a[i]);
  }
  out += ']';
}

void key(std::string &out, const char *name) {
  out += ",\"";
  out += name;
  out += "\":";
}

} // namespace

void Recorder::lineStart(int64_t t) {
  buf_ += "{\"t\":";
  appendInt(buf_, t);
}

void Recorder::lineEnd() {
  buf_ += "}\n";
  if (buf_.size() > (1u << 20)) flush();
}

void Recorder::flush() {
  if (!buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), out_);
  buf_.clear();
}

void Recorder::begin() {
  emitCalls();
  emitScreen(true);
}

void Recorder::end(const char *how) {
  checkpoint();
  lineStart(virtualNow());
  buf_ += ",\"end\":\"";
  buf_ += how;
  buf_ += "\",\"events\":[";
  buf_ += events_;
  buf_ += ']';
  lineEnd();
  events_.clear();
  flush();
  std::fflush(out_);
}

void Recorder::checkpoint() {
  emitCalls();
  emitScreen(false);
}

void Recorder::emitCalls() {
  for (; callsSeen_ < hp_.calls.size(); ++callsSeen_) {
    const HeadlessPlatform::Call &c = hp_.calls[callsSeen_];
    lineStart(c.t);
    if (c.what == "msgbox" || c.what == "warning") {
      // The headless twin records "title|text"; the game's titles hold no '|'.
      size_t bar = c.arg.find('|');
      key(buf_, c.what.c_str());
      buf_ += "{\"title\":";
      appendString(buf_, c.arg.substr(0, bar));
      buf_ += ",\"text\":";
      appendString(buf_, bar == std::string::npos ? std::string() : c.arg.substr(bar + 1));
      buf_ += '}';
    } else if (c.what == "url") {
      key(buf_, "url");
      appendString(buf_, c.arg);
    } else {
      // Music: only the file's name, so the output does not depend on the program folder.
      key(buf_, "music");
      bool file = c.what == "music-file";
      appendString(buf_, file ? "file" : c.what);
      key(buf_, "arg");
      appendString(buf_, file ? std::filesystem::path(c.arg).filename().string() : std::string());
    }
    lineEnd();
  }
}

void Recorder::emitScreen(bool always) {
  std::array<bool, 4> now;
  for (size_t i = 0; i < 4; ++i) now[i] = f_.scene[kScreens[i]].visible;
  if (!always && now == screen_) return;
  screen_ = now;
  lineStart(virtualNow());
  buf_ += ",\"screen\":{";
  for (size_t i = 0; i < 4; ++i) {
    if (i) buf_ += ',';
    appendString(buf_, kScreenNames[i]);
    buf_ += ':';
    appendBool(buf_, now[i]);
  }
  buf_ += '}';
  lineEnd();
}

void Recorder::onEvent(const Event &e) {
  // A session's click is a press and a release at one point, handled one after the other; the
  // release stands for both.
  if (e.kind == EventKind::MouseDown) return;
  checkpoint();
  if (!events_.empty()) events_ += ',';
  events_ += '[';
  appendInt(events_, virtualNow());
  events_ += ',';
  appendString(events_, eventName(e.kind));
  switch (e.kind) {
  case EventKind::KeyDown:
  case EventKind::KeyUp:
    events_ += ',';
    appendInt(events_, e.code);
    break;
  case EventKind::MouseUp:
    events_ += ',';
    appendInt(events_, e.x);
    events_ += ',';
    appendInt(events_, e.y);
    break;
  case EventKind::Text:
    events_ += ',';
    appendString(events_, e.text);
    break;
  default: break;
  }
  events_ += ']';
}

void Recorder::onRandom(float r) {
  if (!randoms_.empty()) randoms_ += ',';
  appendNumber(randoms_, double(r));
}

void Recorder::onFrameStart(int64_t t) {
  checkpoint();
  frameStart_ = t;
}

void Recorder::onHiscore(const char *what) {
  checkpoint(); // the panel shows before the table is read
  lineStart(virtualNow());
  key(buf_, "hiscore");
  appendString(buf_, what);
  lineEnd();
}

void Recorder::onFrameEnd() {
  checkpoint();
  ++frame_;
  writeFrame();
  if (png_ && png_->frames.contains(frame_)) writePicture();
}

void Recorder::writeFrame() {
  const GameState &s = f_.s;
  const Scene &sc = f_.scene;
  auto num = [](std::string &o, double v) { appendNumber(o, v); };
  auto whole = [](std::string &o, int v) { appendInt(o, v); };
  auto flag = [](std::string &o, bool v) { appendBool(o, v); };
  std::string &o = buf_;
  o += "{\"frame\":";
  appendInt(o, frame_);
  key(o, "t");
  appendInt(o, frameStart_);
  key(o, "events");
  o += '[';
  o += events_;
  o += ']';
  key(o, "rnd");
  o += '[';
  o += randoms_;
  o += ']';
  events_.clear();
  randoms_.clear();
  key(o, "teamX"), num(o, s.teamX);
  key(o, "velocityX"), num(o, s.velocityX);
  key(o, "velocityY"), num(o, s.velocityY);
  key(o, "vertDir"), o += text(s.vertDir);
  key(o, "horizDir"), o += text(s.horizDir);
  field(o, "trailY", s.trailY, 1, 16, num);
  field(o, "deerFrame", s.deerFrame, 1, 4, whole);
  key(o, "deerStepToggle"), flag(o, s.deerStepToggle);
  key(o, "houseScroll"), num(o, s.houseScroll);
  key(o, "speed"), num(o, s.speed);
  key(o, "points"), num(o, s.points);
  key(o, "giftsDelivered"), whole(o, s.giftsDelivered);
  key(o, "giftsDestroyed"), whole(o, s.giftsDestroyed);
  field(o, "giftActive", s.giftActive, 0, 5, flag);
  field(o, "giftX", s.giftX, 0, 5, num);
  field(o, "giftY", s.giftY, 0, 5, num);
  field(o, "starX", s.starX, 0, 8, num);
  field(o, "starY", s.starY, 0, 8, num);
  key(o, "bannerPhase"), o += text(s.bannerPhase);
  key(o, "l1"), o += '[', num(o, sc[l1].left), o += ',', num(o, sc[l1].top), o += ']';
  key(o, "l2"), o += '[', num(o, sc[l2].left), o += ',', num(o, sc[l2].top), o += ']';
  key(o, "timeLeft"), whole(o, s.timeLeft);
  key(o, "loopBrake"), whole(o, s.loopBrake);
  key(o, "gameRunning"), flag(o, s.gameRunning);
  key(o, "labels");
  o += '{';
  for (size_t i = 0; i < 5; ++i) {
    if (i) o += ',';
    appendString(o, kLabelNames[i]);
    o += ':';
    appendString(o, sc[kLabels[i]].caption);
  }
  o += '}';
  lineEnd();
}

void Recorder::writePicture() {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%05lld.png", static_cast<long long>(frame_));
  const Status written = writePng(png_->dir / name, f_.scene.pixels(pic));
  if (!written.ok()) throw ReplayFailure(written.reason());
}

} // namespace nad::replay
