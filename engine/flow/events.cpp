#include "flow/events.h"

#include "flow/lifecycle.h"
#include "frontend/highscore_table.h"
#include "frontend/menu.h"
#include "frontend/music.h"
#include "frontend/name_box.h"
#include "input/keyboard.h"
#include "world/reset_world.h"

namespace nad {
namespace {

void Click(Form &f, Id target, int x) {
  switch (target) {
  case Image1: Image1_Click(f); return;
  case Image2: Image2_Click(f); return;
  case Image3: Image3_Click(f); return;
  case Image4: Image4_Click(f); return;
  case Image5: Image5_Click(f); return;
  case Image6: Image6_Click(f); return;
  case Image7: Image7_Click(f); return;
  case Image8: Image8_Click(f); return;
  case l1: l1_Click(f); return;
  case l2: l2_Click(f); return;
  case Label11: Label11_Click(f); return;
  case Label12: Label12_Click(f); return;
  case command1: command1_Click(f); return;
  case Text1: FocusTextBox(f, x); return;
  default:
    // A click on a panel takes the focus to it, away from the name box.
    if (target != Form1 && f.scene[target].kind == Kind::Panel) f.scene.setFocus(target);
    return;
  }
}

} // namespace

void DispatchEvent(Form &f, const Event &e) {
  if (f.observer) f.observer->onEvent(e);
  switch (e.kind) {
  case EventKind::KeyDown:
    Form_KeyDown(f, e.code, 0);
    // Tab moves the focus, as the window does for its controls; the focused control never sees it.
    if (e.code == key::Tab)
      f.scene.focusNext(e.shift);
    else if (f.scene.focus() == Text1 && f.scene.shown(Text1) && e.code == key::Return)
      command1_Click(f); // Enter confirms the name as the click on the line below it does
    else if (f.scene.focus() == Text1 && f.scene.shown(Text1))
      TextBoxKey(f, e.code);
    break;
  case EventKind::KeyUp: Form_KeyUp(f, e.code, 0); break;
  case EventKind::MouseDown: f.scene.mouseDown(e.x, e.y); break;
  case EventKind::MouseUp: Click(f, f.scene.mouseUp(e.x, e.y), e.x); break;
  case EventKind::Text:
    if (f.scene.focus() == Text1 && f.scene.shown(Text1)) TextBoxType(f, e.text);
    break;
  case EventKind::Quit: Form_Unload(f); break;
  case EventKind::Expose: f.scene.markDirty(); break;
  case EventKind::Stall:
  case EventKind::DialogClose: break;
  }
}

} // namespace nad
