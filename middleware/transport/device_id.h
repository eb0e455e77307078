#pragma once
#include <string>

namespace veltrakey {

// Base64 (standard alphabet, '=' padding) of the SHA-1 of the path's
// characters: 28 characters.
std::string make_device_id(const std::string& path);

}  // namespace veltrakey
