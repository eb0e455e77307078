#pragma once
// Data longer than one command takes, sent as a chain: the opening command
// (parameters and total length) with the chaining bit, then pieces of at most
// max_data bytes, each a copy of the opening header, the chaining bit on all
// but the last. Results: 0, 1 (exchange failed), 2 (a status other than 0x9000).
#include <cstdint>
#include <memory>
#include <span>

#include "protocol/token_operation.h"

namespace veltrakey {

int send_chained(device_base* device, std::unique_ptr<gm_apdu> opening, std::span<const uint8_t> data,
                 uint32_t max_data, device_known_fn known = nullptr);

}  // namespace veltrakey
