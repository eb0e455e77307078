#pragma once
// Library-wide settings: the device filter, the accepted OEM identifiers and
// the data bytes per token command.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltrakey {

inline constexpr size_t enum_device_string_capacity = 1024;
inline constexpr size_t oem_id_list_capacity = 64;
inline constexpr char default_enum_device_string[] = "tk5100,vid_7c31&pid_a1b2,vid_7c31&pid_c3d4";
inline constexpr char default_oem_id_list[] = "ORBELMANTIC";
// Accepts a token of any OEM.
inline constexpr char any_oem[] = "*";

// Copies, so a concurrent change never tears a reader's view.
std::string enum_device_string();
std::string oem_id_list();
// False (and nothing changed) for text longer than the setting holds.
bool set_enum_device_string(std::string_view text);
bool set_oem_id_list(std::string_view text);

// Data bytes per token command; set when a token is connected. Under the
// library lock.
inline constexpr uint32_t default_max_apdu_data = 1024;
extern uint32_t max_apdu_data;

}  // namespace veltrakey
