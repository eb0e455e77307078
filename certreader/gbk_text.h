// BMPString text to the GBK code page, without touching the process locale.
#pragma once

#include <cstddef>

#include "der_reader.h"

namespace parlomin {

// Converts big-endian UCS-2 into out (capacity bytes, no terminator added).
// False when the input is odd-sized, holds a character GBK lacks, or the
// result does not fit.
bool ucs2be_to_gbk(byte_span ucs2, char *out, size_t capacity, size_t &written);

}  // namespace parlomin
