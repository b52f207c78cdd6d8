#include "frontend/menu.h"

namespace nad {

void Image4_Click(Form &f) {
  f.scene.move(info, 0, 232);
  f.scene.setVisible(info, true);
}

void Image3_Click(Form &f) { f.scene.setVisible(info, false); }

void Image2_Click(Form &f) {
  // The three largest pictures go first; the window shows them no more before it closes.
  f.scene.releasePicture(menu);
  f.scene.releasePicture(barak);
  f.scene.releasePicture(pic);
  Form_Unload(f);
}

void Image7_Click(Form &f) { f.platform.dialogs.openUrl(kPortalAddress); }
void l2_Click(Form &f) { f.platform.dialogs.openUrl(kPortalAddress); }
void Image8_Click(Form &f) { f.platform.dialogs.openUrl(kStudioAddress); }
void l1_Click(Form &f) { f.platform.dialogs.openUrl(kStudioAddress); }

} // namespace nad
