// Points of the SM2 curve y^2 = x^3 - 3x + b: affine points, Jacobian points
// (X/Z^2, Y/Z^3; Z = 0 is the point at infinity) and scalar multiplication.
#ifndef QUILLON_SM2_CURVE_H
#define QUILLON_SM2_CURVE_H

#include <cstddef>

#include "field.h"

namespace quillon::sm2 {

struct affine_point {
    fe x, y;
};

struct jacobian_point {
    fe x, y, z;
};

// Scalars are four limbs, least significant first.
struct scalar {
    mp_limb_t v[limbs];
};

extern const fe curve_b;
extern const affine_point generator;
extern const scalar group_order;

inline bool is_infinity(const jacobian_point &p) { return fe_is_zero(p.z); }
void set_infinity(jacobian_point &p);
void to_jacobian(jacobian_point &r, const affine_point &a);

bool is_on_curve(const affine_point &a);

void point_double(jacobian_point &r, const jacobian_point &p);
void point_add_affine(jacobian_point &r, const jacobian_point &p, const affine_point &q);
// Without branches on the coordinates, for secret multiples. Both need a
// finite p. The distinct form needs q != +-p; the masked one also handles
// q = p (a doubling chosen by mask) and q = -p (Z3 = 0).
void point_add_affine_distinct(jacobian_point &r, const jacobian_point &p, const affine_point &q);
void point_add_affine_masked(jacobian_point &r, const jacobian_point &p, const affine_point &q);
void point_add(jacobian_point &r, const jacobian_point &p, const jacobian_point &q);

// False for the point at infinity.
bool to_affine(affine_point &r, const jacobian_point &p);
// As to_affine, inverting Z in constant time: Z of a secret multiple tells
// about the scalar.
bool to_affine_secret(affine_point &r, const jacobian_point &p);
// Converts n finite points with a single inversion.
void to_affine_batch(affine_point *out, const jacobian_point *in, size_t n);

// k * p for any point p (width-5 signed window). Variable time: for public
// scalars; secret ones go through secret_mul.h.
void scalar_mul(jacobian_point &r, const scalar &k, const affine_point &p);

// Precomputed multiples of G: for each of the 32 bytes of a scalar, the 255
// non-zero multiples v * 2^(8j) * G.
class base_table {
public:
    static constexpr int windows = 32;
    static constexpr int entries = 255;

    // Built from the 256 points 2^i * G.
    explicit base_table(const affine_point powers[256]);
    ~base_table();
    base_table(const base_table &) = delete;
    base_table &operator=(const base_table &) = delete;

    // Variable time: for public scalars.
    void mul(jacobian_point &r, const scalar &k) const;

    // The entries v * 2^(8w) * G for v = 1..255, at index v - 1.
    const affine_point *row(int w) const { return points_ + size_t(w) * entries; }

private:
    affine_point *points_;
};

} // namespace quillon::sm2

#endif
