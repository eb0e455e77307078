// The SM2 user hash Z and the message digest e = SM3(Z || M).
#include <cstdlib>

#include "internal.h"

namespace quillon {

const unsigned char sm2_curve_bytes[128] = {
    // a
    0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFC,
    // b
    0x28, 0xE9, 0xFA, 0x9E, 0x9D, 0x9F, 0x5E, 0x34, 0x4D, 0x5A, 0x9E, 0x4B, 0xCF, 0x65, 0x09, 0xA7,
    0xF3, 0x97, 0x89, 0xF5, 0x15, 0xAB, 0x8F, 0x92, 0xDD, 0xBC, 0xBD, 0x41, 0x4D, 0x94, 0x0E, 0x93,
    // xG
    0x32, 0xC4, 0xAE, 0x2C, 0x1F, 0x19, 0x81, 0x19, 0x5F, 0x99, 0x04, 0x46, 0x6A, 0x39, 0xC9, 0x94,
    0x8F, 0xE3, 0x0B, 0xBF, 0xF2, 0x66, 0x0B, 0xE1, 0x71, 0x5A, 0x45, 0x89, 0x33, 0x4C, 0x74, 0xC7,
    // yG
    0xBC, 0x37, 0x36, 0xA2, 0xF4, 0xF6, 0x77, 0x9C, 0x59, 0xBD, 0xCE, 0xE3, 0x6B, 0x69, 0x21, 0x53,
    0xD0, 0xA9, 0x87, 0x7C, 0xC6, 0x2A, 0x47, 0x40, 0x02, 0xDF, 0x32, 0xE5, 0x21, 0x39, 0xF0, 0xA0,
};

namespace {
constexpr unsigned char default_id[] = "1234567812345678";
}

void sm2_user_hash(unsigned char z[32], const unsigned char *id, uint32_t idlen,
                   const unsigned char x[32], const unsigned char y[32])
{
    if (id == nullptr) {
        id = default_id;
        idlen = 16;
    }
    // ENTL holds the identity's bit length in 16 bits.
    const uint32_t bits = idlen * 8;
    unsigned char entl[2] = {static_cast<unsigned char>(bits >> 8), static_cast<unsigned char>(bits)};
    qv_sm3_ctx ctx;
    qv_sm3_init(&ctx);
    qv_sm3_update(&ctx, entl, 2);
    qv_sm3_update(&ctx, id, idlen);
    qv_sm3_update(&ctx, sm2_curve_bytes, sizeof sm2_curve_bytes);
    qv_sm3_update(&ctx, x, 32);
    qv_sm3_update(&ctx, y, 32);
    qv_sm3_digest(&ctx, z);
}

} // namespace quillon

namespace {

// The coordinates sit right-aligned in the 64-byte fields of the blob.
void blob_coordinates(const void *pk, const unsigned char **x, const unsigned char **y)
{
    const auto *blob = static_cast<const unsigned char *>(pk);
    *x = blob + 4 + 32;
    *y = blob + 4 + 64 + 32;
}

} // namespace

extern "C" {

QV_API void qv_sm3_init_withID(qv_sm3_ctx *ctx, const unsigned char *id, uint32_t idlen, const void *pk)
{
    const unsigned char *x = nullptr;
    const unsigned char *y = nullptr;
    blob_coordinates(pk, &x, &y);
    unsigned char z[32];
    quillon::sm2_user_hash(z, id, idlen, x, y);
    qv_sm3_init(ctx);
    qv_sm3_update(ctx, z, 32);
}

QV_API void qv_sm3_withID(const unsigned char *msg, uint32_t msglen, const unsigned char *id,
                          uint32_t idlen, const void *pk, uint32_t, unsigned char out[32])
{
    qv_sm3_ctx ctx;
    qv_sm3_init_withID(&ctx, id, idlen, pk);
    qv_sm3_update(&ctx, msg, msglen);
    qv_sm3_digest(&ctx, out);
}

QV_API uint32_t qv_sm2_za(unsigned char z_out[32], const unsigned char *id, uint32_t idlen,
                          const unsigned char pk[65])
{
    quillon::sm2_user_hash(z_out, id, idlen, pk + 1, pk + 33);
    return QV_OK;
}

QV_API uint32_t qv_sm2_em(unsigned char e_out[32], const unsigned char *id, uint32_t idlen,
                          const unsigned char *msg, uint32_t msglen, const unsigned char pk[65])
{
    unsigned char z[32];
    quillon::sm2_user_hash(z, id, idlen, pk + 1, pk + 33);
    qv_sm3_ctx ctx;
    qv_sm3_init(&ctx);
    qv_sm3_update(&ctx, z, 32);
    qv_sm3_update(&ctx, msg, msglen);
    qv_sm3_digest(&ctx, e_out);
    return QV_OK;
}

} // extern "C"
