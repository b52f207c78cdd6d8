#pragma once
// Runs the real game in an SDL window until it is closed: the program's whole life.
#include "core/form.h"
#include "platform/sdl/sdl_backend.h"

namespace nad {

// options.caption, size and programDir (see FindDataFolder) are filled in when left empty.
// Returns the exit status; throws StartupError when the game cannot begin (no display, a
// missing picture or font).
int RunGameWithSdl(SdlOptions options, FormObserver *observer = nullptr);

} // namespace nad
