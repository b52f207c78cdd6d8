#pragma once
// The window previews every key, on every screen; the handlers never ask whether a game runs.
#include "core/form.h"

namespace nad {

void Form_KeyDown(Form &f, int keyCode, int shift);
void Form_KeyUp(Form &f, int keyCode, int shift);

inline constexpr char kPauseTitle[] = "Pauza...";
inline constexpr char kPauseText[] = "Hra pozastavena ...";

} // namespace nad
