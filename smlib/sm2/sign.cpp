// Signature over a caller-supplied digest, and its verification.
#include "../internal.h"
#include "params.h"
#include "point_codec.h"
#include "scalar.h"
#include "secret_mul.h"

using namespace quillon;
using namespace quillon::sm2;

namespace {

// x mod n for a field element or digest read as an integer below 2^256.
void reduce_mod_order(mpz_ptr r, const mp_limb_t v[limbs])
{
    mpz_t view;
    mpz_roinit_n(view, v, limbs);
    mpz_mod(r, view, order_mpz());
}

uint32_t sign_with_nonce(unsigned char sig_out[64], const unsigned char e_bytes[32],
                         const unsigned char d_bytes[32], scalar &k)
{
    scalar e;
    scalar_from_bytes(e, e_bytes);
    mpz_srcptr n = order_mpz();

    // (1 + d)^-1 does not depend on the nonce.
    secret_int inv_1d;
    {
        scalar d;
        wipe_on_exit<scalar> wipe_d(d);
        scalar_from_bytes(d, d_bytes);
        secret_int one_plus_d(d);
        mpz_add_ui(one_plus_d.get(), one_plus_d.get(), 1);
        mpz_mod(one_plus_d.get(), one_plus_d.get(), n);
        // Fermat's (1 + d)^(n - 2): mpz_invert's steps depend on the value.
        mpz_powm_sec(inv_1d.get(), one_plus_d.get(), order_minus_two(), n);
        // d = n - 1 (mod n) is not a usable key: there is no inverse.
        if (mpz_sgn(inv_1d.get()) == 0)
            return QV_ERR_INVALID_POINT;
    }

    secret_int r, s, t;
    for (;;) {
        jacobian_point p;
        base_mul_secret(p, k);
        affine_point a;
        if (!to_affine_secret(a, p)) {
            step_nonce(k);
            continue;
        }
        reduce_mod_order(r.get(), e.v);
        mpz_t x1;
        mpz_roinit_n(x1, a.x.v, limbs);
        mpz_add(r.get(), r.get(), x1);
        mpz_mod(r.get(), r.get(), n);

        mpz_t kview;
        mpz_roinit_n(kview, k.v, limbs);
        mpz_add(t.get(), r.get(), kview);
        if (mpz_sgn(r.get()) == 0 || mpz_cmp(t.get(), n) == 0) {
            step_nonce(k);
            continue;
        }
        // s = (1 + d)^-1 (r + k) - r (mod n)
        mpz_mul(s.get(), inv_1d.get(), t.get());
        mpz_sub(s.get(), s.get(), r.get());
        mpz_mod(s.get(), s.get(), n);
        if (mpz_sgn(s.get()) == 0) {
            step_nonce(k);
            continue;
        }
        break;
    }
    scalar out;
    r.to_scalar(out);
    scalar_to_bytes(sig_out, out);
    s.to_scalar(out);
    scalar_to_bytes(sig_out + 32, out);
    return QV_OK;
}

bool in_signature_range(mpz_srcptr v)
{
    return mpz_sgn(v) > 0 && mpz_cmp(v, order_mpz()) < 0;
}

} // namespace

extern "C" {

QV_API uint32_t qv_sm2_sign(unsigned char sig_out[64], const unsigned char e[32], const unsigned char d[32],
                            unsigned char *k)
{
    scalar nonce;
    wipe_on_exit<scalar> wipe_nonce(nonce);
    fresh_scalar(nonce, k);
    if (k != nullptr)
        wipe(k, 32);
    return sign_with_nonce(sig_out, e, d, nonce);
}

QV_API uint32_t qv_sm2_verify(const unsigned char sig[64], const unsigned char e_bytes[32],
                              const unsigned char *pk)
{
    affine_point pa;
    if (read_point(pa, pk) != point_read::valid)
        return QV_ERR_SM2_PUBLIC_KEY;

    scalar r_s, s_s, e;
    scalar_from_bytes(r_s, sig);
    scalar_from_bytes(s_s, sig + 32);
    scalar_from_bytes(e, e_bytes);
    mpz_t r, s;
    mpz_roinit_n(r, r_s.v, limbs);
    mpz_roinit_n(s, s_s.v, limbs);
    if (!in_signature_range(r) || !in_signature_range(s))
        return QV_ERR_SM2_VERIFY;
    secret_int t;
    mpz_add(t.get(), r, s);
    mpz_mod(t.get(), t.get(), order_mpz());
    if (mpz_sgn(t.get()) == 0)
        return QV_ERR_SM2_VERIFY;

    scalar t_s;
    t.to_scalar(t_s);
    jacobian_point sg, tp, sum;
    base_mul(sg, s_s);
    scalar_mul(tp, t_s, pa);
    point_add(sum, sg, tp);
    affine_point x1y1;
    if (!to_affine(x1y1, sum))
        return QV_ERR_SM2_VERIFY;

    secret_int expected;
    reduce_mod_order(expected.get(), e.v);
    mpz_t x1;
    mpz_roinit_n(x1, x1y1.x.v, limbs);
    mpz_add(expected.get(), expected.get(), x1);
    mpz_mod(expected.get(), expected.get(), order_mpz());
    return mpz_cmp(expected.get(), r) == 0 ? QV_OK : QV_ERR_SM2_VERIFY;
}

} // extern "C"
