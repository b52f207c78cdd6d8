#include "frontend/music.h"

namespace nad {

bool MusicIsOn(const Form &f) { return f.scene[Label11].caption == kMusicOn || f.scene[Label12].caption == kMusicOn; }

void SelectMusic(Form &f, MusicFile file) {
  f.platform.music.setFileName((f.platform.programDir / (file == MusicFile::Menu ? "menu.mid" : "game.mid")).string());
}

void FollowMusicSwitch(Form &f) {
  if (MusicIsOn(f))
    f.platform.music.play();
  else
    f.platform.music.pause();
}

namespace {
void SwitchMusic(Form &f) {
  if (MusicIsOn(f)) {
    f.scene.setCaption(Label11, kMusicOff);
    f.scene.setCaption(Label12, kMusicOff);
    f.platform.music.pause();
  } else {
    f.scene.setCaption(Label11, kMusicOn);
    f.scene.setCaption(Label12, kMusicOn);
    f.platform.music.play();
  }
}
} // namespace

void Label11_Click(Form &f) { SwitchMusic(f); }
void Label12_Click(Form &f) { SwitchMusic(f); }

} // namespace nad
