#pragma once
// The game's modal boxes (the pause box, the warning that the table could not be saved): a
// small window of our own over the game window, with the text and an OK button. It runs its
// own event loop, so that while it is open the game window still repaints, F11 and Alt+Enter
// still switch fullscreen and a controller's Start, A or B closes it; SDL's message box blocks
// all of that. It opens at the scale the game is shown at.
#include <filesystem>
#include <string>

#include "platform/sdl/sdl_window.h"

namespace nad {

enum class BoxKind { Information, Warning };

// Returns when the player has closed the box: Return, Enter, Space or Escape, a click on OK,
// a controller's Start, A or B, or the window manager's close button. False when the box could
// not be made (the font, the window), without any effect.
bool showGameBox(SdlWindow &game, const std::filesystem::path &fontFile, BoxKind kind, const std::string &title,
                 const std::string &text);

} // namespace nad
