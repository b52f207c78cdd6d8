// The flight of the reindeer team: steering states become velocities with inertia. Only the
// lead's height is simulated; the rest of the team follows its trail of past heights.
#include "world/update_world.h"

namespace nad {
namespace {
constexpr double kTop = 80, kBottom = 250;  // band of the lead's height
constexpr double kLeft = 100, kRight = 370; // band of teamX while steering
constexpr double kStep = 0.1, kMaxSpeed = 2;
} // namespace

void ShiftTrail(GameState &s) {
  for (int k = 15; k >= 1; --k) s.trailY[k + 1] = s.trailY[k];
}

void MoveLeadHeight(Form &f) {
  GameState &s = f.s;
  float r = f.rnd();
  float jitter = r * 5.0f / 10.0f; // formed in single precision
  s.trailY[1] = s.trailY[1] + s.velocityY - 0.3 + jitter;
}

// Each block tests the state afresh, so a flip made by one block is seen by the next in the
// same frame ("up" at the top becomes "down" and is sped up at once to 1.1).
void SteerVertically(GameState &s) {
  if (s.vertDir == VertDir::Up) {
    if (s.trailY[1] > kTop) {
      if (s.velocityY > -kMaxSpeed) s.velocityY = s.velocityY - kStep;
    } else {
      s.velocityY = 1;
      s.vertDir = VertDir::Down;
    }
  }
  if (isBlank(s.vertDir)) {
    if (s.trailY[1] < kTop) s.velocityY = 1;
    if (s.trailY[1] > kBottom) s.velocityY = -1;
    // No dead band: the decay never lands exactly on 0 once it has left it.
    if (s.velocityY != 0) {
      if (s.velocityY > 0)
        s.velocityY = s.velocityY - kStep;
      else
        s.velocityY = s.velocityY + kStep;
    }
  }
  if (s.vertDir == VertDir::Down) {
    if (s.trailY[1] < kBottom) {
      if (s.velocityY < kMaxSpeed) s.velocityY = s.velocityY + kStep;
    } else {
      s.vertDir = VertDir::Up;
      s.velocityY = -kStep;
    }
  }
}

void SteerHorizontallyAndMove(GameState &s) {
  if (s.horizDir == HorizDir::Right) {
    if (s.teamX < kRight) {
      if (s.velocityX > -kMaxSpeed) s.velocityX = s.velocityX - kStep;
    } else {
      s.horizDir = HorizDir::None;
    }
  }
  if (isBlank(s.horizDir)) {
    if (s.velocityX != 0) {
      if (s.velocityX > 0)
        s.velocityX = s.velocityX - kStep;
      else
        s.velocityX = s.velocityX + kStep;
    }
  }
  if (s.horizDir == HorizDir::Left) {
    if (s.teamX > kLeft) {
      if (s.velocityX < kMaxSpeed) s.velocityX = s.velocityX + kStep;
    } else {
      s.horizDir = HorizDir::None;
    }
  }
  s.teamX = s.teamX - s.velocityX;
}

} // namespace nad
