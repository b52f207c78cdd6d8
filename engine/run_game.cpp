#include "run_game.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "desktop_notice.h"
#include "flow/lifecycle.h"
#include "frontend/highscore_file.h"
#include "platform/atomic_file.h"
#include "platform/command_line.h"
#include "platform/report.h"
#include "platform/settings_file.h"
#include "platform/tape_recorder.h"
#include "table_sender.h"

namespace nad {

namespace {

void fillProgramDir(SdlOptions &options) {
  if (!options.programDir.empty()) return;
  const DataFolder data = findDataFolder(options.packagedDataDir);
  options.programDir = data.dir, options.programDirShared = data.shared;
}

// The tape of the running program and the games waiting for a shared table are kept beside the
// high-score table the player writes.
std::filesystem::path playerFolder(const SdlOptions &o) {
  const hiscore::Location where =
      hiscore::locate(o.programDir, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), o.programDirShared);
  return where.writePath.parent_path();
}

} // namespace

int runGameWithSdl(SdlOptions options, FormObserver *observer, options::WindowChoice *windowAtEnd,
                   TapedGameResults *results) {
  if (options.caption.empty()) options.caption = kWindowCaption;
  if (options.width == 0) options.width = kClientWidth, options.height = kClientHeight;
  fillProgramDir(options);
  // Owns SDL for the program's whole life: it shuts down when this returns or throws.
  std::unique_ptr<SdlBackend> sdl = openSdlBackend(options);
  // The whole run is taped, so that any game of it can be proven by a replay.
  TapeRecorder taping(sdl->platform(), results);
  const std::filesystem::path tapeFile = playerFolder(options) / kTapeFileName;
  taping.onGameTaped = [tapeFile](const std::string &tape) {
    if (Status kept = files::writeAtomically(tapeFile, tape); !kept.ok())
      reportProblem("the game's tape was not kept: " + kept.reason());
  };
  taping.onFull = [] { reportProblem(kTapeFullText); };
  auto form = std::make_unique<Form>(taping.platform());
  form->observer = observer;
  form->scene.loadPictures(options.programDir / "pictures");
  taping.begin(tapeHeader(*form));
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

int runNadilka(const std::vector<std::string_view> &args, SdlOptions options) {
  const options::CommandLine command = options::parse(args);
  switch (command.action) {
  case options::Action::Help: std::fputs(options::helpText().c_str(), stdout); return 0;
  case options::Action::Version: std::fputs(options::versionText().c_str(), stdout); return 0;
  case options::Action::Fail: reportProblem(command.error + " (see nadilka --help)"); return 2;
  case options::Action::Run: break;
  }

  const std::filesystem::path path = settings::locate(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  settings::LoadResult kept;
  if (path.empty()) {
    kept.readable = false;
    kept.status = Status::Failed("neither XDG_CONFIG_HOME nor HOME is set: the window's settings are not kept");
  } else {
    kept = settings::load(path);
  }
  if (!kept.status.ok()) reportProblem(kept.status.reason());

  // The command line first, then the file; what neither says is left to the display.
  const options::WindowChoice &asked = command.window;
  const settings::Settings &file = kept.values;
  options.scale = asked.scale.value_or(file.scale.value_or(0));
  options.fullscreen = asked.fullscreen.value_or(file.fullscreen.value_or(false));
  options.smooth = asked.smooth.value_or(file.smooth.value_or(false));

  // The command line's table first, then the file's; with neither, nothing is sent anywhere.
  const std::optional<TableAddress> &table = command.table ? command.table : file.table;
  options::WindowChoice atEnd;
  int status = 0;
  try {
    fillProgramDir(options);
    std::unique_ptr<DesktopNotices> notices;
    std::shared_ptr<tables::HttpPost> http;
    std::unique_ptr<tables::TableSender> sender;
    if (table) {
      notices = std::make_unique<DesktopNotices>();
      http = std::make_shared<tables::HttpPost>();
      sender = std::make_unique<tables::TableSender>(
          *table, playerFolder(options) / tables::kQueueFileName,
          [http](const tables::QueuedGame &g) { return (*http)(g); },
          [n = notices.get()](const std::string &line) { n->show(line); }, [http] { http->cancel(); });
    }
    status = runGameWithSdl(options, nullptr, &atEnd, sender.get());
    if (sender) sender->finish(std::chrono::milliseconds(kTableGraceMs));
  } catch (const StartupError &e) {
    reportProblem(e.what());
    return 1;
  }
  // A file that could not be read is left alone; a missing or damaged one is written afresh.
  if (atEnd.scale && kept.readable && (atEnd != file || !kept.status.ok())) {
    settings::Settings next = file;
    static_cast<options::WindowChoice &>(next) = atEnd; // the table stays as the player set it
    const Status saved = settings::save(path, next);
    if (!saved.ok()) reportProblem("the window's settings were not kept: " + saved.reason());
  }
  return status;
}

} // namespace nad
