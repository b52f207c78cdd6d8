#include "platform/sdl/pad_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace nad;

namespace {

std::string show(const std::vector<Event> &events) {
  std::string s;
  for (const Event &e : events) {
    s += e.kind == EventKind::KeyDown ? (e.repeat ? "again " : "down ") : e.kind == EventKind::KeyUp ? "up " : "? ";
    s += std::to_string(e.code) + "; ";
  }
  return s;
}

TEST(PadKeys, EachInputStandsForItsKey) {
  const std::vector<std::pair<PadInput, int>> map = {
      {PadInput::Up, key::Up},          {PadInput::StickUp, key::Up},       {PadInput::Down, key::Down},
      {PadInput::StickDown, key::Down}, {PadInput::Left, key::Left},        {PadInput::StickLeft, key::Left},
      {PadInput::Right, key::Right},    {PadInput::StickRight, key::Right}, {PadInput::A, key::Space},
      {PadInput::Start, key::P},        {PadInput::B, key::Escape},         {PadInput::Back, key::Escape},
  };
  for (auto [in, code] : map) {
    EXPECT_EQ(padInputKey(in), code);
    EXPECT_EQ(padInputRepeats(in), code != key::P && code != key::Escape);
  }
}

TEST(PadKeys, AHeldDirectionRepeatsLikeAHeldKey) {
  PadKeys pads(660, 40);
  std::vector<Event> out;
  pads.set(0, PadInput::Up, true, 1000, out);
  EXPECT_EQ(show(out), "down 38; ");
  EXPECT_EQ(pads.nextRepeat(), 1660);
  out.clear();
  pads.repeat(1659, out);
  EXPECT_TRUE(out.empty());
  pads.repeat(1660, out);
  pads.repeat(1699, out);
  pads.repeat(1700, out);
  EXPECT_EQ(show(out), "again 38; again 38; ");
  out.clear();
  // A late look gets what fell due meanwhile, as the keyboard's queue would hold it.
  pads.repeat(1820, out);
  EXPECT_EQ(show(out), "again 38; again 38; again 38; ");
  EXPECT_EQ(pads.nextRepeat(), 1860);
  out.clear();
  pads.set(0, PadInput::Up, false, 1830, out);
  EXPECT_EQ(show(out), "up 38; ");
  EXPECT_EQ(pads.nextRepeat(), INT64_MAX);
}

TEST(PadKeys, OneKeyForDPadAndStickAcrossPadsAndOnePressForStartAndBack) {
  PadKeys pads(660, 40);
  std::vector<Event> out;
  pads.set(0, PadInput::Left, true, 0, out);
  pads.set(0, PadInput::StickLeft, true, 10, out); // the same key, already down
  pads.set(1, PadInput::Left, true, 20, out);      // another pad too
  pads.set(0, PadInput::Left, false, 30, out);
  pads.set(0, PadInput::StickLeft, false, 40, out);
  EXPECT_EQ(show(out), "down 37; ");
  pads.set(1, PadInput::Left, false, 50, out);
  EXPECT_EQ(show(out), "down 37; up 37; ");
  out.clear();
  pads.set(0, PadInput::Start, true, 100, out);
  pads.set(0, PadInput::B, true, 100, out);
  pads.repeat(2000, out); // neither repeats
  pads.set(0, PadInput::Start, false, 2100, out);
  pads.set(0, PadInput::B, false, 2100, out);
  pads.set(0, PadInput::Back, true, 2200, out);
  pads.set(0, PadInput::Back, false, 2300, out);
  EXPECT_EQ(show(out), "down 80; down 27; up 80; up 27; down 27; up 27; ");
}

TEST(PadKeys, AnUnpluggedPadLetsGoAndAHeldInputIsSilentAfterABox) {
  PadKeys pads(660, 40);
  std::vector<Event> out;
  pads.set(3, PadInput::Down, true, 0, out);
  pads.set(3, PadInput::A, true, 0, out);
  pads.removePad(3, 100, out);
  EXPECT_EQ(show(out), "down 40; down 32; up 40; up 32; ");
  EXPECT_EQ(pads.nextRepeat(), INT64_MAX);
  out.clear();

  pads.set(0, PadInput::Right, true, 0, out);
  pads.set(0, PadInput::Start, true, 500, out); // closes a box
  pads.silenceHeld();
  EXPECT_EQ(pads.nextRepeat(), INT64_MAX);
  pads.repeat(5000, out);
  pads.set(0, PadInput::Start, false, 5000, out); // no P for the game: the box had it
  pads.set(0, PadInput::Right, false, 5000, out);
  EXPECT_EQ(show(out), "down 39; down 80; ");
  out.clear();
  pads.set(0, PadInput::Start, true, 6000, out); // pressed afresh, it is a key again
  EXPECT_EQ(show(out), "down 80; ");
}

} // namespace
