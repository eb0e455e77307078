// Arithmetic modulo the SM2 prime p = 2^256 - 2^224 - 2^96 + 2^64 - 1 on
// fixed arrays of four 64-bit GMP limbs (least significant first).
//
// Results are only partly reduced: any value below 2^256 that is congruent
// to the result (so 0 and p both stand for zero). Comparisons and byte output
// bring values to [0, p) first. Leaving out the final subtraction of p takes
// it off the chain of dependent operations that a point doubling is.
#ifndef QUILLON_SM2_FIELD_H
#define QUILLON_SM2_FIELD_H

#include <gmp.h>

#include <cstdint>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

static_assert(GMP_NUMB_BITS == 64, "the SM2 field code expects 64-bit limbs without nails");

namespace quillon::sm2 {

constexpr int limbs = 4;

struct fe {
    mp_limb_t v[limbs];
};

extern const fe field_prime;

__extension__ typedef unsigned __int128 u128;

// 2^256 - p = 2^224 + 2^96 - 2^64 + 1: what a carry out of the top limb is
// worth modulo p.
constexpr mp_limb_t fold_limbs[limbs] = {1, 0x00000000FFFFFFFF, 0, 0x0000000100000000};

// Four-limb add and subtract with the carry or borrow out, inlined: the
// field operations are too short for a library call per step.
#if defined(__x86_64__)
// Carry chains map onto the add-with-carry instructions.
inline mp_limb_t add4(mp_limb_t r[limbs], const mp_limb_t a[limbs], const mp_limb_t b[limbs])
{
    unsigned long long t0, t1, t2, t3;
    unsigned char c = _addcarry_u64(0, a[0], b[0], &t0);
    c = _addcarry_u64(c, a[1], b[1], &t1);
    c = _addcarry_u64(c, a[2], b[2], &t2);
    c = _addcarry_u64(c, a[3], b[3], &t3);
    r[0] = t0;
    r[1] = t1;
    r[2] = t2;
    r[3] = t3;
    return c;
}

inline mp_limb_t sub4(mp_limb_t r[limbs], const mp_limb_t a[limbs], const mp_limb_t b[limbs])
{
    unsigned long long t0, t1, t2, t3;
    unsigned char c = _subborrow_u64(0, a[0], b[0], &t0);
    c = _subborrow_u64(c, a[1], b[1], &t1);
    c = _subborrow_u64(c, a[2], b[2], &t2);
    c = _subborrow_u64(c, a[3], b[3], &t3);
    r[0] = t0;
    r[1] = t1;
    r[2] = t2;
    r[3] = t3;
    return c;
}
#else
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
#endif

// The folds below never branch on the value: the constant is masked in, so
// secret operands take the same time.

// Adds carry * (2^256 - p), carry 0 or 1; returns the carry out.
inline mp_limb_t fold_carry_once(mp_limb_t v[limbs], mp_limb_t carry)
{
    const mp_limb_t m = 0 - carry;
    const mp_limb_t f[limbs] = {fold_limbs[0] & m, fold_limbs[1] & m, fold_limbs[2] & m, fold_limbs[3] & m};
    return add4(v, v, f);
}

// Subtracts borrow * (2^256 - p), borrow 0 or 1; returns the borrow out.
inline mp_limb_t fold_borrow_once(mp_limb_t v[limbs], mp_limb_t borrow)
{
    const mp_limb_t m = 0 - borrow;
    const mp_limb_t f[limbs] = {fold_limbs[0] & m, fold_limbs[1] & m, fold_limbs[2] & m, fold_limbs[3] & m};
    return sub4(v, v, f);
}

// v + carry * 2^256 back below 2^256. A second carry happens only when v was
// within 2^225 of 2^256, and then leaves v below 2^225: two rounds always do.
inline void fold_carry(mp_limb_t v[limbs], mp_limb_t carry)
{
    fold_carry_once(v, fold_carry_once(v, carry));
}

// v - borrow * 2^256 back to a non-negative value, in two rounds likewise.
inline void fold_borrow(mp_limb_t v[limbs], mp_limb_t borrow)
{
    fold_borrow_once(v, fold_borrow_once(v, borrow));
}

// Reduces an eight-limb product t < 2^512 into r.
//
// The product is split into sixteen 32-bit words c0..c15. Each word above the
// eighth stands for c_i * 2^(32 i), which 2^256 = 2^224 + 2^96 - 2^64 + 1
// (mod p) folds onto the low eight words with small coefficients; the sums
// per word are gathered in signed 64-bit accumulators. Everything stays in
// named locals so the compiler keeps it in registers.
inline void fe_reduce_product(fe &r, const mp_limb_t t[2 * limbs])
{
    constexpr mp_limb_t low = 0xFFFFFFFF;
    const int64_t c0 = int64_t(t[0] & low), c1 = int64_t(t[0] >> 32);
    const int64_t c2 = int64_t(t[1] & low), c3 = int64_t(t[1] >> 32);
    const int64_t c4 = int64_t(t[2] & low), c5 = int64_t(t[2] >> 32);
    const int64_t c6 = int64_t(t[3] & low), c7 = int64_t(t[3] >> 32);
    const int64_t c8 = int64_t(t[4] & low), c9 = int64_t(t[4] >> 32);
    const int64_t c10 = int64_t(t[5] & low), c11 = int64_t(t[5] >> 32);
    const int64_t c12 = int64_t(t[6] & low), c13 = int64_t(t[6] >> 32);
    const int64_t c14 = int64_t(t[7] & low), c15 = int64_t(t[7] >> 32);

    const int64_t s1415 = c14 + c15;
    const int64_t s910 = c9 + c10;
    const int64_t s1112 = c11 + c12;
    const int64_t s0 = c0 + c8 + s910 + s1112 + 2 * (c13 + s1415);
    const int64_t s1 = c1 + s910 + s1112 + c13 + 2 * s1415;
    const int64_t s2 = c2 - c8 - c9 - c13 - c14;
    const int64_t s3 = c3 + c8 + s1112 + 2 * c13 + s1415;
    const int64_t s4 = c4 + c9 + c12 + c13 + 2 * c14 + c15;
    const int64_t s5 = c5 + c10 + c13 + s1415 + c15;
    const int64_t s6 = c6 + c11 + s1415;
    const int64_t s7 = c7 + c8 + s910 + c11 + 2 * (c12 + c13 + c14) + 3 * c15;

    // Signed carries (arithmetic shifts) leave eight 32-bit words and a
    // carry word.
    int64_t a1 = s1 + (s0 >> 32);
    int64_t a2 = s2 + (a1 >> 32);
    int64_t a3 = s3 + (a2 >> 32);
    int64_t a4 = s4 + (a3 >> 32);
    int64_t a5 = s5 + (a4 >> 32);
    int64_t a6 = s6 + (a5 >> 32);
    int64_t a7 = s7 + (a6 >> 32);
    // Every folded word stands for a positive multiple of its weight, so the
    // total is never negative and the carry word stays in [0, 13].
    const int64_t top = a7 >> 32;
    const mp_limb_t words[limbs] = {(mp_limb_t(s0) & low) | (mp_limb_t(a1) << 32),
                                    (mp_limb_t(a2) & low) | (mp_limb_t(a3) << 32),
                                    (mp_limb_t(a4) & low) | (mp_limb_t(a5) << 32),
                                    (mp_limb_t(a6) & low) | (mp_limb_t(a7) << 32)};
    // Adding top * (2^256 - p) is subtracting top * p and the carry word. It
    // is computed rather than looked up, so no memory access depends on top.
    const mp_limb_t k = mp_limb_t(top);
    const mp_limb_t fold_k[limbs] = {k, (k << 32) - k, 0, k << 32};
    const mp_limb_t carry = add4(r.v, words, fold_k);
    // A wrap leaves less than top * (2^256 - p) < 2^228: one round does.
    fold_carry_once(r.v, carry);
}

// GMP's multiplication of four limbs is its basecase loop, whose running time
// depends only on the sizes.
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
    fold_carry(r.v, add4(r.v, a.v, b.v));
}

