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
// moving values between them. wi is W_j, wj is W_j ^ W_(j+4).
#define SM3_ROUND(j, FF, GG, A, B, C, D, E, F, G, H, wi, wj)                                    \
    do {                                                                                         \
        const uint32_t a12 = rotl32(A, 12);                                                      \
        const uint32_t a12k = a12 + constants.k[j];                                              \
        const uint32_t ss1 = rotl32(a12k + E, 7);                                                \
        const uint32_t tt1 = FF(A, B, C) + D + (ss1 ^ a12) + (wj);                               \
        const uint32_t tt2 = GG(E, F, G) + H + ss1 + (wi);                                       \
        B = rotl32(B, 9);                                                                        \
        D = tt1;                                                                                 \
        F = rotl32(F, 19);                                                                       \
        H = p0(tt2);                                                                             \
    } while (0)

// The message schedule lives in sixteen locals, each replaced by W_(j+16)
// once W_j has been used.
#define SM3_EXPAND(w0, w3, w7, w10, w13)                                                         \
    (w0 = p1(w0 ^ w7 ^ rotl32(w13, 15)) ^ rotl32(w3, 7) ^ w10)

} // namespace

void sm3_compress(uint32_t state[8], const unsigned char *data, size_t blocks)
{
    for (; blocks > 0; --blocks, data += 64) {
        uint32_t w0 = load_be32(data), w1 = load_be32(data + 4), w2 = load_be32(data + 8),
                 w3 = load_be32(data + 12), w4 = load_be32(data + 16), w5 = load_be32(data + 20),
                 w6 = load_be32(data + 24), w7 = load_be32(data + 28), w8 = load_be32(data + 32),
                 w9 = load_be32(data + 36), w10 = load_be32(data + 40), w11 = load_be32(data + 44),
                 w12 = load_be32(data + 48), w13 = load_be32(data + 52), w14 = load_be32(data + 56),
                 w15 = load_be32(data + 60);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];

        SM3_ROUND(0, ff0, ff0, a, b, c, d, e, f, g, h, w0, w0 ^ w4);
        SM3_ROUND(1, ff0, ff0, d, a, b, c, h, e, f, g, w1, w1 ^ w5);
        SM3_ROUND(2, ff0, ff0, c, d, a, b, g, h, e, f, w2, w2 ^ w6);
        SM3_ROUND(3, ff0, ff0, b, c, d, a, f, g, h, e, w3, w3 ^ w7);
        SM3_ROUND(4, ff0, ff0, a, b, c, d, e, f, g, h, w4, w4 ^ w8);
        SM3_ROUND(5, ff0, ff0, d, a, b, c, h, e, f, g, w5, w5 ^ w9);
        SM3_ROUND(6, ff0, ff0, c, d, a, b, g, h, e, f, w6, w6 ^ w10);
        SM3_ROUND(7, ff0, ff0, b, c, d, a, f, g, h, e, w7, w7 ^ w11);
        SM3_ROUND(8, ff0, ff0, a, b, c, d, e, f, g, h, w8, w8 ^ w12);
        SM3_ROUND(9, ff0, ff0, d, a, b, c, h, e, f, g, w9, w9 ^ w13);
        SM3_ROUND(10, ff0, ff0, c, d, a, b, g, h, e, f, w10, w10 ^ w14);
        SM3_ROUND(11, ff0, ff0, b, c, d, a, f, g, h, e, w11, w11 ^ w15);
        SM3_EXPAND(w0, w3, w7, w10, w13);
        SM3_ROUND(12, ff0, ff0, a, b, c, d, e, f, g, h, w12, w12 ^ w0);
        SM3_EXPAND(w1, w4, w8, w11, w14);
        SM3_ROUND(13, ff0, ff0, d, a, b, c, h, e, f, g, w13, w13 ^ w1);
        SM3_EXPAND(w2, w5, w9, w12, w15);
        SM3_ROUND(14, ff0, ff0, c, d, a, b, g, h, e, f, w14, w14 ^ w2);
        SM3_EXPAND(w3, w6, w10, w13, w0);
        SM3_ROUND(15, ff0, ff0, b, c, d, a, f, g, h, e, w15, w15 ^ w3);
        SM3_EXPAND(w4, w7, w11, w14, w1);
        SM3_ROUND(16, ff1, gg1, a, b, c, d, e, f, g, h, w0, w0 ^ w4);
        SM3_EXPAND(w5, w8, w12, w15, w2);
        SM3_ROUND(17, ff1, gg1, d, a, b, c, h, e, f, g, w1, w1 ^ w5);
        SM3_EXPAND(w6, w9, w13, w0, w3);
        SM3_ROUND(18, ff1, gg1, c, d, a, b, g, h, e, f, w2, w2 ^ w6);
        SM3_EXPAND(w7, w10, w14, w1, w4);
        SM3_ROUND(19, ff1, gg1, b, c, d, a, f, g, h, e, w3, w3 ^ w7);
        SM3_EXPAND(w8, w11, w15, w2, w5);
        SM3_ROUND(20, ff1, gg1, a, b, c, d, e, f, g, h, w4, w4 ^ w8);
        SM3_EXPAND(w9, w12, w0, w3, w6);
        SM3_ROUND(21, ff1, gg1, d, a, b, c, h, e, f, g, w5, w5 ^ w9);
        SM3_EXPAND(w10, w13, w1, w4, w7);
        SM3_ROUND(22, ff1, gg1, c, d, a, b, g, h, e, f, w6, w6 ^ w10);
        SM3_EXPAND(w11, w14, w2, w5, w8);
        SM3_ROUND(23, ff1, gg1, b, c, d, a, f, g, h, e, w7, w7 ^ w11);
        SM3_EXPAND(w12, w15, w3, w6, w9);
        SM3_ROUND(24, ff1, gg1, a, b, c, d, e, f, g, h, w8, w8 ^ w12);
        SM3_EXPAND(w13, w0, w4, w7, w10);
        SM3_ROUND(25, ff1, gg1, d, a, b, c, h, e, f, g, w9, w9 ^ w13);
        SM3_EXPAND(w14, w1, w5, w8, w11);
        SM3_ROUND(26, ff1, gg1, c, d, a, b, g, h, e, f, w10, w10 ^ w14);
        SM3_EXPAND(w15, w2, w6, w9, w12);
        SM3_ROUND(27, ff1, gg1, b, c, d, a, f, g, h, e, w11, w11 ^ w15);
        SM3_EXPAND(w0, w3, w7, w10, w13);
        SM3_ROUND(28, ff1, gg1, a, b, c, d, e, f, g, h, w12, w12 ^ w0);
        SM3_EXPAND(w1, w4, w8, w11, w14);
        SM3_ROUND(29, ff1, gg1, d, a, b, c, h, e, f, g, w13, w13 ^ w1);
        SM3_EXPAND(w2, w5, w9, w12, w15);
        SM3_ROUND(30, ff1, gg1, c, d, a, b, g, h, e, f, w14, w14 ^ w2);
        SM3_EXPAND(w3, w6, w10, w13, w0);
        SM3_ROUND(31, ff1, gg1, b, c, d, a, f, g, h, e, w15, w15 ^ w3);
        SM3_EXPAND(w4, w7, w11, w14, w1);
        SM3_ROUND(32, ff1, gg1, a, b, c, d, e, f, g, h, w0, w0 ^ w4);
        SM3_EXPAND(w5, w8, w12, w15, w2);
        SM3_ROUND(33, ff1, gg1, d, a, b, c, h, e, f, g, w1, w1 ^ w5);
        SM3_EXPAND(w6, w9, w13, w0, w3);
        SM3_ROUND(34, ff1, gg1, c, d, a, b, g, h, e, f, w2, w2 ^ w6);
        SM3_EXPAND(w7, w10, w14, w1, w4);
        SM3_ROUND(35, ff1, gg1, b, c, d, a, f, g, h, e, w3, w3 ^ w7);
        SM3_EXPAND(w8, w11, w15, w2, w5);
        SM3_ROUND(36, ff1, gg1, a, b, c, d, e, f, g, h, w4, w4 ^ w8);
        SM3_EXPAND(w9, w12, w0, w3, w6);
        SM3_ROUND(37, ff1, gg1, d, a, b, c, h, e, f, g, w5, w5 ^ w9);
        SM3_EXPAND(w10, w13, w1, w4, w7);
        SM3_ROUND(38, ff1, gg1, c, d, a, b, g, h, e, f, w6, w6 ^ w10);
        SM3_EXPAND(w11, w14, w2, w5, w8);
        SM3_ROUND(39, ff1, gg1, b, c, d, a, f, g, h, e, w7, w7 ^ w11);
        SM3_EXPAND(w12, w15, w3, w6, w9);
        SM3_ROUND(40, ff1, gg1, a, b, c, d, e, f, g, h, w8, w8 ^ w12);
        SM3_EXPAND(w13, w0, w4, w7, w10);
        SM3_ROUND(41, ff1, gg1, d, a, b, c, h, e, f, g, w9, w9 ^ w13);
        SM3_EXPAND(w14, w1, w5, w8, w11);
        SM3_ROUND(42, ff1, gg1, c, d, a, b, g, h, e, f, w10, w10 ^ w14);
        SM3_EXPAND(w15, w2, w6, w9, w12);
        SM3_ROUND(43, ff1, gg1, b, c, d, a, f, g, h, e, w11, w11 ^ w15);
        SM3_EXPAND(w0, w3, w7, w10, w13);
        SM3_ROUND(44, ff1, gg1, a, b, c, d, e, f, g, h, w12, w12 ^ w0);
        SM3_EXPAND(w1, w4, w8, w11, w14);
        SM3_ROUND(45, ff1, gg1, d, a, b, c, h, e, f, g, w13, w13 ^ w1);
        SM3_EXPAND(w2, w5, w9, w12, w15);
        SM3_ROUND(46, ff1, gg1, c, d, a, b, g, h, e, f, w14, w14 ^ w2);
        SM3_EXPAND(w3, w6, w10, w13, w0);
        SM3_ROUND(47, ff1, gg1, b, c, d, a, f, g, h, e, w15, w15 ^ w3);
        SM3_EXPAND(w4, w7, w11, w14, w1);
        SM3_ROUND(48, ff1, gg1, a, b, c, d, e, f, g, h, w0, w0 ^ w4);
        SM3_EXPAND(w5, w8, w12, w15, w2);
        SM3_ROUND(49, ff1, gg1, d, a, b, c, h, e, f, g, w1, w1 ^ w5);
        SM3_EXPAND(w6, w9, w13, w0, w3);
        SM3_ROUND(50, ff1, gg1, c, d, a, b, g, h, e, f, w2, w2 ^ w6);
        SM3_EXPAND(w7, w10, w14, w1, w4);
        SM3_ROUND(51, ff1, gg1, b, c, d, a, f, g, h, e, w3, w3 ^ w7);
        SM3_EXPAND(w8, w11, w15, w2, w5);
        SM3_ROUND(52, ff1, gg1, a, b, c, d, e, f, g, h, w4, w4 ^ w8);
        SM3_EXPAND(w9, w12, w0, w3, w6);
        SM3_ROUND(53, ff1, gg1, d, a, b, c, h, e, f, g, w5, w5 ^ w9);
        SM3_EXPAND(w10, w13, w1, w4, w7);
        SM3_ROUND(54, ff1, gg1, c, d, a, b, g, h, e, f, w6, w6 ^ w10);
        SM3_EXPAND(w11, w14, w2, w5, w8);
        SM3_ROUND(55, ff1, gg1, b, c, d, a, f, g, h, e, w7, w7 ^ w11);
        SM3_EXPAND(w12, w15, w3, w6, w9);
        SM3_ROUND(56, ff1, gg1, a, b, c, d, e, f, g, h, w8, w8 ^ w12);
        SM3_EXPAND(w13, w0, w4, w7, w10);
        SM3_ROUND(57, ff1, gg1, d, a, b, c, h, e, f, g, w9, w9 ^ w13);
        SM3_EXPAND(w14, w1, w5, w8, w11);
        SM3_ROUND(58, ff1, gg1, c, d, a, b, g, h, e, f, w10, w10 ^ w14);
        SM3_EXPAND(w15, w2, w6, w9, w12);
        SM3_ROUND(59, ff1, gg1, b, c, d, a, f, g, h, e, w11, w11 ^ w15);
        SM3_EXPAND(w0, w3, w7, w10, w13);
        SM3_ROUND(60, ff1, gg1, a, b, c, d, e, f, g, h, w12, w12 ^ w0);
        SM3_EXPAND(w1, w4, w8, w11, w14);
        SM3_ROUND(61, ff1, gg1, d, a, b, c, h, e, f, g, w13, w13 ^ w1);
        SM3_EXPAND(w2, w5, w9, w12, w15);
        SM3_ROUND(62, ff1, gg1, c, d, a, b, g, h, e, f, w14, w14 ^ w2);
        SM3_EXPAND(w3, w6, w10, w13, w0);
        SM3_ROUND(63, ff1, gg1, b, c, d, a, f, g, h, e, w15, w15 ^ w3);
        state[0] ^= a;
        state[1] ^= b;
        state[2] ^= c;
        state[3] ^= d;
        state[4] ^= e;
        state[5] ^= f;
        state[6] ^= g;
        state[7] ^= h;
    }
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
