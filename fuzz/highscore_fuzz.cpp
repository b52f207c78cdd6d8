// libFuzzer target for the high-score file module: whatever bytes a file or a name box holds,
// reading must not misbehave and writing must always produce a well-formed file that reads back
// to the same table.
#include "frontend/highscore_file.h"
#include "platform/utf8.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace nad::hiscore;

namespace {

void check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

bool validUtf8(std::string_view s) {
  // Independent of the module's decoder, so a fault there cannot vouch for itself.
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    std::uint32_t cp = len == 1 ? b : b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

bool wellFormedNumber(std::string_view s) {
  if (s == "0") return true;
  if (!s.empty() && s[0] == '-') s.remove_prefix(1);
  if (s.empty() || s[0] < '1' || s[0] > '9') return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Seven lines `"name","digits"` CR LF, four quotes each, nothing else.
void checkFile(const std::string &f) {
  std::size_t pos = 0;
  for (int line = 0; line < kRows; ++line) {
    const std::size_t end = f.find("\r\n", pos);
    check(end != std::string::npos, "format: seven CR LF line ends");
    const std::string_view l(f.data() + pos, end - pos);
    std::size_t quotes = 0;
    for (char c : l) {
      quotes += c == '"';
      check(c != '\r' && c != '\n', "format: no stray line break");
    }
    check(quotes == 4, "format: four quotes a line");
    check(l.front() == '"' && l.back() == '"', "format: quoted fields");
    const std::size_t sep = l.rfind("\",\"");
    check(sep != std::string_view::npos, "format: fields joined by \",\"");
    check(wellFormedNumber(l.substr(sep + 3, l.size() - sep - 4)), "format: points are plain digits");
    pos = end + 2;
  }
  check(pos == f.size(), "format: nothing after the seventh line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view in(reinterpret_cast<const char *>(data), size);

  const Table t1 = parse(in);
  for (const Record &r : t1) check(validUtf8(r.name) && validUtf8(r.points), "parse: UTF-8 out");

  const double v = numberValue(in);
  check(std::isfinite(v) && std::fabs(v) <= 1e15, "numberValue: finite and clamped");
  const std::string text = numberText(v);
  check(wellFormedNumber(text), "numberText: plain digits");
  check(numberValue(text) == std::nearbyint(v), "numberText: reads back as the rounded value");

  const std::string name = cleanName(in);
  check(validUtf8(name), "cleanName: UTF-8 out");
  check(nad::utf8::length(name) <= static_cast<std::size_t>(kMaxNameChars), "cleanName: length");
  check(name.find('"') == std::string::npos, "cleanName: no quote");
  check(cleanName(name) == name, "cleanName: idempotent");
  check(cp1250ToUtf8(utf8ToCp1250(name)) == name, "cleanName: fits cp1250");

  const std::string f1 = format(t1);
  checkFile(f1);
  const Table t2 = parse(f1);
  check(format(t2) == f1, "format(parse(format(x))) is stable");
  check(parse(format(t2)) == t2, "cleaned table round-trips");
  return 0;
}
