// Quillon against OpenSSL on random inputs: SM2 both ways, SM3 and SM4.
#include <gtest/gtest.h>

#include <random>

#include "openssl_peer.h"
#include "quillon.h"
#include "test_util.h"

using qvtest::bytes;
using qvtest::to_hex;

namespace {

class CrossCheck : public testing::Test {
protected:
    static void SetUpTestSuite() { qv_sm2_sys_init(); }
    std::mt19937 rng{12345};

    bytes random_bytes(size_t n)
    {
        bytes b(n);
        for (auto &x : b)
            x = static_cast<unsigned char>(rng());
        return b;
    }
};

TEST_F(CrossCheck, SignaturesVerifyBothWays)
{
    for (int round = 0; round < 8; ++round) {
        unsigned char d[32], pk[65];
        sslpeer::pkey_ptr key = sslpeer::generate(d, pk);
        unsigned char our_pk[65];
        ASSERT_EQ(qv_sm2_gen_public_key(our_pk, d), 0u);
        ASSERT_EQ(to_hex(our_pk, 65), to_hex(pk, 65));

        const bytes msg = random_bytes(1 + rng() % 200);
        unsigned char e[32], sig[64];
        ASSERT_EQ(qv_sm2_em(e, nullptr, 0, msg.data(), static_cast<uint32_t>(msg.size()), pk), 0u);
        ASSERT_EQ(qv_sm2_sign(sig, e, d, nullptr), 0u);
        EXPECT_TRUE(sslpeer::verify_message(key.get(), sslpeer::signature_to_der(sig), msg.data(), msg.size()));

        const bytes theirs = sslpeer::sign_message(key.get(), msg.data(), msg.size());
        unsigned char rs[64];
        ASSERT_TRUE(sslpeer::signature_from_der(theirs, rs));
        EXPECT_EQ(qv_sm2_verify(rs, e, pk), 0u);
        rs[63] ^= 1;
        EXPECT_EQ(qv_sm2_verify(rs, e, pk), QV_ERR_SM2_VERIFY);
    }
}

TEST_F(CrossCheck, CiphertextsDecryptBothWays)
{
    for (int round = 0; round < 8; ++round) {
        unsigned char d[32], pk[65];
        sslpeer::pkey_ptr key = sslpeer::generate(d, pk);
        const bytes msg = random_bytes(1 + rng() % 100);

        bytes ours(msg.size() + 97);
        uint32_t clen = 0;
        ASSERT_EQ(qv_sm2_enc(ours.data(), &clen, msg.data(), static_cast<uint32_t>(msg.size()), pk, nullptr), 0u);
        bytes back;
        ASSERT_TRUE(sslpeer::decrypt(key.get(), sslpeer::cipher_to_der(ours), back));
        EXPECT_EQ(to_hex(back), to_hex(msg));

        const bytes theirs_der = sslpeer::encrypt(key.get(), msg.data(), msg.size());
        bytes theirs;
        ASSERT_TRUE(sslpeer::cipher_from_der(theirs_der, theirs));
        bytes m(msg.size());
        uint32_t mlen = 0;
        ASSERT_EQ(qv_sm2_dec(m.data(), &mlen, theirs.data(), static_cast<uint32_t>(theirs.size()), d), 0u);
        EXPECT_EQ(to_hex(m), to_hex(msg));
    }
}

bytes openssl_digest(const bytes &m)
{
    unsigned char out[32];
    unsigned int len = 0;
    EVP_Digest(m.data(), m.size(), out, &len, EVP_sm3(), nullptr);
    return bytes(out, out + len);
}

TEST_F(CrossCheck, Sm3AtRandomLengthsAndSplits)
{
    for (int round = 0; round < 40; ++round) {
        const bytes m = random_bytes(rng() % 700);
        const size_t split = m.empty() ? 0 : rng() % (m.size() + 1);
        qv_sm3_ctx ctx;
        qv_sm3_init(&ctx);
        qv_sm3_update(&ctx, m.data(), static_cast<uint32_t>(split));
        qv_sm3_update(&ctx, m.data() + split, static_cast<uint32_t>(m.size() - split));
        unsigned char out[32];
        qv_sm3_digest(&ctx, out);
        EXPECT_EQ(to_hex(out, 32), to_hex(openssl_digest(m))) << m.size() << "/" << split;
    }
}

bytes openssl_sm4(const EVP_CIPHER *cipher, bool encrypt, const bytes &key, const bytes &iv, const bytes &in)
{
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), iv.empty() ? nullptr : iv.data(), encrypt);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    bytes out(in.size() + 16);
    int len = 0, tail = 0;
    EVP_CipherUpdate(ctx, out.data(), &len, in.data(), static_cast<int>(in.size()));
    EVP_CipherFinal_ex(ctx, out.data() + len, &tail);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<size_t>(len + tail));
    return out;
}

TEST_F(CrossCheck, Sm4ModesAtRandomLengthsAndSplits)
{
    for (int round = 0; round < 30; ++round) {
        const bytes key = random_bytes(16), iv = random_bytes(16);
        const bytes in = random_bytes(16 * (rng() % 40));
        const size_t split = 16 * (in.empty() ? 0 : rng() % (in.size() / 16 + 1));
        const auto n1 = static_cast<uint32_t>(split), n2 = static_cast<uint32_t>(in.size() - split);

        bytes out(in.size());
        ASSERT_EQ(qv_sm4_encrypt_ecb(out.data(), nullptr, key.data(), in.data(), n1), 0u);
        ASSERT_EQ(qv_sm4_encrypt_ecb(out.data() + split, nullptr, key.data(), in.data() + split, n2), 0u);
        EXPECT_EQ(to_hex(out), to_hex(openssl_sm4(EVP_sm4_ecb(), true, key, {}, in)));
        ASSERT_EQ(qv_sm4_decrypt_ecb(out.data(), nullptr, key.data(), in.data(), n1), 0u);
        ASSERT_EQ(qv_sm4_decrypt_ecb(out.data() + split, nullptr, key.data(), in.data() + split, n2), 0u);
        EXPECT_EQ(to_hex(out), to_hex(openssl_sm4(EVP_sm4_ecb(), false, key, {}, in)));

        bytes chain = iv;
        ASSERT_EQ(qv_sm4_encrypt_cbc(out.data(), nullptr, key.data(), chain.data(), in.data(), n1), 0u);
        ASSERT_EQ(qv_sm4_encrypt_cbc(out.data() + split, nullptr, key.data(), chain.data(), in.data() + split, n2),
                  0u);
        EXPECT_EQ(to_hex(out), to_hex(openssl_sm4(EVP_sm4_cbc(), true, key, iv, in)));
        chain = iv;
        ASSERT_EQ(qv_sm4_decrypt_cbc(out.data(), nullptr, key.data(), chain.data(), in.data(), n1), 0u);
        ASSERT_EQ(qv_sm4_decrypt_cbc(out.data() + split, nullptr, key.data(), chain.data(), in.data() + split, n2),
                  0u);
        EXPECT_EQ(to_hex(out), to_hex(openssl_sm4(EVP_sm4_cbc(), false, key, iv, in)));
    }
}

} // namespace
