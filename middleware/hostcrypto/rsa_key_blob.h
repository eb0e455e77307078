#pragma once
// DER-encoded RSA private keys (PKCS#1 or PKCS#8) to the SKF private-key blob.
#include <cstdint>
#include <span>

#include "skf.h"

namespace veltrakey {

inline constexpr unsigned max_blob_rsa_bits = 2048;

// Fills `blob` only on success. False for data that is not an unencrypted
// RSA private key, for keys above 2048 bits, and for keys whose components
// do not fit their fields.
bool rsa_der_to_blob(std::span<const uint8_t> der, RSAPRIVATEKEYBLOB& blob);

}  // namespace veltrakey
