#include "frontend/name_box.h"

#include <algorithm>
#include <string>

#include "frontend/highscore_file.h"
#include "platform/utf8.h"

namespace nad {
namespace {

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t prevChar(const std::string &s, size_t i) {
  if (i == 0) return 0;
  do --i;
  while (i > 0 && isContinuation(s[i]));
  return i;
}

size_t nextChar(const std::string &s, size_t i) {
  if (i >= s.size()) return s.size();
  do ++i;
  while (i < s.size() && isContinuation(s[i]));
  return i;
}

} // namespace

void FocusTextBox(Form &f, int clickX) {
  f.scene.setFocus(Text1);
  // Put the caret at the character boundary nearest to the click.
  const std::string &text = f.scene[Text1].caption;
  int boxX, boxY;
  f.scene.clientOrigin(Text1, boxX, boxY);
  int want = clickX - (boxX + 4);
  size_t best = 0;
  int bestDist = want < 0 ? -want : want;
  for (size_t i = nextChar(text, 0); i <= text.size() && i > 0; i = nextChar(text, i)) {
    int d = f.platform.text.measure(f.scene[Text1].font, std::string_view(text).substr(0, i)) - want;
    if (d < 0) d = -d;
    if (d < bestDist) bestDist = d, best = i;
    if (i == text.size()) break;
  }
  f.scene.setCaret(best);
}

void TextBoxKey(Form &f, int code) {
  std::string text = f.scene[Text1].caption;
  size_t caret = std::min(f.scene.caret(), text.size());
  switch (code) {
  case key::Backspace:
    if (caret > 0) {
      size_t p = prevChar(text, caret);
      text.erase(p, caret - p);
      caret = p;
    }
    break;
  case key::Delete:
    if (caret < text.size()) text.erase(caret, nextChar(text, caret) - caret);
    break;
  case key::Left: caret = prevChar(text, caret); break;
  case key::Right: caret = nextChar(text, caret); break;
  case key::Home: caret = 0; break;
  case key::End: caret = text.size(); break;
  default: return;
  }
  f.scene.setCaption(Text1, text);
  f.scene.setCaret(caret);
}

void TextBoxType(Form &f, std::string_view typed) {
  std::string text = f.scene[Text1].caption;
  size_t caret = std::min(f.scene.caret(), text.size());
  size_t room = hiscore::kMaxNameChars - std::min<size_t>(hiscore::kMaxNameChars, utf8::length(text));
  // Take whole characters while there is room; control characters are not text.
  size_t i = 0;
  std::string add;
  while (i < typed.size() && room > 0) {
    const utf8::Char c = utf8::decode(typed, i);
    // Control characters (C1 too) are no text: the stored name drops them, so letting them in
    // would only use up the room for letters; nor is a torn character.
    if (c.valid && !utf8::isControl(c.code)) {
      add.append(typed.substr(i, c.length));
      --room;
    }
    i += c.length;
  }
  text.insert(caret, add);
  f.scene.setCaption(Text1, text);
  f.scene.setCaret(caret + add.size());
}

} // namespace nad
