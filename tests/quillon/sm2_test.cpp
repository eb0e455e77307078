// SM2 keys, signatures, encryption and key exchange: published examples and
// the failure codes.
#include <gtest/gtest.h>

#include <cstring>

#include "quillon.h"
#include "test_util.h"

using qvtest::bytes;
using qvtest::from_hex;
using qvtest::to_hex;

namespace {

const std::string order_hex = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54123";
const std::string order_minus_one_hex = "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54122";

// The published signature and encryption examples on the recommended curve.
const bytes example_d = from_hex("3945208F7B2144B13F36E38AC6D39F95889393692860B51A42FB81EF4DF7C5B8");
const bytes example_pk = from_hex("0409F9DF311E5421A150DD7D161E4BC5C672179FAD1833FC076BB08FF356F35020"
                                  "CCEA490CE26775A52DC6EA718CC1AA600AED05FBF35E084A6632F6072DA9AD13");
const bytes example_e = from_hex("F0B43E94BA45ACCAACE692ED534382EB17E6AB5A19CE7B31F4486FDFC0D28640");
const bytes example_k = from_hex("59276E27D506861A16680F3AD9C02DCCEF3CC1FA3CDBE4CE6D54B80DEAC1BC21");
const std::string example_sig = "F5A03B0648D2C4630EEAC513E1BB81A15944DA3827D5B74143AC7EACEEE720B3"
                                "B1B6AA29DF212FD8763182BC0D421CA1BB9038FD1F7F42D4840B69C485BBC1AA";

class Sm2 : public testing::Test {
protected:
    static void SetUpTestSuite() { qv_sm2_sys_init(); }
};

bytes compressed(const bytes &pk)
{
    bytes c(pk.begin(), pk.begin() + 33);
    c[0] = (pk[64] & 1) ? 0x03 : 0x02;
    return c;
}

TEST_F(Sm2, LengthQueries)
{
    EXPECT_EQ(qv_sm2_query_clen(32), 129u);
    EXPECT_EQ(qv_sm2_query_mlen(129), 32u);
}

TEST_F(Sm2, ScalarDerivationAndWipedRandomBytes)
{
    struct row {
        std::string in, out;
    };
    const row rows[] = {
        {std::string(64, '0'), std::string(63, '0') + "1"},
        {order_hex, std::string(63, '0') + "1"},
        {order_minus_one_hex, order_minus_one_hex},
        // 2^256 - 1 becomes 2^256 - 1 - (n - 1) = 2^256 - n
        {std::string(64, 'F'), "000000010000000000000000000000008DFC2094DE39FAD4AC440BF6C62ABEDD"},
    };
    for (const row &r : rows) {
        bytes rnd = from_hex(r.in);
        unsigned char d[32];
        ASSERT_EQ(qv_sm2_gen_private_key(d, rnd.data()), 0u);
        EXPECT_EQ(to_hex(d, 32), r.out) << r.in;
        EXPECT_EQ(rnd, bytes(32, 0));
    }
}

TEST_F(Sm2, PublishedSignatureWithWipedNonce)
{
    unsigned char pk[65];
    ASSERT_EQ(qv_sm2_gen_public_key(pk, example_d.data()), 0u);
    EXPECT_EQ(bytes(pk, pk + 65), example_pk);

    for (int round = 0; round < 2; ++round) {
        bytes k = example_k;
        unsigned char sig[64];
        ASSERT_EQ(qv_sm2_sign(sig, example_e.data(), example_d.data(), k.data()), 0u);
        EXPECT_EQ(to_hex(sig, 64), example_sig);
        EXPECT_EQ(k, bytes(32, 0));
    }
    const bytes sig = from_hex(example_sig);
    EXPECT_EQ(qv_sm2_verify(sig.data(), example_e.data(), pk), 0u);
    EXPECT_EQ(qv_sm2_verify(sig.data(), example_e.data(), compressed(example_pk).data()), 0u);
    unsigned char e[32];
    const bytes msg = from_hex("6D65737361676520646967657374");
    ASSERT_EQ(qv_sm2_em(e, nullptr, 0, msg.data(), 14, pk), 0u);
    EXPECT_EQ(bytes(e, e + 32), example_e);
    unsigned char z[32];
    ASSERT_EQ(qv_sm2_za(z, nullptr, 0, pk), 0u);
    EXPECT_EQ(to_hex(z, 32), "B2E14C5C79C6DF5B85F4FE7ED8DB7A262B9DA7E07CCB0EA9F4747B8CCDA8A4F3");
}

TEST_F(Sm2, RandomSignaturesVerifyAndTamperingFails)
{
    unsigned char d[32], pk[65], sig[64], e[32];
    ASSERT_EQ(qv_sm2_gen_private_key(d, nullptr), 0u);
    ASSERT_EQ(qv_sm2_gen_public_key(pk, d), 0u);
    qv_sm_get_random_bytes(e, 32);
    ASSERT_EQ(qv_sm2_sign(sig, e, d, nullptr), 0u);
    EXPECT_EQ(qv_sm2_verify(sig, e, pk), 0u);
    bytes c = compressed(bytes(pk, pk + 65));
    EXPECT_EQ(qv_sm2_verify(sig, e, c.data()), 0u);
    e[5] ^= 1;
    EXPECT_EQ(qv_sm2_verify(sig, e, pk), QV_ERR_SM2_VERIFY);
}

TEST_F(Sm2, VerificationRefusals)
{
    const bytes good = from_hex(example_sig);
    const bytes order = from_hex(order_hex);
    struct row {
        const char *what;
        bytes sig;
        bytes pk;
        uint32_t code;
    };
    bytes r_zero = good, s_n = good, r_n = good, pk_05 = example_pk, pk_off = example_pk, pk_inf(65, 0);
    std::memset(r_zero.data(), 0, 32);
    std::memcpy(s_n.data() + 32, order.data(), 32);
    std::memcpy(r_n.data(), order.data(), 32);
    pk_05[0] = 0x05;
    pk_off[64] ^= 1;
    pk_inf[0] = 0x04;
    bytes bad_x = compressed(example_pk);
    std::memset(bad_x.data() + 1, 0xFF, 32); // x not below p
    const row rows[] = {
        {"r = 0", r_zero, example_pk, QV_ERR_SM2_VERIFY},
        {"s = n", s_n, example_pk, QV_ERR_SM2_VERIFY},
        {"r = n", r_n, example_pk, QV_ERR_SM2_VERIFY},
        {"form byte 05", good, pk_05, QV_ERR_SM2_PUBLIC_KEY},
        {"point off the curve", good, pk_off, QV_ERR_SM2_PUBLIC_KEY},
        {"point at infinity", good, pk_inf, QV_ERR_SM2_PUBLIC_KEY},
        {"compressed x out of range", good, bad_x, QV_ERR_SM2_PUBLIC_KEY},
    };
    for (const row &r : rows)
        EXPECT_EQ(qv_sm2_verify(r.sig.data(), example_e.data(), r.pk.data()), r.code) << r.what;
}

TEST_F(Sm2, PublishedEncryptionAndAllKeyForms)
{
    const bytes msg = from_hex("656E6372797074696F6E207374616E64617264");
    const std::string expected = "0404EBFC718E8D1798620432268E77FEB6415E2EDE0E073C0F4F640ECD2E149A73"
                                 "E858F9D81E5430A57B36DAAB8F950A3C64E6EE6A63094D99283AFF767E124DF0"
                                 "21886CA989CA9C7D58087307CA93092D651EFA"
                                 "59983C18F809E262923C53AEC295D30383B54E39D609D160AFCB1908D0BD8766";
    bytes forms[] = {example_pk, example_pk, example_pk, compressed(example_pk)};
    forms[1][0] = 0x06;
    forms[2][0] = 0x07;
    for (const bytes &pk : forms) {
        bytes c(msg.size() + 97);
        uint32_t clen = 0;
        ASSERT_EQ(qv_sm2_enc(c.data(), &clen, msg.data(), 19, pk.data(), example_k.data()), 0u);
        EXPECT_EQ(clen, 116u);
        EXPECT_EQ(to_hex(c), expected) << "form " << int(pk[0]);
    }
    bytes c = from_hex(expected), m(19);
    uint32_t mlen = 0;
    ASSERT_EQ(qv_sm2_dec(m.data(), &mlen, c.data(), 116, example_d.data()), 0u);
    EXPECT_EQ(mlen, 19u);
    EXPECT_EQ(m, msg);
}

TEST_F(Sm2, DecryptionRefusals)
{
    unsigned char one = 0x5A;
    bytes c(98);
    uint32_t clen = 0;
    ASSERT_EQ(qv_sm2_enc(c.data(), &clen, &one, 1, example_pk.data(), nullptr), 0u);
    ASSERT_EQ(clen, 98u);
    EXPECT_EQ(c[0], 0x04);
    unsigned char m[64];
    uint32_t mlen = 0;
    ASSERT_EQ(qv_sm2_dec(m, &mlen, c.data(), 98, example_d.data()), 0u);
    EXPECT_EQ(m[0], 0x5A);

    // Every bit of C3 is covered by the check.
    for (int bit = 0; bit < 256; bit += 37) {
        bytes t = c;
        t[66 + bit / 8] ^= static_cast<unsigned char>(1 << (bit % 8));
        m[0] = 0;
        EXPECT_EQ(qv_sm2_dec(m, &mlen, t.data(), 98, example_d.data()), QV_ERR_SM2_DEC_MAC) << bit;
        EXPECT_EQ(m[0], 0); // no unauthenticated plaintext is left behind
    }
    bytes off = c;
    off[64] ^= 1;
    EXPECT_EQ(qv_sm2_dec(m, &mlen, off.data(), 98, example_d.data()), QV_ERR_SM2_DEC_C1);
    bytes bad_form = c;
    bad_form[0] = 0x05;
    EXPECT_EQ(qv_sm2_dec(m, &mlen, bad_form.data(), 98, example_d.data()), QV_ERR_SM2_DEC_C1);

    for (uint32_t short_len : {0u, 50u, 97u}) {
        mlen = 0;
        EXPECT_EQ(qv_sm2_dec(m, &mlen, c.data(), short_len, example_d.data()), QV_ERR_SM2_DEC_ZERO_T);
        EXPECT_EQ(mlen, short_len - 97u); // wraps: negative as a signed value
    }
}

TEST_F(Sm2, EncryptionRefusals)
{
    unsigned char c[200];
    uint32_t clen = 77;
    unsigned char msg[4] = {1, 2, 3, 4};
    EXPECT_EQ(qv_sm2_enc(c, &clen, msg, 0, example_pk.data(), nullptr), QV_ERR_LENGTH);
    EXPECT_EQ(clen, 0u);
    bytes bad = example_pk;
    bad[10] ^= 1;
    clen = 77;
    EXPECT_EQ(qv_sm2_enc(c, &clen, msg, 4, bad.data(), nullptr), QV_ERR_SM2_PUBLIC_KEY);
    EXPECT_EQ(clen, 0u);
}

// The published key-exchange example (default identities, 16-byte key).
struct kx_example {
    bytes dA = from_hex("81EB26E941BB5AF16DF116495F90695272AE2CD63D6C4AE1678418BE48230029");
    bytes dB = from_hex("785129917D45A9EA5437A59356B82338EAADDA6CEB199088F14AE10DEFA229B5");
    bytes rA = from_hex("D4DE15474DB74D06491C440D305E012400990F3E390C7E87153C12DB2EA60BB3");
    bytes rB = from_hex("7E07124814B309489125EAED101113164EBF0F3458C5BD88335C1F9D596243D6");
    bytes ZA = from_hex("3B85A57179E11E7E513AA622991F2CA74D1807A0BD4D4B38F90987A17AC245B1");
    bytes ZB = from_hex("79C988D63229D97EF19FE02CA1056E01E6A7411ED24694AA8F834F4A4AB022F7");
    unsigned char PA[65], PB[65];
    kx_example()
    {
        qv_sm2_gen_public_key(PA, dA.data());
        qv_sm2_gen_public_key(PB, dB.data());
    }
};

TEST_F(Sm2, KeyExchangeAgreesOnPublishedKeyAndLongerKeys)
{
    const kx_example x;
    struct row {
        uint32_t klen;
        std::string expected;
    };
    const row rows[] = {
        {16, "6C89347354DE2484C60B4AB1FDE4C6E5"},
        {48, "6C89347354DE2484C60B4AB1FDE4C6E579391A21FA6CB72AE8754EC21AD8B703"
             "4692F6BA1FA89D3CF33128F1A9028710"},
    };
    for (const row &r : rows) {
        unsigned char ra[69], rb[69], ctx[422], ka[48], kb[48];
        ASSERT_EQ(qv_sm2_kx_nocomfirm_sender_hello(ra, ctx, x.rA.data()), 0u);
        uint32_t len = 0;
        std::memcpy(&len, ra, 4);
        EXPECT_EQ(len, 65u);
        EXPECT_EQ(to_hex(ra + 4, 33), "0464CED1BDBC99D590049B434D0FD73428CF608A5DB8FE5CE07F15026940BAE40E");
        EXPECT_EQ(ctx[0], 1);
        EXPECT_EQ(ctx[33 + 65], 0x04);
        ASSERT_EQ(qv_sm2_kx_nocomfirm_responsor(kb, rb, ra, r.klen, x.PB, x.PA, x.ZB.data(), x.ZA.data(),
                                                x.dB.data(), x.rB.data()),
                  0u);
        ASSERT_EQ(qv_sm2_kx_nocomfirm_sender_final(ka, rb, ctx, r.klen, x.dA.data(), x.PA, x.PB, x.ZA.data(),
                                                   x.ZB.data()),
                  0u);
        EXPECT_EQ(to_hex(ka, r.klen), r.expected);
        EXPECT_EQ(to_hex(kb, r.klen), r.expected);
    }

    // Random ephemeral keys and compressed public keys agree as well.
    unsigned char ra[69], rb[69], ctx[422], ka[20], kb[20];
    const bytes pa_c = compressed(bytes(x.PA, x.PA + 65)), pb_c = compressed(bytes(x.PB, x.PB + 65));
    ASSERT_EQ(qv_sm2_kx_nocomfirm_sender_hello(ra, ctx, nullptr), 0u);
    ASSERT_EQ(qv_sm2_kx_nocomfirm_responsor(kb, rb, ra, 20, pb_c.data(), pa_c.data(), x.ZB.data(), x.ZA.data(),
                                            x.dB.data(), nullptr),
              0u);
    ASSERT_EQ(qv_sm2_kx_nocomfirm_sender_final(ka, rb, ctx, 20, x.dA.data(), x.PA, x.PB, x.ZA.data(), x.ZB.data()),
              0u);
    EXPECT_EQ(to_hex(ka, 20), to_hex(kb, 20));
}

TEST_F(Sm2, KeyExchangeRefusals)
{
    const kx_example x;
    unsigned char ra[69], rb[69], ctx[422], key[16];
    ASSERT_EQ(qv_sm2_kx_nocomfirm_sender_hello(ra, ctx, x.rA.data()), 0u);
    ASSERT_EQ(qv_sm2_kx_nocomfirm_responsor(key, rb, ra, 16, x.PB, x.PA, x.ZB.data(), x.ZA.data(), x.dB.data(),
                                            x.rB.data()),
              0u);

    EXPECT_EQ(qv_sm2_kx_nocomfirm_responsor(key, rb, ra, 0, x.PB, x.PA, x.ZB.data(), x.ZA.data(), x.dB.data(),
                                            nullptr),
              QV_ERR_KEY_LENGTH);
    EXPECT_EQ(qv_sm2_kx_nocomfirm_sender_final(key, rb, ctx, 0, x.dA.data(), x.PA, x.PB, x.ZA.data(), x.ZB.data()),
              QV_ERR_KEY_LENGTH);

    unsigned char bad_ra[69];
    std::memcpy(bad_ra, ra, 69);
    bad_ra[40] ^= 1;
    unsigned char bad_pk[65];
    std::memcpy(bad_pk, x.PA, 65);
    bad_pk[0] = 0x05;
    EXPECT_EQ(qv_sm2_kx_nocomfirm_responsor(key, rb, bad_ra, 16, x.PB, x.PA, x.ZB.data(), x.ZA.data(), x.dB.data(),
                                            nullptr),
              QV_ERR_INVALID_POINT);
    EXPECT_EQ(qv_sm2_kx_nocomfirm_responsor(key, rb, ra, 16, x.PB, bad_pk, x.ZB.data(), x.ZA.data(), x.dB.data(),
                                            nullptr),
              QV_ERR_INVALID_POINT);
    EXPECT_EQ(qv_sm2_kx_nocomfirm_sender_final(key, bad_ra, ctx, 16, x.dA.data(), x.PA, x.PB, x.ZA.data(),
                                               x.ZB.data()),
              QV_ERR_INVALID_POINT);
    EXPECT_EQ(qv_sm2_kx_nocomfirm_sender_final(key, rb, ctx, 16, x.dA.data(), x.PA, bad_pk, x.ZA.data(),
                                               x.ZB.data()),
              QV_ERR_INVALID_POINT);

    struct ctx_damage {
        const char *what;
        size_t offset;
    };
    const ctx_damage damages[] = {{"R_A off the curve", 33 + 40}, {"empty slot unreadable", 33 + 65 * 2}};
    for (const ctx_damage &dmg : damages) {
        unsigned char broken[422];
        std::memcpy(broken, ctx, 422);
        broken[dmg.offset] ^= 0x01;
        EXPECT_EQ(qv_sm2_kx_nocomfirm_sender_final(key, rb, broken, 16, x.dA.data(), x.PA, x.PB, x.ZA.data(),
                                                   x.ZB.data()),
                  QV_ERR_SM2_KX_CTX)
            << dmg.what;
    }
    // The reserved tail is not read.
    unsigned char tail[422];
    std::memcpy(tail, ctx, 422);
    std::memset(tail + 358, 0xEE, 64);
    EXPECT_EQ(qv_sm2_kx_nocomfirm_sender_final(key, rb, tail, 16, x.dA.data(), x.PA, x.PB, x.ZA.data(),
                                               x.ZB.data()),
              0u);
}

TEST_F(Sm2, KeysThatAreMultiplesOfTheOrderAreRefused)
{
    const bytes zero(32, 0), order = from_hex(order_hex), minus_one = from_hex(order_minus_one_hex);
    unsigned char pk[65], sig[64];
    EXPECT_EQ(qv_sm2_gen_public_key(pk, zero.data()), QV_ERR_INVALID_POINT);
    EXPECT_EQ(qv_sm2_gen_public_key(pk, order.data()), QV_ERR_INVALID_POINT);
    // 1 + d has no inverse for d = n - 1, so no signature can be made.
    bytes k = example_k;
    EXPECT_EQ(qv_sm2_sign(sig, example_e.data(), minus_one.data(), k.data()), QV_ERR_INVALID_POINT);
}

} // namespace
