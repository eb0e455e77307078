#pragma once
// SHA-1 one-shot digests (device names, PIN keys).
#include <cstddef>
#include <cstdint>

namespace veltrakey {

inline constexpr size_t sha1_size = 20;

void sha1(const uint8_t* data, size_t length, uint8_t out[sha1_size]);

}  // namespace veltrakey
