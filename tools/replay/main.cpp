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
#include "platform/atomic_file.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/tape_player.h"
#include "platform/tape_recorder.h"
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
    "usage: nadilka-replay SESSION_FILE [--tape-out FILE] [--frames-png DIR [--frames LIST]]\n"
    "                      [--program-dir DIR] [--run-folder DIR]\n"
    "       nadilka-replay --tape FILE [--frames-png DIR [--frames LIST]] [--run-folder DIR]\n"
    "  Replays SESSION_FILE on the virtual clock and writes one JSON object per frame to stdout.\n"
    "  --tape-out FILE    also write the tape of the session's run to FILE\n"
    "  --tape FILE        replay a tape instead of a session (the games' scores go to stderr)\n"
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
  std::optional<fs::path> tapeOut, tape;
  std::optional<PngOptions> png;
  std::optional<fs::path> programDir;
  std::optional<fs::path> runFolder;
};

enum Opt { Help, FramesPng, Frames, ProgramDir, RunFolder, TapeOut, Tape };
constexpr LongOption kOptions[] = {{"help", Help, false},          {"tape-out", TapeOut, true},
                                   {"tape", Tape, true},           {"frames-png", FramesPng, true},
                                   {"frames", Frames, true},       {"program-dir", ProgramDir, true},
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
    case TapeOut: o.tapeOut = item.value; break;
    case Tape: o.tape = item.value; break;
    default: break;
    }
  }
  if (o.tape) {
    if (!o.session.empty()) return usage("either a session file or --tape, not both");
    if (o.tapeOut) return usage("--tape-out records a session, not a tape");
    if (o.programDir) return usage("a tape's replay touches no file: --program-dir does not apply");
  } else if (o.session.empty()) {
    return usage("no session file");
  }
  if (frames) {
    if (!o.png) return usage("--frames needs --frames-png");
    Result<FrameSelection> sel = FrameSelection::parse(*frames);
    if (!sel.ok()) return usage("--frames: " + sel.reason());
    o.png->frames = sel.value();
  }
  return 0;
}

// Runs the program on `platform` (the headless twin, or a tape recorder over it) until it ends,
// with the recorder watching; returns how it ended.
const char *runWatched(Form &f, Recorder &rec) {
  f.observer = &rec;
  Form_Load(f);
  rec.begin();
  const char *how = "done";
  try {
    RunProgram(f);
  } catch (const ProgramEnd &) {
    how = "quit";
  } catch (const TapeStop &stop) {
    if (!stop.end) throw;
    how = "tape";
  }
  rec.end(how);
  f.observer = nullptr;
  return how;
}

void reportTiming(const std::chrono::steady_clock::time_point &started, const Recorder &rec, int64_t virtualMs) {
  // Wall-clock time goes to stderr only when asked: stdout must be the same on every run.
  if (!std::getenv("NADILKA_REPLAY_TIMING")) return;
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  std::fprintf(stderr, "nadilka-replay: %lld frames, %lld virtual ms, %.1f ms wall clock\n",
               static_cast<long long>(rec.frames()), static_cast<long long>(virtualMs), ms);
}

std::string readTape(const fs::path &path) {
  const files::ReadResult r = files::readAtMost(path, tape::kMaxBytes);
  if (!r.status.ok()) throw ReplayFailure(r.status.reason());
  if (r.tooLarge) throw ReplayFailure(path.string() + " is larger than a tape can be");
  return r.bytes;
}

int replayTape(const Options &opt, const fs::path &run) {
  const std::string bytes = readTape(*opt.tape);
  Result<tape::Reader> reader = tape::Reader::open(bytes);
  if (!reader.ok()) throw ReplayFailure(opt.tape->string() + ": " + reader.reason());
  const tape::Header header = reader->header();
  auto started = std::chrono::steady_clock::now();
  TapePlayer player(reader.value(), run);
  Form f{player.platform()};
  f.scene.loadPictures(run / "pictures");
  if (Status same = tape::sameMaking(header, tapeHeader(f)); !same.ok())
    throw ReplayFailure(opt.tape->string() + ": " + same.reason());
  Recorder rec(f, player, stdout, opt.png);
  try {
    runWatched(f, rec);
  } catch (const TapeStop &stop) {
    throw ReplayFailure(opt.tape->string() + ": " + stop.what());
  }
  std::string scores;
  for (const TapePlayer::EndedGame &g : player.endedGames())
    scores += (scores.empty() ? "" : ", ") + std::to_string(g.points);
  std::fprintf(stderr, "nadilka-replay: %zu games ended on the tape%s%s\n", player.endedGames().size(),
               scores.empty() ? "" : ", with points ", scores.c_str());
  reportTiming(started, rec, player.HeadlessPlatform::ticks());
  return 0;
}

int replaySession(const Options &opt, const fs::path &run, std::vector<ScriptedEvent> script) {
  std::optional<ScratchFolder> scratch;
  fs::path programDir;
  if (opt.programDir) {
    programDir = *opt.programDir;
  } else {
    scratch.emplace(run / "extract.ext");
    programDir = scratch->path();
  }
  auto started = std::chrono::steady_clock::now();
  HeadlessPlatform hp(programDir);
  for (ScriptedEvent &ev : script) hp.at(ev.t, std::move(ev.e));
  TapeRecorder taping(hp.platform());
  Form f{opt.tapeOut ? taping.platform() : hp.platform()};
  f.scene.loadPictures(run / "pictures");
  taping.begin(tapeHeader(f));
  Recorder rec(f, hp, stdout, opt.png);
  runWatched(f, rec);
  if (opt.tapeOut) {
    if (taping.full()) throw ReplayFailure("the session's tape is larger than a tape can be");
    if (Status kept = files::writeAtomically(*opt.tapeOut, taping.bytes()); !kept.ok())
      throw ReplayFailure(kept.reason());
  }
  reportTiming(started, rec, hp.ticks());
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  Options opt;
  if (int status = parseOptions(argc, argv, opt)) return status < 0 ? 0 : status;

  std::vector<ScriptedEvent> script;
  if (!opt.tape) {
    std::ifstream in(opt.session, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "nadilka-replay: cannot read %s: %s\n", opt.session.c_str(), errnoText(errno).c_str());
      return kUsageError;
    }
    Result<std::vector<ScriptedEvent>> parsed = parseSession(in);
    if (!parsed.ok()) {
      std::fprintf(stderr, "nadilka-replay: %s:%s\n", opt.session.c_str(), parsed.reason().c_str());
      return kUsageError;
    }
    script = std::move(parsed.value());
  }

  try {
    const fs::path run = opt.runFolder ? *opt.runFolder : runFolder();
    if (opt.png) fs::create_directories(opt.png->dir);
    if (opt.tape)
      replayTape(opt, run);
    else
      replaySession(opt, run, std::move(script));
  } catch (const std::exception &e) {
    std::fflush(stdout);
    std::fprintf(stderr, "nadilka-replay: %s\n", e.what());
    return kRunError;
  }
  return std::ferror(stdout) ? kRunError : 0;
}
