#pragma once
// The result contract shared by every token operation, and the operations
// whose answers need more than the contract:
//   0  last_sw is 0x9000 and the answer is delivered
//   1  the exchange failed (execute_command; last_sw says how)
//   2  the exchange completed with a status other than 0x9000
//   3  last_sw is 0x9000 but the answer is longer than the caller takes
// The command record is released on every path.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "protocol/command_table.h"
#include "protocol/execute_command.h"

namespace veltrakey {

enum token_result : int {
  token_ok = 0,
  token_exchange_failed = 1,
  token_status_failed = 2,
  token_response_too_long = 3,
};

inline constexpr size_t no_capacity_limit = SIZE_MAX;
inline constexpr uint16_t sw_more_data = 0x6A9E;

struct operation_options {
  size_t capacity = no_capacity_limit;  // the most answer bytes the caller takes
  uint16_t also_accepted = 0;           // a status delivered like 0x9000 (0: none)
  device_known_fn known = nullptr;      // null: the library's device manager
};

// Runs a built record; the answer data goes to `answer` when given.
int run_operation(device_base* device, std::unique_ptr<gm_apdu> apdu, std::vector<uint8_t>* answer = nullptr,
                  const operation_options& options = {});
int token_operation(device_base* device, cmd id, const command_args& args = {},
                    std::vector<uint8_t>* answer = nullptr, const operation_options& options = {});

// "MacFinal" with Le 16; a token that answers 0x6C04 is asked again with Le 4.
int mac_final_operation(device_base* device, std::span<const uint8_t> data, std::vector<uint8_t>* mac,
                        const operation_options& options = {});

// One portion of "EnumApplication"; *more is set when the token signals that
// further names follow (0x6A9E, delivered like success).
int enum_application_operation(device_base* device, std::vector<uint8_t>* names, bool* more,
                               const operation_options& options = {});

// "SetSessionKey" with a key value (INS 12): the answer starts with the new
// key's id; an answer shorter than that is result 3.
int set_session_key_operation(device_base* device, std::span<const uint8_t> data, uint16_t* key_id,
                              const operation_options& options = {});

}  // namespace veltrakey
