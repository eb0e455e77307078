// SM3 hash with a caller-owned context.
#include "sm3_core.h"

#include <algorithm>

#include "internal.h"

namespace quillon {
namespace {

constexpr uint32_t initial_value[8] = {0x7380166F, 0x4914B2B9, 0x172442D7, 0xDA8A0600,
                                       0xA96F30BC, 0x163138AA, 0xE38DEE4D, 0xB0FB0E4E};

// T_j rotated left by j, precomputed so the rounds add a constant.
constexpr uint32_t make_round_constant(unsigned j)
{
    const uint32_t t = j < 16 ? 0x79CC4519u : 0x7A879D8Au;
    const unsigned n = j % 32;
    return n == 0 ? t : (t << n) | (t >> (32 - n));
}

struct round_constants {
    uint32_t k[64];
    constexpr round_constants() : k()
    {
        for (unsigned j = 0; j < 64; ++j)
            k[j] = make_round_constant(j);
    }
};
constexpr round_constants constants;

inline uint32_t p0(uint32_t x) { return x ^ rotl32(x, 9) ^ rotl32(x, 17); }
inline uint32_t p1(uint32_t x) { return x ^ rotl32(x, 15) ^ rotl32(x, 23); }
inline uint32_t ff0(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t ff1(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | ((x | y) & z); }
inline uint32_t gg1(uint32_t x, uint32_t y, uint32_t z) { return ((y ^ z) & x) ^ z; }

// One round; the caller rotates the roles of the eight registers instead of
// moving values between them.
#define SM3_ROUND(j, FF, GG, A, B, C, D, E, F, G, H)                                             \
    do {                                                                                         \
        const uint32_t a12 = rotl32(A, 12);                                                      \
        const uint32_t ss1 = rotl32(a12 + E + constants.k[j], 7);                                \
        const uint32_t ss2 = ss1 ^ a12;                                                          \
        const uint32_t tt1 = FF(A, B, C) + D + ss2 + (w[j] ^ w[(j) + 4]);                        \
        const uint32_t tt2 = GG(E, F, G) + H + ss1 + w[j];                                       \
        B = rotl32(B, 9);                                                                        \
        D = tt1;                                                                                 \
        F = rotl32(F, 19);                                                                       \
        H = p0(tt2);                                                                             \
    } while (0)

#define SM3_ROUND4(j, FF, GG)                                                                    \
    SM3_ROUND(j, FF, GG, a, b, c, d, e, f, g, h);                                                \
    SM3_ROUND((j) + 1, FF, GG, d, a, b, c, h, e, f, g);                                          \
    SM3_ROUND((j) + 2, FF, GG, c, d, a, b, g, h, e, f);                                          \
    SM3_ROUND((j) + 3, FF, GG, b, c, d, a, f, g, h, e)

} // namespace

void sm3_compress(uint32_t state[8], const unsigned char *data, size_t blocks)
{
    uint32_t w[68];
    for (; blocks > 0; --blocks, data += 64) {
        for (int j = 0; j < 16; ++j)
            w[j] = load_be32(data + 4 * j);
        for (int j = 16; j < 68; ++j)
            w[j] = p1(w[j - 16] ^ w[j - 9] ^ rotl32(w[j - 3], 15)) ^ rotl32(w[j - 13], 7) ^ w[j - 6];

        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        SM3_ROUND4(0, ff0, ff0);
        SM3_ROUND4(4, ff0, ff0);
        SM3_ROUND4(8, ff0, ff0);
        SM3_ROUND4(12, ff0, ff0);
        SM3_ROUND4(16, ff1, gg1);
        SM3_ROUND4(20, ff1, gg1);
        SM3_ROUND4(24, ff1, gg1);
        SM3_ROUND4(28, ff1, gg1);
        SM3_ROUND4(32, ff1, gg1);
        SM3_ROUND4(36, ff1, gg1);
        SM3_ROUND4(40, ff1, gg1);
        SM3_ROUND4(44, ff1, gg1);
        SM3_ROUND4(48, ff1, gg1);
        SM3_ROUND4(52, ff1, gg1);
        SM3_ROUND4(56, ff1, gg1);
        SM3_ROUND4(60, ff1, gg1);
        state[0] ^= a;
        state[1] ^= b;
        state[2] ^= c;
        state[3] ^= d;
        state[4] ^= e;
        state[5] ^= f;
        state[6] ^= g;
        state[7] ^= h;
    }
    wipe(w, sizeof w);
}

} // namespace quillon

using quillon::sm3_compress;

extern "C" {

QV_API void qv_sm3_init(qv_sm3_ctx *ctx)
{
    std::memcpy(ctx->state, quillon::initial_value, sizeof ctx->state);
    ctx->pending = 0;
    ctx->total = 0;
}

QV_API void qv_sm3_reset(qv_sm3_ctx *ctx)
{
    qv_sm3_init(ctx);
}

QV_API void qv_sm3_update(qv_sm3_ctx *ctx, const unsigned char *data, uint32_t len)
{
    if (data == nullptr || len == 0)
        return;
    ctx->total += len;
    if (ctx->pending > 0) {
        const uint32_t take = std::min<uint32_t>(64 - ctx->pending, len);
        std::memcpy(ctx->block + ctx->pending, data, take);
        ctx->pending += take;
        data += take;
        len -= take;
        if (ctx->pending < 64)
            return;
        sm3_compress(ctx->state, ctx->block, 1);
        ctx->pending = 0;
    }
    // Whole blocks go straight from the caller's buffer.
    const uint32_t blocks = len / 64;
    sm3_compress(ctx->state, data, blocks);
    data += size_t(blocks) * 64;
    len -= blocks * 64;
    std::memcpy(ctx->block, data, len);
    ctx->pending = len;
}

QV_API void qv_sm3_digest(qv_sm3_ctx *ctx, unsigned char out[32])
{
    const uint64_t bits = ctx->total * 8;
    uint32_t n = ctx->pending;
    ctx->block[n++] = 0x80;
    if (n > 56) {
        std::memset(ctx->block + n, 0, 64 - n);
        sm3_compress(ctx->state, ctx->block, 1);
        n = 0;
    }
    std::memset(ctx->block + n, 0, 56 - n);
    quillon::store_be32(ctx->block + 56, static_cast<uint32_t>(bits >> 32));
    quillon::store_be32(ctx->block + 60, static_cast<uint32_t>(bits));
    sm3_compress(ctx->state, ctx->block, 1);
    for (int i = 0; i < 8; ++i)
        quillon::store_be32(out + 4 * i, ctx->state[i]);
    quillon::wipe(ctx->block, sizeof ctx->block);
    qv_sm3_init(ctx);
}

QV_API void qv_do_sm3(unsigned char out[32], const unsigned char *data, uint32_t len)
{
    qv_sm3_ctx ctx;
    qv_sm3_init(&ctx);
    qv_sm3_update(&ctx, data, len);
    qv_sm3_digest(&ctx, out);
}

QV_API void qv_sm3_state_copy(qv_sm3_ctx *dst, const qv_sm3_ctx *src)
{
    std::memcpy(dst->state, src->state, sizeof dst->state);
    std::memcpy(dst->block, src->block, sizeof dst->block);
    dst->pending = src->pending;
    dst->total = src->total;
}

} // extern "C"
