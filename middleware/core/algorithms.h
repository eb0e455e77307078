#pragma once
// The algorithm identifiers the library takes: symmetric ciphers with their
// key and block sizes, the short names callers may use for the vendor
// ciphers, and the digests with their output lengths.
#include <cstddef>
#include <optional>

#include "skf.h"

namespace veltrakey {

struct symmetric_algorithm {
  ULONG id;
  size_t key_bytes;
  size_t block_bytes;
};

// The internal identifier for a symmetric algorithm named by the caller:
// short vendor names become their full identifiers, anything else stays.
// Only where a symmetric identifier is expected: 1 as a digest means SM3.
ULONG translate_symmetric_algorithm(ULONG caller_value);

// Key and block sizes of an accepted (internal) identifier; nothing for an
// identifier the library does not take.
std::optional<symmetric_algorithm> find_symmetric_algorithm(ULONG id);

bool is_accepted_digest(ULONG id);
// 32 for SM3, SHA-256 and 0x03; 20 for SHA-1; 16 for 0x81; 0 otherwise.
size_t digest_output_length(ULONG id);

inline constexpr size_t mac_output_length = 16;

}  // namespace veltrakey
