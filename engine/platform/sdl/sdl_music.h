#pragma once
#include <SDL_mixer.h>

#include <set>
#include <string>

#include "platform/platform.h"

namespace nad {

// Music through SDL_mixer's MIDI synthesiser with a General MIDI soundfont. Without an audio
// device, a soundfont or a readable file the game goes on in silence: one line on stderr, and
// every later call does nothing.
class SdlMusic : public MusicPlayer {
public:
  SdlMusic() = default;
  ~SdlMusic() override;

  void setFileName(const std::string &path) override;
  void play() override;
  void pause() override;

private:
  void startFromBeginning();
  bool ready();
  void open();
  bool tried_ = false;
  bool ready_ = false;
  Mix_Music *music_ = nullptr;
  std::string path_;
  std::set<std::string> reported_;
};

} // namespace nad
