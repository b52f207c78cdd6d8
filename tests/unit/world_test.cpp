// One step of the world: the star trail, the flight of the team, the houses, the labels and
// the gifts. Most cases prepare a record by hand and call the steps directly; the timer and
// pause cases run the real loop on the virtual clock.
#include "harness.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "input/keyboard.h"
#include "render/draw_frame.h"
#include "world/update_world.h"

namespace nad::test {
namespace {

constexpr uint32_t kChimney = colorValue(16, 23, 16);

// Parks every star far right of the field so that none is reborn unless a case wants it.
void parkStars(GameState &s) {
  for (int k = 0; k <= 8; ++k) s.starX[k] = 500, s.starY[k] = 50;
}

// --- Order of the steps and the random draws ---------------------------------------------

TEST(WorldOrder, StarsAreRebornFromLastFramesLeadBeforeTheTeamMoves) {
  Game g;
  GameState &s = g.s;
  parkStars(s);
  s.starX[2] = 2;   // 2 - 2.9 < 0: reborn
  s.starX[5] = 1;   // 1 - 2.8 < 0: reborn
  s.starX[7] = 3.1; // 3.1 - 3.1 == 0: not below 0, stays
  for (int k = 1; k <= 16; ++k) s.trailY[k] = 120 + k;
  s.velocityY = 2;   // the new lead height differs from the old one
  s.velocityX = 1.5; // and the team moves left in this very update
  s.teamX = 150;
  s.horizDir = HorizDir::None;
  g.f.rng.seed(7);
  Rng replay;
  replay.seed(7);
  float r2 = replay.next(), r5 = replay.next(), jitter = replay.next();

  UpdateWorld(g.f);

  // One draw per reborn star in star order, then exactly one for the jitter.
  EXPECT_EQ(g.log.randoms, (std::vector<float>{r2, r5, jitter}));
  // Both reborn at the same x, taken from teamX before this update's move (150, not 148.6).
  EXPECT_EQ(s.starX[2], 356);
  EXPECT_EQ(s.starX[5], 356);
  EXPECT_DOUBLE_EQ(s.teamX, 150 - 1.4);
  // Heights from the lead of the previous frame (121), not the shifted or the new one.
  EXPECT_EQ(s.starY[2], 121.0 + 44 - 10 - double(15.0f * r2));
  EXPECT_EQ(s.starY[5], 121.0 + 44 - 10 - double(15.0f * r5));
  EXPECT_EQ(s.starX[7], 0);
  EXPECT_DOUBLE_EQ(s.starY[7], 50.3);
  EXPECT_DOUBLE_EQ(s.starX[0], 497);
  EXPECT_EQ(s.trailY[2], 121) << "the trail shifted after the rebirth";
  EXPECT_EQ(s.trailY[16], 135);
}

TEST(WorldOrder, SpreadAndJitterAreFormedInSinglePrecision) {
  Game g;
  GameState &s = g.s;
  parkStars(s);
  s.vertDir = VertDir::None;
  s.trailY[1] = 150;
  g.f.rng.seed(20231224);
  int spreadDiffers = 0, jitterDiffers = 0;
  for (int frame = 0; frame < 200; ++frame) {
    parkStars(s);
    s.starX[4] = 1; // reborn every frame
    double lead = s.trailY[1], v = s.velocityY;
    g.log.randoms.clear();
    UpdateWorld(g.f);
    ASSERT_EQ(g.log.randoms.size(), 2u);
    float rs = g.log.randoms[0], rj = g.log.randoms[1];
    double spreadF = double(15.0f * rs), jitterF = double(rj * 5.0f / 10.0f);
    ASSERT_EQ(s.starY[4], lead + 44 - 10 - spreadF) << frame;
    ASSERT_EQ(s.trailY[1], lead + v - 0.3 + jitterF) << frame;
    spreadDiffers += spreadF != 15.0 * double(rs);
    jitterDiffers += jitterF != double(rj) * 5 / 10;
  }
  // Only frames where the double formula would differ tell the two apart; make sure there were some.
  EXPECT_GT(spreadDiffers, 10);
  EXPECT_GT(jitterDiffers, 10);
}

// --- Houses, speed and the labels ----------------------------------------------------------

TEST(WorldHouses, ScrollAddsSpeedAndATenthOfTheSidewaysVelocityAndRestartsAboveTheEnd) {
  struct Case {
    double scroll, speed, velocityX;
    HorizDir dir; // keeps velocityX unchanged through the steering step
    double expected;
  } cases[] = {
      {0, 2.5, 0, HorizDir::None, 2.5},       {0, 2.5, -2, HorizDir::Right, 2.3},     // moving right slows the houses
      {0, 2.5, 2, HorizDir::Left, 2.7},                                               // moving left speeds them up
      {2897.5, 2.5, 0, HorizDir::None, 2900}, {2900, 0, 0, HorizDir::None, 2900},     // exactly 2900 stays
      {2900, 0.5, 0, HorizDir::None, -640},   {2897.5, 2.5, 2, HorizDir::Left, -640}, // 2900.2
      {-640, 3, 0, HorizDir::None, -637},
  };
  for (const Case &c : cases) {
    Game g;
    g.s.houseScroll = c.scroll;
    g.s.speed = c.speed;
    g.s.velocityX = c.velocityX;
    g.s.horizDir = c.dir;
    g.s.teamX = 200;
    UpdateWorld(g.f);
    EXPECT_DOUBLE_EQ(g.s.houseScroll, c.expected) << "from " << c.scroll;
    EXPECT_EQ(g.s.velocityX, c.velocityX);
  }
}

TEST(WorldHouses, SpeedGrowsEveryTenSecondsAlsoBetweenGames) {
  Game g;
  g.hp.idleUntil(30500);
  g.run();
  EXPECT_EQ(g.s.speed, 1.5) << "three ticks in the menu";
  g.clickOn(30500, Image1);
  std::vector<std::string> labels;
  g.log.afterUpdate = [&] {
    labels.push_back(g.sc[Label7].caption);
    if (g.log.starts.back() > 40100) g.s.gameRunning = false;
  };
  g.run();
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels.front(), "Rychlost : 25 Km/h");
  EXPECT_EQ(labels.back(), "Rychlost : 30 Km/h") << "the tick at 40 s keeps the cadence from the load";
  EXPECT_EQ(g.s.speed, 3);
}

TEST(WorldLabels, PointsShowOneFrameLateWhileTheGiftCountersAreCurrent) {
  Game g;
  GameState &s = g.s;
  s.chimneyColor = kChimney;
  s.giftActive[1] = true;
  s.giftX[1] = 300, s.giftY[1] = 478; // falls to 481: lost, its probe is below the field
  DrawFrame(g.f);
  UpdateWorld(g.f);
  EXPECT_EQ(s.points, -50);
  EXPECT_EQ(g.sc[Label5].caption, "Bodů : 0");
  EXPECT_EQ(g.sc[Label4].caption, "Dárku zničeno : 1");
  DrawFrame(g.f);
  UpdateWorld(g.f);
  EXPECT_EQ(g.sc[Label5].caption, "Bodů : -50");
}

// --- Flight -------------------------------------------------------------------------------

// Runs frames with a key held: the keyboard repeats the press before every frame.
struct Held {
  Game &g;
  int code;
  void frame() {
    Form_KeyDown(g.f, code, 0);
    UpdateWorld(g.f);
  }
};

TEST(WorldFlight, HeldUpBobsBelowTheUpperLimit) {
  Game g;
  parkStars(g.s);
  Held up{g, key::Up};
  int flips = 0;
  double highest = 1e9, deepestAfterFirstFlip = -1e9;
  for (int frame = 0; frame < 400; ++frame) {
    up.frame();
    highest = std::min(highest, g.s.trailY[1]);
    if (g.s.trailY[1] <= 80) {
      ++flips;
      ASSERT_EQ(g.s.vertDir, VertDir::Down) << frame;
      ASSERT_EQ(g.s.velocityY, 1.1) << frame;
    } else {
      ASSERT_EQ(g.s.vertDir, VertDir::Up) << frame;
    }
    if (flips) deepestAfterFirstFlip = std::max(deepestAfterFirstFlip, g.s.trailY[1]);
  }
  EXPECT_GT(flips, 10) << "it bounces again and again";
  EXPECT_GT(highest, 77);
  EXPECT_LT(deepestAfterFirstFlip, 90);
}

TEST(WorldFlight, HeldDownBobsAboveTheLowerLimit) {
  Game g;
  parkStars(g.s);
  Held down{g, key::Down};
  int flips = 0;
  for (int frame = 0; frame < 400; ++frame) {
    down.frame();
    if (g.s.trailY[1] >= 250) {
      ++flips;
      ASSERT_EQ(g.s.vertDir, VertDir::Up) << frame;
      ASSERT_EQ(g.s.velocityY, -0.1) << frame;
    } else {
      ASSERT_EQ(g.s.vertDir, VertDir::Down) << frame;
    }
    ASSERT_LT(g.s.trailY[1], 253) << frame;
  }
  EXPECT_GT(flips, 10);
}

// Right is cleared by the first block of the sideways step, before the decay block, so the
// velocity decays in the same frame even while the repeated presses set "right" again.
// Left is cleared by the last block, after the decay, so it decays only on frames without a
// repeated press: with the key repeating at every second frame it overshoots further.
TEST(WorldFlight, HeldSidewaysKeyOvershootsTheLimitByTheDecayDistance) {
  struct Case {
    int code;
    int pressEvery;            // frames between repeated presses
    double start, limit, sign; // sign: the direction of travel in teamX
    double velocityAtLimit, overshoot;
  } cases[] = {
      {key::Right, 1, 100, 370, +1, 1.9, 19}, // 1.9 + 1.8 + ... + 0.1
      {key::Right, 2, 100, 370, +1, 1.9, 19},
      // The limit is seen on a frame without a press: 2 then, 2 again on the next press,
      // after that each step of the decay twice.
      {key::Left, 2, 370, 100, -1, 2.0, 2 + 2 + 2 * 19},
  };
  for (const Case &c : cases) {
    Game g;
    parkStars(g.s);
    g.s.teamX = c.start;
    std::optional<double> atLimit; // teamX on the frame the limit was seen
    for (int frame = 0; frame < 600; ++frame) {
      double before = g.s.teamX;
      if (frame % c.pressEvery == 0) Form_KeyDown(g.f, c.code, 0);
      UpdateWorld(g.f);
      if (!atLimit && (before - c.limit) * c.sign >= 0) {
        atLimit = before;
        EXPECT_TRUE(isBlank(g.s.horizDir)) << "the limit clears the state";
        EXPECT_NEAR(std::abs(g.s.velocityX), c.velocityAtLimit, 1e-12) << c.code;
      }
      if (atLimit && std::abs(g.s.velocityX) < 1e-9) break;
    }
    ASSERT_TRUE(atLimit) << c.code;
    ASSERT_LT(std::abs(g.s.velocityX), 1e-9) << c.code << ": the team comes to rest";
    EXPECT_NEAR((g.s.teamX - *atLimit) * c.sign, c.overshoot, 1e-9) << c.code << " beyond where the limit was seen";
  }
}

TEST(WorldFlight, WithoutKeysTheVelocityDecaysWithoutADeadBand) {
  Game g;
  parkStars(g.s);
  g.s.teamX = 200;
  g.s.velocityX = 1;
  g.s.horizDir = HorizDir::None;
  g.s.trailY[1] = 150;
  g.s.velocityY = 1; // in the band: decays like the sideways velocity
  for (int frame = 0; frame < 10; ++frame) UpdateWorld(g.f);
  EXPECT_NE(g.s.velocityX, 0);
  EXPECT_LT(std::abs(g.s.velocityX), 1e-12);
  EXPECT_NE(g.s.velocityY, 0);
  double residue = g.s.velocityX, x0 = g.s.teamX;
  for (int frame = 0; frame < 20; ++frame) {
    UpdateWorld(g.f);
    double expected = frame % 2 == 0 ? residue - 0.1 : residue;
    ASSERT_NEAR(g.s.velocityX, expected, 1e-15) << frame;
    ASSERT_NE(g.s.velocityX, 0) << frame;
  }
  EXPECT_NEAR(g.s.teamX - x0, 1.0, 1e-9) << "creeps 0.1 pixel every second frame";

  Game still;
  parkStars(still.s);
  still.s.teamX = 200;
  still.s.trailY[1] = 150;
  for (int frame = 0; frame < 100; ++frame) UpdateWorld(still.f);
  EXPECT_EQ(still.s.velocityX, 0);
  EXPECT_EQ(still.s.velocityY, 0);
  EXPECT_EQ(still.s.teamX, 200) << "an exact 0 stays 0";
}

TEST(WorldFlight, OutsideTheBandTheVelocityIsForcedBackAndDecaysAtOnce) {
  struct Case {
    double lead, velocity;
    VertDir dir;
    double expected;
  } cases[] = {
      {60, -1.5, VertDir::None, 0.9},  // above the band: pushed down
      {60, -1.5, VertDir::Unset, 0.9}, // the empty start behaves as ""
      {275, 1.7, VertDir::None, -0.9}, // below the band: pushed up
      {150, 0.5, VertDir::None, 0.4},  // inside: only the decay
      {150, -0.5, VertDir::None, -0.4},
  };
  for (const Case &c : cases) {
    Game g;
    parkStars(g.s);
    g.s.trailY[1] = c.lead;
    g.s.velocityY = c.velocity;
    g.s.vertDir = c.dir;
    UpdateWorld(g.f);
    EXPECT_DOUBLE_EQ(g.s.velocityY, c.expected) << c.lead << " " << c.velocity;
  }
}

TEST(WorldFlight, SidewaysVelocityMovesTheTeamAtOnceVerticalOnlyNextFrame) {
  Game g;
  parkStars(g.s);
  g.s.teamX = 200;
  g.s.trailY[1] = 150;
  Form_KeyDown(g.f, key::Left, 0);
  Form_KeyDown(g.f, key::Down, 0);
  g.f.rng.seed(3);
  Rng replay;
  replay.seed(3);
  float r1 = replay.next(), r2 = replay.next();
  UpdateWorld(g.f);
  EXPECT_DOUBLE_EQ(g.s.teamX, 199.9);
  EXPECT_EQ(g.s.velocityY, 0.1);
  EXPECT_EQ(g.s.trailY[1], 150 - 0.3 + double(r1 * 5.0f / 10.0f)) << "no velocity in this frame yet";
  double lead = g.s.trailY[1];
  UpdateWorld(g.f);
  EXPECT_DOUBLE_EQ(g.s.teamX, 199.9 - 0.2);
  EXPECT_EQ(g.s.trailY[1], lead + 0.1 - 0.3 + double(r2 * 5.0f / 10.0f));
}

// --- Gifts ---------------------------------------------------------------------------------

TEST(WorldGifts, DropFillsTheLowestFreeSlotAtTheLeadAndAtMostSix) {
  Game g;
  GameState &s = g.s;
  s.teamX = 150.5;
  s.trailY[1] = 123.25;
  for (int i = 0; i < 6; ++i) DropGift(g.f);
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(s.giftActive[i]);
    EXPECT_EQ(s.giftX[i], 85.5) << "five pixels left of the sleigh";
    EXPECT_EQ(s.giftY[i], 123.25);
  }
  s.teamX = 300;
  auto before = s;
  DropGift(g.f);
  EXPECT_EQ(s.giftX, before.giftX) << "a seventh drop does nothing";
  EXPECT_EQ(s.giftY, before.giftY);

