// SM4 in ECB and CBC modes.
#include <gtest/gtest.h>

#include <cstring>

#include "quillon.h"
#include "test_util.h"

using qvtest::bytes;
using qvtest::from_hex;
using qvtest::to_hex;

namespace {

const bytes key = from_hex("0123456789ABCDEFFEDCBA9876543210");

TEST(Sm4, PublishedExampleBothWays)
{
    unsigned char out[16], back[16];
    uint32_t outlen = 0;
    ASSERT_EQ(qv_sm4_encrypt_ecb(out, &outlen, key.data(), key.data(), 16), 0u);
    EXPECT_EQ(outlen, 16u);
    EXPECT_EQ(to_hex(out, 16), "681EDF34D206965E86B3E94F536E4246");
    ASSERT_EQ(qv_sm4_decrypt_ecb(back, nullptr, key.data(), out, 16), 0u);
    EXPECT_EQ(to_hex(back, 16), to_hex(key));
}

TEST(Sm4, MillionIterations)
{
    unsigned char block[16];
    std::memcpy(block, key.data(), 16);
    for (int i = 0; i < 1000000; ++i)
        qv_sm4_encrypt_ecb(block, nullptr, key.data(), block, 16);
    EXPECT_EQ(to_hex(block, 16), "595298C7C6FD271F0402F804C33D3F66");
}

TEST(Sm4, LengthRule)
{
    using call = uint32_t (*)(unsigned char *, uint32_t *, const unsigned char *, unsigned char *,
                              const unsigned char *, uint32_t);
    const call cbc_calls[] = {qv_sm4_encrypt_cbc, qv_sm4_decrypt_cbc};
    unsigned char in[32] = {}, out[32];
    for (uint32_t len : {15u, 17u}) {
        uint32_t outlen = 99;
        std::memset(out, 0x77, sizeof out);
        EXPECT_EQ(qv_sm4_encrypt_ecb(out, &outlen, key.data(), in, len), QV_ERR_SM4_LENGTH);
        EXPECT_EQ(outlen, 0u);
        outlen = 99;
        EXPECT_EQ(qv_sm4_decrypt_ecb(out, &outlen, key.data(), in, len), QV_ERR_SM4_LENGTH);
        EXPECT_EQ(outlen, 0u);
        for (call c : cbc_calls) {
            unsigned char iv[16] = {};
            outlen = 99;
            EXPECT_EQ(c(out, &outlen, key.data(), iv, in, len), QV_ERR_SM4_LENGTH);
            EXPECT_EQ(outlen, 0u);
        }
        EXPECT_EQ(out[0], 0x77);
    }
    uint32_t outlen = 99;
    EXPECT_EQ(qv_sm4_encrypt_ecb(out, &outlen, key.data(), in, 0), 0u);
    EXPECT_EQ(outlen, 0u);
    unsigned char iv[16] = {9};
    EXPECT_EQ(qv_sm4_encrypt_cbc(out, nullptr, key.data(), iv, in, 0), 0u);
    EXPECT_EQ(iv[0], 9); // unchanged
}

TEST(Sm4, CbcChainsAcrossCallsAndWorksInPlace)
{
    bytes plain(16 * 11);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<unsigned char>(i * 13);
    unsigned char iv_one[16] = {1, 2, 3}, iv_split[16] = {1, 2, 3};
    bytes one(plain.size()), split(plain.size());
    ASSERT_EQ(qv_sm4_encrypt_cbc(one.data(), nullptr, key.data(), iv_one, plain.data(), 176), 0u);
    ASSERT_EQ(qv_sm4_encrypt_cbc(split.data(), nullptr, key.data(), iv_split, plain.data(), 16), 0u);
    ASSERT_EQ(qv_sm4_encrypt_cbc(split.data() + 16, nullptr, key.data(), iv_split, plain.data() + 16, 160), 0u);
    EXPECT_EQ(to_hex(one), to_hex(split));
    EXPECT_EQ(std::memcmp(iv_one, one.data() + 160, 16), 0);

    // Decrypt in place, in two calls that continue the chain.
    unsigned char iv[16] = {1, 2, 3};
    bytes buf = one;
    ASSERT_EQ(qv_sm4_decrypt_cbc(buf.data(), nullptr, key.data(), iv, buf.data(), 80), 0u);
    ASSERT_EQ(qv_sm4_decrypt_cbc(buf.data() + 80, nullptr, key.data(), iv, buf.data() + 80, 96), 0u);
    EXPECT_EQ(to_hex(buf), to_hex(plain));

    // ECB in place over several blocks.
    bytes ecb = plain;
    ASSERT_EQ(qv_sm4_encrypt_ecb(ecb.data(), nullptr, key.data(), ecb.data(), 176), 0u);
    ASSERT_EQ(qv_sm4_decrypt_ecb(ecb.data(), nullptr, key.data(), ecb.data(), 176), 0u);
    EXPECT_EQ(to_hex(ecb), to_hex(plain));
}

} // namespace
