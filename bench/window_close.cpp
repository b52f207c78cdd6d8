// Closes a window the way a window manager's close button does: a WM_DELETE_WINDOW message to
// its owner. xdotool (3.2016) can only destroy a window or kill its client, and without a
// window manager under Xvfb nothing else asks politely.
//
//   window_close WINDOW_ID
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_close WINDOW_ID\n");
    return 2;
  }
  Display *d = XOpenDisplay(nullptr);
  if (!d) return 1;
  Window w = Window(std::strtoul(argv[1], nullptr, 0));
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XCloseDisplay(d); // flushes the request
  return 0;
}
