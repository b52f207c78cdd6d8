// libFuzzer target for the tables server's request bodies: whatever bytes a client sends, the
// reader must not misbehave, and what it accepts must keep every rule a stored row relies on.
#include "platform/utf8.h"
#include "server/api.h"
#include "server/base64.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

using namespace nad;
using namespace nad::server;

namespace {

void check(bool ok, const char *what) {
  if (!ok) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

void checkText(std::string_view text, std::size_t maxChars) {
  check(utf8::isValid(text), "accepted text is valid UTF-8");
  const std::size_t n = utf8::length(text);
  check(n >= 1 && n <= maxChars, "accepted text has 1 to maxChars characters");
  for (std::size_t at = 0; at < text.size();) {
    const utf8::Char c = utf8::decode(text, at);
    check(!utf8::isControl(c.code), "accepted text holds no control character");
    at += c.length;
  }
  check(text.front() != ' ' && text.back() != ' ', "accepted text is trimmed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char *>(data), size);

  if (const Result<ScoreClaim> claim = parseScoreClaim(body); claim.ok()) {
    checkText(claim->name, kMaxNameChars);
    check(!claim->tape.empty(), "an accepted tape is not empty");
    // The answer that names it is JSON that reads back to the same values.
    const auto answer = nlohmann::json::parse(addedJson(claim->name, claim->points, 1));
    check(answer["row"] == claim->name && answer["points"] == claim->points, "the answer reads back");
  }
  if (const Result<std::string> title = parseNewTable(body); title.ok()) checkText(title.value(), kMaxTitleChars);

  // Base64 is read strictly: one tape, one text.
  if (const Result<std::string> bytes = decodeBase64(body); bytes.ok())
    check(encodeBase64(bytes.value()) == body, "accepted base64 is the canonical text of its bytes");
  check(decodeBase64(encodeBase64(body)).value() == body, "base64 round-trips");
  return 0;
}
