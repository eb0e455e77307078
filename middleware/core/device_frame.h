#pragma once
// Pieces shared by the device functions.
#include <cstdint>

#include "core/handles.h"
#include "core/status_word.h"
#include "protocol/token_operation.h"
#include "skf.h"

namespace veltrakey {

// Longest name lists the library hands out.
inline constexpr size_t max_enum_list = 4096;
inline constexpr size_t max_event_list = 1024;

// The export's code for a failed token operation. An answer longer than
// the library takes is a failure too, never a silent success.
inline ULONG token_failure(int result) { return result == token_response_too_long ? SAR_FAIL : sw_to_sar(); }

// Authentication answers: 0x63Cx means x tries left, reported as the bare
// number; anything else goes through the status table.
inline ULONG auth_failure(int result) {
  if (result == token_status_failed && (last_sw & 0xFFF0) == 0x63C0) return last_sw & 0x000F;
  return token_failure(result);
}

// A name list "a\0b\0" plus its final zero into the caller's buffer, by the
// size-query rule, refusing lists longer than `bound`.
ULONG copy_name_list(const std::string& list, size_t bound, char* out, ULONG* out_length);

}  // namespace veltrakey
