#include "input/keyboard.h"

#include <string>

#include "world/reset_world.h"
#include "world/update_world.h"

namespace nad {

void Form_KeyDown(Form &f, int keyCode, int /*shift: ignored*/) {
  GameState &s = f.s;
  if (keyCode == key::Up) s.vertDir = VertDir::Up;
  if (keyCode == key::Down) s.vertDir = VertDir::Down;
  if (keyCode == key::Right) s.horizDir = HorizDir::Right;
  if (keyCode == key::Left) s.horizDir = HorizDir::Left;
  if (keyCode == key::Space) DropGift(f);
}

void Form_KeyUp(Form &f, int keyCode, int /*shift: ignored*/) {
  GameState &s = f.s;
  if (keyCode == key::KeypadPlus) s.loopBrake = s.loopBrake + 1;
  if (keyCode == key::KeypadMinus && s.loopBrake > 1) s.loopBrake = s.loopBrake - 1;
  if (keyCode == key::Up) s.vertDir = VertDir::None;
  if (keyCode == key::Down) s.vertDir = VertDir::None;
  if (keyCode == key::Right) s.horizDir = HorizDir::None;
  if (keyCode == key::Left) s.horizDir = HorizDir::None;
  // Written before the Escape branch, so after Escape it still shows the delay from
  // before the reset.
  f.scene.setCaption(Label2, "přibrždování LOOPu: " + std::to_string(s.loopBrake));
  // The box holds the frame loop until it is closed: nothing moves meanwhile.
  if (keyCode == key::P) f.platform.dialogs.showInfo(kPauseTitle, kPauseText);
  if (keyCode == key::Escape) ReturnToMenuOnEscape(f);
}

} // namespace nad
