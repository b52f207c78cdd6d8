#include "frontend/name_box.h"

#include <algorithm>
#include <string>

#include "frontend/highscore_file.h"

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

void TextBoxType(Form &f, std::string_view utf8) {
  std::string text = f.scene[Text1].caption;
  size_t caret = std::min(f.scene.caret(), text.size());
  size_t room = hiscore::kMaxNameChars - std::min<size_t>(hiscore::kMaxNameChars, hiscore::utf8Length(text));
  // Take whole characters while there is room; control characters are not text.
  size_t i = 0;
  std::string add;
  while (i < utf8.size() && room > 0) {
    size_t j = i + 1;
    while (j < utf8.size() && isContinuation(utf8[j])) ++j;
    unsigned char c0 = static_cast<unsigned char>(utf8[i]);
    // C1 controls (U+0080 to U+009F, C2 80 to C2 9F) are no text either: the stored name drops
    // them, so letting them in would only use up the room for letters.
    bool c1 = c0 == 0xC2 && j == i + 2 && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (c0 >= 0x20 && c0 != 0x7F && !c1) {
      add.append(utf8.substr(i, j - i));
      --room;
    }
    i = j;
  }
  text.insert(caret, add);
  f.scene.setCaption(Text1, text);
  f.scene.setCaret(caret + add.size());
}

} // namespace nad