  s.giftActive[4] = false;
  s.giftActive[2] = false;
  DropGift(g.f);
  EXPECT_TRUE(s.giftActive[2]);
  EXPECT_FALSE(s.giftActive[4]);
  EXPECT_EQ(s.giftX[2], 235);
  EXPECT_EQ(s.giftX[4], 85.5);
}

// A gift at (200, 200) falls to (199, 203); its probe is the pixel (206, 219).
struct GiftAtProbe {
  Game g;
  GiftAtProbe(double x = 200, double y = 200) {
    g.s.chimneyColor = kChimney;
    g.s.giftActive[0] = true;
    g.s.giftX[0] = x;
    g.s.giftY[0] = y;
    DrawFrame(g.f);
  }
  void paint(int x, int y) { g.sc.image(pic).at(x, y) = rgbPixel(16, 23, 16); }
};

TEST(WorldGifts, DeliveryScoresByTheLeadHeightRoundedHalfToEven) {
  struct Case {
    double lead, points;
  } cases[] = {
      {100, 430}, {99.5, 430} /* 430.5 */, {98.5, 432} /* 431.5 */, {80, 450}, {250, 280}, {101.5, 428},
  };
  for (const Case &c : cases) {
    GiftAtProbe t;
    ASSERT_NE(t.g.sc.pixels(pic).colorAt(206, 219), kChimney);
    t.paint(206, 219);
    t.g.s.trailY[1] = c.lead;
    MoveGifts(t.g.f);
    EXPECT_EQ(t.g.s.points, c.points) << c.lead;
    EXPECT_FALSE(t.g.s.giftActive[0]);
    EXPECT_EQ(t.g.s.giftsDelivered, 1);
    EXPECT_EQ(t.g.sc[Label3].caption, "Dárku dodáno : 1");
    EXPECT_EQ(t.g.s.giftsDestroyed, 0);
  }
}

