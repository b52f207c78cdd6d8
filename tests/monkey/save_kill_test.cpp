// The high-score save killed at random moments: a child process saves two different tables in
// turn, as fast as it can, and is killed with SIGKILL after a random delay. Whatever the moment,
// extract.ext must then hold one of the two tables exactly — never a mix, a prefix or nothing.
// The hooks of the unit tests stop the save only between its steps; a real kill also lands
// inside the write, the sync and the rename.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "frontend/highscore_file.h"

namespace fs = std::filesystem;
using namespace nad;

namespace {

std::string slurp(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

hiscore::Table table(const std::string &stem, int base) {
  hiscore::Table t;
  for (int r = 0; r < hiscore::kRows; ++r) t[size_t(r)] = {stem + std::to_string(r), std::to_string(base - 100 * r)};
  return t;
}

void sleepMicros(long us) { std::this_thread::sleep_for(std::chrono::microseconds(us)); }

TEST(SaveUnderKill, TheFileIsAlwaysTheOldOrTheNewTable) {
  // A kill leaves the page cache intact, so the disk's speed does not matter to the outcome; in
  // memory the saves are short and many more kill points fit into a few seconds.
  const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const fs::path dir = base / ("nadilka-kill-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path file = dir / hiscore::kFileName;
  // Different lengths, so that a torn file cannot pass for either by accident.
  const hiscore::Table a = table("Žlutý kůň ", 90000), b = table("B", 7);
  const std::string bytesA = hiscore::format(a), bytesB = hiscore::format(b);
  ASSERT_NE(bytesA.size(), bytesB.size());
  ASSERT_EQ(hiscore::save(file, a).reason(), "");

  // How long one save takes here decides the range of kill delays (at most a few saves' worth).
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) ASSERT_EQ(hiscore::save(file, i % 2 ? a : b).reason(), "");
  const long saveMicros = std::max<long>(
      1,
      long(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count() / 20));

  std::mt19937 rng(1225);
  const int kills = 1000;
  int sawA = 0, sawB = 0, midSave = 0;
  for (int k = 0; k < kills; ++k) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      bool signalled = false;
      for (unsigned n = 0;; ++n) {
        (void)hiscore::save(file, n % 2 ? a : b);
        if (!signalled) {
          // From here on every moment belongs to some save.
          (void)!::write(ready[1], "r", 1);
          signalled = true;
        }
      }
    }
    ::close(ready[1]);
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    sleepMicros(std::uniform_int_distribution<long>(0, 3 * saveMicros)(rng));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const std::string now = slurp(file);
    ASSERT_TRUE(now == bytesA || now == bytesB) << "kill " << k << " left a torn table of " << now.size() << " bytes:\n"
                                                << now;
    (now == bytesA ? sawA : sawB)++;
    // A temporary file left behind shows the kill fell inside a save, before its rename. It must
    // bear the save's own hidden name, the only one a later save sweeps.
    for (const auto &entry : fs::directory_iterator(dir))
      if (entry.path() != file) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name.size() == 32 && name.rfind(".nadilka-save-extract.ext.", 0) == 0) << "leftover " << name;
        ++midSave;
        fs::remove(entry.path());
      }
    // The survivor must also load as a complete table.
    const auto loaded = hiscore::load(file);
    ASSERT_TRUE(loaded.complete) << loaded.status.reason();
    ASSERT_TRUE(loaded.table == a || loaded.table == b);
  }
  std::printf("save kill: %d kill points (one save ~%ld us); old/new table %d/%d; %d kills inside a save\n", kills,
              saveMicros, sawA, sawB, midSave);
  // Both outcomes and kills inside a save must occur, or the delays missed the save entirely.
  EXPECT_GT(sawA, 0);
  EXPECT_GT(sawB, 0);
  EXPECT_GT(midSave, 0);
  fs::remove_all(dir);
}

} // namespace
