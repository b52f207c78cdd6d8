#pragma once
// A game on the headless backend: real pictures from the run folder, a program folder of its
// own in a temporary directory, a virtual clock and scripted input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "flow/lifecycle.h"
#include "platform/headless/headless_platform.h"
#include "world/game_clock.h"
#include "world/reset_world.h"

namespace nad::test {

inline std::filesystem::path gameDir() { return NADILKA_GAME_DIR; }

// A fresh, empty folder per test, removed afterwards.
class TempDir {
public:
  TempDir() {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "nadilka";
    for (char &c : name)
      if (c == '/') c = '_';
    path_ = std::filesystem::temp_directory_path() / ("nadilka-test-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path &path() const { return path_; }

private:
  std::filesystem::path path_;
};

// Records the start time of every frame and lets a test act after each UpdateWorld.
class FrameLog : public FormObserver {
public:
  std::vector<int64_t> starts;
  std::vector<float> randoms;
  std::function<void()> afterUpdate;
  void onFrameStart(int64_t t) override { starts.push_back(t); }
  void onFrameEnd() override {
    if (afterUpdate) afterUpdate();
  }
  void onRandom(float r) override { randoms.push_back(r); }
};

struct Game {
  TempDir dir;
  HeadlessPlatform hp{dir.path()};
  Form f{hp.platform()};
  FrameLog log;
  GameState &s = f.s;
  Scene &sc = f.scene;

  explicit Game(bool load = true) {
    f.scene.loadPictures(gameDir() / "pictures");
    f.observer = &log;
    if (load) Form_Load(f);
  }
  // Runs the program until the script is used up and no game runs; true if the window closed.
  bool run() {
    try {
      RunProgram(f);
    } catch (const ProgramEnd &) {
      return true;
    }
    return false;
  }
  void writeScores(const std::string &bytes) { std::ofstream(dir.path() / "extract.ext", std::ios::binary) << bytes; }
  std::string readScores() {
    std::ifstream in(dir.path() / "extract.ext", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Client coordinates of a point inside a control (its top-left plus an offset).
  std::pair<int, int> at(Id id, int dx = 2, int dy = 2) const {
    int x, y;
    f.scene.clientOrigin(id, x, y);
    return {x + dx, y + dy};
  }
  void clickOn(int64_t t, Id id, int dx = 2, int dy = 2) {
    auto [x, y] = at(id, dx, dy);
    hp.click(t, x, y);
  }
  std::vector<std::string> calls(const std::string &what) const {
    std::vector<std::string> out;
    for (const auto &c : hp.calls)
      if (c.what == what) out.push_back(c.arg);
    return out;
  }
  std::vector<std::string> musicCalls() const {
    std::vector<std::string> out;
    for (const auto &c : hp.calls)
      if (c.what == "music-file")
        out.push_back("file " + std::filesystem::path(c.arg).filename().string());
      else if (c.what == "play" || c.what == "pause")
        out.push_back(c.what);
    return out;
  }
};

} // namespace nad::test
