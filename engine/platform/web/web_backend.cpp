#include "platform/web/web_backend.h"

#include <emscripten.h>

#include <set>
#include <string>

#include "platform/atomic_file.h"
#include "platform/midi_file.h"
#include "platform/report.h"
#include "platform/table_files.h"
#include "platform/web/stb_text.h"
#include "platform/web/web_window.h"

namespace nad {
namespace {

// clang-format off
EM_ASYNC_JS(void, nad_page_dialog, (int warning, const char *title, const char *text), {
  await nadilkaPage.dialog(!!warning, UTF8ToString(title), UTF8ToString(text));
});
EM_JS(void, nad_page_open_url, (const char *url), { nadilkaPage.openUrl(UTF8ToString(url)); });
EM_JS(void, nad_page_music_select, (const char *path, const uint8_t *bytes, int size, double lengthMs), {
  nadilkaPage.music.select(HEAPU8.subarray(bytes, bytes + size), lengthMs, UTF8ToString(path));
});
EM_JS(void, nad_page_music_play, (), { nadilkaPage.music.play(); });
EM_JS(void, nad_page_music_pause, (), { nadilkaPage.music.pause(); });
EM_JS(void, nad_page_game_ended, (int status), { nadilkaPage.gameEnded(status); });
EM_ASYNC_JS(int, nad_page_mount, (const char *folder), {
  return await nadilkaPage.mountStorage(FS, typeof IDBFS === "undefined" ? null : IDBFS, UTF8ToString(folder));
});
EM_JS(void, nad_page_keep, (), { nadilkaPage.keepStorage(FS); });
EM_JS(void, nad_page_result, (double points, const char *name, const uint8_t *tape, int size), {
  if (nadilkaPage.gameResult) nadilkaPage.gameResult(points, UTF8ToString(name), HEAPU8.slice(tape, tape + size));
});
EM_JS(void, nad_page_name_box, (int left, int top, int width, int height), {
  nadilkaPage.nameBox = [left, top, width, height];
});
// clang-format on

class WebDialogs : public Dialogs {
public:
  explicit WebDialogs(WebWindow &w) : window_(w) {}
  void showInfo(const std::string &title, const std::string &text) override { show(false, title, text); }
  void showWarning(const std::string &title, const std::string &text) override { show(true, title, text); }
  void openUrl(const std::string &address) override { nad_page_open_url(addressWithScheme(address).c_str()); }

private:
  void show(bool warning, const std::string &title, const std::string &text) {
    window_.beginModal();
    nad_page_dialog(warning ? 1 : 0, title.c_str(), text.c_str());
    window_.endModal();
  }
  WebWindow &window_;
};

// The player's semantics (ten plays, play and pause, the time played) live in the page, which
// alone knows when sound can start: browsers allow it only after the first click or key. The
// page plays the piece rendered from the MIDI file at build time; the file itself gives the
// length of one play.
constexpr std::size_t kMaxMidiBytes = 4u << 20; // the game's pieces are a few kilobytes

class WebMusic : public MusicPlayer {
public:
  void setFileName(const std::string &path) override {
    const files::ReadResult read = files::readAtMost(path, kMaxMidiBytes);
    const std::string &bytes = read.bytes;
    if (!read.status.ok() || read.tooLarge || bytes.empty()) {
      if (reported_.insert(path).second) reportProblem("cannot play " + path + "; going on without it");
      nad_page_music_select(path.c_str(), nullptr, 0, -1);
      return;
    }
    const Result<double> lengthMs = midiLengthMs(bytes); // the page takes -1 for unknown
    nad_page_music_select(path.c_str(), reinterpret_cast<const uint8_t *>(bytes.data()), int(bytes.size()),
                          lengthMs.ok() ? lengthMs.value() : -1);
  }
  void play() override { nad_page_music_play(); }
  void pause() override { nad_page_music_pause(); }

private:
  std::set<std::string> reported_;
};

class Backend : public WebBackend {
public:
  explicit Backend(const WebOptions &o)
      : window(o.width, o.height), text(o.programDir / "fonts"), dialogs(window), programDir(o.programDir),
        programDirShared(o.programDirShared) {}
  Platform platform() override {
    return Platform{window, window, window, text, dialogs, music, files, programDir, programDirShared};
  }

  WebWindow window;
  StbText text;
  WebDialogs dialogs;
  DiskTableFiles files;
  WebMusic music;
  std::filesystem::path programDir;
  bool programDirShared;
};

} // namespace

std::unique_ptr<WebBackend> openWebBackend(const WebOptions &options) { return std::make_unique<Backend>(options); }

bool mountPersistentFolder(const std::filesystem::path &folder) { return nad_page_mount(folder.c_str()) != 0; }

void keepPersistentFolder() { nad_page_keep(); }

void tellNameBoxPlace(int left, int top, int width, int height) { nad_page_name_box(left, top, width, height); }

void reportGameEnded(int status) { nad_page_game_ended(status); }

void tellGameResult(int64_t points, const std::string &name, const std::string &tape) {
  nad_page_result(double(points), name.c_str(), reinterpret_cast<const uint8_t *>(tape.data()), int(tape.size()));
}

} // namespace nad
