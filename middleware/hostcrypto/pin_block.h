#pragma once
// PIN material as the token expects it: PINs never travel as text. A PIN
// becomes an SM4 key; the key encrypts either a token challenge or a new PIN
// into a PIN block.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "hostcrypto/secure_buffer.h"
#include "hostcrypto/sm4.h"

namespace veltrakey {

enum class pin_key_mode {
  // Verification: at most 32 characters; the digest covers the PIN's length,
  // never fewer than 16 bytes.
  verification,
  // Change and unblock: at most 64 characters; the digest covers exactly the
  // first 16 bytes.
  change,
};

using pin_key_bytes = std::array<uint8_t, sm4_key_size>;

// The first 16 bytes of SHA-1 over a zero-filled copy of the PIN. The caller
// wipes the result.
pin_key_bytes pin_key(std::string_view pin, pin_key_mode mode);

// [n low, n high] || value || 0x80 || zeros, whole blocks, SM4-ECB under key.
secure_buffer pin_block(const pin_key_bytes& key, std::span<const uint8_t> value);

// SM4 CBC-MAC: each block XORed into the state, which is then encrypted.
// The data must be whole blocks.
std::array<uint8_t, sm4_block_size> sm4_cbc_mac(const pin_key_bytes& key, const uint8_t iv[sm4_block_size],
                                                std::span<const uint8_t> data);

enum class mac_padding {
  always,           // 0x80 and zeros, a whole extra block for whole-block data
  when_incomplete,  // 0x80 and zeros only when the data is not whole blocks
};

inline constexpr size_t remote_unlock_mac_size = 4;
inline constexpr size_t max_remote_unlock_pin = 64;

// The administrator's answer to a remote unblock request: the new user PIN's
// block under the administrator PIN key, then the first 4 bytes of a CBC-MAC
// over the padded new PIN with the first 16 challenge bytes as IV.
secure_buffer remote_unlock_response(const uint8_t challenge[sm4_block_size], std::string_view admin_pin,
                                     std::string_view new_user_pin, mac_padding padding);

}  // namespace veltrakey
