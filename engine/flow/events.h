#pragma once
#include "core/form.h"

namespace nad {

// Hands one window event to its handlers: keys to the window first (it previews every key)
// and then to the focused text box (Tab moves the focus instead), a click to the control that
// the button was pressed and released over.
void DispatchEvent(Form &f, const Event &e);

} // namespace nad
