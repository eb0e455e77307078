#include "transport/hid_frame.h"

#include <algorithm>
#include <cstring>

namespace veltrakey {

bool build_hid_request(uint8_t sequence, const uint8_t* command, size_t n, std::vector<uint8_t>* frame) {
  if (n + 3 > 0xFFFF) return false;
  frame->assign(hid_frame_header + n, 0);
  uint8_t* f = frame->data();
  f[0] = 0xFE;
  f[1] = 0x01;
  f[16] = uint8_t((n + 3) & 0xFF);
  f[17] = uint8_t((n + 3) >> 8);
  f[hid_frame_sequence_offset] = sequence;
  f[20] = hid_frame_tag;
  f[21] = uint8_t(n >> 8);
  f[22] = uint8_t(n & 0xFF);
  if (n) std::memcpy(f + hid_frame_header, command, n);
  return true;
}

int parse_hid_response(const uint8_t* frame, size_t frame_length, size_t payload_limit,
                       uint8_t* buffer, size_t* length) {
  if (frame_length < 2 || (frame[0] != 0xAA && frame[1] != 0xAA)) return hid_response_bad_marker;
  if (frame_length < hid_frame_header) return hid_response_bad_length;
  const size_t payload = size_t(frame[2]) | size_t(frame[3]) << 8;
  if (payload > payload_limit) return hid_response_bad_length;
  if (frame[20] != hid_frame_tag) return hid_response_bad_tag;
  const size_t m = size_t(frame[21]) << 8 | frame[22];
  if (m > payload || m > frame_length - hid_frame_header || m > *length) return hid_response_bad_length;
  if (m) std::memcpy(buffer, frame + hid_frame_header, m);
  *length = m;
  return hid_response_ok;
}

}  // namespace veltrakey

namespace veltrakey {

int read_current_hid_frame(const hid_frame_reader& read, uint8_t sequence, uint8_t* area,
                           size_t capacity, size_t* received) {
  for (int attempt = 0; attempt < hid_stale_reads; ++attempt) {
    std::fill(area, area + capacity, uint8_t(0));
    *received = 0;
    if (read(area, capacity, received) != 0) return 1;
    const uint8_t got = *received > hid_frame_sequence_offset ? area[hid_frame_sequence_offset] : 0;
    if (got == 0 || got == sequence) return 0;
  }
  return hid_response_stale;
}

}  // namespace veltrakey
