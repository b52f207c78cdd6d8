#pragma once
// The pieces of JSON text the replay writes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nad::replay {

// A JSON string. Non-ASCII text stays as raw UTF-8 (readable in the output); a malformed byte
// becomes U+FFFD rather than making the whole line unreadable.
void appendString(std::string &out, std::string_view s);

// The shortest text that reads back to the same double; whole numbers come without ".0".
// JSON has no NaN or infinity, so those become null instead of breaking the line.
void appendNumber(std::string &out, double v);

void appendInt(std::string &out, int64_t v);

void appendBool(std::string &out, bool v);

} // namespace nad::replay
