#include "core/form.h"

namespace nad {

void Form_Unload(Form & /*f*/) { throw ProgramEnd{0}; }

void RepaintWindow(Form &f) {
  f.windowShown = true;
  if (f.scene.dirty()) {
    if (f.platform.display.showsFrames()) {
      f.scene.compose(f.frame, f.platform.text);
      f.platform.display.present(f.frame);
    } else {
      f.scene.layoutLabels(f.platform.text); // labels still take the size of their captions
    }
  }
}

} // namespace nad
