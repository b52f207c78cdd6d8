#pragma once
// The pieces of JSON text the replay writes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nad::replay {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is malformed (overlong forms,
// surrogates and code points above U+10FFFF included), so that what we echo stays valid JSON.
size_t utf8SequenceLength(std::string_view s, size_t i);

bool isValidUtf8(std::string_view s);

// A JSON string. Non-ASCII text stays as raw UTF-8 (readable in the output); a malformed byte
// becomes U+FFFD rather than making the whole line unreadable.
void appendString(std::string &out, std::string_view s);

// The shortest text that reads back to the same double; whole numbers come without ".0".
// JSON has no NaN or infinity, so those become null instead of breaking the line.
void appendNumber(std::string &out, double v);

void appendInt(std::string &out, int64_t v);

void appendBool(std::string &out, bool v);

} // namespace nad::replay
