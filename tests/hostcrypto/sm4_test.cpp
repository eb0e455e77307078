#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/obj_mac.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstring>
#include <vector>

#include "hostcrypto/sha1.h"
#include "hostcrypto/sm2_curve.h"
#include "hostcrypto/sm4.h"
#include "openssl_peer.h"

namespace veltrakey {
namespace {

// Standard example: key and plaintext 0123456789ABCDEFFEDCBA9876543210.
constexpr uint8_t standard_key[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                      0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
constexpr uint8_t standard_cipher[16] = {0x68, 0x1E, 0xDF, 0x34, 0xD2, 0x06, 0x96, 0x5E,
                                         0x86, 0xB3, 0xE9, 0x4F, 0x53, 0x6E, 0x42, 0x46};
constexpr uint8_t million_cipher[16] = {0x59, 0x52, 0x98, 0xC7, 0xC6, 0xFD, 0x27, 0x1F,
                                        0x04, 0x02, 0xF8, 0x04, 0xC3, 0x3D, 0x3F, 0x66};

TEST(Sm4, StandardVectorBothWays) {
  uint8_t block[16];
  memcpy(block, standard_key, 16);
  ASSERT_TRUE(sm4_ecb(standard_key, block, 16, sm4_encrypt));
  EXPECT_EQ(0, memcmp(block, standard_cipher, 16));
  ASSERT_TRUE(sm4_ecb(standard_key, block, 16, 7));  // any other direction decrypts
  EXPECT_EQ(0, memcmp(block, standard_key, 16));
}

TEST(Sm4, MillionIterationVector) {
  const sm4_key_schedule schedule(standard_key, sm4_encrypt);
  uint8_t block[16];
  memcpy(block, standard_key, 16);
  for (int i = 0; i < 1000000; ++i) schedule.transform(block);
  EXPECT_EQ(0, memcmp(block, million_cipher, 16));
}

TEST(Sm4, BlocksAreIndependent) {
  uint8_t two[32];
  memcpy(two, standard_key, 16);
  memcpy(two + 16, standard_key, 16);
  ASSERT_TRUE(sm4_ecb(standard_key, two, 32, sm4_encrypt));
  EXPECT_EQ(0, memcmp(two, standard_cipher, 16));
  EXPECT_EQ(0, memcmp(two + 16, standard_cipher, 16));
}

TEST(Sm4, RefusesPartialBlocksWithoutTouchingTheBuffer) {
  uint8_t buffer[33];
  memset(buffer, 0xAB, sizeof buffer);
  for (size_t length : {1u, 15u, 17u, 33u}) {
    EXPECT_FALSE(sm4_ecb(standard_key, buffer, length, sm4_encrypt)) << length;
    for (uint8_t b : buffer) ASSERT_EQ(b, 0xAB);
  }
  EXPECT_TRUE(sm4_ecb(standard_key, buffer, 0, sm4_encrypt));
}

TEST(Sm4, AgreesWithOpenSsl) {
  for (int round = 0; round < 8; ++round) {
    uint8_t key[16];
    std::vector<uint8_t> data(16 * (round + 1));
    RAND_bytes(key, sizeof key);
    RAND_bytes(data.data(), static_cast<int>(data.size()));
    auto ours = data;
    ASSERT_TRUE(sm4_ecb(key, ours.data(), ours.size(), sm4_encrypt));
    EXPECT_EQ(ours, testing::openssl_sm4(EVP_sm4_ecb(), key, nullptr, data, true));
    ASSERT_TRUE(sm4_ecb(key, ours.data(), ours.size(), sm4_decrypt));
    EXPECT_EQ(ours, data);
  }
}

TEST(Sha1, AgreesWithOpenSsl) {
  for (size_t length : {0u, 3u, 55u, 64u, 1000u}) {
    std::vector<uint8_t> data(length, 'a');
    uint8_t ours[20], theirs[20];
    sha1(data.data(), data.size(), ours);
    SHA1(data.data(), data.size(), theirs);
    EXPECT_EQ(0, memcmp(ours, theirs, 20)) << length;
  }
}

TEST(Sm2Curve, MatchesOpenSslCurve) {
  EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_sm2);
  ASSERT_NE(group, nullptr);
  BN_CTX* ctx = BN_CTX_new();
  BIGNUM *p = BN_new(), *a = BN_new(), *b = BN_new(), *x = BN_new(), *y = BN_new();
  ASSERT_TRUE(EC_GROUP_get_curve(group, p, a, b, ctx));
  ASSERT_TRUE(EC_POINT_get_affine_coordinates(group, EC_GROUP_get0_generator(group), x, y, ctx));
  auto bytes = [](const BIGNUM* n) {
    std::array<uint8_t, 32> out{};
    BN_bn2binpad(n, out.data(), 32);
    return out;
  };
  EXPECT_EQ(sm2_curve.a, bytes(a));
  EXPECT_EQ(sm2_curve.b, bytes(b));
  EXPECT_EQ(sm2_curve.xg, bytes(x));
  EXPECT_EQ(sm2_curve.yg, bytes(y));
  for (BIGNUM* n : {p, a, b, x, y}) BN_free(n);
  BN_CTX_free(ctx);
  EC_GROUP_free(group);
}

}  // namespace
}  // namespace veltrakey
