// libFuzzer target for tapes from anyone: the reader alone on the raw bytes, then the bytes as the
// records of a tape with a right header, replayed into the game with the real pictures (as the
// server's verifier does; NADILKA_FUZZ_PICTURES names their folder), bounded to a few frames:
// the fuzzer is after the reader and the player, and a frame under the sanitizers is slow. A
// crash, a sanitizer report or a hang is a finding; any refusal is fine.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "core/form.h"
#include "flow/lifecycle.h"
#include "platform/headless/tape_player.h"
#include "platform/tape.h"

namespace {

std::unique_ptr<nad::Form> gPictures; // the pictures, read once
nad::tape::Header gHeader;

void readAll(std::string_view bytes) {
  nad::Result<nad::tape::Reader> r = nad::tape::Reader::open(bytes);
  if (!r.ok()) return;
  for (;;) {
    nad::Result<std::optional<nad::tape::Record>> rec = r->next();
    if (!rec.ok() || !rec.value()) return;
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  const char *folder = std::getenv("NADILKA_FUZZ_PICTURES");
  nad::HeadlessPlatform hp{"/nonexistent"};
  gPictures = std::make_unique<nad::Form>(hp.platform());
  gPictures->scene.loadPictures(folder ? folder : "build/game/pictures");
  gHeader = nad::tapeHeader(*gPictures);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view input(reinterpret_cast<const char *>(data), size);
  readAll(input);

  const std::string tape = nad::tape::Writer(gHeader).bytes() + std::string(input);
  nad::Result<nad::tape::Reader> reader = nad::tape::Reader::open(tape);
  if (!reader.ok()) __builtin_trap(); // a right header is always read
  nad::TapePlayer player(std::move(reader.value()), "/nonexistent", nad::TapeLimits{60});
  nad::Form f{player.platform()};
  f.scene.loadPictures([](const std::string &fileName) {
    for (int i = 0; i < nad::ControlCount; ++i) {
      const nad::Control &c = gPictures->scene[nad::Id(i)];
      if (c.kind == nad::Kind::Panel && nad::pictureFileName(c.name) == fileName) return c.picture;
    }
    return nad::Surface(1, 1);
  });
  const nad::ProblemCapture quiet([](std::string_view) {});
  try {
    nad::Form_Load(f);
    nad::RunProgram(f);
  } catch (const nad::ProgramEnd &) {
  } catch (const nad::TapeStop &) {
  }
  return 0;
}
