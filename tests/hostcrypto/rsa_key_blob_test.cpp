#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "skf.h"

namespace {

// DER bytes printed by an openssl command line.
std::vector<uint8_t> run_openssl(const std::string& command) {
  std::vector<uint8_t> out;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  uint8_t buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
  pclose(pipe);
  return out;
}

std::vector<uint8_t> genrsa_der(int bits) {
  return run_openssl("openssl genrsa " + std::to_string(bits) + " | openssl rsa -outform DER");
}

// A component as OpenSSL reads it, big-endian, padded to `length` bytes.
std::vector<uint8_t> component(EVP_PKEY* key, const char* name, size_t length) {
  BIGNUM* bn = nullptr;
  EXPECT_TRUE(EVP_PKEY_get_bn_param(key, name, &bn)) << name;
  std::vector<uint8_t> out(length);
  EXPECT_EQ(BN_bn2binpad(bn, out.data(), static_cast<int>(length)), static_cast<int>(length)) << name;
  BN_clear_free(bn);
  return out;
}

// The field must hold `expected` right-aligned, zeros in front.
void expect_right_aligned(const BYTE* field, size_t field_size, const std::vector<uint8_t>& expected, const char* what) {
  const size_t lead = field_size - expected.size();
  for (size_t i = 0; i < lead; ++i) ASSERT_EQ(field[i], 0) << what << " byte " << i;
  EXPECT_EQ(0, memcmp(field + lead, expected.data(), expected.size())) << what;
}

class RsaBlob : public ::testing::TestWithParam<int> {};

TEST_P(RsaBlob, EveryComponentRightAligned) {
  const int bits = GetParam();
  auto der = genrsa_der(bits);
  ASSERT_FALSE(der.empty()) << "openssl genrsa failed";
  const unsigned char* p = der.data();
  EVP_PKEY* key = d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(der.size()));
  ASSERT_NE(key, nullptr);

  RSAPRIVATEKEYBLOB blob;
  memset(&blob, 0xCC, sizeof blob);
  ASSERT_EQ(XKF_X509Der2RSAPRIVATEKEYBLOB(der.data(), static_cast<ULONG>(der.size()), &blob), 0u);
  EXPECT_EQ(blob.AlgID, ULONG{SGD_RSA});
  EXPECT_EQ(blob.BitLen, ULONG(bits));
  const size_t full = bits / 8, half = full / 2;
  expect_right_aligned(blob.Modulus, 256, component(key, OSSL_PKEY_PARAM_RSA_N, full), "n");
  expect_right_aligned(blob.PublicExponent, 4, component(key, OSSL_PKEY_PARAM_RSA_E, 4), "e");
  EXPECT_EQ(0, memcmp(blob.PublicExponent, "\x00\x01\x00\x01", 4));
  expect_right_aligned(blob.PrivateExponent, 256, component(key, OSSL_PKEY_PARAM_RSA_D, full), "d");
  expect_right_aligned(blob.Prime1, 128, component(key, OSSL_PKEY_PARAM_RSA_FACTOR1, half), "p");
  expect_right_aligned(blob.Prime2, 128, component(key, OSSL_PKEY_PARAM_RSA_FACTOR2, half), "q");
  expect_right_aligned(blob.Prime1Exponent, 128, component(key, OSSL_PKEY_PARAM_RSA_EXPONENT1, half), "dp");
  expect_right_aligned(blob.Prime2Exponent, 128, component(key, OSSL_PKEY_PARAM_RSA_EXPONENT2, half), "dq");
  expect_right_aligned(blob.Coefficient, 128, component(key, OSSL_PKEY_PARAM_RSA_COEFFICIENT1, half), "qinv");
  EVP_PKEY_free(key);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RsaBlob, ::testing::Values(1024, 2048));

void expect_refused_untouched(std::vector<uint8_t> der, const char* what) {
  RSAPRIVATEKEYBLOB blob;
  memset(&blob, 0x5A, sizeof blob);
  EXPECT_EQ(XKF_X509Der2RSAPRIVATEKEYBLOB(der.data(), static_cast<ULONG>(der.size()), &blob), 1u) << what;
  const auto* bytes = reinterpret_cast<const uint8_t*>(&blob);
  for (size_t i = 0; i < sizeof blob; ++i) ASSERT_EQ(bytes[i], 0x5A) << what;
}

TEST(RsaBlobRefusals, LeaveTheBlobUntouched) {
  std::vector<uint8_t> noise(600);
  RAND_bytes(noise.data(), static_cast<int>(noise.size()));
  expect_refused_untouched(noise, "random bytes");

  auto big = genrsa_der(3072);
  ASSERT_FALSE(big.empty());
  expect_refused_untouched(big, "3072-bit key");

  auto ec = run_openssl("openssl ecparam -name prime256v1 -genkey -noout | openssl pkey -outform DER");
  ASSERT_FALSE(ec.empty());
  expect_refused_untouched(ec, "EC key");

  auto good = genrsa_der(1024);
  good.resize(good.size() / 2);
  expect_refused_untouched(good, "truncated key");

  EXPECT_EQ(XKF_X509Der2RSAPRIVATEKEYBLOB(nullptr, 10, nullptr), 1u);
}

}  // namespace
