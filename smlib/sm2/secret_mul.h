// Scalar multiplication for secret scalars (nonces, private keys): the same
// operations and memory accesses for every scalar of the group.
#ifndef QUILLON_SM2_SECRET_MUL_H
#define QUILLON_SM2_SECRET_MUL_H

#include "curve.h"

namespace quillon::sm2 {

// k * G through the rows of the precomputed table. Any k below 2^256; a
// multiple of n gives the point at infinity.
void base_mul_secret(jacobian_point &r, const scalar &k);

// k * p for a finite public point p (of order n, as every finite point of
// the curve is). Any k below 2^256; a multiple of n gives infinity.
void scalar_mul_secret(jacobian_point &r, const scalar &k, const affine_point &p);

} // namespace quillon::sm2

#endif
