// Key exchange without the optional confirmation step. The initiator keeps
// its ephemeral key between its two calls in a context blob the caller stores:
// role (1) || r_A (32) || five 65-byte point slots, R_A first || 64 reserved.
#include "../internal.h"
#include "params.h"
#include "point_codec.h"
#include "scalar.h"
#include "secret_mul.h"

using namespace quillon;
using namespace quillon::sm2;

namespace {

constexpr unsigned char initiator_role = 1;
constexpr size_t ctx_scalar_offset = 1;
constexpr size_t ctx_points_offset = 33;
constexpr int ctx_point_slots = 5;
constexpr size_t point_message_length_bytes = 4;

void write_point_message(unsigned char out[69], const affine_point &p)
{
    const uint32_t length = QV_SM2_POINT_BYTES;
    std::memcpy(out, &length, sizeof length); // native byte order
    write_point(out + point_message_length_bytes, p);
}

// x-bar = 2^127 + (x mod 2^127)
void x_bar(scalar &r, const affine_point &p)
{
    r.v[0] = p.x.v[0];
    r.v[1] = (p.x.v[1] & 0x7FFFFFFFFFFFFFFF) | 0x8000000000000000;
    r.v[2] = 0;
    r.v[3] = 0;
}

// Fresh ephemeral key r (given or random bytes) and R = r * G.
void ephemeral(scalar &r, affine_point &big_r, const unsigned char *r_bytes)
{
    fresh_scalar(r, r_bytes);
    jacobian_point p;
    base_mul_secret(p, r);
    to_affine_secret(big_r, p); // r in [1, n - 1]: never infinity
}

bool read_public(affine_point &p, const unsigned char *in)
{
    return read_point(p, in) == point_read::valid;
}

// Shared point t * (P_peer + x-bar(R_peer) * R_peer) with
// t = (d + x-bar(R_own) * r) mod n, written as x || y. False at infinity.
bool shared_secret(unsigned char xy[64], const unsigned char d_bytes[32], const scalar &r,
                   const affine_point &own_r, const affine_point &peer_p, const affine_point &peer_r)
{
    scalar tmp;
    wipe_on_exit<scalar> wipe_tmp(tmp);
    scalar_from_bytes(tmp, d_bytes);
    secret_int t(tmp);
    x_bar(tmp, own_r);
    secret_int xr(tmp);
    secret_int rr(r);
    mpz_mul(xr.get(), xr.get(), rr.get());
    mpz_add(t.get(), t.get(), xr.get());
    mpz_mod(t.get(), t.get(), order_mpz());
    t.to_scalar(tmp);

    // x-bar of the peer's point is public: the variable-time path serves.
    scalar xb;
    x_bar(xb, peer_r);
    jacobian_point q;
    scalar_mul(q, xb, peer_r);
    point_add_affine(q, q, peer_p);
    affine_point qa;
    if (!to_affine(qa, q))
        return false;
    jacobian_point shared;
    scalar_mul_secret(shared, tmp, qa);
    affine_point sa;
    if (!to_affine_secret(sa, shared))
        return false;
    fe_to_bytes(xy, sa.x);
    fe_to_bytes(xy + 32, sa.y);
    wipe(&sa, sizeof sa);
    wipe(&shared, sizeof shared);
    return true;
}

// KDF(x || y || ZA || ZB, klen)
uint32_t derive_key(unsigned char *key_out, const unsigned char xy[64], const unsigned char za[32],
                    const unsigned char zb[32], uint32_t klen)
{
    unsigned char z[64];
    std::memcpy(z, za, 32);
    std::memcpy(z + 32, zb, 32);
    return kdf(key_out, xy, 64, klen, z, sizeof z);
}

} // namespace

extern "C" {

QV_API uint32_t qv_sm2_kx_nocomfirm_sender_hello(unsigned char RA_out[69], unsigned char ctx_out[422],
                                                 const unsigned char *r_bytes)
{
    scalar r;
    wipe_on_exit<scalar> wipe_r(r);
    affine_point ra;
    ephemeral(r, ra, r_bytes);
    write_point_message(RA_out, ra);

    std::memset(ctx_out, 0, QV_SM2_KX_CTX_BYTES);
    ctx_out[0] = initiator_role;
    scalar_to_bytes(ctx_out + ctx_scalar_offset, r);
    unsigned char *slot = ctx_out + ctx_points_offset;
    write_point(slot, ra);
    for (int i = 1; i < ctx_point_slots; ++i)
        slot[i * QV_SM2_POINT_BYTES] = 0x04;
    return QV_OK;
}

QV_API uint32_t qv_sm2_kx_nocomfirm_sender_final(unsigned char *key_out, const unsigned char RB[69],
                                                 const unsigned char ctx[422], uint32_t klen,
                                                 const unsigned char dA[32], const unsigned char *PA,
                                                 const unsigned char *PB, const unsigned char ZA[32],
                                                 const unsigned char ZB[32])
{
    if (klen == 0)
        return QV_ERR_KEY_LENGTH;
    if (ctx[0] != initiator_role)
        return QV_ERR_SM2_KX_CTX;
    affine_point slots[ctx_point_slots];
    for (int i = 0; i < ctx_point_slots; ++i) {
        const point_read got = read_point(slots[i], ctx + ctx_points_offset + i * QV_SM2_POINT_BYTES);
        // Only R_A is used; it must be a real point.
        if (got == point_read::invalid || (i == 0 && got != point_read::valid))
            return QV_ERR_SM2_KX_CTX;
    }
    affine_point rb, pa, pb;
    if (!read_public(rb, RB + point_message_length_bytes) || !read_public(pa, PA) || !read_public(pb, PB))
        return QV_ERR_INVALID_POINT;

    scalar ra;
    wipe_on_exit<scalar> wipe_ra(ra);
    scalar_from_bytes(ra, ctx + ctx_scalar_offset);
    unsigned char xy[64];
    wipe_on_exit<unsigned char[64]> wipe_xy(xy);
    if (!shared_secret(xy, dA, ra, slots[0], pb, rb))
        return QV_ERR_SM2_KX_ZERO_U;
    return derive_key(key_out, xy, ZA, ZB, klen);
}

QV_API uint32_t qv_sm2_kx_nocomfirm_responsor(unsigned char *key_out, unsigned char RB_out[69],
                                              const unsigned char RA[69], uint32_t klen,
                                              const unsigned char *PB, const unsigned char *PA,
                                              const unsigned char ZB[32], const unsigned char ZA[32],
                                              const unsigned char dB[32], const unsigned char *r_bytes)
{
    if (klen == 0)
        return QV_ERR_KEY_LENGTH;
    affine_point ra;
    if (!read_public(ra, RA + point_message_length_bytes))
        return QV_ERR_INVALID_POINT;
    scalar rb_scalar;
    wipe_on_exit<scalar> wipe_rb(rb_scalar);
    affine_point rb;
    ephemeral(rb_scalar, rb, r_bytes);
    write_point_message(RB_out, rb);

    affine_point pb, pa;
    if (!read_public(pb, PB) || !read_public(pa, PA))
        return QV_ERR_INVALID_POINT;
    unsigned char xy[64];
    wipe_on_exit<unsigned char[64]> wipe_xy(xy);
    if (!shared_secret(xy, dB, rb_scalar, rb, pa, ra))
        return QV_ERR_SM2_KX_ZERO_V;
    return derive_key(key_out, xy, ZA, ZB, klen);
}

} // extern "C"
