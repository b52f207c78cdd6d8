#pragma once
// Writing a small file so that a crash, a power cut or a full disk never leaves it torn: the
// high-score table and the settings file both go through here. Plain POSIX, no window.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/report.h"

namespace nad::files {

// Test hooks: after each named step ("created", "written", "synced", "renamed") failAfter
// returning true makes the write fail there as if a system call had failed (cleanup included),
// crashAfter returning true makes it return at once, leaving the disk as a crash at that point
// would.
struct WriteHooks {
  std::function<bool(std::string_view step)> failAfter;
  std::function<bool(std::string_view step)> crashAfter;
};

// Creates the folder if needed, writes `bytes` to a temporary file next to `path` (hidden,
// ".nadilka-save-" + the file's name + "." + six random characters, so that no player would
// pick the name for a file of their own), fsyncs it, renames it over `path` and fsyncs the
// folder. A symbolic link at `path` is followed: the file it names is the one replaced, and the
// link stays. Only a regular file (or none yet) is replaced: a folder, a device or a FIFO there
// is a failure and is left alone. A file already there keeps its access bits (a new one gets
// 0644 less the umask). A failure carries a one-line English reason and reports nothing
// itself; a failure before the rename leaves the old file untouched and removes the temporary
// file. Temporaries of that name older than a minute, left by a killed write, are removed
// first; no other file in the folder is touched.
Status writeAtomically(const std::filesystem::path &path, std::string_view bytes, const WriteHooks *hooks = nullptr);

// The whole file, at most maxBytes of it (`tooLarge` when there was more). `status` fails with a
// one-line English reason ("cannot open PATH: ...", "cannot read PATH: ..."); `missing` tells a
// file that is not there from one that cannot be read. Anything but a regular file (a FIFO, a
// device, a folder) cannot be read, and never blocks the caller.
struct ReadResult {
  std::string bytes;
  bool missing = false;
  bool tooLarge = false;
  Status status;
};
ReadResult readAtMost(const std::filesystem::path &path, std::size_t maxBytes);

// An advisory lock (flock) on a lock file beside `file` (".nadilka-lock-" + its name, beside
// the file a symbolic link names), held while this lives, so that two copies of the game that
// read, change and write the same file take turns. The file itself cannot carry the lock: the
// write renames a new file over it. Waits up to 5 s for another holder; past that (`status`
// says so) the caller goes on unguarded rather than lose the player's result. Where no lock file
// can be made (a folder no one may write) there is no lock and no failure: the write fails too.
inline constexpr std::string_view kLockFilePrefix = ".nadilka-lock-";
class FileLock {
public:
  explicit FileLock(const std::filesystem::path &file);
  ~FileLock();
  FileLock(const FileLock &) = delete;
  FileLock &operator=(const FileLock &) = delete;
  const Status &status() const { return status_; }

private:
  int fd_ = -1;
  Status status_;
};

} // namespace nad::files
