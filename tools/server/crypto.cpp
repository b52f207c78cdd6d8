#include "server/crypto.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>
#include <sys/random.h>

#include <cerrno>
#include <vector>

#include "server/base64.h"

namespace nad::server {

Result<std::string> randomToken(std::size_t bytes) {
  std::vector<unsigned char> buffer(bytes);
  std::size_t got = 0;
  while (got < bytes) {
    const ssize_t n = ::getrandom(buffer.data() + got, bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Result<std::string>::Failed("no random bytes: " + errnoText(errno));
    }
    got += static_cast<std::size_t>(n);
  }
  return encodeBase64Url(std::string_view(reinterpret_cast<const char *>(buffer.data()), bytes));
}

std::string sha256Hex(std::string_view data) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char *>(data.data()), data.size(), digest);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(std::size_t{2} * SHA256_DIGEST_LENGTH);
  for (unsigned char b : digest) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

bool sameDigest(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace nad::server
