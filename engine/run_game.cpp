#include "run_game.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include "flow/lifecycle.h"
#include "platform/settings_file.h"

namespace nad {

int RunGameWithSdl(SdlOptions options, FormObserver *observer, options::WindowChoice *windowAtEnd) {
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
  int status = 0;
  try {
    Form_Load(*form);
    RunProgram(*form);
  } catch (const ProgramEnd &end) {
    status = end.status;
  }
  if (windowAtEnd) *windowAtEnd = sdl->windowMode();
  return status;
}

int RunNadilka(const std::vector<std::string_view> &args, SdlOptions options) {
  const options::CommandLine command = options::parse(args);
  switch (command.action) {
  case options::Action::Help: std::fputs(options::helpText().c_str(), stdout); return 0;
  case options::Action::Version: std::fputs(options::versionText().c_str(), stdout); return 0;
  case options::Action::Fail:
    std::fprintf(stderr, "nadilka: %s (see nadilka --help)\n", command.error.c_str());
    return 2;
  case options::Action::Run: break;
  }

  const std::filesystem::path path = settings::locate(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  settings::LoadResult kept;
  if (path.empty()) {
    kept.readable = false;
    kept.problem = "neither XDG_CONFIG_HOME nor HOME is set: the window's settings are not kept";
  } else {
    kept = settings::load(path);
  }
  if (!kept.problem.empty()) std::fprintf(stderr, "nadilka: %s\n", kept.problem.c_str());

  // The command line first, then the file; what neither says is left to the display.
  const options::WindowChoice &asked = command.window, &file = kept.values;
  options.scale = asked.scale.value_or(file.scale.value_or(0));
  options.fullscreen = asked.fullscreen.value_or(file.fullscreen.value_or(false));
  options.smooth = asked.smooth.value_or(file.smooth.value_or(false));

  options::WindowChoice atEnd;
  const int status = RunGameWithSdl(options, nullptr, &atEnd);
  // A file that could not be read is left alone; a missing or damaged one is written afresh.
  if (atEnd.scale && kept.readable && (atEnd != file || !kept.problem.empty())) {
    const std::string problem = settings::save(path, atEnd);
    if (!problem.empty()) std::fprintf(stderr, "nadilka: the window's settings were not kept: %s\n", problem.c_str());
  }
  return status;
}

} // namespace nad
