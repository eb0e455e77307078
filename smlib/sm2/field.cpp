// Reduction, inversion and square roots modulo the SM2 prime.
#include "field.h"

namespace quillon::sm2 {

const fe field_prime = {{0xFFFFFFFFFFFFFFFF, 0xFFFFFFFF00000000, 0xFFFFFFFFFFFFFFFF, 0xFFFFFFFEFFFFFFFF}};

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

void fe_inv_secret(fe &r, const fe &a)
{
    // The exponent is public, so the square-and-multiply steps are the same
    // for every a.
    mp_limb_t e[limbs];
    mpn_sub_1(e, field_prime.v, limbs, 2);
    fe t;
    fe_pow(t, a, e);
    fe_canonical(r, t);
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
    fe_canonical(r, root);
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

void fe_to_bytes(unsigned char out[32], const fe &in)
{
    fe a;
    fe_canonical(a, in);
    for (int i = 0; i < limbs; ++i)
        for (int j = 0; j < 8; ++j)
            out[(limbs - 1 - i) * 8 + j] = static_cast<unsigned char>(a.v[i] >> (56 - 8 * j));
}

} // namespace quillon::sm2
