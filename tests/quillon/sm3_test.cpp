// SM3, the identity hash and the KDF.
#include <gtest/gtest.h>

#include <cstring>

#include "internal.h"
#include "quillon.h"
#include "test_util.h"

using qvtest::bytes;
using qvtest::from_hex;
using qvtest::to_hex;

namespace {

std::string sm3_hex(const bytes &m)
{
    unsigned char out[32];
    qv_do_sm3(out, m.data(), static_cast<uint32_t>(m.size()));
    return to_hex(out, 32);
}

TEST(Sm3, PublishedExamplesAndEmptyMessage)
{
    EXPECT_EQ(sm3_hex({'a', 'b', 'c'}), "66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0");
    bytes m;
    for (int i = 0; i < 16; ++i)
        m.insert(m.end(), {'a', 'b', 'c', 'd'});
    EXPECT_EQ(sm3_hex(m), "DEBE9FF92275B8A138604889C18E5A4D6FDB70E5387E5765293DCBA39C0C5732");
    EXPECT_EQ(sm3_hex({}), "1AB21D8355CFA17F8E61194831E81A8F22BEC8C728FEFB747ED035EB5082AA2B");
}

TEST(Sm3, PiecewiseFeedingMatchesOneCall)
{
    bytes m(1000);
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<unsigned char>(i * 7 + 3);
    const std::string whole = sm3_hex(m);
    for (uint32_t piece : {1u, 63u, 64u, 65u}) {
        qv_sm3_ctx ctx;
        qv_sm3_init(&ctx);
        for (size_t at = 0; at < m.size(); at += piece)
            qv_sm3_update(&ctx, m.data() + at, static_cast<uint32_t>(std::min<size_t>(piece, m.size() - at)));
        unsigned char out[32];
        qv_sm3_digest(&ctx, out);
        EXPECT_EQ(to_hex(out, 32), whole) << "piece " << piece;
        // The context is ready for a new message: the next digest is SM3("").
        qv_sm3_digest(&ctx, out);
        EXPECT_EQ(to_hex(out, 32), sm3_hex({}));
    }
}

TEST(Sm3, NullOrEmptyUpdateAndStateCopy)
{
    qv_sm3_ctx ctx, before;
    qv_sm3_init(&ctx);
    const unsigned char abc[] = {'a', 'b', 'c'};
    qv_sm3_update(&ctx, abc, 3);
    std::memcpy(&before, &ctx, sizeof ctx);
    qv_sm3_update(&ctx, nullptr, 5);
    qv_sm3_update(&ctx, abc, 0);
    EXPECT_EQ(std::memcmp(&before, &ctx, sizeof ctx), 0);

    qv_sm3_ctx copy;
    qv_sm3_state_copy(&copy, &ctx);
    unsigned char a[32], b[32];
    qv_sm3_update(&ctx, abc, 3);
    qv_sm3_update(&copy, abc, 3);
    qv_sm3_digest(&ctx, a);
    qv_sm3_digest(&copy, b);
    EXPECT_EQ(to_hex(a, 32), to_hex(b, 32));
    EXPECT_EQ(sizeof(qv_sm3_ctx), 112u);
}

// The published signature example: default identity, its key and message.
const char *const example_pk_x = "09F9DF311E5421A150DD7D161E4BC5C672179FAD1833FC076BB08FF356F35020";
const char *const example_pk_y = "CCEA490CE26775A52DC6EA718CC1AA600AED05FBF35E084A6632F6072DA9AD13";

TEST(Sm3WithId, ExampleDigestFromBlobAndDefaultIdentity)
{
    unsigned char blob[132] = {};
    blob[1] = 1; // bit length 256, little-endian; not read
    const bytes x = from_hex(example_pk_x), y = from_hex(example_pk_y);
    std::memcpy(blob + 4 + 32, x.data(), 32);
    std::memcpy(blob + 4 + 64 + 32, y.data(), 32);
    const bytes msg = from_hex("6D65737361676520646967657374");
    const unsigned char id[] = "1234567812345678";

    unsigned char e_null[32], e_id[32], e_ctx[32];
    qv_sm3_withID(msg.data(), 14, nullptr, 999, blob, 0, e_null);
    qv_sm3_withID(msg.data(), 14, id, 16, blob, 0, e_id);
    EXPECT_EQ(to_hex(e_null, 32), "F0B43E94BA45ACCAACE692ED534382EB17E6AB5A19CE7B31F4486FDFC0D28640");
    EXPECT_EQ(to_hex(e_id, 32), to_hex(e_null, 32));

    qv_sm3_ctx ctx;
    qv_sm3_init_withID(&ctx, nullptr, 0, blob);
    qv_sm3_update(&ctx, msg.data(), 7);
    qv_sm3_update(&ctx, msg.data() + 7, 7);
    qv_sm3_digest(&ctx, e_ctx);
    EXPECT_EQ(to_hex(e_ctx, 32), to_hex(e_null, 32));
}

TEST(Kdf, ExampleOutputsAndRefusedLengths)
{
    // The published encryption example: t = KDF(x2 || y2, 19 bytes).
    const bytes xy = from_hex("335E18D751E51F040E27D468138B7AB1DC86AD7F981D7D416222FD6AB3ED230D"
                              "AB743EBCFB22D64F7B6AB791F70658F25B48FA93E54064FDBFBED3F0BD847AC9");
    unsigned char out[80];
    ASSERT_EQ(quillon::kdf(out, xy.data(), 64, 19, nullptr, 0), 0u);
    EXPECT_EQ(to_hex(out, 19), "44E60FDBF0BAE81437665374BEF26749046C9E");

    // The two halves of the input may be given apart; lengths past one block
    // continue the counter.
    unsigned char split[80];
    ASSERT_EQ(quillon::kdf(split, xy.data(), 10, 80, xy.data() + 10, 54), 0u);
    ASSERT_EQ(quillon::kdf(out, xy.data(), 64, 80, nullptr, 0), 0u);
    EXPECT_EQ(to_hex(split, 80), to_hex(out, 80));
    unsigned char block2[32];
    bytes with_counter = xy;
    with_counter.insert(with_counter.end(), {0, 0, 0, 2});
    qv_do_sm3(block2, with_counter.data(), static_cast<uint32_t>(with_counter.size()));
    EXPECT_EQ(to_hex(out + 32, 32), to_hex(block2, 32));

    std::memset(out, 0x5A, sizeof out);
    EXPECT_EQ(quillon::kdf(out, xy.data(), 64, 0, nullptr, 0), QV_ERR_KEY_LENGTH);
    EXPECT_EQ(quillon::kdf(out, xy.data(), 64, uint64_t(0xFFFFFFFF) * 32, nullptr, 0), QV_ERR_KEY_LENGTH);
    EXPECT_EQ(out[0], 0x5A);
}

} // namespace
