#pragma once
// Random bytes from the kernel's generator.
#include <cstddef>
#include <cstdint>

namespace veltrakey::platform {

// Fills the buffer; false when the kernel could not supply the bytes.
bool random_bytes(uint8_t* out, size_t length);

}  // namespace veltrakey::platform
