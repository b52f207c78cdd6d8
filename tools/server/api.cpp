#include "server/api.h"

#include <ctime>
#include <limits>

#include <nlohmann/json.hpp>

#include "platform/utf8.h"
#include "server/base64.h"

namespace nad::server {
namespace {

using nlohmann::json;

template <class T> Result<T> refused(std::string reason) { return Result<T>::Failed(std::move(reason)); }

// Blanks a name may have around it: the space and Unicode's other space separators.
bool isBlank(char32_t c) {
  return c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

Result<json> parseObject(std::string_view body) {
  if (body.size() > kMaxBody) return refused<json>("the body is over 1 MB");
  json j = json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
  if (j.is_discarded()) return refused<json>("the body is not valid JSON");
  if (!j.is_object()) return refused<json>("the body is not a JSON object");
  return j;
}

Result<std::string> stringField(const json &j, const char *name) {
  const auto it = j.find(name);
  if (it == j.end()) return refused<std::string>(std::string("'") + name + "' is missing");
  if (!it->is_string()) return refused<std::string>(std::string("'") + name + "' is not a string");
  return it->get<std::string>();
}

std::string dumped(const json &j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

} // namespace

Result<std::string> checkText(std::string_view text, std::size_t maxChars, std::string_view what) {
  const std::string name(what);
  if (!utf8::isValid(text)) return refused<std::string>("the " + name + " is not valid UTF-8");
  size_t first = text.size(), end = 0;
  for (size_t at = 0; at < text.size();) {
    const utf8::Char c = utf8::decode(text, at);
    if (utf8::isControl(c.code)) return refused<std::string>("the " + name + " holds a control character");
    if (!isBlank(c.code)) {
      if (first == text.size()) first = at;
      end = at + c.length;
    }
    at += c.length;
  }
  if (first == text.size()) return refused<std::string>("the " + name + " is empty");
  const std::string_view trimmed = text.substr(first, end - first);
  if (utf8::length(trimmed) > maxChars)
    return refused<std::string>("the " + name + " is longer than " + std::to_string(maxChars) + " characters");
  return std::string(trimmed);
}

Result<std::string> parseNewTable(std::string_view body) {
  auto j = parseObject(body);
  if (!j.ok()) return refused<std::string>(j.reason());
  auto title = stringField(j.value(), "title");
  if (!title.ok()) return title;
  return checkText(title.value(), kMaxTitleChars, "title");
}

Result<ScoreClaim> parseScoreClaim(std::string_view body) {
  auto j = parseObject(body);
  if (!j.ok()) return refused<ScoreClaim>(j.reason());
  ScoreClaim claim;
  auto name = stringField(j.value(), "name");
  if (!name.ok()) return refused<ScoreClaim>(name.reason());
  auto checked = checkText(name.value(), kMaxNameChars, "name");
  if (!checked.ok()) return refused<ScoreClaim>(checked.reason());
  claim.name = std::move(checked.value());

  // Only an integer token within 64 bits: 1.5, 1e3, "12" and 2^63 are refused, not rounded.
  const auto points = j->find("points");
  if (points == j->end()) return refused<ScoreClaim>("'points' is missing");
  if (points->is_number_unsigned()) {
    if (points->get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
      return refused<ScoreClaim>("'points' is too large");
    claim.points = static_cast<int64_t>(points->get<uint64_t>());
  } else if (points->is_number_integer()) {
    claim.points = points->get<int64_t>();
  } else {
    return refused<ScoreClaim>("'points' is not a whole number");
  }

  auto tape = stringField(j.value(), "tape");
  if (!tape.ok()) return refused<ScoreClaim>(tape.reason());
  auto bytes = decodeBase64(tape.value());
  if (!bytes.ok()) return refused<ScoreClaim>("'tape' is not base64: " + bytes.reason());
  if (bytes->empty()) return refused<ScoreClaim>("'tape' is empty");
  claim.tape = std::move(bytes.value());
  return claim;
}

Result<std::string> bearerKey(std::string_view authorization) {
  constexpr std::string_view kScheme = "Bearer ";
  if (authorization.size() <= kScheme.size() || authorization.substr(0, kScheme.size()) != kScheme)
    return refused<std::string>("no Bearer key");
  const std::string_view key = authorization.substr(kScheme.size());
  if (key.size() > 256) return refused<std::string>("the key is too long");
  return std::string(key);
}

bool looksLikeId(std::string_view id) {
  if (id.empty() || id.size() > 64) return false;
  for (char c : id)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
      return false;
  return true;
}

std::string isoTime(std::chrono::system_clock::time_point t) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return std::string(text, n);
}

std::string createdJson(std::string_view id, std::string_view key) { return dumped({{"id", id}, {"key", key}}); }

std::string tableJson(const ScoreTable &table) {
  json rows = json::array();
  for (const auto &r : table.rows)
    rows.push_back({{"row", r.row}, {"name", r.name}, {"points", r.points}, {"at", r.at}});
  return dumped({{"id", table.id}, {"title", table.title}, {"rows", std::move(rows)}});
}

std::string addedJson(std::string_view row, int64_t points, int64_t rank) {
  return dumped({{"row", row}, {"points", points}, {"rank", rank}});
}

std::string errorJson(std::string_view message) { return dumped({{"error", message}}); }

} // namespace nad::server
