#pragma once
// The name box Text1: a one-line edit field. The window sees every key before it.
#include <string_view>

#include "core/form.h"

namespace nad {

void FocusTextBox(Form &f, int clickX);
void TextBoxKey(Form &f, int code);               // Backspace, Delete, Left, Right, Home, End
void TextBoxType(Form &f, std::string_view utf8); // typed text, at most 20 characters in all

} // namespace nad
