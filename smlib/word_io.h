// Big-endian word loads and stores that compile to one move and one byte
// swap; the byte-wise forms in internal.h are not always merged by the
// compiler inside the unrolled ciphers.
#ifndef QUILLON_WORD_IO_H
#define QUILLON_WORD_IO_H

#include <bit>
#include <cstdint>
#include <cstring>

namespace quillon {

inline uint32_t load_word(const unsigned char *p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap32(v);
    return v;
}

inline void store_word(unsigned char *p, uint32_t v)
{
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap32(v);
    std::memcpy(p, &v, sizeof v);
}

} // namespace quillon

#endif
