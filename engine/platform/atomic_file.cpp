#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nad::files {

namespace {
constexpr std::string_view kTempPrefix = ".nadilka-save-";
constexpr std::size_t kTempRandomChars = 6;

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

// Where a write to `path` lands: the path itself, or the file a symbolic link there names (a
// settings file kept with the dotfiles elsewhere, a table shared by link between run folders),
// so that the link stays a link and its target gets the new bytes. Fails when it cannot be
// written: only a regular file, or nothing yet, is ever replaced.
Status writeTarget(const std::filesystem::path &path, std::filesystem::path &target, struct stat &st, bool &exists) {
  target = path;
  for (int hops = 0;; ++hops) {
    if (::lstat(target.c_str(), &st) != 0) {
      // Not there yet, or a file where a folder should be: creating the folder says why.
      if (errno != ENOENT && errno != ENOTDIR)
        return Status::Failed("cannot look at " + target.string() + ": " + errnoText(errno));
      exists = false;
      return {};
    }
    if (!S_ISLNK(st.st_mode)) break;
    if (hops == 40) return Status::Failed(path.string() + ": " + errnoText(ELOOP));
    std::error_code ec;
    const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
    if (ec) return Status::Failed("cannot read the link " + target.string() + ": " + ec.message());
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  exists = true;
  if (!S_ISREG(st.st_mode)) return Status::Failed(path.string() + " is not a regular file");
  return {};
}

// A new temporary file beside `target`, created with mode 0644 so that the umask applies as it
// does to any new file; mkstemp would make it private.
int createTemporary(const std::filesystem::path &dir, const std::string &stem, std::string &tmp) {
  static constexpr char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::random_device seed;
  std::mt19937 pick(seed());
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kChars - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem;
    for (std::size_t i = 0; i < kTempRandomChars; ++i) name += kChars[letter(pick)];
    tmp = (dir / name).string();
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// The steps of writeAtomically.
Status writeSteps(const std::filesystem::path &path, std::string_view bytes, const WriteHooks *hooks) {
  const auto fails = [&](std::string_view step) { return hooks && hooks->failAfter && hooks->failAfter(step); };
  const auto crashes = [&](std::string_view step) { return hooks && hooks->crashAfter && hooks->crashAfter(step); };

  std::filesystem::path target;
  struct stat old {};
  bool exists = false;
  if (Status usable = writeTarget(path, target, old, exists); !usable.ok()) return usable;
  const std::string where = target.string();

  std::filesystem::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return Status::Failed("cannot create folder " + dir.string() + ": " + ec.message());

  removeStaleTemporaries(dir, target.filename().string());
  std::string tmp;
  const int fd = createTemporary(dir, temporaryStem(target.filename().string()), tmp);
  if (fd < 0) return Status::Failed("cannot create a temporary file in " + dir.string() + ": " + errnoText(errno));
  // A crash leaves the temporary file behind; only the kernel closes the descriptor.
  const auto crash = [&](std::string_view step) {
    ::close(fd);
    return Status::Failed("crash after " + std::string(step));
  };
  const auto abandon = [&](const std::string &reason) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return Status::Failed(reason);
  };
  // The file keeps the access its owner gave it.
  if (exists) ::fchmod(fd, old.st_mode & 07777);
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
    return Status::Failed("cannot close " + tmp + ": " + errnoText(err));
  }

  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    return Status::Failed("cannot replace " + where + ": " + errnoText(err));
  }
  if (crashes("renamed")) return Status::Failed("crash after renamed");
  if (fails("renamed")) return Status::Failed("injected failure after renamed");

  // Makes the rename itself survive a power cut. If this fails the new file is in place and
  // every reader sees it, so reporting the write as failed would mislead the player.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

} // namespace

Status writeAtomically(const std::filesystem::path &path, std::string_view bytes, const WriteHooks *hooks) {
  return writeSteps(path, bytes, hooks);
}

ReadResult readAtMost(const std::filesystem::path &path, std::size_t maxBytes) {
  ReadResult res;
  // Not blocking: a FIFO in the file's place would hold the game in open() until a writer came.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    res.missing = errno == ENOENT;
    res.status = Status::Failed("cannot open " + path.string() + ": " + errnoText(errno));
    return res;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    res.status = Status::Failed("cannot read " + path.string() + ": not a regular file");
    ::close(fd);
    return res;
  }
  char buf[8192];
  // One byte past the limit tells a file of exactly maxBytes from a longer one.
  while (res.bytes.size() <= maxBytes) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      res.status = Status::Failed("cannot read " + path.string() + ": " + errnoText(errno));
      break;
    }
    if (n == 0) break;
    res.bytes.append(buf, static_cast<std::size_t>(n));
  }
  if (res.bytes.size() > maxBytes) {
    res.bytes.resize(maxBytes);
    res.tooLarge = true;
  }
  ::close(fd);
  return res;
}

FileLock::FileLock(const std::filesystem::path &file) {
  std::filesystem::path target;
  struct stat st {};
  bool exists = false;
  if (!writeTarget(file, target, st, exists).ok()) target = file;
  const std::filesystem::path dir = target.parent_path().empty() ? "." : target.parent_path();
  const std::filesystem::path lockPath = dir / (std::string(kLockFilePrefix) + target.filename().string());
  std::error_code ec;
  std::filesystem::create_directories(dir, ec); // the first save creates the folder anyway
  fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  // A folder that takes no lock file takes no table either: the write will say why.
  if (fd_ < 0) return;
  // Another copy holds it only from its read to its rename; one that does not let go within
  // seconds is stuck, and the player's result must not wait on it.
  for (int tries = 0; tries < 100; ++tries) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    ::usleep(50 * 1000);
  }
  status_ = Status::Failed("cannot lock " + lockPath.string() + ": " +
                           (errno == EWOULDBLOCK ? std::string("another program held it for 5 s") : errnoText(errno)));
  ::close(fd_);
  fd_ = -1;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_); // closing lets go of the lock
}

} // namespace nad::files
