#include "replay/verify.h"

#include <map>
#include <mutex>
#include <string>

#include "core/form.h"
#include "flow/lifecycle.h"
#include "platform/bmp_file.h"
#include "platform/headless/tape_player.h"
#include "platform/tape.h"

namespace nad::replay {

// The pictures, read once: each verification copies them into its own window.
struct Verifier::Pictures {
  std::map<std::string, Surface> byFile;
  tape::Header header;
};

Verifier::Verifier(const std::filesystem::path &runFolder) : pictures_(std::make_unique<Pictures>()) {
  Scene scene;
  scene.loadPictures([&](const std::string &fileName) {
    Surface s = readBmp((runFolder / "pictures" / fileName).string());
    pictures_->byFile.emplace(fileName, s);
    return s;
  });
  pictures_->header = {kRulesVersion, scene.picturesHash()};
}

Verifier::~Verifier() = default;

Result<Verdict> Verifier::verify(std::string_view tape, const VerifyLimits &limits) const {
  Result<tape::Reader> reader = tape::Reader::open(tape);
  if (!reader.ok()) return Result<Verdict>::Failed(reader.reason());
  if (Status same = tape::sameMaking(reader->header(), pictures_->header); !same.ok())
    return Result<Verdict>::Failed(same.reason());
  // A failed read or save on the tape is the player's machine's; it says nothing about the server.
  const ProblemCapture quiet([](std::string_view) {});
  try {
    // The replay touches no file: every read and write of the table comes from the tape.
    TapePlayer player(reader.value(), "/nonexistent", TapeLimits{limits.maxFrames, limits.maxTime});
    Form f{player.platform()};
    f.scene.loadPictures([this](const std::string &fileName) { return pictures_->byFile.at(fileName); });
    try {
      Form_Load(f);
      RunProgram(f);
    } catch (const ProgramEnd &) {
      // the window was closed: the tape holds what came before
    } catch (const TapeStop &stop) {
      if (!stop.end) return Result<Verdict>::Failed(stop.what());
    }
    const std::vector<TapePlayer::EndedGame> &ended = player.endedGames();
    if (ended.empty()) return Result<Verdict>::Failed("the tape holds no game that ran to its end");
    return Verdict{ended.back().points, ended.back().tapeEnd, int(ended.size())};
  } catch (const std::exception &e) {
    return Result<Verdict>::Failed(std::string("the tape cannot be replayed: ") + e.what());
  }
}

} // namespace nad::replay
