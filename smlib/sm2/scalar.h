// Scalars modulo the group order n: conversions, the derivation rule for
// fresh scalars, and a GMP integer that wipes itself.
#ifndef QUILLON_SM2_SCALAR_H
#define QUILLON_SM2_SCALAR_H

#include "curve.h"

namespace quillon::sm2 {

void scalar_from_bytes(scalar &r, const unsigned char in[32]);
void scalar_to_bytes(unsigned char out[32], const scalar &k);
bool scalar_is_zero(const scalar &k);
// k mod n == 0
bool scalar_is_multiple_of_order(const scalar &k);

// Fresh scalars from 32 bytes: 0 becomes 1, v >= n becomes v - (n - 1).
void derive_scalar(scalar &r, const unsigned char in[32]);

// derive_scalar over the caller's 32 bytes or, when given is null, over 32
// bytes from the random source.
void fresh_scalar(scalar &r, const unsigned char *given);

// k + 2 (mod n): the next nonce when one is rejected.
void step_nonce(scalar &k);

// An mpz_t with room for products of scalars, wiped before it is freed.
class secret_int {
public:
    secret_int();
    explicit secret_int(const scalar &k);
    ~secret_int();
    secret_int(const secret_int &) = delete;
    secret_int &operator=(const secret_int &) = delete;

    mpz_ptr get() { return value_; }
    mpz_srcptr get() const { return value_; }
    // The value, which must lie in [0, 2^256).
    void to_scalar(scalar &r) const;

private:
    mpz_t value_;
};

// n and n - 2 as read-only mpz views.
mpz_srcptr order_mpz();
mpz_srcptr order_minus_two();

} // namespace quillon::sm2

#endif
