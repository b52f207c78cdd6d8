#pragma once
// Runs the real game in an SDL window until it is closed: the program's whole life.
#include <string_view>
#include <vector>

#include "core/form.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/tape_recorder.h"

namespace nad {

// options.caption, size and programDir (see findDataFolder) are filled in when left empty.
// Returns the exit status; throws StartupError when the game cannot begin (no display, a
// missing picture or font). When the game ends normally, *windowAtEnd gets the window as the
// player left it. The run is taped (kept in kTapeFileName beside the player's high-score table at
// each game's end); `results` hears of each ended game after the tape holds it.
int runGameWithSdl(SdlOptions options, FormObserver *observer = nullptr, options::WindowChoice *windowAtEnd = nullptr,
                   TapedGameResults *results = nullptr);

inline constexpr const char *kTapeFileName = "last-run.tape";
inline constexpr const char *kTapeFullText =
    "this run's tape is full: further games can be entered in a shared table after the game is started again";

// A shared table's answer still on its way at the program's end waits this long.
inline constexpr int kTableGraceMs = 3000;

// The program: its command line (args after the program's name), the settings file, the game,
// and the window's mode kept for the next run. Returns the exit status: 1 when the game cannot
// begin (reported as one line), 2 for a fault in the command line, 0 after --help and --version.
// With a shared table (--table or the settings file), each game that ran to its end is sent
// there in the background (table_sender.h).
int runNadilka(const std::vector<std::string_view> &args, SdlOptions options);

} // namespace nad
