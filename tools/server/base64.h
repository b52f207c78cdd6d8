#pragma once
// Base64 as the API carries tapes: the standard alphabet, read strictly (no blanks, the padding
// exactly as long as it must be, no stray bits in the last character), so one tape has one text.
#include <string>
#include <string_view>

#include "platform/report.h"

namespace nad::server {

Result<std::string> decodeBase64(std::string_view text);
std::string encodeBase64(std::string_view bytes);
// URL-safe ('-' and '_'), without padding: ids and keys.
std::string encodeBase64Url(std::string_view bytes);

} // namespace nad::server
