#include "replay/json_text.h"

#include <charconv>
#include <cmath>

#include "platform/number_text.h"

namespace nad::replay {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is malformed (overlong forms,
// surrogates and code points above U+10FFFF included), so that what we echo stays valid JSON.
size_t utf8SequenceLength(std::string_view s, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  if (c < 0x80) return 1;
  size_t n;
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4, cp = c & 0x07;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (byte(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool isValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t n = utf8SequenceLength(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// A JSON string. Non-ASCII text stays as raw UTF-8 (readable in the output); a malformed byte
// becomes U+FFFD rather than making the whole line unreadable.
void appendString(std::string &out, std::string_view s) {
  static constexpr char hex[] = "0123456789abcdef";
  out += '"';
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = utf8SequenceLength(s, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (n > 1) {
      out.append(s.substr(i, n));
      i += n;
      continue;
    }
    switch (c) {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    case '\b': out += "\\b"; break;
    case '\f': out += "\\f"; break;
    default:
      if (c < 0x20) {
        out += "\\u00";
        out += hex[c >> 4];
        out += hex[c & 15];
      } else {
        out += char(c);
      }
    }
    ++i;
  }
  out += '"';
}

// The shortest text that reads back to the same double; whole numbers come without ".0".
// JSON has no NaN or infinity, so those become null instead of breaking the line.
void appendNumber(std::string &out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char buf[32];
  auto r = numbers::toChars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void appendInt(std::string &out, int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void appendBool(std::string &out, bool v) { out += v ? "true" : "false"; }

} // namespace nad::replay
