#pragma once
// One command unit sent to a token and its answer taken apart; the status
// word lands in last_sw.
#include "protocol/gm_apdu.h"
#include "transport/device_base.h"

namespace veltrakey {

enum execute_result : int {
  execute_ok = 0,              // last_sw is the token's status word
  execute_bad_record = 2,      // last_sw 0x8001
  execute_unknown_device = 3,  // last_sw 0x8003
  execute_short_response = 6,  // last_sw 0x8005
  execute_transport_failed = 7,  // last_sw 0x8003 (send) or 0x8004 (receive)
};

// The largest answer (data, SW1 SW2) one exchange takes.
inline constexpr size_t receive_area_size = 2048;

// Whether a transport object is still held by the device manager.
using device_known_fn = bool (*)(const device_base* device);

// Against the library's device manager.
int execute_command(device_base* device, gm_apdu& apdu);
int execute_command(device_base* device, gm_apdu& apdu, device_known_fn known);

}  // namespace veltrakey
