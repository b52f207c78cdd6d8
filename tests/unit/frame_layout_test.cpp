#include "platform/sdl/frame_layout.h"

#include <gtest/gtest.h>

#include <vector>

using namespace nad;

namespace {

constexpr int kW = 642, kH = 482;

struct Place {
  int windowW, windowH;
  bool smooth;
  FramePlacement want;
};

TEST(FrameLayout, SharpTakesTheLargestWholeScaleAndSmoothFillsWithTheShapeKept) {
  const std::vector<Place> cases = {
      {642, 482, false, {0, 0, 642, 482, 1, false}},
      {1283, 963, false, {320, 240, 642, 482, 1, false}}, // one pixel short of scale 2
      {1284, 964, false, {0, 0, 1284, 964, 2, false}},
      {1920, 1080, false, {318, 58, 1284, 964, 2, false}},   // 1080p fullscreen
      {3840, 2160, false, {636, 116, 2568, 1928, 4, false}}, // 4K fullscreen
      {2000, 964, false, {358, 0, 1284, 964, 2, false}},     // wide: bars left and right
      {1284, 2000, false, {0, 518, 1284, 964, 2, false}},    // tall: bars above and below
      {1920, 1080, true, {241, 0, 1438, 1080, 0, true}},
      {1284, 964, true, {0, 0, 1284, 964, 2, true}},
      {2000, 964, true, {358, 0, 1284, 964, 2, true}},
      {321, 241, false, {0, 0, 321, 241, 0, false}}, // smaller than the frame: shrunk to fit
      {300, 482, false, {0, 128, 300, 225, 0, false}},
  };
  for (const Place &c : cases) {
    SCOPED_TRACE(std::to_string(c.windowW) + " x " + std::to_string(c.windowH) + (c.smooth ? " smooth" : " sharp"));
    EXPECT_EQ(placeFrame(c.windowW, c.windowH, kW, kH, c.smooth), c.want);
  }
}

struct Point {
  int x, y;
  bool inside;
  int fx, fy;
};

TEST(FrameLayout, WindowPointsMapBackToTheFrameAndTheBorderHitsNothing) {
  const FramePlacement fs = placeFrame(1920, 1080, kW, kH, false); // scale 2 at (318, 58)
  const std::vector<Point> cases = {
      {318, 58, true, 0, 0},        {319, 59, true, 0, 0},
      {320, 60, true, 1, 1},        {318 + 640, 58 + 490, true, 320, 245}, // "Nová hra" at scale 2
      {1601, 1021, true, 641, 481}, {1602, 1021, false, 0, 0},
      {1601, 1022, false, 0, 0},    {317, 300, false, 0, 0},
      {900, 57, false, 0, 0},       {0, 0, false, 0, 0},
  };
  for (const Point &c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
    int fx = -1, fy = -1;
    EXPECT_EQ(windowToFrame(fs, kW, kH, c.x, c.y, fx, fy), c.inside);
    if (c.inside) {
      EXPECT_EQ(fx, c.fx);
      EXPECT_EQ(fy, c.fy);
    } else {
      EXPECT_TRUE(fx < 0 || fy < 0 || fx >= kW || fy >= kH) << fx << ", " << fy;
    }
  }
  // Smooth: every window pixel of the picture lands inside the frame.
  const FramePlacement smooth = placeFrame(1920, 1080, kW, kH, true);
  for (int x = smooth.x; x < smooth.x + smooth.w; x += 7) {
    int fx = -1, fy = -1;
    ASSERT_TRUE(windowToFrame(smooth, kW, kH, x, smooth.y + smooth.h - 1, fx, fy));
    EXPECT_LT(fx, kW);
    EXPECT_EQ(fy, kH - 1);
  }
}

TEST(FrameLayout, TheFirstScaleFollowsTheDensityAndFitsTheScreen) {
  EXPECT_EQ(scaleForDensity(0), 1);
  EXPECT_EQ(scaleForDensity(-5), 1);
  EXPECT_EQ(scaleForDensity(72), 1);
  EXPECT_EQ(scaleForDensity(100), 1); // Xvfb's default
  EXPECT_EQ(scaleForDensity(143), 1);
  EXPECT_EQ(scaleForDensity(144), 2); // half-way rounds up
  EXPECT_EQ(scaleForDensity(163), 2); // 27" 4K
  EXPECT_EQ(scaleForDensity(192), 2);
  EXPECT_EQ(scaleForDensity(282), 3); // 15.6" 4K
  EXPECT_EQ(largestScaleThatFits(1024, 768, kW, kH, 40), 1);
  EXPECT_EQ(largestScaleThatFits(1920, 1080, kW, kH, 40), 2);
  EXPECT_EQ(largestScaleThatFits(1920, 1003, kW, kH, 40), 1);
  EXPECT_EQ(largestScaleThatFits(3840, 2160, kW, kH, 40), 4);
  EXPECT_EQ(largestScaleThatFits(640, 480, kW, kH, 40), 1); // never below 1
}

} // namespace
