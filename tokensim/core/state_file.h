#pragma once
// The token's state file: a versioned binary image of device_record,
// replaced atomically so that a killed simulator never leaves half a state.
#include <optional>
#include <string>

#include "core/token_state.h"

namespace tokensim {

bytes encode_state(const device_record& device);
std::optional<device_record> decode_state(std::span<const uint8_t> image);

// write to a temporary file, fsync, rename over the old one, fsync the folder
bool save_state_file(const std::string& path, std::span<const uint8_t> image);
std::optional<bytes> load_state_file(const std::string& path);

}  // namespace tokensim
