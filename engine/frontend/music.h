#pragma once
// The music switch and which file plays when. Whether the music is on lives only in the
// captions of the two music labels, which always change together.
#include "core/form.h"

namespace nad {

enum class MusicFile { Menu, Game };

inline constexpr char kMusicOn[] = "Music : ON";
inline constexpr char kMusicOff[] = "Music : OFF";

bool MusicIsOn(const Form &f);
// Selecting a file starts it from its beginning at once.
void SelectMusic(Form &f, MusicFile file);
// Play when the music is switched on, pause otherwise.
void FollowMusicSwitch(Form &f);

void Label11_Click(Form &f);
void Label12_Click(Form &f);

} // namespace nad
