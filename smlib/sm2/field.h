// Arithmetic modulo the SM2 prime p = 2^256 - 2^224 - 2^96 + 2^64 - 1 on
// fixed arrays of four 64-bit GMP limbs (least significant first). Values are
// kept fully reduced, in [0, p).
#ifndef QUILLON_SM2_FIELD_H
#define QUILLON_SM2_FIELD_H

#include <gmp.h>

#include <cstdint>

static_assert(GMP_NUMB_BITS == 64, "the SM2 field code expects 64-bit limbs without nails");

namespace quillon::sm2 {

constexpr int limbs = 4;

struct fe {
    mp_limb_t v[limbs];
};

extern const fe field_prime;

__extension__ typedef unsigned __int128 u128;

// Four-limb add and subtract with the carry or borrow out, inlined: the
// field operations are too short for a library call per step.
inline mp_limb_t add4(mp_limb_t r[limbs], const mp_limb_t a[limbs], const mp_limb_t b[limbs])
{
    u128 t = 0;
    for (int i = 0; i < limbs; ++i) {
        t += u128(a[i]) + b[i];
        r[i] = mp_limb_t(t);
        t >>= 64;
    }
    return mp_limb_t(t);
}

inline mp_limb_t sub4(mp_limb_t r[limbs], const mp_limb_t a[limbs], const mp_limb_t b[limbs])
{
    mp_limb_t borrow = 0;
    for (int i = 0; i < limbs; ++i) {
        const u128 t = u128(a[i]) - b[i] - borrow;
        r[i] = mp_limb_t(t);
        borrow = mp_limb_t(t >> 127);
    }
    return borrow;
}

// r = v - p when v >= p or when a carry word of 1 stands above v; otherwise
// r = v. Chosen with a mask, without a branch.
inline void reduce_once(fe &r, const mp_limb_t v[limbs], mp_limb_t carry)
{
    mp_limb_t t[limbs];
    const mp_limb_t borrow = sub4(t, v, field_prime.v);
    const mp_limb_t keep_difference = 0 - (carry | (borrow ^ 1));
    for (int i = 0; i < limbs; ++i)
        r.v[i] = (t[i] & keep_difference) | (v[i] & ~keep_difference);
}

// Reduces a product 0 <= t < p^2 (eight limbs) into r.
void fe_reduce_product(fe &r, const mp_limb_t t[2 * limbs]);

inline void fe_mul(fe &r, const fe &a, const fe &b)
{
    mp_limb_t t[2 * limbs];
    mpn_mul_n(t, a.v, b.v, limbs);
    fe_reduce_product(r, t);
}

inline void fe_sqr(fe &r, const fe &a)
{
    mp_limb_t t[2 * limbs];
    mpn_sqr(t, a.v, limbs);
    fe_reduce_product(r, t);
}

inline void fe_add(fe &r, const fe &a, const fe &b)
{
    mp_limb_t s[limbs];
    const mp_limb_t carry = add4(s, a.v, b.v);
    reduce_once(r, s, carry);
}

// a - b, plus p when that borrowed.
inline void fe_sub(fe &r, const fe &a, const fe &b)
{
    mp_limb_t d[limbs];
    const mp_limb_t mask = 0 - sub4(d, a.v, b.v);
    const mp_limb_t p_masked[limbs] = {field_prime.v[0] & mask, field_prime.v[1] & mask,
                                       field_prime.v[2] & mask, field_prime.v[3] & mask};
    add4(r.v, d, p_masked);
}

inline bool fe_is_zero(const fe &a)
{
    return (a.v[0] | a.v[1] | a.v[2] | a.v[3]) == 0;
}

inline bool fe_equal(const fe &a, const fe &b)
{
    return ((a.v[0] ^ b.v[0]) | (a.v[1] ^ b.v[1]) | (a.v[2] ^ b.v[2]) | (a.v[3] ^ b.v[3])) == 0;
}

inline void fe_neg(fe &r, const fe &a)
{
    if (fe_is_zero(a))
        r = a;
    else
        sub4(r.v, field_prime.v, a.v);
}

// r = a * m for a small signed m (|m| < 2^32).
void fe_mul_small(fe &r, const fe &a, int64_t m);

// r = a^-1; a must not be zero.
void fe_inv(fe &r, const fe &a);

// A square root of a when one exists.
bool fe_sqrt(fe &r, const fe &a);

// Big-endian 32-byte conversions; reading refuses values not below p.
bool fe_from_bytes(fe &r, const unsigned char in[32]);
void fe_to_bytes(unsigned char out[32], const fe &a);

} // namespace quillon::sm2

#endif