TEST(WorldGifts, OnlyTheChimneyColourAtTheRoundedProbePointDelivers) {
  struct Case {
    double x, y; // the gift before it falls
    int px, py;  // the pixel painted in the chimney colour
    bool delivered;
  } cases[] = {
      {200, 200, 206, 219, true},     {200, 200, 205, 219, false},
      {200, 200, 207, 219, false},    {200, 200, 206, 218, false},
      {200, 200, 206, 220, false},    {200.5, 200.5, 206, 220, true}, // 206.5 -> 206, 219.5 -> 220
      {201.5, 201.5, 208, 220, true},                                 // 207.5 -> 208, 220.5 -> 220
      {-7, 200, 0, 219, false},                                       // probe at x = -1: outside, not the edge pixel
      {637, 200, 642, 219, false},                                    // probe at x = 643
      {200, 464, 206, 482, false},                                    // probe at y = 483
      {-6, 200, 0, 219, true},                                        // probe at x = 0: inside
      {200, 463, 206, 482, true},                                     // probe at y = 482: inside
  };
  for (const Case &c : cases) {
    GiftAtProbe t(c.x, c.y);
    t.paint(c.px, c.py);
    t.g.s.trailY[1] = 100;
    MoveGifts(t.g.f);
    EXPECT_EQ(t.g.s.giftsDelivered, c.delivered ? 1 : 0) << c.x << "," << c.y << " paint " << c.px << "," << c.py;
    EXPECT_EQ(t.g.s.giftActive[0], !c.delivered);
  }
}

