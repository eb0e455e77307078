#pragma once
// One named token command on a transport object, with the result contract
// of every token operation:
//   0  last_sw is 0x9000 and the response is copied
//   1  the exchange failed (last_sw says how)
//   2  the exchange completed with a status other than 0x9000
//   3  last_sw is 0x9000 but the response is longer than the caller takes
#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/command_table.h"
#include "transport/device_base.h"

namespace veltrakey {

enum token_result : int {
  token_ok = 0,
  token_exchange_failed = 1,
  token_status_failed = 2,
  token_response_too_long = 3,
};

// Sends `id` with `args`; the response data (without SW1 SW2) goes to
// `response` when given, up to `capacity` bytes.
int token_call(device_base* device, cmd id, const command_args& args = {}, std::vector<uint8_t>* response = nullptr,
               size_t capacity = SIZE_MAX);

}  // namespace veltrakey
