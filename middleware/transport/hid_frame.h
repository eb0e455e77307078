#pragma once
// The frame the HID transports wrap around a serialised command, and the
// checks an answer frame must pass.
//
// request:  FE 01 | 14 x 00 | n+3 (LE16) | 00 | seq | 12 | n (BE16) | command
// response: marker (one of bytes 0,1 is AA) | payload length (LE16) at 2 |
//           seq at 19 | 12 at 20 | m (BE16) at 21 | response at 23
#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltrakey {

constexpr size_t hid_frame_header = 23;
constexpr size_t hid_frame_sequence_offset = 19;
constexpr uint8_t hid_frame_tag = 0x12;

// The request frame; false when n does not fit its length fields.
bool build_hid_request(uint8_t sequence, const uint8_t* command, size_t n, std::vector<uint8_t>* frame);

// Result codes of parse_hid_response.
enum hid_response_result : int {
  hid_response_ok = 0,
  hid_response_bad_marker = 2,
  hid_response_bad_length = 3,
  hid_response_stale = 4,
  hid_response_bad_tag = 5,
};

// Checks a received frame of `frame_length` bytes and copies its response
// into `buffer` (capacity *length on entry, response length on return).
// A response longer than the payload, the bytes received or the buffer is
// rejected whole.
int parse_hid_response(const uint8_t* frame, size_t frame_length, size_t payload_limit,
                       uint8_t* buffer, size_t* length);

}  // namespace veltrakey

#include <functional>

namespace veltrakey {

constexpr int hid_stale_reads = 3;

// Reads answer frames until one carries `sequence` or 0, at most three reads.
// 0 and the frame in `area`; 1 when a read fails; hid_response_stale when all
// three carried other numbers: an answer to another command is never taken
// for this one.
using hid_frame_reader = std::function<int(uint8_t* area, size_t capacity, size_t* received)>;
int read_current_hid_frame(const hid_frame_reader& read, uint8_t sequence, uint8_t* area,
                           size_t capacity, size_t* received);

}  // namespace veltrakey
