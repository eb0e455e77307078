#pragma once
// The SM4 block cipher (GB/T 32907): the host needs it for PIN blocks and the
// remote unblock MAC; everything else is enciphered by the token.
#include <array>
#include <cstddef>
#include <cstdint>

namespace veltrakey {

inline constexpr size_t sm4_block_size = 16;
inline constexpr size_t sm4_key_size = 16;

inline constexpr int sm4_encrypt = 1;
inline constexpr int sm4_decrypt = 0;

// A key schedule; wiped when it goes.
class sm4_key_schedule {
public:
  // Direction sm4_encrypt, or any other value for decryption.
  sm4_key_schedule(const uint8_t key[sm4_key_size], int direction);
  sm4_key_schedule(const sm4_key_schedule&) = delete;
  sm4_key_schedule& operator=(const sm4_key_schedule&) = delete;
  ~sm4_key_schedule();

  // One block, in place.
  void transform(uint8_t block[sm4_block_size]) const;

private:
  std::array<uint32_t, 32> round_keys_;
};

// Transforms `length` bytes in place, block by block (ECB). Lengths that are
// not whole blocks are refused (false) and the buffer is left untouched.
bool sm4_ecb(const uint8_t key[sm4_key_size], uint8_t* data, size_t length, int direction);

}  // namespace veltrakey
