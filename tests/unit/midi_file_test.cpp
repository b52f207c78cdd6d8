// The length of a MIDI file, which decides when the music's ten plays are over.
#include "platform/midi_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace nad {
namespace {

std::string be(uint32_t v, int n) {
  std::string s;
  for (int i = n - 1; i >= 0; --i) s += char(v >> (8 * i) & 0xFF);
  return s;
}
std::string header(int format, int tracks, int division) {
  return "MThd" + be(6, 4) + be(format, 2) + be(tracks, 2) + be(division, 2);
}
std::string track(const std::string &events) { return "MTrk" + be(uint32_t(events.size()), 4) + events; }
const std::string kEnd = std::string("\x00\xFF\x2F\x00", 4);
std::string tempo(uint32_t usPerQuarter) { return std::string("\xFF\x51\x03", 3) + be(usPerQuarter, 3); }

TEST(MidiLength, FromTheEventsOfTheFile) {
  const std::string noteOn = std::string("\x90\x3C\x64", 3), noteOff = std::string("\x80\x3C\x00", 3);
  struct Case {
    const char *what;
    std::string bytes;
    double ms; // negative: unreadable
  } cases[] = {
      {"one note of a quarter at the default tempo",
       header(0, 1, 480) + track('\0' + noteOn + "\x83\x60" + noteOff + kEnd), 500},
      {"a tempo change halfway",
       header(0, 1, 480) +
           track('\0' + tempo(1000000) + '\0' + noteOn + "\x83\x60" + tempo(250000) + "\x83\x60" + noteOff + kEnd),
       1000 + 250},
      {"running status and a program change",
       header(0, 1, 96) + track(std::string("\x00\xC0\x05\x00\x90\x3C\x64\x60\x3C\x00\x60\x3E\x64", 13) + kEnd), 1000},
      {"the longest of two tracks, the tempo in the first",
       header(1, 2, 100) + track('\0' + tempo(2000000) + "\x64" + std::string("\xFF\x2F\x00", 3)) +
           track('\0' + noteOn + "\x81\x48" + noteOff + kEnd),
       2000 * 2.0},
      {"frames of SMPTE time: 25 a second, 40 ticks each",
       header(0, 1, 0xE728) + track(std::string("\x87\x68\xFF\x2F\x00", 5)), 1000},
      {"not a MIDI file", "RIFF....", -1}, // -1: no length
      {"a track cut short", header(0, 1, 480) + track('\0' + noteOn + "\x83\x60" + noteOff + kEnd).substr(0, 14), -1},
      {"a length that never ends", header(0, 1, 480) + track(std::string("\xFF\xFF\xFF\xFF\x7F", 5)), -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    const Result<double> ms = midiLengthMs(c.bytes);
    EXPECT_EQ(ms.ok(), c.ms >= 0) << ms.reason();
    if (ms.ok()) {
      EXPECT_NEAR(ms.value(), c.ms, 0.01);
    }
  }
}

// Each of the game's pieces is written to last between one and two minutes a play.
TEST(MidiLength, TheGamesOwnPieces) {
  for (const char *name : {"menu.mid", "game.mid"}) {
    std::ifstream in(std::string(NADILKA_GAME_DIR "/") + name, std::ios::binary);
    ASSERT_TRUE(in) << name;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const double ms = midiLengthMs(bytes).value();
    EXPECT_GE(ms, 60000) << name;
    EXPECT_LE(ms, 120000) << name;
  }
}

} // namespace
} // namespace nad
