#pragma once
// Text helpers of the tool: hex, SKF result names, name lists.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "skf.h"

namespace skftool {

std::string to_hex(const uint8_t* data, size_t length);
// Hex digits, optionally separated by spaces or colons; nothing for bad input.
std::optional<std::vector<uint8_t>> from_hex(const std::string& text);
// "0x0A000023 (SAR_DEVICE_REMOVED)", or the bare number for unnamed codes.
std::string describe_result(ULONG code);
// "a\0b\0\0" → {"a", "b"}, reading no further than `length` bytes.
std::vector<std::string> split_name_list(const char* list, size_t length);
// A fixed-width text field of a structure, without its zero padding.
std::string field_text(const char* field, size_t width);

}  // namespace skftool
