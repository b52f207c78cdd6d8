#pragma once
// The browser's backend: the game in a page, built with emscripten (-sASYNCIFY). The frame goes
// into <canvas id="screen">, input comes from the page, the boxes are the page's modal dialogs,
// web addresses open in a new tab, the music plays from recordings rendered at build time
// (web/music.js) and the high-score table is kept in the browser's IndexedDB. The page's side is web/page.js.
#include <filesystem>
#include <memory>

#include "platform/platform.h"

namespace nad {

class WebBackend {
public:
  virtual ~WebBackend() = default;
  virtual Platform platform() = 0;
};

struct WebOptions {
  int width = 0, height = 0; // the game's frame
  std::filesystem::path programDir;
  bool programDirShared = false; // see Platform::programDirShared
};

// Throws StartupError naming what is missing (a font file).
std::unique_ptr<WebBackend> openWebBackend(const WebOptions &options);

// The browser's persistent storage (IndexedDB) mounted at `folder` and read into it; false when
// the browser gives none (the folder then lives in memory only, for this visit).
bool mountPersistentFolder(const std::filesystem::path &folder);
// Writes what changed in the mounted folder back to the browser's storage, in the background;
// a request while one is under way is carried out after it.
void keepPersistentFolder();

// A picture shipped as PNG, decoded into the game's pixels. Throws StartupError naming a
// picture that is missing or cannot be read.
Surface readPngPicture(const std::filesystem::path &png);

// Tells the page where the name box lies in the frame (left, top, width, height): a phone opens
// its keyboard only for a focus given in the tap's own handler, before the game has the tap.
void tellNameBoxPlace(int left, int top, int width, int height);

// Tells the page how the game ended (its status), so that it can say so.
void reportGameEnded(int status);

// Hands the page a game that ran to its end, with the tape of the run up to there, so that it
// can offer to enter it in a shared table.
void tellGameResult(int64_t points, const std::string &name, const std::string &tape);
// Tells the page that the run's tape is full: further games cannot go to a shared table.
void tellTapeFull();

} // namespace nad
