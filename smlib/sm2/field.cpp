// Reduction, inversion and square roots modulo the SM2 prime.
#include "field.h"

namespace quillon::sm2 {

const fe field_prime = {{0xFFFFFFFFFFFFFFFF, 0xFFFFFFFF00000000, 0xFFFFFFFFFFFFFFFF, 0xFFFFFFFEFFFFFFFF}};

namespace {

// 2^256 - p = 2^224 + 2^96 - 2^64 + 1
constexpr mp_limb_t fold_limbs[limbs] = {1, 0x00000000FFFFFFFF, 0, 0x0000000100000000};

// Small multiples k * (2^256 - p) for the carry words the folding leaves;
// adding k * (2^256 - p) is subtracting k * p and the carry word k * 2^256.
constexpr int max_fold_carry = 13;
struct fold_table {
    mp_limb_t m[max_fold_carry + 1][limbs];
    constexpr fold_table() : m()
    {
        for (int k = 0; k <= max_fold_carry; ++k)
            for (int i = 0; i < limbs; ++i)
                m[k][i] = fold_limbs[i] * mp_limb_t(k);
    }
};
constexpr fold_table fold_multiples;

} // namespace

// The product is split into sixteen 32-bit words c0..c15. Each word above the
// eighth stands for c_i * 2^(32 i), which 2^256 = 2^224 + 2^96 - 2^64 + 1
// (mod p) folds onto the low eight words with small coefficients; the sums
// per word are gathered in signed 64-bit accumulators. Everything stays in
// named locals so the compiler keeps it in registers.
void fe_reduce_product(fe &r, const mp_limb_t t[2 * limbs])
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
    const int64_t s0 = c0 + c8 + c9 + c10 + c11 + c12 + 2 * (c13 + s1415);
    int64_t s1 = c1 + c9 + c10 + c11 + c12 + c13 + 2 * s1415;
    int64_t s2 = c2 - c8 - c9 - c13 - c14;
    int64_t s3 = c3 + c8 + c11 + c12 + 2 * c13 + s1415;
    int64_t s4 = c4 + c9 + c12 + c13 + 2 * c14 + c15;
    int64_t s5 = c5 + c10 + c13 + s1415 + c15;
    int64_t s6 = c6 + c11 + s1415;
    int64_t s7 = c7 + c8 + c9 + c10 + c11 + 2 * (c12 + c13 + c14) + 3 * c15;

    // Signed carries (arithmetic shifts) leave eight 32-bit words and a
    // carry word.
    s1 += s0 >> 32;
    s2 += s1 >> 32;
    s3 += s2 >> 32;
    s4 += s3 >> 32;
    s5 += s4 >> 32;
    s6 += s5 >> 32;
    s7 += s6 >> 32;
    const int64_t top = s7 >> 32;
    const mp_limb_t words[limbs] = {(mp_limb_t(s0) & low) | (mp_limb_t(s1) << 32),
                                    (mp_limb_t(s2) & low) | (mp_limb_t(s3) << 32),
                                    (mp_limb_t(s4) & low) | (mp_limb_t(s5) << 32),
                                    (mp_limb_t(s6) & low) | (mp_limb_t(s7) << 32)};

    // Every folded word stands for a positive multiple of its weight, so the
    // total is never negative and the carry word stays in [0, 13].
    mp_limb_t folded[limbs];
    const mp_limb_t carry = add4(folded, words, fold_multiples.m[top]);
    reduce_once(r, folded, carry);
}

void fe_mul_small(fe &r, const fe &a, int64_t m)
{
    const bool negative = m < 0;
    const mp_limb_t factor = negative ? mp_limb_t(-m) : mp_limb_t(m);
    mp_limb_t t[2 * limbs] = {};
    t[limbs] = mpn_mul_1(t, a.v, limbs, factor);
    fe_reduce_product(r, t);
    if (negative)
        fe_neg(r, r);
}

namespace {

// r = a^e for an exponent given as four limbs.
void fe_pow(fe &r, const fe &a, const mp_limb_t e[limbs])
{
    fe result = {{1, 0, 0, 0}};
    bool started = false;
    for (int bit = 255; bit >= 0; --bit) {
        if (started)
            fe_sqr(result, result);
        if ((e[bit / 64] >> (bit % 64)) & 1) {
            if (started) {
                fe_mul(result, result, a);
            } else {
                result = a;
                started = true;
            }
        }
    }
    r = result;
}

} // namespace

void fe_inv(fe &r, const fe &a)
{
    mpz_t x, m, inv;
    mpz_roinit_n(x, a.v, limbs);
    mpz_roinit_n(m, field_prime.v, limbs);
    mpz_init2(inv, 320);
    mpz_invert(inv, x, m);
    const size_t n = mpz_size(inv);
    mpn_zero(r.v, limbs);
    mpn_copyi(r.v, mpz_limbs_read(inv), static_cast<mp_size_t>(n));
    mpn_zero(mpz_limbs_modify(inv, 5), 5);
    mpz_clear(inv);
}

bool fe_sqrt(fe &r, const fe &a)
{
    // p = 3 (mod 4): a^((p + 1) / 4) is the root when one exists.
    mp_limb_t e[limbs];
    mp_limb_t one[limbs] = {1, 0, 0, 0};
    mpn_add_n(e, field_prime.v, one, limbs);
    mpn_rshift(e, e, limbs, 2);
    fe root;
    fe_pow(root, a, e);
    fe check;
    fe_sqr(check, root);
    if (!fe_equal(check, a))
        return false;
    r = root;
    return true;
}

bool fe_from_bytes(fe &r, const unsigned char in[32])
{
    for (int i = 0; i < limbs; ++i) {
        mp_limb_t v = 0;
        for (int j = 0; j < 8; ++j)
            v = (v << 8) | in[(limbs - 1 - i) * 8 + j];
        r.v[i] = v;
    }
    return mpn_cmp(r.v, field_prime.v, limbs) < 0;
}

void fe_to_bytes(unsigned char out[32], const fe &a)
{
    for (int i = 0; i < limbs; ++i)
        for (int j = 0; j < 8; ++j)
            out[(limbs - 1 - i) * 8 + j] = static_cast<unsigned char>(a.v[i] >> (56 - 8 * j));
}

} // namespace quillon::sm2
