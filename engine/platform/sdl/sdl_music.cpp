#include "platform/sdl/sdl_music.h"

#include <SDL.h>

#include <cstdio>
#include <filesystem>

#include "platform/sdl/soundfonts.h" // kSoundFonts, made from assets/soundfonts.txt

namespace nad {

// The device opens with the first music call, after the first frame is on screen, so the
// window never waits for the audio device.
bool SdlMusic::ready() {
  if (!tried_) {
    tried_ = true;
    open();
  }
  return ready_;
}

void SdlMusic::open() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "nadilka: no sound (%s); playing in silence\n", SDL_GetError());
    return;
  }
  const char *font = nullptr;
  for (const char *candidate : kSoundFonts)
    if (std::filesystem::exists(candidate)) {
      font = candidate;
      break;
    }
  if (!font) {
    std::fprintf(stderr, "nadilka: no General MIDI soundfont found; playing in silence\n");
    return;
  }
  Mix_SetSoundFonts(font);
  Mix_Init(MIX_INIT_MID); // MIDI through the built-in synthesiser needs no library flag
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 2048) != 0) {
    std::fprintf(stderr, "nadilka: no sound (%s); playing in silence\n", Mix_GetError());
    return;
  }
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  std::fprintf(stderr, "nadilka: music through soundfont %s\n", font);
  ready_ = true;
}

SdlMusic::~SdlMusic() {
  if (music_) Mix_FreeMusic(music_);
  if (ready_) Mix_CloseAudio();
}

// A halted MIDI resumes mid-song when played again, so starting afresh means a new load.
void SdlMusic::startFromBeginning() {
  if (music_) {
    Mix_HaltMusic();
    Mix_FreeMusic(music_);
    music_ = nullptr;
  }
  music_ = Mix_LoadMUS(path_.c_str());
  if (!music_) {
    if (reported_.insert(path_).second)
      std::fprintf(stderr, "nadilka: cannot play %s (%s); going on without it\n", path_.c_str(), Mix_GetError());
    return;
  }
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  Mix_PlayMusic(music_, 10); // ten plays in a row
}

void SdlMusic::setFileName(const std::string &path) {
  path_ = path;
  if (ready()) startFromBeginning();
}

void SdlMusic::play() {
  if (!ready() || path_.empty()) return;
  if (music_ && Mix_PausedMusic())
    Mix_ResumeMusic();
  else if (!music_ || !Mix_PlayingMusic())
    startFromBeginning(); // its ten plays are over
}

void SdlMusic::pause() {
  if (ready() && music_) Mix_PauseMusic();
}

} // namespace nad
