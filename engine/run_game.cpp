#include "run_game.h"

#include <memory>

#include "flow/lifecycle.h"

namespace nad {

int RunGameWithSdl(SdlOptions options, FormObserver *observer) {
  if (options.caption.empty()) options.caption = kWindowCaption;
  if (options.width == 0) options.width = kClientWidth, options.height = kClientHeight;
  if (options.programDir.empty()) {
    const DataFolder data = FindDataFolder(options.packagedDataDir);
    options.programDir = data.dir, options.programDirShared = data.shared;
  }
  // Owns SDL for the program's whole life: it shuts down when this returns or throws.
  std::unique_ptr<SdlBackend> sdl = OpenSdlBackend(options);
  auto form = std::make_unique<Form>(sdl->platform());
  form->observer = observer;
  form->scene.loadPictures(options.programDir / "pictures");
  try {
    Form_Load(*form);
    RunProgram(*form);
  } catch (const ProgramEnd &end) {
    return end.status;
  }
  return 0;
}

} // namespace nad
