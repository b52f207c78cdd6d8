#pragma once
#include <chrono>
#include <set>
#include <string>

#include "platform/platform.h"
#include "platform/report.h"
#include "platform/sdl/sdl_handles.h"

namespace nad {

// Music through SDL_mixer's MIDI synthesiser with a General MIDI soundfont. Without an audio
// device, a soundfont or a readable file the game goes on in silence: one line through
// reportProblem, and every later call does nothing.
class SdlMusic : public MusicPlayer {
public:
  void setFileName(const std::string &path) override;
  void play() override;
  void pause() override;

private:
  using Clock = std::chrono::steady_clock;
  // The audio subsystem and the opened device, closed in the reverse order when it goes.
  struct Device {
    Device() = default;
    Device(const Device &) = delete;
    Device &operator=(const Device &) = delete;
    ~Device();
    Status open();
    bool subsystem = false, mixer = false, opened = false;
  };
  bool ready();
  Status startFromBeginning();
  bool tenPlaysOver() const;

  Device device_; // declared first: the music is freed before the device closes
  bool tried_ = false;
  MusicHandle music_;
  std::string path_;
  std::set<std::string> reported_;
  // Whether the ten plays are over: a synthesiser reports a piece as playing for seconds after
  // its last note, so the time played is counted against the file's own length.
  double playLengthMs_ = 0; // one play; 0 when the file's length is unknown
  Clock::duration played_{};
  Clock::time_point since_;
  bool paused_ = false;
};

} // namespace nad
