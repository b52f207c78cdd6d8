#include "frontend/highscore_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include <unistd.h>

#include "platform/number_text.h"
#include "platform/utf8.h"

namespace nad::hiscore {
namespace {

constexpr double kLimit = 1e15;
constexpr std::size_t kFields = std::size_t{2} * kRows; // name and points of each row

// Code points of cp1250 bytes 0x80-0xFF; 0 marks the five undefined bytes.
constexpr char16_t kCp1250High[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, // 80
    0,      0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0,      0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

std::optional<unsigned char> toCp1250(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  for (int i = 0; i < 128; ++i)
    if (kCp1250High[i] != 0 && kCp1250High[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// Splits the file into at most 2 * kRows raw (still cp1250) fields.
std::vector<std::string_view> fields(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size() && out.size() < kFields) {
    while (i < s.size() && isBlank(s[i])) ++i;
    if (i < s.size() && isLineEnd(s[i])) {
      // A line end right where a field would start ends a line that has no further field:
      // a blank line, or the line break after a record's last field.
      ++i;
      continue;
    }
    if (i >= s.size()) break;
    if (s[i] == '"') {
      const std::size_t start = i + 1;
      std::size_t close = s.find('"', start);
      if (close == std::string_view::npos) close = s.size();
      out.push_back(s.substr(start, close - start));
      i = close + 1;
      while (i < s.size() && s[i] != ',' && !isLineEnd(s[i])) ++i; // junk after the quote
    } else {
      const std::size_t start = i;
      while (i < s.size() && s[i] != ',' && !isLineEnd(s[i])) ++i;
      std::size_t end = i;
      while (end > start && isBlank(s[end - 1])) --end;
      out.push_back(s.substr(start, end - start));
    }
    // A comma ends this field and promises another on the same line, even an empty one.
    if (i < s.size() && s[i] == ',') {
      ++i;
      std::size_t j = i;
      while (j < s.size() && isBlank(s[j])) ++j;
      if (j >= s.size() || isLineEnd(s[j])) {
        out.push_back({});
        i = j;
      }
    }
  }
  if (out.size() > kFields) out.resize(kFields);
  return out;
}

Table tableFrom(const std::vector<std::string_view> &f) {
  Table t;
  for (std::size_t k = 0; k < f.size(); ++k) {
    Record &r = t[k / 2];
    (k % 2 == 0 ? r.name : r.points) = cp1250ToUtf8(f[k]);
  }
  return t;
}

} // namespace

std::string cp1250ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out += c;
    else
      utf8::append(out, kCp1250High[b - 0x80] != 0 ? kCp1250High[b - 0x80] : utf8::kReplacement);
  }
  return out;
}

std::string utf8ToCp1250(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const utf8::Char c = utf8::decode(text, i);
    i += c.length;
    const auto b = c.valid ? toCp1250(c.code) : std::nullopt;
    out += b ? static_cast<char>(*b) : '?';
  }
  return out;
}

std::string cleanName(std::string_view text) {
  std::string out;
  int kept = 0;
  for (std::size_t i = 0; i < text.size() && kept < kMaxNameChars;) {
    const utf8::Char read = utf8::decode(text, i);
    i += read.length;
    // Invalid bytes are usually the torn half of a character, not something the player typed.
    if (!read.valid) continue;
    char32_t c = read.code;
    if (utf8::isControl(c)) continue;
    if (c == '"') c = '\'';
    if (!toCp1250(c)) c = '?';
    utf8::append(out, c);
    ++kept;
  }
  return out;
}

double numberValue(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  while (i < s.size() && s[i] == '0') ++i; // leading zeros carry nothing
  const std::size_t intStart = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  const std::size_t intDigits = i - intStart;
  std::string_view frac;
  if (i < s.size() && s[i] == '.') {
    const std::size_t fs = ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    frac = s.substr(fs, i - fs);
  }
  double v;
  if (intDigits > 16) {
    v = kLimit; // already far past the clamp; parsing all digits would only cost time
  } else {
    // Past 20 fraction digits nothing changes a double below 1e16, and the cap keeps a
    // megabyte of digits cheap.
    std::string text(s.substr(intStart, intDigits));
    if (text.empty()) text = "0";
    if (!frac.empty()) text.append(".").append(frac.substr(0, 20));
    v = 0;
    numbers::fromChars(text.data(), text.data() + text.size(), v);
    v = std::min(v, kLimit);
  }
  if (v == 0) return 0.0; // "-0" must not turn into a negative zero
  return negative ? -v : v;
}

std::string numberText(double value) {
  if (std::isnan(value)) return "0";
  value = std::clamp(value, -kLimit, kLimit);
  // Explicit half-to-even so the result does not depend on the FPU's rounding mode. Below 2^52
  // value - floor(value) is exact.
  double whole = std::floor(value);
  const double rest = value - whole;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<std::int64_t>(whole));
  return std::string(buf, r.ptr);
}

Table parse(std::string_view fileBytes) { return tableFrom(fields(fileBytes)); }

std::string format(const Table &t) {
  std::string out;
  for (const Record &r : t) {
    out += '"';
    out += utf8ToCp1250(cleanName(r.name));
    out += "\",\"";
    out += numberText(numberValue(r.points));
    out += "\"\r\n";
  }
  return out;
}

Location locate(const std::filesystem::path &programDir, const char *xdgDataHome, const char *home, bool shared) {
  const std::filesystem::path installed = programDir / kFileName;
  if (!shared && ::access(programDir.c_str(), W_OK | X_OK) == 0) return {installed, installed};

  std::filesystem::path base;
  if (xdgDataHome && xdgDataHome[0] == '/')
    base = xdgDataHome;
  else if (home && home[0] != '\0')
    base = std::filesystem::path(home) / ".local" / "share";
  else
    return {installed, installed};
  const std::filesystem::path user = base / "nadilka" / kFileName;
  std::error_code ec;
  return {std::filesystem::exists(user, ec) ? user : installed, user};
}

LoadResult load(const std::filesystem::path &path) { return fromRead(files::readAtMost(path, kMaxFileBytes), path); }

LoadResult fromRead(const files::ReadResult &read, const std::filesystem::path &path) {
  LoadResult res;
  res.readable = read.status.ok();
  res.status = read.status;
  const auto f = fields(read.bytes);
  res.table = tableFrom(f);
  res.complete = f.size() == kFields;
  if (res.status.ok() && !res.complete)
    res.status = Status::Failed(path.string() + " holds " + std::to_string(f.size()) + " of " +
                                std::to_string(kFields) + " fields");
  return res;
}

Status save(const std::filesystem::path &path, const Table &t, const SaveHooks *hooks) {
  return files::writeAtomically(path, format(t), hooks);
}

} // namespace nad::hiscore
