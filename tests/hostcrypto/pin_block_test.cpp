#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostcrypto/pin_block.h"
#include "openssl_peer.h"
#include "skf.h"

namespace veltrakey {
namespace {

std::vector<uint8_t> bytes_of(const secure_buffer& b) { return {b.data(), b.data() + b.size()}; }

std::vector<uint8_t> decrypt_block(const pin_key_bytes& key, const secure_buffer& block) {
  return testing::openssl_sm4(EVP_sm4_ecb(), key.data(), nullptr, bytes_of(block), false);
}

// SHA-1 of the PIN zero-filled to `digested` bytes, first 16 bytes.
pin_key_bytes expected_key(const std::string& pin, size_t digested) {
  std::vector<uint8_t> copy(std::max(digested, pin.size()), 0);
  memcpy(copy.data(), pin.data(), pin.size());
  uint8_t digest[20];
  SHA1(copy.data(), digested, digest);
  pin_key_bytes key;
  memcpy(key.data(), digest, 16);
  return key;
}

TEST(PinKey, ModesAgreeUpTo16CharactersAndDifferAfter) {
  for (const std::string pin : {"", "1", "123456", "1234567890abcdef"}) {
    EXPECT_EQ(pin_key(pin, pin_key_mode::verification), expected_key(pin, 16)) << pin;
    EXPECT_EQ(pin_key(pin, pin_key_mode::change), expected_key(pin, 16)) << pin;
  }
  const std::string long_pin = "1234567890abcdefXYZ";  // 19 characters
  EXPECT_EQ(pin_key(long_pin, pin_key_mode::verification), expected_key(long_pin, 19));
  EXPECT_EQ(pin_key(long_pin, pin_key_mode::change), expected_key(long_pin, 16));
  // Verification keeps at most 32 characters.
  const std::string very_long(40, 'p');
  EXPECT_EQ(pin_key(very_long, pin_key_mode::verification), expected_key(std::string(32, 'p'), 32));
}

TEST(PinBlock, PlaintextLayoutAndLength) {
  const pin_key_bytes key = pin_key("admin", pin_key_mode::change);
  struct row {
    std::string value;
    size_t block_length;
  };
  for (const row& r : {row{"ABCDEFGH", 16}, row{"123456", 16}, row{"12345678901234", 32}, row{"", 16}}) {
    const auto block = pin_block(key, {reinterpret_cast<const uint8_t*>(r.value.data()), r.value.size()});
    ASSERT_EQ(block.size(), r.block_length) << r.value;
    const auto plain = decrypt_block(key, block);
    std::vector<uint8_t> expected(r.block_length, 0);
    expected[0] = static_cast<uint8_t>(r.value.size());
    memcpy(expected.data() + 2, r.value.data(), r.value.size());
    expected[2 + r.value.size()] = 0x80;
    EXPECT_EQ(plain, expected) << r.value;
  }
}

// The MAC recomputed with OpenSSL's SM4-CBC: the last cipher block.
std::vector<uint8_t> openssl_cbc_mac(const pin_key_bytes& key, const uint8_t iv[16], const std::vector<uint8_t>& padded) {
  auto cipher = testing::openssl_sm4(EVP_sm4_cbc(), key.data(), iv, padded, true);
  return {cipher.end() - 16, cipher.end() - 12};
}

std::vector<uint8_t> padded(const std::string& pin, bool always) {
  std::vector<uint8_t> out(pin.begin(), pin.end());
  if (always || out.size() % 16 != 0) {
    out.push_back(0x80);
    while (out.size() % 16 != 0) out.push_back(0);
  }
  return out;
}

TEST(RemoteUnlock, BlockAndMacForBothPaddings) {
  uint8_t challenge[16];
  for (int i = 0; i < 16; ++i) challenge[i] = static_cast<uint8_t>(0xA0 + i);
  char admin[] = "admin-pin";
  const pin_key_bytes key = pin_key(admin, pin_key_mode::change);

  for (const std::string& pin : {std::string("123456"), std::string("0123456789abcdef"), std::string(20, 'u')}) {
    for (bool always : {true, false}) {
      std::vector<char> pin_text(pin.begin(), pin.end());
      pin_text.push_back('\0');
      uint8_t response[128];
      ULONG length = sizeof response;
      const ULONG rc = always ? XKF_GenRemoteUnlockResponse(challenge, admin, pin_text.data(), response, &length)
                              : XKF_GenRemoteUnlockResponseEx(challenge, admin, pin_text.data(), response, &length);
      ASSERT_EQ(rc, 0u);
      const size_t block_length = ((pin.size() + 2) / 16 + 1) * 16;
      ASSERT_EQ(length, block_length + 4) << pin;

      secure_buffer expected_block =
          pin_block(key, {reinterpret_cast<const uint8_t*>(pin.data()), pin.size()});
      EXPECT_EQ(0, memcmp(response, expected_block.data(), block_length));
      const auto mac = openssl_cbc_mac(key, challenge, padded(pin, always));
      EXPECT_EQ(std::vector<uint8_t>(response + block_length, response + block_length + 4), mac)
          << pin << (always ? " always" : " when incomplete");
    }
  }
}

TEST(RemoteUnlock, SixteenCharacterPinMacsTwoBlocksOrOne) {
  uint8_t challenge[16] = {};
  const std::string pin = "0123456789abcdef";
  EXPECT_EQ(padded(pin, true).size(), 32u);
  EXPECT_EQ(padded(pin, false).size(), 16u);
  const pin_key_bytes key = pin_key("a", pin_key_mode::change);
  const auto both = remote_unlock_response(challenge, "a", pin, mac_padding::always);
  const auto one = remote_unlock_response(challenge, "a", pin, mac_padding::when_incomplete);
  ASSERT_EQ(both.size(), 36u);
  ASSERT_EQ(one.size(), 36u);
  EXPECT_NE(0, memcmp(both.data() + 32, one.data() + 32, 4));
  EXPECT_EQ(std::vector<uint8_t>(one.data() + 32, one.data() + 36), openssl_cbc_mac(key, challenge, padded(pin, false)));
}

TEST(RemoteUnlock, RefusalsWriteNothing) {
  uint8_t challenge[16] = {};
  char admin[] = "admin";
  char pin[] = "123456";
  uint8_t response[64];
  memset(response, 0xEE, sizeof response);
  ULONG length = 19;  // needs 16 + 4
  EXPECT_EQ(XKF_GenRemoteUnlockResponse(challenge, admin, pin, response, &length), 1u);
  EXPECT_EQ(length, 19u);
  for (uint8_t b : response) ASSERT_EQ(b, 0xEE);

  std::string long_pin(65, '9');
  length = sizeof response;
  EXPECT_EQ(XKF_GenRemoteUnlockResponse(challenge, admin, long_pin.data(), response, &length), 1u);

  EXPECT_EQ(XKF_GenRemoteUnlockResponse(nullptr, admin, pin, response, &length), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(XKF_GenRemoteUnlockResponse(challenge, nullptr, pin, response, &length), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(XKF_GenRemoteUnlockResponseEx(challenge, admin, nullptr, response, &length), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(XKF_GenRemoteUnlockResponseEx(challenge, admin, pin, nullptr, &length), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(XKF_GenRemoteUnlockResponseEx(challenge, admin, pin, response, nullptr), ULONG{SAR_INVALIDPARAMERR});
}

}  // namespace
}  // namespace veltrakey
