#include "hostcrypto/pin_block.h"

#include <string.h>

#include <algorithm>

#include "hostcrypto/sha1.h"

namespace veltrakey {

namespace {

constexpr size_t verification_pin_capacity = 32;
constexpr size_t change_pin_capacity = 64;
constexpr uint8_t padding_marker = 0x80;

std::span<const uint8_t> as_bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// data || 0x80 || zeros up to whole blocks (optionally only when needed).
secure_buffer pad_for_mac(std::span<const uint8_t> data, mac_padding padding) {
  const bool pad = padding == mac_padding::always || data.size() % sm4_block_size != 0;
  const size_t padded = pad ? (data.size() / sm4_block_size + 1) * sm4_block_size : data.size();
  secure_buffer out(padded);
  std::copy(data.begin(), data.end(), out.data());
  if (pad) out[data.size()] = padding_marker;
  return out;
}

}  // namespace

pin_key_bytes pin_key(std::string_view pin, pin_key_mode mode) {
  const size_t capacity = mode == pin_key_mode::verification ? verification_pin_capacity : change_pin_capacity;
  uint8_t copy[change_pin_capacity] = {};
  const size_t length = std::min(pin.size(), capacity);
  std::copy_n(pin.data(), length, copy);
  const size_t digested = mode == pin_key_mode::verification ? std::max(length, sm4_key_size) : sm4_key_size;

  uint8_t digest[sha1_size];
  sha1(copy, digested, digest);
  pin_key_bytes key;
  std::copy_n(digest, key.size(), key.begin());
  explicit_bzero(copy, sizeof copy);
  explicit_bzero(digest, sizeof digest);
  return key;
}

secure_buffer pin_block(const pin_key_bytes& key, std::span<const uint8_t> value) {
  const size_t n = value.size();
  secure_buffer block(((n + 2) / sm4_block_size + 1) * sm4_block_size);
  block[0] = static_cast<uint8_t>(n);
  block[1] = static_cast<uint8_t>(n >> 8);
  std::copy(value.begin(), value.end(), block.data() + 2);
  block[n + 2] = padding_marker;
  sm4_ecb(key.data(), block.data(), block.size(), sm4_encrypt);
  return block;
}

std::array<uint8_t, sm4_block_size> sm4_cbc_mac(const pin_key_bytes& key, const uint8_t iv[sm4_block_size],
                                                std::span<const uint8_t> data) {
  const sm4_key_schedule schedule(key.data(), sm4_encrypt);
  std::array<uint8_t, sm4_block_size> state;
  std::copy_n(iv, state.size(), state.begin());
  for (size_t offset = 0; offset + sm4_block_size <= data.size(); offset += sm4_block_size) {
    for (size_t i = 0; i < sm4_block_size; ++i) state[i] ^= data[offset + i];
    schedule.transform(state.data());
  }
  return state;
}

secure_buffer remote_unlock_response(const uint8_t challenge[sm4_block_size], std::string_view admin_pin,
                                     std::string_view new_user_pin, mac_padding padding) {
  pin_key_bytes key = pin_key(admin_pin, pin_key_mode::change);
  const auto pin_bytes = as_bytes(new_user_pin);
  secure_buffer block = pin_block(key, pin_bytes);
  const secure_buffer padded = pad_for_mac(pin_bytes, padding);
  auto mac = sm4_cbc_mac(key, challenge, {padded.data(), padded.size()});
  explicit_bzero(key.data(), key.size());

  secure_buffer response(block.size() + remote_unlock_mac_size);
  std::copy_n(block.data(), block.size(), response.data());
  std::copy_n(mac.begin(), remote_unlock_mac_size, response.data() + block.size());
  explicit_bzero(mac.data(), mac.size());
  return response;
}

}  // namespace veltrakey
