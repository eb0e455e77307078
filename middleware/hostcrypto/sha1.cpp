#include "hostcrypto/sha1.h"

#include <mbedtls/sha1.h>

namespace veltrakey {

void sha1(const uint8_t* data, size_t length, uint8_t out[sha1_size]) {
  // Cannot fail for in-memory input with the software implementation.
  (void)mbedtls_sha1_ret(data, length, out);
}

}  // namespace veltrakey
