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
// folder. A file already there keeps its access bits (a new one gets 0644). A failure carries a
// one-line English reason and reports nothing itself; a failure before the rename leaves the
// old file untouched and removes the temporary file. Temporaries of that name older than a
// minute, left by a killed write, are removed first; no other file in the folder is touched.
Status writeAtomically(const std::filesystem::path &path, std::string_view bytes, const WriteHooks *hooks = nullptr);

// The whole file, at most maxBytes of it. `problem` is "" or a one-line English reason
// ("cannot open PATH: ...", "cannot read PATH: ..."); `missing` tells a file that is not there
// from one that cannot be read.
struct ReadResult {
  std::string bytes;
  bool missing = false;
  std::string problem;
};
ReadResult readAtMost(const std::filesystem::path &path, std::size_t maxBytes);

// The text of an errno value.
std::string errnoText(int err);

} // namespace nad::files
