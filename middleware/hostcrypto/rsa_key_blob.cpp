#include "hostcrypto/rsa_key_blob.h"

#include <mbedtls/bignum.h>
#include <mbedtls/pk.h>
#include <mbedtls/rsa.h>
#include <string.h>

#include <array>

namespace veltrakey {

namespace {

// RAII for the parser's objects; mbedtls_mpi_free wipes the numbers.
struct pk_holder {
  mbedtls_pk_context ctx;
  pk_holder() { mbedtls_pk_init(&ctx); }
  ~pk_holder() { mbedtls_pk_free(&ctx); }
};

struct mpi_holder {
  mbedtls_mpi n, e, d, p, q, dp, dq, qp;
  mpi_holder() {
    for (mbedtls_mpi* m : all()) mbedtls_mpi_init(m);
  }
  ~mpi_holder() {
    for (mbedtls_mpi* m : all()) mbedtls_mpi_free(m);
  }
  std::array<mbedtls_mpi*, 8> all() { return {&n, &e, &d, &p, &q, &dp, &dq, &qp}; }
};

// Writes `value` big-endian into the last `length` bytes of the field; false
// when it does not fit.
template <size_t N>
bool put_right_aligned(const mbedtls_mpi& value, BYTE (&field)[N], size_t length) {
  return length <= N && mbedtls_mpi_write_binary(&value, field + (N - length), length) == 0;
}

}  // namespace

bool rsa_der_to_blob(std::span<const uint8_t> der, RSAPRIVATEKEYBLOB& blob) {
  if (der.empty()) return false;
  pk_holder key;
  if (mbedtls_pk_parse_key(&key.ctx, der.data(), der.size(), nullptr, 0) != 0) return false;
  if (mbedtls_pk_get_type(&key.ctx) != MBEDTLS_PK_RSA) return false;
  const size_t bits = mbedtls_pk_get_bitlen(&key.ctx);
  if (bits == 0 || bits > max_blob_rsa_bits) return false;

  mbedtls_rsa_context* rsa = mbedtls_pk_rsa(key.ctx);
  mpi_holder m;
  if (mbedtls_rsa_export(rsa, &m.n, &m.p, &m.q, &m.d, &m.e) != 0) return false;
  if (mbedtls_rsa_export_crt(rsa, &m.dp, &m.dq, &m.qp) != 0) return false;

  const size_t full = bits / 8;
  const size_t half = full / 2;
  RSAPRIVATEKEYBLOB staged;
  memset(&staged, 0, sizeof staged);
  staged.AlgID = SGD_RSA;
  staged.BitLen = static_cast<ULONG>(bits);
  const bool fits = put_right_aligned(m.n, staged.Modulus, full) &&
                    put_right_aligned(m.e, staged.PublicExponent, MAX_RSA_EXPONENT_LEN) &&
                    put_right_aligned(m.d, staged.PrivateExponent, full) &&
                    put_right_aligned(m.p, staged.Prime1, half) && put_right_aligned(m.q, staged.Prime2, half) &&
                    put_right_aligned(m.dp, staged.Prime1Exponent, half) &&
                    put_right_aligned(m.dq, staged.Prime2Exponent, half) &&
                    put_right_aligned(m.qp, staged.Coefficient, half);
  if (fits) memcpy(&blob, &staged, sizeof blob);
  explicit_bzero(&staged, sizeof staged);
  return fits;
}

}  // namespace veltrakey
