#pragma once
// Tokens are named by their serial numbers; tokens of other OEMs are dropped.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "transport/device_base.h"

namespace veltrakey {

inline constexpr size_t oem_id_offset = 0x80;
inline constexpr size_t oem_id_length = 128;
inline constexpr size_t max_oem_entries = 5;
inline constexpr size_t max_oem_entry_length = 32;
inline constexpr size_t short_info_max = 68;
inline constexpr size_t serial_offset = 32;
inline constexpr size_t serial_length = 32;

// Whether a token whose OEM area reads `oem_id` belongs to the accepted
// list: an empty identifier (or one starting with 0xFF) and the list "*"
// accept everything; otherwise one of the first five comma entries, each
// cut to 32 characters, must equal the identifier.
bool oem_accepted(std::span<const uint8_t> oem_id, std::string_view accepted_list);

// The serial number in a short device-information answer (bytes 32 to 63,
// without zero padding); empty when the answer is too short.
std::string serial_from_short_info(std::span<const uint8_t> answer);

// Opens every manager object in `state` (device_state_unknown: any), drops
// those of foreign OEMs, renames the others to their serial numbers and
// returns the names, each followed by a zero byte.
std::string list_devices(int state);

// The names of the objects the latest scan missed, each followed by a zero
// byte; those objects are then deleted.
std::string list_gone_devices();

// The OEM area read from a connected transport: true and the identifier,
// or false when the token refused the read (which accepts it).
bool read_oem_id(device_base* device, std::string& oem_id_bytes);

}  // namespace veltrakey
