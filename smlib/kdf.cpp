// Key derivation of the SM2 and SM9 standards:
// SM3(Z || ct) for ct = 1, 2, ..., cut to the requested length.
#include <algorithm>
#include <utility>

#include "internal.h"

namespace quillon {

uint32_t kdf(unsigned char *out, const unsigned char *z1, size_t z1len, uint64_t klen,
             const unsigned char *z2, size_t z2len)
{
    // A 32-bit counter covers at most 2^32 - 2 blocks; 0 bytes has no defined
    // result and is refused too.
    constexpr uint64_t limit = (uint64_t(0xFFFFFFFF)) * 32;
    if (klen == 0 || klen >= limit)
        return QV_ERR_KEY_LENGTH;

    qv_sm3_ctx prefix;
    wipe_on_exit<qv_sm3_ctx> wipe_prefix(prefix);
    qv_sm3_init(&prefix);
    // Inputs longer than 4 GiB are fed in pieces the context accepts.
    for (const auto &[p, n] : {std::pair{z1, z1len}, std::pair{z2, z2len}}) {
        for (size_t done = 0; done < n;) {
            const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(n - done, 0x40000000));
            qv_sm3_update(&prefix, p + done, piece);
            done += piece;
        }
    }

    qv_sm3_ctx block_ctx;
    wipe_on_exit<qv_sm3_ctx> wipe_block(block_ctx);
    unsigned char digest[32];
    wipe_on_exit<unsigned char[32]> wipe_digest(digest);
    uint32_t counter = 1;
    for (uint64_t done = 0; done < klen; done += 32, ++counter) {
        unsigned char ct[4];
        store_be32(ct, counter);
        qv_sm3_state_copy(&block_ctx, &prefix);
        qv_sm3_update(&block_ctx, ct, 4);
        const uint64_t take = std::min<uint64_t>(32, klen - done);
        if (take == 32) {
            qv_sm3_digest(&block_ctx, out + done);
        } else {
            qv_sm3_digest(&block_ctx, digest);
            std::memcpy(out + done, digest, take);
        }
    }
    return QV_OK;
}

} // namespace quillon
