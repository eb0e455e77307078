#include "transport/device_id.h"

#include <mbedtls/base64.h>
#include <mbedtls/sha1.h>

namespace veltrakey {

std::string make_device_id(const std::string& path) {
  unsigned char digest[20];
  if (mbedtls_sha1_ret(reinterpret_cast<const unsigned char*>(path.data()), path.size(), digest) != 0)
    return std::string();
  unsigned char text[32];
  size_t written = 0;
  if (mbedtls_base64_encode(text, sizeof(text), &written, digest, sizeof(digest)) != 0)
    return std::string();
  return std::string(reinterpret_cast<char*>(text), written);
}

}  // namespace veltrakey
