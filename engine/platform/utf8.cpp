#include "platform/utf8.h"

namespace nad::utf8 {

Char decode(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char b0 = byte(at);
  if (b0 < 0x80) return {b0, 1, true};
  std::size_t length = 0;
  char32_t code = 0, least = 0;
  if ((b0 & 0xE0) == 0xC0)
    length = 2, code = b0 & 0x1F, least = 0x80;
  else if ((b0 & 0xF0) == 0xE0)
    length = 3, code = b0 & 0x0F, least = 0x800;
  else if ((b0 & 0xF8) == 0xF0)
    length = 4, code = b0 & 0x07, least = 0x10000;
  if (length == 0 || at + length > text.size()) return {};
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return {};
    code = code << 6 | (byte(at + k) & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return {code, length, true};
}

void append(std::string &out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool isValid(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const Char c = decode(text, i);
    if (!c.valid) return false;
    i += c.length;
  }
  return true;
}

std::size_t length(std::string_view text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++n) i += decode(text, i).length;
  return n;
}

} // namespace nad::utf8
