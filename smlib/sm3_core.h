// The SM3 compression function, for the hash and for callers that hash
// whole blocks themselves.
#ifndef QUILLON_SM3_CORE_H
#define QUILLON_SM3_CORE_H

#include <cstddef>
#include <cstdint>

namespace quillon {

void sm3_compress(uint32_t state[8], const unsigned char *data, size_t blocks);

} // namespace quillon

#endif
