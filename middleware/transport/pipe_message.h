#pragma once
// Messages to the local I/O service. Requests and answers share one layout:
//   0 "qzrv" | 4 request code (LE32) | 8 result (LE32) | 16 device handle
//   (open: the device path) | 20 data length | 24 data
// Raw messages are longer: opcode at 20, eight more block bytes from 21,
// length at 32, data from 36.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrakey::pipe {

constexpr size_t message_length = 2096;
constexpr size_t raw_message_length = 16420;

enum request_code : uint32_t {
  scan = 1000,
  open = 1001,
  close = 1002,
  send = 1003,
  receive = 1004,
  transceive = 1005,
  raw_send = 1007,
  raw_receive = 1008,
};

constexpr size_t code_offset = 4;
constexpr size_t result_offset = 8;
constexpr size_t handle_offset = 16;
constexpr size_t path_offset = 16;
constexpr size_t path_capacity = 260;
constexpr size_t open_handle_offset = 276;
constexpr size_t length_offset = 20;
constexpr size_t data_offset = 24;
constexpr size_t data_capacity = message_length - data_offset;
constexpr size_t scan_pattern_capacity = 32;
constexpr size_t scan_paths_offset = 48;
constexpr size_t scan_path_length = 256;
constexpr size_t scan_max_paths = (message_length - scan_paths_offset) / scan_path_length;  // 8
constexpr size_t raw_opcode_offset = 20;
constexpr size_t raw_block_offset = 21;
constexpr size_t raw_block_bytes = 8;
constexpr size_t raw_length_offset = 32;
constexpr size_t raw_data_offset = 36;
constexpr size_t raw_data_capacity = raw_message_length - raw_data_offset;

inline void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr bool is_raw(uint32_t code) { return code == raw_send || code == raw_receive; }
constexpr size_t length_of(uint32_t code) { return is_raw(code) ? raw_message_length : message_length; }

// A zeroed message of the right length with magic and request code set.
inline std::vector<uint8_t> make_request(uint32_t code) {
  std::vector<uint8_t> m(length_of(code), 0);
  m[0] = 'q'; m[1] = 'z'; m[2] = 'r'; m[3] = 'v';
  put32(&m[code_offset], code);
  return m;
}

inline bool has_magic(const uint8_t* m) { return m[0] == 'q' && m[1] == 'z' && m[2] == 'r' && m[3] == 'v'; }

}  // namespace veltrakey::pipe
