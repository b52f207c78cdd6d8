#pragma once
#include "core/form.h"

namespace nad {

// Hands one window event to its handlers: keys to the window first (it previews every key)
// and then to the focused text box, clicks to the control under the pointer.
void DispatchEvent(Form &f, const Event &e);

} // namespace nad
