#include "replay/json_text.h"

#include <charconv>
#include <cmath>

#include "platform/number_text.h"
#include "platform/utf8.h"

namespace nad::replay {

void appendString(std::string &out, std::string_view s) {
  static constexpr char hex[] = "0123456789abcdef";
  out += '"';
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    const utf8::Char read = utf8::decode(s, i);
    if (!read.valid) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (read.length > 1) {
      out.append(s.substr(i, read.length));
      i += read.length;
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
