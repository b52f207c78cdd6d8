#include "run_game.h"

#include <cstdio>
#include <exception>
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
  std::string error;
  std::unique_ptr<SdlBackend> sdl = OpenSdlBackend(options, error);
  if (!sdl) {
    std::fprintf(stderr, "nadilka: %s\n", error.c_str());
    return 1;
  }
  auto form = std::make_unique<Form>(sdl->platform());
  form->observer = observer;
  try {
    form->scene.loadPictures(options.programDir / "pictures");
  } catch (const std::exception &e) {
    std::fprintf(stderr, "nadilka: %s\n", e.what());
    return 1;
  }
  try {
    Form_Load(*form);
    RunProgram(*form);
  } catch (const ProgramEnd &end) {
    return end.status;
  }
  return 0;
}

} // namespace nad
