#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nad::files {

std::string errnoText(int err) { return std::generic_category().message(err); }

namespace {
constexpr std::string_view kTempPrefix = ".nadilka-save-";
constexpr std::size_t kTempRandomChars = 6; // mkstemp's XXXXXX

std::string temporaryStem(const std::string &name) { return std::string(kTempPrefix) + name + "."; }

bool isOurTemporary(const std::string &entry, const std::string &stem) {
  if (entry.size() != stem.size() + kTempRandomChars || entry.compare(0, stem.size(), stem) != 0) return false;
  return std::all_of(entry.begin() + std::ptrdiff_t(stem.size()), entry.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

// A write killed between creating its temporary file and the rename leaves that file behind.
// Sweep such leftovers of ours (untouched for a minute, so a write running at this moment in
// another copy of the game keeps its own) before writing anew.
void removeStaleTemporaries(const std::filesystem::path &dir, const std::string &name) {
  std::error_code ec;
  const std::string stem = temporaryStem(name);
  const auto now = std::filesystem::file_time_type::clock::now();
  for (const auto &entry : std::filesystem::directory_iterator(dir, ec)) {
    if (!isOurTemporary(entry.path().filename().string(), stem)) continue;
    std::error_code e2;
    if (!entry.is_regular_file(e2)) continue;
    auto written = entry.last_write_time(e2);
    if (!e2 && now - written > std::chrono::minutes(1)) std::filesystem::remove(entry.path(), e2);
  }
}

// The steps of writeAtomically; returns "" or the reason it failed.
std::string writeSteps(const std::filesystem::path &path, std::string_view bytes, const WriteHooks *hooks) {
  const auto fails = [&](std::string_view step) { return hooks && hooks->failAfter && hooks->failAfter(step); };
  const auto crashes = [&](std::string_view step) { return hooks && hooks->crashAfter && hooks->crashAfter(step); };
  const std::string where = path.string();

  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return "cannot create folder " + dir.string() + ": " + ec.message();

  removeStaleTemporaries(dir, path.filename().string());
  std::string tmp = (dir / (temporaryStem(path.filename().string()) + std::string(kTempRandomChars, 'X'))).string();
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) return "cannot create a temporary file in " + dir.string() + ": " + errnoText(errno);
  // A crash leaves the temporary file behind; only the kernel closes the descriptor.
  const auto crash = [&](std::string_view step) {
    ::close(fd);
    return "crash after " + std::string(step);
  };
  const auto abandon = [&](const std::string &reason) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return reason;
  };
  // mkstemp makes the file private; what we write is no secret and should keep its old access.
  struct stat old {};
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  if (crashes("created")) return crash("created");
  if (fails("created")) return abandon("injected failure after created");

  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return abandon("cannot write " + tmp + ": " + errnoText(errno));
    done += static_cast<std::size_t>(n);
  }
  if (crashes("written")) return crash("written");
  if (fails("written")) return abandon("injected failure after written");

  // Without the sync a crash soon after the rename can leave an empty file under the old name.
  if (::fsync(fd) != 0) return abandon("cannot sync " + tmp + ": " + errnoText(errno));
  if (crashes("synced")) return crash("synced");
  if (fails("synced")) return abandon("injected failure after synced");
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    return "cannot close " + tmp + ": " + errnoText(err);
  }

  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    return "cannot replace " + where + ": " + errnoText(err);
  }
  if (crashes("renamed")) return "crash after renamed";
  if (fails("renamed")) return "injected failure after renamed";

  // Makes the rename itself survive a power cut. If this fails the new file is in place and
  // every reader sees it, so reporting the write as failed would mislead the player.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return "";
}

} // namespace

Status writeAtomically(const std::filesystem::path &path, std::string_view bytes, const WriteHooks *hooks) {
  std::string reason = writeSteps(path, bytes, hooks);
  return reason.empty() ? Status() : Status::Failed(std::move(reason));
}

ReadResult readAtMost(const std::filesystem::path &path, std::size_t maxBytes) {
  ReadResult res;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    res.missing = errno == ENOENT;
    res.problem = "cannot open " + path.string() + ": " + errnoText(errno);
    return res;
  }
  char buf[8192];
  while (res.bytes.size() < maxBytes) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      res.problem = "cannot read " + path.string() + ": " + errnoText(errno);
      break;
    }
    if (n == 0) break;
    res.bytes.append(buf, static_cast<std::size_t>(n));
  }
  if (res.bytes.size() > maxBytes) res.bytes.resize(maxBytes);
  ::close(fd);
  return res;
}

} // namespace nad::files
