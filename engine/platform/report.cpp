#include "platform/report.h"

#include <cerrno>
#include <system_error>

#include <unistd.h>

namespace nad {
namespace {
// Per thread: a capture sees what its own thread reports (the server replays tapes side by side).
thread_local ProblemCapture *gCapture = nullptr;
} // namespace

void reportProblem(std::string_view what) {
  if (gCapture) {
    gCapture->sink_(what);
    return;
  }
  std::string line = "nadilka: ";
  line.append(what);
  line += '\n';
  for (size_t done = 0; done < line.size();) {
    ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return; // nowhere to say it
    done += size_t(n);
  }
}

ProblemCapture::ProblemCapture(std::function<void(std::string_view)> sink)
    : sink_(std::move(sink)), previous_(gCapture) {
  gCapture = this;
}

ProblemCapture::~ProblemCapture() { gCapture = previous_; }

std::string errnoText(int err) { return std::generic_category().message(err); }

} // namespace nad
