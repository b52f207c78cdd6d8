#pragma once
// What SDL leaves undone on X11, asked of Xlib directly. Each call does nothing (or reports
// nothing) when the window is not an X11 one.
#include <SDL.h>

namespace nad {

// Without a window manager nobody acts on SDL's fullscreen request: the window grows to the
// display's size where it stands. Moves it over the display then; with a window manager leaves
// it alone.
void coverDisplayWithoutWindowManager(SDL_Window *window);

// The screen's resolution as the X server states it (dots per inch across); 0 when unknown.
float x11ScreenDpi(SDL_Window *window);

// The X server's keyboard auto-repeat (the first repeat after delayMs, then every intervalMs);
// false when the window is no X11 window or the server does not say.
bool x11KeyRepeat(SDL_Window *window, int &delayMs, int &intervalMs);

} // namespace nad
