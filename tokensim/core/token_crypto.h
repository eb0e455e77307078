#pragma once
// The token's cryptography, all of it from libcrypto.
#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/byte_io.h"

namespace tokensim {

struct pkey_free {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using pkey_ptr = std::unique_ptr<EVP_PKEY, pkey_free>;

struct cipher_ctx_free {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using cipher_ctx_ptr = std::unique_ptr<EVP_CIPHER_CTX, cipher_ctx_free>;

struct md_ctx_free {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using md_ctx_ptr = std::unique_ptr<EVP_MD_CTX, md_ctx_free>;

bytes random_bytes(size_t n);
bytes sha1(std::span<const uint8_t> data);
bytes sm3(std::span<const uint8_t> data);

// SM4 in ECB mode over whole blocks, no padding.
bytes sm4_ecb(std::span<const uint8_t> key, std::span<const uint8_t> data, bool encrypt);

// The PIN protection shared with the host library.
enum class pin_key_mode { verification, change };
bytes pin_key(const std::string& pin, pin_key_mode mode);
bytes pin_block(std::span<const uint8_t> key, std::span<const uint8_t> value);
std::optional<bytes> open_pin_block(std::span<const uint8_t> key, std::span<const uint8_t> block);

// Symmetric algorithms by the identifiers the host uses. SM1 and SSF33 are
// not public and are refused; the vendor identifiers map to 3DES and AES.
struct cipher_info {
  const char* evp_name;  // nullptr: not supported by this token
  size_t key_length;
  size_t block_size;
  bool stream_mode;      // CFB or OFB: no block alignment needed
};
std::optional<cipher_info> cipher_for(uint32_t algorithm);

// The block cipher of an algorithm in ECB mode over whole blocks.
std::optional<bytes> ecb_crypt(uint32_t algorithm, std::span<const uint8_t> key, std::span<const uint8_t> data,
                               bool encrypt);

// CBC-MAC over data padded with 80 00.. when it is not block aligned
// (always padded when pad_always), starting from iv.
std::optional<bytes> cbc_mac(uint32_t algorithm, std::span<const uint8_t> key,
                             std::span<const uint8_t> iv, std::span<const uint8_t> data, bool pad_always);

const EVP_MD* digest_for(uint32_t code);  // 1 SM3, 2 SHA-1, 3 SHA-256

// SM2
pkey_ptr sm2_generate();
pkey_ptr sm2_from_private(std::span<const uint8_t> scalar32);
pkey_ptr sm2_from_public(std::span<const uint8_t> x32, std::span<const uint8_t> y32);
bytes sm2_public_xy(EVP_PKEY* key);      // x ‖ y, 64 bytes
bytes sm2_private_scalar(EVP_PKEY* key);  // 32 bytes
std::optional<bytes> sm2_sign_digest(EVP_PKEY* key, std::span<const uint8_t> digest);  // r ‖ s
bool sm2_verify_digest(EVP_PKEY* key, std::span<const uint8_t> digest, std::span<const uint8_t> r,
                       std::span<const uint8_t> s);
struct sm2_cipher {
  bytes x, y, hash, cipher;  // 32, 32, 32, L
};
std::optional<sm2_cipher> sm2_encrypt(EVP_PKEY* key, std::span<const uint8_t> plain);
std::optional<bytes> sm2_decrypt(EVP_PKEY* key, const sm2_cipher& c);
bytes sm2_z_input_digest(EVP_PKEY* key, std::span<const uint8_t> id);  // Z of the identity
// The key both sides of an SM2 key agreement derive: own pair and ephemeral
// pair against the peer's public and ephemeral keys; Z values initiator first.
std::optional<bytes> sm2_agreed_key(EVP_PKEY* own, EVP_PKEY* own_ephemeral, EVP_PKEY* peer, EVP_PKEY* peer_ephemeral,
                                    std::span<const uint8_t> z_initiator, std::span<const uint8_t> z_responder,
                                    size_t length);

// RSA
pkey_ptr rsa_generate(unsigned bits);
struct rsa_parts {
  bytes n, e, d, p, q, dp, dq, qinv;  // big-endian, minimal
};
std::optional<rsa_parts> rsa_components(EVP_PKEY* key);
pkey_ptr rsa_from_parts(const rsa_parts& parts, bool with_private);
unsigned rsa_bits(EVP_PKEY* key);
// padding: RSA_PKCS1_PADDING or RSA_NO_PADDING
std::optional<bytes> rsa_private_op(EVP_PKEY* key, std::span<const uint8_t> in, int padding, bool sign);
std::optional<bytes> rsa_public_op(EVP_PKEY* key, std::span<const uint8_t> in, int padding, bool verify_recover);
std::optional<bytes> rsa_sign(EVP_PKEY* key, std::span<const uint8_t> data, uint32_t hash_code);
bool rsa_verify(EVP_PKEY* key, std::span<const uint8_t> data, uint32_t hash_code, std::span<const uint8_t> sig);

// Private keys as stored in the state file.
bytes private_to_der(EVP_PKEY* key);
pkey_ptr private_from_der(std::span<const uint8_t> der);

bytes right_align(std::span<const uint8_t> value, size_t width);

}  // namespace tokensim
