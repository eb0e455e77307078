#include "scalar.h"

#include "../internal.h"

namespace quillon::sm2 {

void scalar_from_bytes(scalar &r, const unsigned char in[32])
{
    for (int i = 0; i < limbs; ++i) {
        mp_limb_t v = 0;
        for (int j = 0; j < 8; ++j)
            v = (v << 8) | in[(limbs - 1 - i) * 8 + j];
        r.v[i] = v;
    }
}

void scalar_to_bytes(unsigned char out[32], const scalar &k)
{
    for (int i = 0; i < limbs; ++i)
        for (int j = 0; j < 8; ++j)
            out[(limbs - 1 - i) * 8 + j] = static_cast<unsigned char>(k.v[i] >> (56 - 8 * j));
}

bool scalar_is_zero(const scalar &k)
{
    return mpn_zero_p(k.v, limbs);
}

bool scalar_is_multiple_of_order(const scalar &k)
{
    // Below 2^256 the multiples of n are 0 and n.
    return scalar_is_zero(k) || mpn_cmp(k.v, group_order.v, limbs) == 0;
}

void derive_scalar(scalar &r, const unsigned char in[32])
{
    scalar_from_bytes(r, in);
    if (scalar_is_zero(r)) {
        r.v[0] = 1;
        return;
    }
    if (mpn_cmp(r.v, group_order.v, limbs) >= 0) {
        // v - (n - 1) = v - n + 1, and v < 2^256 < 2n keeps it in [1, n).
        mpn_sub_n(r.v, r.v, group_order.v, limbs);
        mpn_add_1(r.v, r.v, limbs, 1);
    }
}

void fresh_scalar(scalar &r, const unsigned char *given)
{
    if (given != nullptr) {
        derive_scalar(r, given);
        return;
    }
    unsigned char own[32];
    random_bytes(own, sizeof own);
    derive_scalar(r, own);
    wipe(own, sizeof own);
}

void step_nonce(scalar &k)
{
    mpn_add_1(k.v, k.v, limbs, 2);
    if (mpn_cmp(k.v, group_order.v, limbs) >= 0)
        mpn_sub_n(k.v, k.v, group_order.v, limbs);
}

namespace {
// Room for a product of two scalars and a little more, so that operations
// never reallocate (a reallocation would leave an unwiped copy behind).
constexpr mp_bitcnt_t secret_bits = 640;
} // namespace

secret_int::secret_int()
{
    mpz_init2(value_, secret_bits);
}

secret_int::secret_int(const scalar &k)
{
    mpz_init2(value_, secret_bits);
    mpn_copyi(mpz_limbs_write(value_, limbs), k.v, limbs);
    mpz_limbs_finish(value_, limbs);
}

secret_int::~secret_int()
{
    wipe(value_->_mp_d, size_t(value_->_mp_alloc) * sizeof(mp_limb_t));
    mpz_clear(value_);
}

void secret_int::to_scalar(scalar &r) const
{
    mpn_zero(r.v, limbs);
    const size_t n = mpz_size(value_);
    mpn_copyi(r.v, mpz_limbs_read(value_), static_cast<mp_size_t>(n < limbs ? n : limbs));
}

mpz_srcptr order_mpz()
{
    static mpz_t view;
    static bool ready = (mpz_roinit_n(view, group_order.v, limbs), true);
    (void)ready;
    return view;
}

mpz_srcptr order_minus_two()
{
    static mp_limb_t limbs_n2[limbs];
    static mpz_t view;
    static bool ready = (mpn_sub_1(limbs_n2, group_order.v, limbs, 2), mpz_roinit_n(view, limbs_n2, limbs), true);
    (void)ready;
    return view;
}

} // namespace quillon::sm2