TEST(WorldGifts, LostInTheFirstFrameBelowRow480EvenAtZeroPoints) {
  struct Case {
    double y;
    bool lost;
  } cases[] = {{477, false} /* 480: not yet */, {477.5, true}, {478, true}, {600, true}};
  for (const Case &c : cases) {
    GiftAtProbe t(300, c.y);
    MoveGifts(t.g.f);
    EXPECT_EQ(t.g.s.giftActive[0], !c.lost) << c.y;
    EXPECT_EQ(t.g.s.points, c.lost ? -50 : 0);
    EXPECT_EQ(t.g.s.giftsDestroyed, c.lost ? 1 : 0);
    EXPECT_EQ(t.g.sc[Label4].caption, c.lost ? "Dárku zničeno : 1" : "Dárku zničeno : 0");
  }
  // Every loss counts, also when the score is already negative.
  GiftAtProbe t(300, 478);
  t.g.s.points = -50;
  t.g.s.giftsDestroyed = 4;
  MoveGifts(t.g.f);
  EXPECT_EQ(t.g.s.points, -100);
  EXPECT_EQ(t.g.sc[Label4].caption, "Dárku zničeno : 5");
}

TEST(WorldGifts, ADeliveredGiftIsNotAlsoLostInThatFrame) {
  // A field taller than the real one, so that a gift already below row 480 can still meet a
  // chimney pixel at its probe.
  GiftAtProbe t(200, 478);
  Surface &field = t.g.sc.image(pic);
  field = Surface(643, 520, kNightSky);
  t.paint(206, 497);
  t.g.s.trailY[1] = 100;
  MoveGifts(t.g.f);
  EXPECT_EQ(t.g.s.giftsDelivered, 1);
  EXPECT_EQ(t.g.s.giftsDestroyed, 0);
  EXPECT_EQ(t.g.s.points, 430);
}

TEST(WorldGifts, SlotsAreTestedInOrderAgainstTheSameFrame) {
  // Two gifts over the same chimney pixel: both are delivered, the score uses the same lead.
  Game g;
  g.s.chimneyColor = kChimney;
  for (int i : {1, 4}) g.s.giftActive[i] = true, g.s.giftX[i] = 200, g.s.giftY[i] = 200;
  g.s.giftActive[3] = true, g.s.giftX[3] = 300, g.s.giftY[3] = 479; // lost
  DrawFrame(g.f);
  g.sc.image(pic).at(206, 219) = rgbPixel(16, 23, 16);
  g.s.trailY[1] = 180;
  MoveGifts(g.f);
  EXPECT_EQ(g.s.giftsDelivered, 2);
  EXPECT_EQ(g.s.giftsDestroyed, 1);
  EXPECT_EQ(g.s.points, 2 * 350 - 50);
  EXPECT_EQ(g.sc[Label3].caption, "Dárku dodáno : 2");
}

} // namespace
} // namespace nad::test
