// Helpers shared by every family of the library; not exported.
#ifndef QUILLON_INTERNAL_H
#define QUILLON_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "quillon.h"

namespace quillon {

inline uint32_t load_be32(const unsigned char *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void store_be32(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

inline uint32_t rotl32(uint32_t x, unsigned n)
{
    return (x << (n & 31)) | (x >> ((32 - n) & 31));
}

// Clears secrets in a way the optimiser may not drop.
void wipe(void *p, size_t n);

// Wipes a fixed-size object when it leaves scope.
template <typename T> struct wipe_on_exit {
    T &obj;
    explicit wipe_on_exit(T &o) : obj(o) {}
    ~wipe_on_exit() { wipe(&obj, sizeof obj); }
    wipe_on_exit(const wipe_on_exit &) = delete;
    wipe_on_exit &operator=(const wipe_on_exit &) = delete;
};

// Out of memory in our own allocations ends the process, as GMP does.
[[noreturn]] void out_of_memory();

// Fills buf through the installed random function (the default is installed
// on first use).
void random_bytes(unsigned char *buf, int32_t len);

// KDF of the SM2/SM9 standards over z1 || z2. klen must be at least 1 and
// below (2^32 - 1) * 32; otherwise QV_ERR_KEY_LENGTH and nothing is written.
uint32_t kdf(unsigned char *out, const unsigned char *z1, size_t z1len, uint64_t klen,
             const unsigned char *z2, size_t z2len);

// The 128 bytes a || b || xG || yG of the SM2 curve, hashed into every Z.
extern const unsigned char sm2_curve_bytes[128];

// Z = SM3(ENTL || ID || a || b || xG || yG || x || y); id null selects the
// default identity.
void sm2_user_hash(unsigned char z[32], const unsigned char *id, uint32_t idlen,
                   const unsigned char x[32], const unsigned char y[32]);

} // namespace quillon

#endif
