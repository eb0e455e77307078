#pragma once
// The token's status word of the most recent exchange and its translation
// into the SKF result codes.
#include <cstdint>

#include "skf.h"

namespace veltrakey {

// Status words the command layer produces itself; a token never sends them.
inline constexpr uint16_t sw_success = 0x9000;
inline constexpr uint16_t sw_serialise_failed = 0x8001;
inline constexpr uint16_t sw_unknown_device = 0x8002;
inline constexpr uint16_t sw_send_failed = 0x8003;
inline constexpr uint16_t sw_receive_failed = 0x8004;
inline constexpr uint16_t sw_response_too_short = 0x8005;

// Library-wide; only read or written while the library lock is held.
extern uint16_t last_sw;

// The SKF code for a status word; words without a code of their own pass
// through zero-extended.
ULONG sw_to_sar(uint16_t sw);
// The SKF code for last_sw. Call it before any further token exchange.
ULONG sw_to_sar();

}  // namespace veltrakey
