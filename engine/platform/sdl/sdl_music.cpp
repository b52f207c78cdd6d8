#include "platform/sdl/sdl_music.h"

#include <atomic>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/midi_file.h"

#include "platform/sdl/soundfonts.h" // kSoundFonts, made from assets/soundfonts.txt

namespace nad {
namespace {

constexpr int kPlays = 10;

// Set by the mixer's thread when the music stops by itself (or is halted).
std::atomic<bool> gMusicStopped{false};
void onMusicStopped() { gMusicStopped = true; }

constexpr std::size_t kMaxMidiBytes = 4u << 20; // the game's pieces are a few kilobytes

double fileLengthMs(const std::string &path) {
  // Unknown (0) for a file that cannot be read to its end: the plays are then counted by SDL.
  const files::ReadResult read = files::readAtMost(path, kMaxMidiBytes);
  if (!read.status.ok() || read.tooLarge) return 0;
  const Result<double> ms = midiLengthMs(read.bytes);
  return ms.ok() ? ms.value() : 0;
}

} // namespace

Status SdlMusic::Device::open() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
    return Status::Failed(std::string("no sound (") + SDL_GetError() + "); playing in silence");
  subsystem = true;
  const char *font = nullptr;
  for (const char *candidate : kSoundFonts)
    if (std::filesystem::exists(candidate)) {
      font = candidate;
      break;
    }
  if (!font) return Status::Failed("no General MIDI soundfont found; playing in silence");
  Mix_SetSoundFonts(font);
  Mix_Init(MIX_INIT_MID); // MIDI through the built-in synthesiser needs no library flag
  mixer = true;
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 2048) != 0)
    return Status::Failed(std::string("no sound (") + Mix_GetError() + "); playing in silence");
  opened = true;
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  Mix_HookMusicFinished(onMusicStopped);
  return {};
}

SdlMusic::Device::~Device() {
  if (opened) {
    Mix_HookMusicFinished(nullptr);
    Mix_CloseAudio();
  }
  if (mixer) Mix_Quit();
  if (subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// The device opens with the first music call, after the first frame is on screen, so the
// window never waits for the audio device.
bool SdlMusic::ready() {
  if (!tried_) {
    tried_ = true;
    Status s = device_.open();
    if (!s.ok()) reportProblem(s.reason());
  }
  return device_.opened;
}

// A halted MIDI resumes mid-song when played again, so starting afresh means a new load.
Status SdlMusic::startFromBeginning() {
  if (music_) {
    Mix_HaltMusic();
    music_.reset();
  }
  gMusicStopped = false; // the halt above has said its word
  paused_ = false;
  played_ = {};
  since_ = Clock::now();
  music_.reset(Mix_LoadMUS(path_.c_str()));
  if (!music_) return Status::Failed("cannot play " + path_ + " (" + Mix_GetError() + "); going on without it");
  playLengthMs_ = fileLengthMs(path_);
  Mix_VolumeMusic(MIX_MAX_VOLUME);
  if (Mix_PlayMusic(music_.get(), kPlays) != 0) {
    std::string reason = "cannot play " + path_ + " (" + Mix_GetError() + "); going on without it";
    music_.reset();
    return Status::Failed(reason);
  }
  return {};
}

bool SdlMusic::tenPlaysOver() const {
  if (gMusicStopped) return true;
  if (playLengthMs_ <= 0) return false;
  Clock::duration played = played_ + (paused_ ? Clock::duration{} : Clock::now() - since_);
  return std::chrono::duration<double, std::milli>(played).count() >= kPlays * playLengthMs_;
}

void SdlMusic::setFileName(const std::string &path) {
  path_ = path;
  if (!ready()) return;
  Status s = startFromBeginning();
  if (!s.ok() && reported_.insert(path_).second) reportProblem(s.reason());
}

void SdlMusic::play() {
  if (!ready() || path_.empty()) return;
  if (!music_ || tenPlaysOver()) {
    // Never started, or its ten plays are over (paused or not): the file starts again.
    Status s = startFromBeginning();
    if (!s.ok() && reported_.insert(path_).second) reportProblem(s.reason());
  } else if (paused_) {
    Mix_ResumeMusic();
    paused_ = false;
    since_ = Clock::now();
  }
}

void SdlMusic::pause() {
  if (!ready() || !music_ || paused_) return;
  Mix_PauseMusic();
  played_ += Clock::now() - since_;
  paused_ = true;
}

} // namespace nad
