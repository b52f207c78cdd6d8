#pragma once
// The narrow services the game needs from its surroundings. Game code sees only these
// interfaces and our own Event type; sdl/ provides them for the real window, headless/
// for tests and replays (virtual clock, scripted input, recorded side effects).
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/report.h"
#include "platform/surface.h"

namespace nad {

// Key codes as the game's handlers know them (the classic desktop virtual-key numbering).
namespace key {
inline constexpr int Backspace = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Alt = 18;
inline constexpr int Escape = 27, Space = 32, End = 35, Home = 36;
inline constexpr int Left = 37, Up = 38, Right = 39, Down = 40, Delete = 46;
inline constexpr int P = 80, KeypadPlus = 107, KeypadMinus = 109, Plus = 187, Minus = 189;
} // namespace key

enum class EventKind {
  KeyDown,     // code, repeat (auto-repeat of a held key arrives as further presses), shift
  KeyUp,       // code
  MouseDown,   // the left button pressed at x, y (client coordinates of the window)
  MouseUp,     // the left button released at x, y
  Text,        // text typed (UTF-8), for the focused text box
  Quit,        // the window is being closed
  Expose,      // the window must be shown again
  Stall,       // headless only: the program is busy for `ms` milliseconds
  DialogClose, // headless only: the player closes an open message box
};

struct Event {
  EventKind kind = EventKind::Expose;
  int code = 0;
  bool repeat = false;
  int x = 0, y = 0;
  int ms = 0;
  std::string text;
  bool shift = false; // a Shift key was held at the key press
};

// The millisecond tick counter that paces frames, and the frame wait.
class Clock {
public:
  virtual ~Clock() = default;
  // Milliseconds since program start; 64-bit, so it never wraps.
  virtual int64_t ticks() = 0;
  // Returns at the first tick reading strictly greater than deadline.
  virtual void waitUntilAfter(int64_t deadline) = 0;
  // A seed for the random generator taken from the clock.
  virtual uint64_t randomSeed() = 0;
};

class EventSource {
public:
  virtual ~EventSource() = default;
  // Takes the next pending event, if any, without waiting.
  virtual bool poll(Event &out) = 0;
  // Blocks until an event is pending or the tick counter reaches deadline.
  // Returns false when no input can ever arrive again (the end of a scripted session).
  virtual bool waitEvent(int64_t deadline) = 0;
};

// Coverage image of a rendered text: one byte of opacity per pixel.
struct TextImage {
  int w = 0, h = 0;
  std::vector<uint8_t> coverage;
};

enum class Font { Default, LabelBig, TableSerif };

// The face of each Font and its size in pixels to the em (points at 72 dpi: 11 is 8.25 pt at
// 96 dpi), for every backend that draws real text.
struct FontFile {
  Font font;
  const char *file;
  int pixels;
};
// The build copies exactly these files into the run folder (CMakeLists.txt reads this table).
inline constexpr FontFile kFontFiles[] = {
    {Font::Default, "LiberationSans-Regular.ttf", 11},
    {Font::LabelBig, "LiberationSans-Bold.ttf", 18},
    {Font::TableSerif, "LiberationSerif-Bold.ttf", 11},
};

class TextRenderer {
public:
  virtual ~TextRenderer() = default;
  virtual void render(Font font, std::string_view utf8, TextImage &out) = 0;
  virtual int measure(Font font, std::string_view utf8) = 0;
  virtual int lineHeight(Font font) = 0;
};

class Display {
public:
  virtual ~Display() = default;
  // Shows a finished picture of the whole client area (642 x 482).
  virtual void present(const Surface &frame) = 0;
  // False where nobody looks (the headless twin): the window is then not composed at all.
  virtual bool showsFrames() const { return true; }
  // Text input (typed characters) is wanted only while the name box has the focus.
  virtual void setTextInput(bool on) = 0;
};

class Dialogs {
public:
  virtual ~Dialogs() = default;
  // A modal box with the information icon and one OK button, owned by the game window;
  // returns when the player closes it, or at once when a quit request comes first. Input typed
  // while it is open is dropped (except releases of keys held before); input queued before it
  // opened and quit requests are kept. A box that cannot open is reported, and the call returns.
  virtual void showInfo(const std::string &title, const std::string &text) = 0;
  // A modal box with the warning icon, for a failure the player must know about.
  virtual void showWarning(const std::string &title, const std::string &text) = 0;
  // Hands a web address to the user's browser and returns at once; the result is ignored.
  virtual void openUrl(const std::string &address) = 0;
};

// The game's web addresses are bare hosts ("www.…"), which neither a desktop opener nor a
// browser takes as a page: both backends hand over the address with a scheme.
inline std::string addressWithScheme(const std::string &address) {
  return address.find("://") == std::string::npos ? "http://" + address : address;
}

// The music player: selecting a file starts it from its beginning at once, ten plays in a
// row at full volume; play continues a paused file or restarts a finished one.
class MusicPlayer {
public:
  virtual ~MusicPlayer() = default;
  virtual void setFileName(const std::string &path) = 0;
  virtual void play() = 0;
  virtual void pause() = 0;
};

// The high-score table's file as the rules reach it: the disk (or the browser's storage) while
// the game runs, the tape's record of it in a replay, which touches no file.
class TableFiles {
public:
  virtual ~TableFiles() = default;
  virtual files::ReadResult read(const std::filesystem::path &path, std::size_t maxBytes) = 0;
  virtual Status write(const std::filesystem::path &path, std::string_view bytes) = 0;
  // Takes the lock between copies of the game on `file` until unlock(); see files::FileLock.
  virtual Status lock(const std::filesystem::path &file) = 0;
  virtual void unlock() = 0;
};

// Told of each game that ran to its end: its score and the name last typed into the name box.
// A tape closes the game's part there, a shared table receives the result.
class GameResults {
public:
  virtual ~GameResults() = default;
  virtual void gameEnded(int64_t points, const std::string &name) = 0;
};

struct Platform {
  Clock &clock;
  EventSource &events;
  Display &display;
  TextRenderer &text;
  Dialogs &dialogs;
  MusicPlayer &music;
  TableFiles &files;
  std::filesystem::path programDir; // the folder of the program's own files
  // A system package's data folder, read-only for every player whoever runs the game (root
  // included): the high-score table is then kept in the player's own data folder.
  bool programDirShared = false;
  GameResults *results = nullptr; // none: ended games go nowhere
};

} // namespace nad
