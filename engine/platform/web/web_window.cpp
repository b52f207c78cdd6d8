#include "platform/web/web_window.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

namespace nad {
namespace {

// Room for typed text from one input event of the page (an input method may give a word).
constexpr int kTextRoom = 256;

// clang-format off
EM_JS(int, nad_page_next_event, (int *fields, char *text, int room), {
  const e = nadilkaPage.takeEvent();
  if (!e) return 0;
  for (let i = 0; i < 6; ++i) HEAP32[(fields >> 2) + i] = e[i];
  stringToUTF8(e[6] || "", text, room);
  return 1;
});
EM_ASYNC_JS(void, nad_page_wait_input, (double ms), { await nadilkaPage.waitInput(ms); });
// The whole frame wait in the page, in one asynchronous call: each return from one unwinds and
// rewinds the program's stack (ASYNCIFY), which cost more than the short turns themselves.
// A sleep lasts whole milliseconds and ends a little late, by an amount the page learns from the
// last 24 sleeps (early: the fifth shortest; late: the fifth longest). Where the deadline falls
// late enough in a millisecond that even a late sleep ends within the millisecond after it, the
// sleep runs past the deadline and the frame starts without a turn of waiting. Otherwise it ends
// early by the late margin and the rest is yielded to the page in short turns, which cost a
// busy main thread (tens of turns a frame on a quiet machine). So on a quiet machine nearly every
// frame starts at the first reading past the deadline without turns, and on a slow or busy one,
// whose sleeps end anywhere within a millisecond or two, by the turns.
EM_ASYNC_JS(void, nad_page_wait_until, (double due), {
  const w = nadilkaPage.frameWait || (nadilkaPage.frameWait = { late: [], early: 0, lateMargin: 1 });
  for (;;) {
    const left = due - performance.now();
    if (left <= 0) return;
    const past = left - w.early, into = past - Math.floor(past);
    const ms = into > w.lateMargin - w.early ? Math.ceil(past) : Math.floor(left - w.lateMargin);
    if (ms <= 0) {
      await nadilkaPage.yieldOnce();
      continue;
    }
    const from = performance.now();
    await nadilkaPage.sleep(ms);
    w.late.push(performance.now() - from - ms);
    if (w.late.length === 24) {
      w.late.sort((a, b) => a - b);
      w.early = Math.min(4, Math.max(0, w.late[4]));
      w.lateMargin = Math.min(4, Math.max(w.early, w.late[19]));
      w.late.length = 0;
    }
  }
});
EM_JS(void, nad_page_present, (const uint32_t *rgba, int w, int h, int top, int bottom), {
  nadilkaPage.present(HEAPU8, rgba, w, h, top, bottom);
});
EM_JS(void, nad_page_text_input, (int on), { nadilkaPage.setTextInput(!!on); });
// clang-format on

// The page's kinds of input, as web/page.js numbers them.
bool kindFromPage(int kind, EventKind &out) {
  switch (kind) {
  case 0: out = EventKind::KeyDown; return true;
  case 1: out = EventKind::KeyUp; return true;
  case 2: out = EventKind::MouseDown; return true;
  case 3: out = EventKind::MouseUp; return true;
  case 4: out = EventKind::Text; return true;
  default: return false;
  }
}

} // namespace

WebWindow::WebWindow(int frameW, int frameH)
    : start_(emscripten_get_now()), frameW_(frameW), frameH_(frameH), shown_(frameW, frameH),
      rgba_(size_t(frameW) * size_t(frameH), 0xFF000000u) {
  pending_.reserve(64);
  text_.resize(kTextRoom);
}

int64_t WebWindow::ticks() { return int64_t(std::floor(emscripten_get_now() - start_)); }

void WebWindow::waitUntilAfter(int64_t deadline) {
  // The first reading that ends the wait, on the page's clock.
  while (ticks() <= deadline) nad_page_wait_until(start_ + double(deadline + 1));
}

uint64_t WebWindow::randomSeed() {
  return uint64_t(emscripten_get_now() * 1000.0) ^ (uint64_t(std::time(nullptr)) << 20);
}

bool WebWindow::takeFromPage(Event &out) {
  int fields[6] = {};
  for (;;) {
    if (!nad_page_next_event(fields, text_.data(), kTextRoom)) return false;
    EventKind kind{};
    if (!kindFromPage(fields[0], kind)) continue;
    out = Event{kind, fields[1], fields[4] != 0, fields[2], fields[3]};
    out.shift = fields[5] != 0;
    if (kind == EventKind::Text) out.text = text_.c_str();
    return true;
  }
}

bool WebWindow::poll(Event &out) {
  if (pendingHead_ < pending_.size()) {
    out = pending_[pendingHead_++];
  } else {
    pending_.clear();
    pendingHead_ = 0;
    if (!takeFromPage(out)) return false;
  }
  if (out.kind == EventKind::KeyDown) keysDown_.insert(out.code);
  if (out.kind == EventKind::KeyUp) keysDown_.erase(out.code);
  return true;
}

bool WebWindow::waitEvent(int64_t deadline) {
  if (pendingHead_ < pending_.size()) return true;
  const int64_t wait = deadline - ticks();
  if (wait <= 0) return true;
  nad_page_wait_input(double(std::min<int64_t>(wait, 1 << 30)));
  return true;
}

namespace {

// Two pixels at a time: WebAssembly has 64-bit loads, and the C library's memcmp compares byte
// by byte. Unaligned loads are allowed there; memcpy of eight bytes is one.
uint64_t pair(const uint32_t *p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Our pixels are 0x00RRGGBB; the canvas's bytes R, G, B, A make 0xAABBGGRR in the
// little-endian memory of WebAssembly, alpha opaque. Both pixels of a pair at once: no shift
// carries a byte across the middle.
uint64_t canvasPair(uint64_t p) {
  return 0xFF000000FF000000u | ((p & 0x000000FF000000FFu) << 16) | (p & 0x0000FF000000FF00u) |
         ((p >> 16) & 0x000000FF000000FFu);
}

} // namespace

void WebWindow::present(const Surface &frame) {
  const int w = std::min(frame.width(), frameW_), h = std::min(frame.height(), frameH_);
  const int pairs = w / 2;
  // Only what changed since the last present is converted, and only the band of rows it lies in
  // is put on the canvas: during play the sky away from the team stays the same.
  int top = frameH_, bottom = 0;
  for (int y = 0; y < h; ++y) {
    const uint32_t *src = frame.row(y);
    uint32_t *seen = shown_.row(y);
    uint32_t *dst = rgba_.data() + size_t(y) * size_t(frameW_);
    int from = 0, to = pairs; // the changed pairs: [from, to)
    while (from < pairs && pair(src + 2 * from) == pair(seen + 2 * from)) ++from;
    while (to > from && pair(src + 2 * to - 2) == pair(seen + 2 * to - 2)) --to;
    // The row is kept in the same pass: a memcpy this long is a call out to JavaScript in
    // emscripten's C library.
    for (int i = from; i < to; ++i) {
      const uint64_t p = pair(src + 2 * i);
      std::memcpy(seen + 2 * i, &p, sizeof p);
      const uint64_t c = canvasPair(p);
      std::memcpy(dst + 2 * i, &c, sizeof c);
    }
    bool changed = from < to;
    if (w % 2 != 0 && src[w - 1] != seen[w - 1]) {
      seen[w - 1] = src[w - 1];
      dst[w - 1] = uint32_t(canvasPair(src[w - 1]));
      changed = true;
    }
    if (!changed) continue;
    top = std::min(top, y);
    bottom = y + 1;
  }
  nad_page_present(rgba_.data(), frameW_, frameH_, top, std::max(top, bottom));
}

void WebWindow::setTextInput(bool on) { nad_page_text_input(on ? 1 : 0); }

void WebWindow::beginModal() {
  // Input the page holds now came before the box: the game's, after the box, in its order.
  std::vector<Event> queued(pending_.begin() + ptrdiff_t(pendingHead_), pending_.end());
  Event e;
  while (takeFromPage(e)) queued.push_back(std::move(e));
  pending_ = std::move(queued);
  pendingHead_ = 0;
}

void WebWindow::endModal() {
  std::set<int> held = keysDown_;
  for (size_t i = pendingHead_; i < pending_.size(); ++i) {
    if (pending_[i].kind == EventKind::KeyDown) held.insert(pending_[i].code);
    if (pending_[i].kind == EventKind::KeyUp) held.erase(pending_[i].code);
  }
  for (int code : held) pending_.push_back({EventKind::KeyUp, code});
}

} // namespace nad
