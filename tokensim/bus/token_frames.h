#pragma once
// The token's side of the HID frame: requests in, answers out.
#include <cstdint>
#include <optional>
#include <vector>

#include "bus/fault_plan.h"

namespace tokensim {

using bytes = std::vector<uint8_t>;

struct hid_request {
  uint8_t sequence;
  bytes command;
};

// FE 01 ... seq at 19, 12 at 20, n (BE) at 21, command at 23.
std::optional<hid_request> parse_hid_request(const bytes& frame);
// AA AA, payload length m+3 (LE) at 2, seq at 19, 12 at 20, m (BE) at 21,
// response at 23; with the marker and length faults of `plan` applied.
bytes build_hid_answer(uint8_t sequence, const bytes& response, const fault_plan& plan);
// A sequence number the host is not waiting for.
uint8_t stale_sequence(uint8_t sequence);
// 65-byte reports (identifier 0, control byte, 63 data bytes).
std::vector<bytes> split_into_reports(const bytes& frame);

}  // namespace tokensim
