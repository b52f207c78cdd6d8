#pragma once
// The one way the program says what went wrong.
//
// Start-up failures (no display, no window, a missing picture or font) throw StartupError: the
// program cannot begin, main reports the reason as one line "nadilka: <reason>" and ends with
// status 1. Run-time services (music, a save, a message box, a web address) never end the game:
// a step that can fail returns a Status (or a Result<T>, when it gives a value), and the
// failure is reported once through reportProblem. The only other exception is the rules' own
// immediate end of the program (ProgramEnd, core/form.h).
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace nad {

struct StartupError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The outcome of a run-time step: success, or a failure with a one-line English reason.
class [[nodiscard]] Status {
public:
  Status() = default; // success
  static Status Failed(std::string reason) {
    Status s;
    s.failed_ = true;
    s.reason_ = std::move(reason);
    return s;
  }
  bool ok() const { return !failed_; }
  const std::string &reason() const { return reason_; }

private:
  bool failed_ = false;
  std::string reason_;
};

// A value, or the one-line English reason why there is none.
template <class T> class [[nodiscard]] Result {
public:
  Result(T value) : value_(std::move(value)) {} // NOLINT(google-explicit-constructor): a value is a success
  static Result Failed(std::string reason) { return Result(std::move(reason), 0); }
  bool ok() const { return value_.has_value(); }
  const std::string &reason() const { return reason_; }
  // Only when ok().
  T &value() { return *value_; }
  const T &value() const { return *value_; }
  T *operator->() { return &*value_; }
  const T *operator->() const { return &*value_; }
  Status status() const { return ok() ? Status() : Status::Failed(reason_); }

private:
  Result(std::string reason, int /*failed*/) : reason_(std::move(reason)) {}
  std::optional<T> value_;
  std::string reason_;
};

// The text of an errno value, for a reason.
std::string errnoText(int err);

// Writes "nadilka: <what>" as one line on stderr, in one write so that lines of several
// threads never interleave.
void reportProblem(std::string_view what);

// While one lives, the reports of its own thread go to `sink` instead of stderr (tests and tools
// that look at them, the verifier that keeps a tape's file problems off the server's log).
class ProblemCapture {
public:
  explicit ProblemCapture(std::function<void(std::string_view)> sink);
  ~ProblemCapture();
  ProblemCapture(const ProblemCapture &) = delete;
  ProblemCapture &operator=(const ProblemCapture &) = delete;

private:
  friend void reportProblem(std::string_view what);
  std::function<void(std::string_view)> sink_;
  ProblemCapture *previous_;
};

} // namespace nad
