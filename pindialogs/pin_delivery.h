// Copies accepted PINs into the caller's buffers.
#pragma once

#include <cstdint>

#include "secret_bytes.h"

namespace ravenet {

// A caller's buffer with its in/out length: capacity in, bytes stored out.
struct PinOutput {
    char *buffer;
    std::uint32_t *length;
};

// A length is required; a buffer may be missing only when it holds nothing.
bool isUsableOutput(PinOutput output);

// Stores the PIN without terminator when it fits; otherwise leaves buffer
// and length untouched and returns false.
bool storePin(const SecretBytes &pin, PinOutput output);

} // namespace ravenet
