#pragma once
// The headless twin of the real window: a virtual clock that the frame wait advances, input
// scripted at virtual times, text measured but not drawn, and a record of every message box,
// web-address hand-off and music call. A whole game runs in a fraction of a second, the same
// way every time.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/table_files.h"

namespace nad {

class HeadlessPlatform : public Clock,
                         public EventSource,
                         public Display,
                         public TextRenderer,
                         public Dialogs,
                         public MusicPlayer {
public:
  explicit HeadlessPlatform(std::filesystem::path programDir) : programDir_(std::move(programDir)) {}

  Platform platform() { return Platform{*this, *this, *this, *this, *this, *this, files_, programDir_}; }

  // The script: events at virtual times, kept in time order (equal times in the order given).
  void at(int64_t t, Event e);
  void keyDown(int64_t t, int code, bool repeat = false) { at(t, {EventKind::KeyDown, code, repeat}); }
  void keyUp(int64_t t, int code) { at(t, {EventKind::KeyUp, code}); }
  void press(int64_t t, int code) { keyDown(t, code), keyUp(t, code); }
  // A click: the button pressed and released at one point.
  void click(int64_t t, int x, int y) { mouseDown(t, x, y), mouseUp(t, x, y); }
  void mouseDown(int64_t t, int x, int y) { at(t, {EventKind::MouseDown, 0, false, x, y}); }
  void mouseUp(int64_t t, int x, int y) { at(t, {EventKind::MouseUp, 0, false, x, y}); }
  void type(int64_t t, std::string text) { at(t, {EventKind::Text, 0, false, 0, 0, 0, std::move(text)}); }
  void quit(int64_t t) { at(t, {EventKind::Quit}); }
  void stall(int64_t t, int ms) { at(t, {EventKind::Stall, 0, false, 0, 0, ms}); }
  void closeDialog(int64_t t) { at(t, {EventKind::DialogClose}); }
  // Nothing happens at t; the session simply lasts until then.
  void idleUntil(int64_t t) { at(t, {EventKind::Expose}); }

  // What the program did that leaves the window: "msgbox", "warning", "url", "music-file",
  // "play", "pause", each with its virtual time and argument.
  struct Call {
    int64_t t;
    std::string what, arg;
  };
  std::vector<Call> calls;
  std::vector<Event> dropped; // input typed while a message box was open, discarded
  int presents = 0;
  bool textInput = false;

  // Clock
  int64_t ticks() override { return now_; }
  void waitUntilAfter(int64_t deadline) override;
  uint64_t randomSeed() override { return uint64_t(now_) * 2654435761u + 12345u; }
  void advance(int64_t ms) { now_ += ms; }
  // EventSource
  bool poll(Event &out) override;
  bool waitEvent(int64_t deadline) override;
  // Display
  void present(const Surface &frame) override;
  void setTextInput(bool on) override { textInput = on; }
  bool showsFrames() const override { return composeFrames; }
  bool composeFrames = false;     // tests that look at the composed window switch it on
  std::function<void()> onDialog; // called as a box opens: tests look at the window behind it
  // TextRenderer: fixed metrics, nothing drawn
  void render(Font font, std::string_view utf8, TextImage &out) override;
  int measure(Font font, std::string_view utf8) override;
  int lineHeight(Font font) override;
  // Dialogs
  void showInfo(const std::string &title, const std::string &text) override;
  void showWarning(const std::string &title, const std::string &text) override;
  void openUrl(const std::string &address) override { record("url", address); }
  // MusicPlayer
  void setFileName(const std::string &path) override { record("music-file", path); }
  void play() override { record("play", ""); }
  void pause() override { record("pause", ""); }

protected:
  void record(const char *what, std::string arg) { calls.push_back({now_, what, std::move(arg)}); }
  const std::filesystem::path &programDir() const { return programDir_; }

private:
  struct Scripted {
    int64_t t;
    Event e;
  };
  void holdDialog(const char *what, const std::string &title, const std::string &text);

  std::filesystem::path programDir_;
  DiskTableFiles files_;
  std::deque<Scripted> script_;
  std::set<int> keysDown_; // pressed and not yet released, as handed out by poll
  int64_t now_ = 0;
};

} // namespace nad
