// Caller-side PIN buffers filled with a marker, to see exactly what a call wrote.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace ravenet_test {

struct PinBuffer {
    static constexpr char kMarker = '\x5a';
    static constexpr std::uint32_t kSize = 64;

    explicit PinBuffer(std::uint32_t capacity = 32) : length(capacity) { std::memset(bytes, kMarker, sizeof bytes); }

    // The bytes the call reported as stored.
    std::string stored() const { return std::string(bytes, length); }
    // True when nothing at or after `from` was touched.
    bool untouchedFrom(std::uint32_t from) const
    {
        for (std::uint32_t i = from; i < kSize; ++i) {
            if (bytes[i] != kMarker)
                return false;
        }
        return true;
    }

    char bytes[kSize];
    std::uint32_t length;
};

} // namespace ravenet_test
