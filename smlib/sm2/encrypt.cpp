// Public-key encryption and decryption; ciphertext C1 || C2 || C3.
#include "../internal.h"
#include "params.h"
#include "point_codec.h"
#include "scalar.h"
#include "secret_mul.h"

using namespace quillon;
using namespace quillon::sm2;

namespace {

constexpr uint32_t c1_bytes = 65;
constexpr uint32_t c3_bytes = 32;

bool all_zero(const unsigned char *p, size_t n)
{
    unsigned char acc = 0;
    for (size_t i = 0; i < n; ++i)
        acc |= p[i];
    return acc == 0;
}

bool equal_in_constant_time(const unsigned char *a, const unsigned char *b, size_t n)
{
    unsigned char acc = 0;
    for (size_t i = 0; i < n; ++i)
        acc |= a[i] ^ b[i];
    return acc == 0;
}

// x2 || y2 of k * P as 64 bytes; false at infinity.
bool shared_point_bytes(unsigned char xy[64], const scalar &k, const affine_point &p)
{
    jacobian_point s;
    scalar_mul_secret(s, k, p);
    affine_point a;
    const bool finite = to_affine_secret(a, s);
    if (finite) {
        fe_to_bytes(xy, a.x);
        fe_to_bytes(xy + 32, a.y);
    }
    wipe(&a, sizeof a);
    wipe(&s, sizeof s);
    return finite;
}

void mac_c3(unsigned char out[32], const unsigned char xy[64], const unsigned char *msg, uint32_t mlen)
{
    qv_sm3_ctx ctx;
    qv_sm3_init(&ctx);
    qv_sm3_update(&ctx, xy, 32);
    qv_sm3_update(&ctx, msg, mlen);
    qv_sm3_update(&ctx, xy + 32, 32);
    qv_sm3_digest(&ctx, out);
}

} // namespace

extern "C" {

QV_API uint32_t qv_sm2_enc(unsigned char *c_out, uint32_t *clen_out, const unsigned char *msg, uint32_t mlen,
                           const unsigned char *pk, const unsigned char *k_bytes)
{
    if (clen_out != nullptr)
        *clen_out = 0;
    // An empty message would ask the KDF for zero bytes.
    if (mlen == 0)
        return QV_ERR_LENGTH;
    if (mlen > UINT32_MAX - QV_SM2_CIPHER_OVERHEAD)
        return QV_ERR_LENGTH;

    scalar k;
    wipe_on_exit<scalar> wipe_k(k);
    fresh_scalar(k, k_bytes);

    affine_point pb;
    if (read_point(pb, pk) != point_read::valid)
        return QV_ERR_SM2_PUBLIC_KEY;

    unsigned char xy[64];
    wipe_on_exit<unsigned char[64]> wipe_xy(xy);
    unsigned char *c2 = c_out + c1_bytes;
    for (;;) {
        jacobian_point c1;
        base_mul_secret(c1, k);
        affine_point c1a;
        if (!to_affine_secret(c1a, c1) || !shared_point_bytes(xy, k, pb)) {
            step_nonce(k);
            continue;
        }
        write_point(c_out, c1a);
        kdf(c2, xy, 64, mlen, nullptr, 0);
        if (!all_zero(c2, mlen))
            break;
        step_nonce(k);
    }
    for (uint32_t i = 0; i < mlen; ++i)
        c2[i] ^= msg[i];
    mac_c3(c2 + mlen, xy, msg, mlen);
    if (clen_out != nullptr)
        *clen_out = mlen + QV_SM2_CIPHER_OVERHEAD;
    return QV_OK;
}

QV_API uint32_t qv_sm2_dec(unsigned char *m_out, uint32_t *mlen_out, const unsigned char *c, uint32_t clen,
                           const unsigned char d_bytes[32])
{
    const uint32_t mlen = clen - QV_SM2_CIPHER_OVERHEAD;
    if (mlen_out != nullptr)
        *mlen_out = mlen;
    if (clen < QV_SM2_CIPHER_OVERHEAD + 1)
        return QV_ERR_SM2_DEC_ZERO_T;

    affine_point c1;
    if (read_point(c1, c) != point_read::valid)
        return QV_ERR_SM2_DEC_C1;

    scalar d;
    wipe_on_exit<scalar> wipe_d(d);
    scalar_from_bytes(d, d_bytes);
    unsigned char xy[64];
    wipe_on_exit<unsigned char[64]> wipe_xy(xy);
    if (!shared_point_bytes(xy, d, c1))
        return QV_ERR_SM2_DEC_INFINITY;

    kdf(m_out, xy, 64, mlen, nullptr, 0);
    if (all_zero(m_out, mlen))
        return QV_ERR_SM2_DEC_ZERO_T;
    const unsigned char *c2 = c + c1_bytes;
    for (uint32_t i = 0; i < mlen; ++i)
        m_out[i] ^= c2[i];
    unsigned char u[32];
    mac_c3(u, xy, m_out, mlen);
    if (!equal_in_constant_time(u, c2 + mlen, c3_bytes)) {
        // Unauthenticated plaintext is not handed out.
        wipe(m_out, mlen);
        return QV_ERR_SM2_DEC_MAC;
    }
    return QV_OK;
}

} // extern "C"
