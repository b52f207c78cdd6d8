#pragma once
// Random tokens and digests: table ids, owner keys and row ids come from the kernel's random
// source; only a key's SHA-256 is stored, and digests are compared in constant time.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/report.h"

namespace nad::server {

// `bytes` random bytes as URL-safe base64 without padding.
Result<std::string> randomToken(std::size_t bytes);

std::string sha256Hex(std::string_view data);

// Equal texts, in a time that does not depend on where they differ.
bool sameDigest(std::string_view a, std::string_view b);

} // namespace nad::server
