#pragma once
// The token's device-information answer and the DEVINFO made from it.
#include <cstdint>
#include <span>

#include "skf.h"

namespace veltrakey {

inline constexpr size_t device_info_max = 288;
// Device flags: the token has the fingerprint functions.
inline constexpr uint16_t device_flag_fingerprint = 0x0002;
// Hash capability bits the library adds for fingerprint tokens.
inline constexpr ULONG fingerprint_hash_caps = 0x80080000;

struct device_info {
  DEVINFO info;               // Reserved is zero
  uint16_t buffer_size;       // B: MaxBufferSize is B - 32
  uint16_t flags;
  uint16_t capabilities;
  // Data bytes per command the token takes (B - 32), or 0 when B is too
  // small to give a usable figure.
  uint32_t max_data() const { return buffer_size > command_overhead ? buffer_size - command_overhead : 0; }

  static constexpr uint16_t command_overhead = 32;
  static constexpr uint16_t ecc_overhead = 101;
};

// Reads an answer of at most 288 bytes; missing bytes count as zero.
device_info parse_device_info(std::span<const uint8_t> answer);

}  // namespace veltrakey
