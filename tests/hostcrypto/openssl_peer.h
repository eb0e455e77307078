#pragma once
// Small helpers around OpenSSL, the peer our host cryptography is checked
// against.
#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace veltrakey::testing {

// SM4 in the given mode (no padding) with OpenSSL.
inline std::vector<uint8_t> openssl_sm4(const EVP_CIPHER* cipher, const uint8_t key[16], const uint8_t* iv,
                                        const std::vector<uint8_t>& in, bool encrypt) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
  std::vector<uint8_t> out(in.size() + 16);
  int n = 0, tail = 0;
  if (!EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key, iv, encrypt ? 1 : 0) ||
      !EVP_CIPHER_CTX_set_padding(ctx.get(), 0) ||
      !EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), static_cast<int>(in.size())) ||
      !EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail))
    throw std::runtime_error("OpenSSL SM4 failed");
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

}  // namespace veltrakey::testing
