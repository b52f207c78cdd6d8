#include "server/base64.h"

#include <array>
#include <cstdint>

namespace nad::server {
namespace {

constexpr std::string_view kStandard = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kUrlSafe = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

constexpr std::array<int8_t, 256> decodingTable() {
  std::array<int8_t, 256> t{};
  for (auto &v : t) v = -1;
  for (size_t i = 0; i < kStandard.size(); ++i) t[static_cast<unsigned char>(kStandard[i])] = static_cast<int8_t>(i);
  return t;
}
constexpr auto kValues = decodingTable();

std::string encode(std::string_view bytes, std::string_view alphabet, bool pad) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  auto at = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[k])); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
    for (int shift = 18; shift >= 0; shift -= 6) out += alphabet[(v >> shift) & 63];
  }
  const size_t left = bytes.size() - i;
  if (left > 0) {
    const uint32_t v = at(i) << 16 | (left == 2 ? at(i + 1) << 8 : 0);
    out += alphabet[v >> 18 & 63];
    out += alphabet[v >> 12 & 63];
    if (left == 2) out += alphabet[v >> 6 & 63];
    if (pad) out.append(3 - left, '=');
  }
  return out;
}

} // namespace

Result<std::string> decodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return Result<std::string>::Failed("base64 text whose length is not a multiple of 4");
  size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
  const size_t chars = text.size() - padding;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  uint32_t bits = 0;
  int held = 0;
  for (size_t i = 0; i < chars; ++i) {
    const int8_t v = kValues[static_cast<unsigned char>(text[i])];
    if (v < 0) return Result<std::string>::Failed("a character that is not base64 at " + std::to_string(i));
    bits = bits << 6 | static_cast<uint32_t>(v);
    held += 6;
    if (held >= 8) {
      held -= 8;
      out += static_cast<char>(bits >> held & 0xFF);
    }
  }
  // What is left of the last character must be zero bits, or two texts would give one tape.
  if (held > 0 && (bits & ((1u << held) - 1)) != 0)
    return Result<std::string>::Failed("base64 text with stray bits at its end");
  return out;
}

std::string encodeBase64(std::string_view bytes) { return encode(bytes, kStandard, true); }
std::string encodeBase64Url(std::string_view bytes) { return encode(bytes, kUrlSafe, false); }

} // namespace nad::server
