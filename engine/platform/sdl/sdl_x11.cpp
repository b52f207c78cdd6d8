#include "platform/sdl/sdl_x11.h"

#include <SDL_syswm.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace nad {
namespace {

bool x11Handles(SDL_Window *window, ::Display *&display, ::Window &xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  display = info.info.x11.display;
  xwindow = info.info.x11.window;
  return display != nullptr;
}

// A window manager that follows the desktop conventions announces itself on the root window.
bool windowManagerRuns(::Display *display) {
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char *data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                        &format, &items, &after, &data);
  const bool found = status == Success && data && items == 1;
  if (data) XFree(data);
  return found;
}

} // namespace

void coverDisplayWithoutWindowManager(SDL_Window *window) {
  ::Display *display = nullptr;
  ::Window xwindow = 0;
  if (!x11Handles(window, display, xwindow) || windowManagerRuns(display)) return;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &bounds) != 0) return;
  XMoveResizeWindow(display, xwindow, bounds.x, bounds.y, unsigned(bounds.w), unsigned(bounds.h));
  XRaiseWindow(display, xwindow);
  XFlush(display);
}

float x11ScreenDpi(SDL_Window *window) {
  ::Display *display = nullptr;
  ::Window xwindow = 0;
  if (!x11Handles(window, display, xwindow)) return 0;
  const int screen = DefaultScreen(display);
  const int mm = DisplayWidthMM(display, screen);
  return mm > 0 ? float(DisplayWidth(display, screen)) * 25.4f / float(mm) : 0;
}

bool x11KeyRepeat(SDL_Window *window, int &delayMs, int &intervalMs) {
  ::Display *display = nullptr;
  ::Window xwindow = 0;
  if (!x11Handles(window, display, xwindow)) return false;
  unsigned int delay = 0, interval = 0;
  if (!XkbGetAutoRepeatRate(display, XkbUseCoreKbd, &delay, &interval) || delay == 0 || interval == 0) return false;
  delayMs = int(delay), intervalMs = int(interval);
  return true;
}

} // namespace nad
