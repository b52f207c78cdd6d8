// nadilka in a web browser: the game on the browser's backend. The page (web/index.html,
// web/page.js) loads the files into /game before this starts: the pictures as PNG, the fonts,
// the music and the installed high-score table.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "core/form.h"
#include "flow/lifecycle.h"
#include "platform/atomic_file.h"
#include "platform/report.h"
#include "platform/tape_recorder.h"
#include "platform/web/web_backend.h"
#include "scene/scene.h"

namespace {

const char kGameFolder[] = "/game";
// The browser's storage is mounted here; the table lives in its nadilka/ folder, as in a
// desktop player's data folder.
const char kStorageFolder[] = "/storage";
// The run's tape, kept beside the player's table as on the desktop.
const char kTapeFileName[] = "last-run.tape";
const char kTapeFullText[] =
    "this run's tape is full: further games can be entered in a shared table after the page is loaded again";

// The table is written to the browser's storage after each save, once the handler that saved
// it is done.
class StorageKeeper : public nad::FormObserver {
public:
  void onHiscore(const char *what) override { saved_ = saved_ || std::strcmp(what, "save") == 0; }
  void onHandled() override {
    if (!saved_) return;
    saved_ = false;
    nad::keepPersistentFolder();
  }

private:
  bool saved_ = false;
};

// Each ended game goes to the page with the tape up to its end; the tape is kept in storage.
class ResultsToPage : public nad::TapedGameResults {
public:
  void gameTaped(int64_t points, const std::string &name, const std::string &tape) override {
    nad::tellGameResult(points, name, tape);
  }
};

} // namespace

int main() {
  // The installed table in /game is the read-only one; the player's own is kept in storage.
  setenv("XDG_DATA_HOME", kStorageFolder, 1);
  nad::mountPersistentFolder(kStorageFolder);
  int status = 0;
  try {
    std::unique_ptr<nad::WebBackend> web =
        nad::openWebBackend({nad::kClientWidth, nad::kClientHeight, kGameFolder, /*programDirShared=*/true});
    // The whole run is taped, so that any game of it can be proven by a replay.
    ResultsToPage toPage;
    nad::TapeRecorder taping(web->platform(), &toPage);
    taping.onGameTaped = [](const std::string &tape) {
      const std::filesystem::path file = std::filesystem::path(kStorageFolder) / "nadilka" / kTapeFileName;
      if (nad::Status kept = nad::files::writeAtomically(file, tape); !kept.ok())
        nad::reportProblem("the game's tape was not kept: " + kept.reason());
      nad::keepPersistentFolder();
    };
    taping.onFull = [] {
      nad::reportProblem(kTapeFullText);
      nad::tellTapeFull();
    };
    auto form = std::make_unique<nad::Form>(taping.platform());
    StorageKeeper keeper;
    form->observer = &keeper;
    // Shipped as PNG (0.4 MB to fetch instead of 5.3 MB of BMP), decoded straight into the scene.
    const std::filesystem::path pictures = std::filesystem::path(kGameFolder) / "pictures";
    int nameBoxX = 0, nameBoxY = 0;
    form->scene.clientOrigin(nad::Text1, nameBoxX, nameBoxY);
    nad::tellNameBoxPlace(nameBoxX, nameBoxY, form->scene[nad::Text1].width, form->scene[nad::Text1].height);
    form->scene.loadPictures([&pictures](const std::string &fileName) {
      return nad::readPngPicture((pictures / fileName).replace_extension(".png"));
    });
    taping.begin(nad::tapeHeader(*form));
    try {
      nad::Form_Load(*form);
      nad::RunProgram(*form);
    } catch (const nad::ProgramEnd &end) {
      status = end.status;
    }
  } catch (const nad::StartupError &e) {
    nad::reportProblem(e.what());
    status = 1;
  }
  nad::reportGameEnded(status);
  return status;
}
