#pragma once
// The game state record: every variable the handlers share, under its own name.
// Every variable starts empty: 0 in arithmetic, "" in text comparisons, never True.
#include <array>
#include <cstdint>
#include <string>

namespace nad {

// The steering states and the banner phase are text states in the game's rules; Unset is the
// empty start, which behaves as "" (steering) or as "2" (banner phase).
enum class VertDir : uint8_t { Unset, None, Up, Down };
enum class HorizDir : uint8_t { Unset, None, Right, Left };
enum class BannerPhase : uint8_t { Unset, One, Two };

inline bool isBlank(VertDir d) { return d == VertDir::Unset || d == VertDir::None; }
inline bool isBlank(HorizDir d) { return d == HorizDir::Unset || d == HorizDir::None; }

struct GameState {
  bool gameRunning = false;
  int loopBrake = 0;    // ms added to a tick reading to form the next frame's deadline
  int frameCount = 0;   // frames since the last frame-rate display
  int64_t nextTick = 0; // deadline of the next frame on the tick counter
  double speed = 0;     // pixels per frame the houses scroll; shown ×10 as km/h
  int timeLeft = 0;     // the game clock, seconds
  double points = 0;    // whole after every change
  int giftsDelivered = 0;
  int giftsDestroyed = 0;
  uint32_t chimneyColor = 0; // colour value, red in the lowest byte
  double teamX = 0;
  double velocityX = 0; // positive moves the team left
  double velocityY = 0; // positive moves the team down
  VertDir vertDir = VertDir::Unset;
  HorizDir horizDir = HorizDir::Unset;
  double houseScroll = 0;
  BannerPhase bannerPhase = BannerPhase::Unset;
  bool deerStepToggle = false;

  std::array<double, 17> trailY{};  // 1..16: trailY[1] is the lead reindeer's height now
  std::array<int, 5> deerFrame{};   // 1..4
  std::array<bool, 6> giftActive{}; // 0..5
  std::array<double, 6> giftX{};
  std::array<double, 6> giftY{};
  std::array<double, 31> starX{}; // stars 0..8 are used
  std::array<double, 31> starY{};
  std::array<std::string, 7> hiscoreName;
  std::array<std::string, 7> hiscorePoints;

  // Loop counters of the high-score code, kept in the record as 16-bit whole numbers.
  int16_t labelRow = 0, fileRow = 0, shiftRow = 0, insertRow = 0;
};

} // namespace nad
