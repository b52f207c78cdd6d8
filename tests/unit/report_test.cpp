// The one way problems are reported: a line on stderr, or the sink of a capture.
#include "platform/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

namespace nad {
namespace {

std::string StderrOf(void (*what)()) {
  std::fflush(stderr);
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  const int saved = ::dup(2);
  ::dup2(fds[1], 2);
  what();
  ::dup2(saved, 2);
  ::close(saved);
  ::close(fds[1]);
  std::string out;
  char buf[256];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
  ::close(fds[0]);
  return out;
}

TEST(reportProblem, OneLineOnStderr) {
  EXPECT_EQ(StderrOf([] { reportProblem("cannot play menu.mid"); }), "nadilka: cannot play menu.mid\n");
}

TEST(reportProblem, ACaptureTakesTheReportsWhileItLives) {
  std::vector<std::string> outer, inner;
  const std::string err = StderrOf([] {}); // nothing yet
  {
    ProblemCapture a([&](std::string_view s) { outer.emplace_back(s); });
    reportProblem("one");
    {
      ProblemCapture b([&](std::string_view s) { inner.emplace_back(s); });
      reportProblem("two");
    }
    reportProblem("three");
  }
  EXPECT_EQ(outer, (std::vector<std::string>{"one", "three"}));
  EXPECT_EQ(inner, (std::vector<std::string>{"two"}));
  EXPECT_EQ(err, "");
  EXPECT_EQ(StderrOf([] { reportProblem("four"); }), "nadilka: four\n") << "stderr again once the captures are gone";
}

TEST(Status, SuccessOrAFailureWithItsReason) {
  EXPECT_TRUE(Status().ok());
  Status failed = Status::Failed("cannot replace extract.ext: No space left on device");
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(failed.reason(), "cannot replace extract.ext: No space left on device");
}

} // namespace
} // namespace nad
