// nadilka-replay: plays a scripted session through the game on the headless backend and
// writes what happened, frame by frame, as JSON Lines.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "flow/lifecycle.h"
#include "platform/arguments.h"
#include "platform/headless/headless_platform.h"
#include "replay/frame_list.h"
#include "replay/recorder.h"
#include "replay/session_file.h"

namespace fs = std::filesystem;
using namespace nad;
using namespace nad::replay;
using nad::options::ArgumentReader;
using nad::options::Item;
using nad::options::LongOption;

namespace {

constexpr int kUsageError = 2, kRunError = 1;
constexpr char kUsage[] =
    "usage: nadilka-replay SESSION_FILE [--frames-png DIR [--frames LIST]] [--program-dir DIR]\n"
    "                      [--run-folder DIR]\n"
    "  Replays SESSION_FILE on the virtual clock and writes one JSON object per frame to stdout.\n"
    "  Options take their value after a blank or an equals sign (--frames=1-10).\n"
    "  --frames-png DIR   also write the play field of each frame as DIR/frame-NNNNN.png\n"
    "  --frames LIST      only these frames, e.g. 1-10,200\n"
    "  --program-dir DIR  read and write extract.ext in DIR instead of a temporary copy of\n"
    "                     the installed table\n"
    "  --run-folder DIR   read the pictures and the installed table from DIR instead of the\n"
    "                     folder the tool lies in (which a WebAssembly build cannot tell)\n";

int usage(const std::string &problem) {
  std::fprintf(stderr, "nadilka-replay: %s\n%s", problem.c_str(), kUsage);
  return kUsageError;
}

// The run folder: pictures and the installed high-score table lie beside the executable. Under
// node a WebAssembly build finds node itself there, hence --run-folder.
fs::path runFolder() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : self.parent_path();
}

// A fresh program folder with a copy of the installed table, so that a replay never changes
// the installed file and always starts from the same one. Removed when the replay ends.
class ScratchFolder {
public:
  explicit ScratchFolder(const fs::path &installedTable) {
    std::string pattern = (fs::temp_directory_path() / "nadilka-replay-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw ReplayFailure("cannot make a temporary folder: " + errnoText(errno));
    path_ = pattern;
    std::error_code ec;
    if (fs::exists(installedTable, ec)) fs::copy_file(installedTable, path_ / installedTable.filename(), ec);
    if (ec) throw ReplayFailure("cannot copy " + installedTable.string() + ": " + ec.message());
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder &operator=(const ScratchFolder &) = delete;
  const fs::path &path() const { return path_; }

private:
  fs::path path_;
};

struct Options {
  fs::path session;
  std::optional<PngOptions> png;
  std::optional<fs::path> programDir;
  std::optional<fs::path> runFolder;
};

enum Opt { Help, FramesPng, Frames, ProgramDir, RunFolder };
constexpr LongOption kOptions[] = {{"help", Help, false},
                                   {"frames-png", FramesPng, true},
                                   {"frames", Frames, true},
                                   {"program-dir", ProgramDir, true},
                                   {"run-folder", RunFolder, true}};

// Returns 0 when the options are usable, else the exit status (after the message); -1 after
// the help.
int parseOptions(int argc, char **argv, Options &o) {
  std::optional<std::string> frames;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  ArgumentReader reader(args, kOptions);
  while (!reader.atEnd()) {
    const Result<Item> next = reader.next();
    if (!next.ok()) return usage(next.reason());
    const Item &item = next.value();
    if (!item.option) {
      if (!o.session.empty()) return usage("only one session file, not also " + std::string(item.value));
      o.session = item.value;
      continue;
    }
    switch (item.option->id) {
    case Help: std::fputs(kUsage, stdout); return -1;
    case FramesPng: o.png = PngOptions{std::string(item.value)}; break;
    case Frames: frames = item.value; break;
    case ProgramDir: o.programDir = item.value; break;
    case RunFolder: o.runFolder = item.value; break;
    default: break;
    }
  }
  if (o.session.empty()) return usage("no session file");
  if (frames) {
    if (!o.png) return usage("--frames needs --frames-png");
    Result<FrameSelection> sel = FrameSelection::parse(*frames);
    if (!sel.ok()) return usage("--frames: " + sel.reason());
    o.png->frames = sel.value();
  }
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  Options opt;
  if (int status = parseOptions(argc, argv, opt)) return status < 0 ? 0 : status;

  std::ifstream in(opt.session, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "nadilka-replay: cannot read %s: %s\n", opt.session.c_str(), errnoText(errno).c_str());
    return kUsageError;
  }
  Result<std::vector<ScriptedEvent>> script = parseSession(in);
  if (!script.ok()) {
    std::fprintf(stderr, "nadilka-replay: %s:%s\n", opt.session.c_str(), script.reason().c_str());
    return kUsageError;
  }

  try {
    const fs::path run = opt.runFolder ? *opt.runFolder : runFolder();
    std::optional<ScratchFolder> scratch;
    fs::path programDir;
    if (opt.programDir) {
      programDir = *opt.programDir;
    } else {
      scratch.emplace(run / "extract.ext");
      programDir = scratch->path();
    }
    if (opt.png) fs::create_directories(opt.png->dir);

    auto started = std::chrono::steady_clock::now();
    HeadlessPlatform hp(programDir);
    for (ScriptedEvent &ev : script.value()) hp.at(ev.t, std::move(ev.e));
    Form f{hp.platform()};
    f.scene.loadPictures(run / "pictures");
    Recorder rec(f, hp, stdout, opt.png);
    f.observer = &rec;
    Form_Load(f);
    rec.begin();
    try {
      RunProgram(f);
      rec.end("done");
    } catch (const ProgramEnd &) {
      rec.end("quit");
    }
    f.observer = nullptr;
    // Wall-clock time goes to stderr only when asked: stdout must be the same on every run.
    if (std::getenv("NADILKA_REPLAY_TIMING")) {
      double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
      std::fprintf(stderr, "nadilka-replay: %lld frames, %lld virtual ms, %.1f ms wall clock\n",
                   static_cast<long long>(rec.frames()), static_cast<long long>(hp.ticks()), ms);
    }
  } catch (const std::exception &e) {
    std::fflush(stdout);
    std::fprintf(stderr, "nadilka-replay: %s\n", e.what());
    return kRunError;
  }
  return std::ferror(stdout) ? kRunError : 0;
}
