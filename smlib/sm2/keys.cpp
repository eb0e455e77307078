// Key generation and ciphertext length queries.
#include "../internal.h"
#include "params.h"
#include "point_codec.h"
#include "scalar.h"
#include "secret_mul.h"

using namespace quillon;
using namespace quillon::sm2;

extern "C" {

QV_API uint32_t qv_sm2_query_clen(uint32_t mlen)
{
    return mlen + QV_SM2_CIPHER_OVERHEAD;
}

QV_API uint32_t qv_sm2_query_mlen(uint32_t clen)
{
    return clen - QV_SM2_CIPHER_OVERHEAD;
}

QV_API uint32_t qv_sm2_gen_private_key(unsigned char d_out[32], unsigned char *rnd)
{
    scalar d;
    wipe_on_exit<scalar> wipe_d(d);
    fresh_scalar(d, rnd);
    if (rnd != nullptr)
        wipe(rnd, 32);
    scalar_to_bytes(d_out, d);
    return QV_OK;
}

QV_API uint32_t qv_sm2_gen_public_key(unsigned char pk_out[65], const unsigned char d[32])
{
    scalar k;
    wipe_on_exit<scalar> wipe_k(k);
    scalar_from_bytes(k, d);
    jacobian_point p;
    base_mul_secret(p, k);
    affine_point a;
    // A key that is a multiple of n has no public key; writing the point at
    // infinity would hand out an unusable key.
    if (!to_affine_secret(a, p))
        return QV_ERR_INVALID_POINT;
    write_point(pk_out, a);
    return QV_OK;
}

} // extern "C"
