#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <set>

namespace nad {
namespace {
size_t codePoints(std::string_view s) {
  return size_t(
      std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}
} // namespace

void HeadlessPlatform::at(int64_t t, Event e) {
  auto pos = std::upper_bound(script_.begin(), script_.end(), t, [](int64_t v, const Scripted &s) { return v < s.t; });
  script_.insert(pos, Scripted{t, std::move(e)});
}

void HeadlessPlatform::waitUntilAfter(int64_t deadline) {
  if (now_ <= deadline) now_ = deadline + 1;
}

bool HeadlessPlatform::poll(Event &out) {
  while (!script_.empty() && script_.front().t <= now_) {
    Event e = std::move(script_.front().e);
    script_.pop_front();
    if (e.kind == EventKind::Stall) {
      now_ += e.ms; // the handler that runs now takes this long
      continue;
    }
    if (e.kind == EventKind::DialogClose) continue; // no box open: nothing to close
    if (e.kind == EventKind::KeyDown) keysDown_.insert(e.code);
    if (e.kind == EventKind::KeyUp) keysDown_.erase(e.code);
    out = std::move(e);
    return true;
  }
  return false;
}

bool HeadlessPlatform::waitEvent(int64_t deadline) {
  if (script_.empty()) return false;
  int64_t next = script_.front().t;
  now_ = std::max(now_, std::min(next, deadline));
  return true;
}

void HeadlessPlatform::present(const Surface & /*frame*/) { ++presents; }

void HeadlessPlatform::render(Font font, std::string_view utf8, TextImage &out) {
  out.w = measure(font, utf8);
  out.h = lineHeight(font);
  out.coverage.assign(size_t(out.w) * size_t(out.h), 0);
}

int HeadlessPlatform::measure(Font font, std::string_view utf8) {
  return int(codePoints(utf8)) * (font == Font::LabelBig ? 10 : 6);
}

int HeadlessPlatform::lineHeight(Font font) { return font == Font::LabelBig ? 21 : 13; }

void HeadlessPlatform::holdDialog(const char *what, const std::string &title, const std::string &text) {
  record(what, title + "|" + text);
  if (onDialog) onDialog();
  // The box holds the program until the scripted close. Input that was due before it opened is
  // handled as usual afterwards; input typed while it is open is lost, except the releases of
  // keys held when it opened (no key sticks). A quit request is never lost.
  auto close = std::find_if(script_.begin(), script_.end(),
                            [](const Scripted &s) { return s.e.kind == EventKind::DialogClose; });
  if (close == script_.end()) return; // closed at once
  int64_t until = close->t;
  std::set<int> held = keysDown_;
  std::deque<Scripted> kept;
  for (auto it = script_.begin(); it != close; ++it) {
    const Event &e = it->e;
    const bool input = e.kind == EventKind::KeyDown || e.kind == EventKind::KeyUp || e.kind == EventKind::Text ||
                       e.kind == EventKind::MouseDown || e.kind == EventKind::MouseUp;
    const bool arrivedMeanwhile = it->t > now_;
    if (!arrivedMeanwhile) { // queued before the box opened: kept, and it says which keys are held
      if (e.kind == EventKind::KeyDown) held.insert(e.code);
      if (e.kind == EventKind::KeyUp) held.erase(e.code);
    }
    const bool releaseOfHeldKey = arrivedMeanwhile && e.kind == EventKind::KeyUp && held.erase(e.code) > 0;
    if (arrivedMeanwhile && input && !releaseOfHeldKey)
      dropped.push_back(e);
    else
      kept.push_back(*it);
  }
  kept.insert(kept.end(), std::next(close), script_.end());
  script_ = std::move(kept);
  now_ = std::max(now_, until);
}

void HeadlessPlatform::showInfo(const std::string &title, const std::string &text) {
  holdDialog("msgbox", title, text);
}
void HeadlessPlatform::showWarning(const std::string &title, const std::string &text) {
  holdDialog("warning", title, text);
}

} // namespace nad
