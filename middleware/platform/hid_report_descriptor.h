#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/hid_port.h"

namespace veltrakey {

// Byte length of the longest input, output and feature report a report
// descriptor declares, one byte for the report identifier included (as the
// device reports them to its host). False on a malformed descriptor.
bool parse_hid_report_lengths(const uint8_t* descriptor, size_t length, hid_report_lengths* out);

}  // namespace veltrakey
