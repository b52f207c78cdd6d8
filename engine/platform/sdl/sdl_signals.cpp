#include "platform/sdl/sdl_signals.h"

// report.h declares a class Status, which Xlib.h would turn into int: it comes first.
#include "platform/report.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <csignal>
#include <cstdio>
#include <mutex>

#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace nad {
namespace {

// ---- the lost display ----

pid_t gDisplayOwner = 0;
XIOErrorHandler gPreviousIoHandler = nullptr;

int onDisplayLost(::Display *) {
  // A message box's process (forked by SDL) inherits the handler; only the game itself speaks.
  if (::getpid() == gDisplayOwner) reportProblem("lost the connection to the display");
  ::_exit(1);
}

// ---- a request to a window that has just gone ----

XErrorHandler gPreviousErrorHandler = nullptr;

// SDL wakes its event wait by sending an event to one of our windows over a second connection.
// The wake-up for a message box can reach the X server just after the box is destroyed, and the
// BadWindow comes back on that connection at its next use, maybe minutes later. Xlib's default
// handler would end the game then, mid-game; an event that had nowhere to go is no fault.
int onProtocolError(::Display *display, XErrorEvent *e) {
  if (e->error_code == BadWindow && e->request_code == X_SendEvent) return 0;
  return gPreviousErrorHandler ? gPreviousErrorHandler(display, e) : 0;
}

// ---- quit signals while a message box is open ----

volatile sig_atomic_t gArmed = 0;
volatile sig_atomic_t gQuitRequested = 0;
pid_t gBoxOwner = 0;
char gChildrenPath[64]; // the children of the thread that shows the box

// Kills the processes the showing thread has started: while the box is open that is the box's
// process alone. Only async-signal-safe calls.
void endBoxProcesses() {
  const int fd = ::open(gChildrenPath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return; // no such list here: the box stays until it is closed
  char buf[256];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  pid_t pid = 0;
  for (ssize_t i = 0; i <= n; ++i) {
    if (i < n && buf[i] >= '0' && buf[i] <= '9') {
      pid = pid * 10 + (buf[i] - '0');
    } else {
      if (pid > 0) ::kill(pid, SIGKILL);
      pid = 0;
    }
  }
}

void onQuitSignal(int sig) {
  const int savedErrno = errno;
  if (::getpid() != gBoxOwner) {
    // The box's own process got the signal too (a log-out signals them all): it ends as it would
    // have without us.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
  } else {
    gQuitRequested = 1;
    if (gArmed) endBoxProcesses();
  }
  errno = savedErrno;
}

// A signal that came after the box was asked for but before its process existed: end the
// process as soon as it does.
void afterFork() {
  if (gArmed && gQuitRequested && ::getpid() == gBoxOwner) endBoxProcesses();
}

struct sigaction gOldInt, gOldTerm;

} // namespace

DisplayLossGuard::DisplayLossGuard() {
  gDisplayOwner = ::getpid();
  gPreviousIoHandler = XSetIOErrorHandler(onDisplayLost);
  gPreviousErrorHandler = XSetErrorHandler(onProtocolError);
}

DisplayLossGuard::~DisplayLossGuard() {
  XSetErrorHandler(gPreviousErrorHandler);
  XSetIOErrorHandler(gPreviousIoHandler);
}

QuitDuringBox::QuitDuringBox() {
  static std::once_flag atfork;
  std::call_once(atfork, [] { ::pthread_atfork(nullptr, afterFork, nullptr); });
  gBoxOwner = ::getpid();
  std::snprintf(gChildrenPath, sizeof gChildrenPath, "/proc/%ld/task/%ld/children", long(gBoxOwner),
                long(::syscall(SYS_gettid)));
  gQuitRequested = 0;
  struct sigaction sa {};
  sa.sa_handler = onQuitSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, &gOldInt);
  ::sigaction(SIGTERM, &sa, &gOldTerm);
  gArmed = 1;
}

QuitDuringBox::~QuitDuringBox() {
  gArmed = 0;
  ::sigaction(SIGINT, &gOldInt, nullptr);
  ::sigaction(SIGTERM, &gOldTerm, nullptr);
}

bool QuitDuringBox::requested() const { return gQuitRequested != 0; }

} // namespace nad