inline void fe_sub(fe &r, const fe &a, const fe &b)
{
    fold_borrow(r.v, sub4(r.v, a.v, b.v));
}

inline void fe_neg(fe &r, const fe &a)
{
    const fe zero{};
    fe_sub(r, zero, a);
}

// The representative in [0, p).
inline void fe_canonical(fe &r, const fe &a)
{
    mp_limb_t t[limbs];
    const mp_limb_t keep_difference = 0 - (sub4(t, a.v, field_prime.v) ^ 1);
    for (int i = 0; i < limbs; ++i)
        r.v[i] = (t[i] & keep_difference) | (a.v[i] & ~keep_difference);
}

// All ones when a is zero modulo p, else zero; without branches.
inline mp_limb_t fe_zero_mask(const fe &a)
{
    fe c;
    fe_canonical(c, a);
    const mp_limb_t any = c.v[0] | c.v[1] | c.v[2] | c.v[3];
    return ((any | (0 - any)) >> 63) - 1;
}

// r = a where mask is all ones; r unchanged where it is zero.
inline void fe_select(fe &r, const fe &a, mp_limb_t mask)
{
    for (int i = 0; i < limbs; ++i)
        r.v[i] = (a.v[i] & mask) | (r.v[i] & ~mask);
}

// r = -r where mask is all ones.
inline void fe_cond_neg(fe &r, mp_limb_t mask)
{
    fe n;
    fe_neg(n, r);
    fe_select(r, n, mask);
}

inline bool fe_is_zero(const fe &a)
{
    fe c;
    fe_canonical(c, a);
    return (c.v[0] | c.v[1] | c.v[2] | c.v[3]) == 0;
}

inline bool fe_equal(const fe &a, const fe &b)
{
    fe d;
    fe_sub(d, a, b);
    return fe_is_zero(d);
}

// r = a * m for a small signed m (|m| < 2^32).
void fe_mul_small(fe &r, const fe &a, int64_t m);

// r = a^-1 in [0, p); a must not be zero. Variable time: for public values.
void fe_inv(fe &r, const fe &a);

// r = a^-1 in [0, p) as a^(p - 2): the same steps for every a, for values
// derived from secrets. a must not be zero.
void fe_inv_secret(fe &r, const fe &a);

// A square root of a in [0, p) when one exists.
bool fe_sqrt(fe &r, const fe &a);

// Big-endian 32-byte conversions; reading refuses values not below p.
bool fe_from_bytes(fe &r, const unsigned char in[32]);
void fe_to_bytes(unsigned char out[32], const fe &a);

} // namespace quillon::sm2

#endif
