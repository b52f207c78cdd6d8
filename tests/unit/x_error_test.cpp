// What the game does with X protocol errors, on a private Xvfb: an event sent to a window that
// is already gone must not end the game; every other error still reaches the handler that was
// there before.
#include <gtest/gtest.h>

// report.h (through sdl_signals.cpp) has a class Status; Xlib's macro of that name comes after.
#include "platform/sdl/sdl_signals.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <csignal>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace nad;

namespace {

// An Xvfb of our own; it tells its display number on a pipe once it listens.
class PrivateX {
public:
  PrivateX() {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "64x64x24", "-nolisten", "tcp",
               static_cast<char *>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    char buf[16] = {};
    ssize_t n = 0;
    while (n < ssize_t(sizeof buf - 1)) {
      const ssize_t got = ::read(fds[0], buf + n, sizeof buf - 1 - n);
      if (got <= 0 || buf[n + got - 1] == '\n') {
        n += got > 0 ? got : 0;
        break;
      }
      n += got;
    }
    ::close(fds[0]);
    if (n > 0) name_ = ":" + std::string(buf, std::string(buf).find('\n'));
  }
  ~PrivateX() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  const std::string &name() const { return name_; }

private:
  pid_t pid_ = -1;
  std::string name_;
};

std::vector<std::pair<int, int>> gSeen; // (error, request) the earlier handler was given

int Recording(::Display *, XErrorEvent *e) {
  gSeen.emplace_back(e->error_code, e->request_code);
  return 0;
}

class XErrors : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(x_.name().empty()) << "Xvfb did not start";
    display_ = XOpenDisplay(x_.name().c_str());
    ASSERT_NE(display_, nullptr) << x_.name();
    gSeen.clear();
    before_ = XSetErrorHandler(Recording);
  }
  void TearDown() override {
    XSetErrorHandler(before_);
    if (display_) XCloseDisplay(display_);
  }
  // A window that existed and is gone again, as a closed message box.
  Window goneWindow() {
    const Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 8, 8, 0, 0, 0);
    XDestroyWindow(display_, w);
    XSync(display_, False);
    return w;
  }
  void sendTo(Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.format = 32;
    e.xclient.message_type = XInternAtom(display_, "_SDL_WAKEUP", False);
    XSendEvent(display_, w, False, NoEventMask, &e);
    XSync(display_, False);
  }

  PrivateX x_;
  ::Display *display_ = nullptr;
  XErrorHandler before_ = nullptr;
};

TEST_F(XErrors, AnEventToAWindowAlreadyGoneIsLetPassAndOtherErrorsStillReachTheEarlierHandler) {
  {
    DisplayLossGuard guard;
    sendTo(goneWindow());
    EXPECT_TRUE(gSeen.empty()) << "the lost wake-up went on to the earlier handler";

    XMapWindow(display_, goneWindow());
    XSync(display_, False);
    ASSERT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(gSeen[0], std::make_pair(int(BadWindow), int(X_MapWindow)));
  }
  // Gone with the guard: the earlier handler has every error again.
  gSeen.clear();
  sendTo(goneWindow());
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0], std::make_pair(int(BadWindow), int(X_SendEvent)));
}

} // namespace
