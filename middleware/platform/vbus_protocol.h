#pragma once
// Messages exchanged over a virtual-bus socket (SOCK_SEQPACKET, one message
// per operation). The library side performs only what the operating system
// would do with a real device; all framing stays in the transports.
//
//   client -> token                          token -> client
//   hid_write   [op][report]                 (no answer)
//                                            hid_input   [op][report], pushed
//   hid_feature [op][length u16]             hid_feature [op][report] or [op] on failure
//   hid_lengths [op]                         hid_lengths [op][input u16][output u16][feature u16]
//   scsi        [op][cdb 12][dir u8][length u32][data out]
//                                            scsi        [op][result u8][count u32][data in]
// Integers are little-endian.
#include <cstddef>
#include <cstdint>

namespace veltrakey::vbus {

enum opcode : uint8_t {
  op_hid_write = 0x01,
  op_hid_input = 0x02,
  op_hid_feature = 0x03,
  op_hid_lengths = 0x04,
  op_scsi = 0x05,
};

constexpr size_t scsi_header_length = 1 + 12 + 1 + 4;
constexpr size_t scsi_answer_header_length = 1 + 1 + 4;
// Large enough for a raw block of the pipe service and a bulk transfer.
constexpr size_t max_message = 70000;

inline void put_le16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void put_le32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline uint32_t get_le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t get_le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace veltrakey::vbus
