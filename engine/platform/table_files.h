#pragma once
// The high-score table's file on the disk: the crash-safe write and the lock between copies of
// the game (atomic_file.h) behind the interface the rules use.
#include <optional>

#include "platform/platform.h"

namespace nad {

class DiskTableFiles : public TableFiles {
public:
  files::ReadResult read(const std::filesystem::path &path, std::size_t maxBytes) override {
    return files::readAtMost(path, maxBytes);
  }
  Status write(const std::filesystem::path &path, std::string_view bytes) override {
    return files::writeAtomically(path, bytes);
  }
  Status lock(const std::filesystem::path &file) override {
    lock_.emplace(file);
    return lock_->status();
  }
  void unlock() override { lock_.reset(); }

private:
  std::optional<files::FileLock> lock_;
};

} // namespace nad
