// Constant-time scalar multiplication.
//
// The scalar is reduced modulo n and made odd (k or n - k, the result negated
// by mask), then recoded into digits that are all odd: no digit is zero, so
// every window costs one addition. Each table look-up reads the whole row and
// keeps the wanted entry by mask. The digits bound every partial sum below n,
// so no addition but the last can meet the doubling or infinity case; the last
// one handles them by mask.
#include "secret_mul.h"

#include "../internal.h"
#include "params.h"

namespace quillon::sm2 {
namespace {

// All ones when a == b, else zero.
mp_limb_t equal_mask(mp_limb_t a, mp_limb_t b)
{
    const mp_limb_t d = a ^ b;
    return ((d | (0 - d)) >> 63) - 1;
}

void select_scalar(scalar &r, const scalar &a, mp_limb_t mask)
{
    for (int i = 0; i < limbs; ++i)
        r.v[i] = (a.v[i] & mask) | (r.v[i] & ~mask);
}

// k mod n as an odd scalar: k or n - k, negate all ones for the latter. False
// for a multiple of n, whose result (infinity) the caller turns into an error
// it reports anyway.
bool odd_scalar(scalar &r, mp_limb_t &negate, const scalar &k)
{
    scalar reduced;
    const mp_limb_t below_n = sub4(reduced.v, k.v, group_order.v);
    r = reduced;
    select_scalar(r, k, 0 - below_n);
    if ((r.v[0] | r.v[1] | r.v[2] | r.v[3]) == 0)
        return false;
    negate = (r.v[0] & 1) - 1;
    scalar minus;
    sub4(minus.v, group_order.v, r.v);
    select_scalar(r, minus, negate);
    wipe(&reduced, sizeof reduced);
    wipe(&minus, sizeof minus);
    return true;
}

// Odd k as `count` odd digits in [-(2^w - 1), 2^w - 1], least significant
// first, the last one positive. Digit d = (k mod 2^(w+1)) - 2^w leaves
// k - d = 2^w (mod 2^(w+1)), so the next value is (k >> w) | 1: no carries.
// count * w >= 256 keeps the last value below 2^w.
void recode_odd(int digits[], int count, int width, const scalar &k)
{
    scalar v = k;
    const mp_limb_t low = (mp_limb_t(1) << (width + 1)) - 1;
    for (int i = 0; i + 1 < count; ++i) {
        digits[i] = int(v.v[0] & low) - (1 << width);
        for (int j = 0; j + 1 < limbs; ++j)
            v.v[j] = (v.v[j] >> width) | (v.v[j + 1] << (64 - width));
        v.v[limbs - 1] >>= width;
        v.v[0] |= 1;
    }
    digits[count - 1] = int(v.v[0]);
    wipe(&v, sizeof v);
}

// d * (entry point) from a table of the odd multiples 1, 3, ..., 2 count - 1,
// entry i at table[i * stride]: every entry is read.
void lookup_digit(affine_point &r, const affine_point *table, int count, int stride, int digit)
{
    const mp_limb_t sign = mp_limb_t(int64_t(digit) >> 63);
    const mp_limb_t magnitude = (mp_limb_t(int64_t(digit)) ^ sign) - sign;
    const mp_limb_t index = magnitude >> 1;
    r = affine_point{};
    for (int i = 0; i < count; ++i) {
        const mp_limb_t keep = equal_mask(mp_limb_t(i), index);
        const affine_point &e = table[size_t(i) * size_t(stride)];
        for (int j = 0; j < limbs; ++j) {
            r.x.v[j] |= e.x.v[j] & keep;
            r.y.v[j] |= e.y.v[j] & keep;
        }
    }
    fe_cond_neg(r.y, sign);
}

// Fixed base: one digit per byte window of the table, the odd entries of
// each row (v = 2i + 1 at index 2i).
constexpr int base_width = 8;
constexpr int base_digits = base_table::windows;
constexpr int base_odd_entries = (base_table::entries + 1) / 2;
static_assert(base_digits * base_width >= 256);

// Variable base: 5-bit digits over P, 3P, ..., 31P.
constexpr int var_width = 5;
constexpr int var_entries = 1 << (var_width - 1);
constexpr int var_digits = (256 + var_width - 1) / var_width;

} // namespace

void base_mul_secret(jacobian_point &r, const scalar &k)
{
    scalar odd;
    wipe_on_exit<scalar> wipe_odd(odd);
    mp_limb_t negate = 0;
    if (!odd_scalar(odd, negate, k)) {
        set_infinity(r);
        return;
    }
    int digits[base_digits];
    wipe_on_exit<int[base_digits]> wipe_digits(digits);
    recode_odd(digits, base_digits, base_width, odd);

    // Window w adds d_w 2^(8w) G to a sum below 2^(8w) in magnitude, so only
    // the last window can meet +-acc.
    const base_table &table = *params()->g_table;
    affine_point q;
    wipe_on_exit<affine_point> wipe_q(q);
    lookup_digit(q, table.row(0), base_odd_entries, 2, digits[0]);
    jacobian_point acc;
    to_jacobian(acc, q);
    for (int w = 1; w < base_digits; ++w) {
        lookup_digit(q, table.row(w), base_odd_entries, 2, digits[w]);
        if (w + 1 < base_digits)
            point_add_affine_distinct(acc, acc, q);
        else
            point_add_affine_masked(acc, acc, q);
    }
    fe_cond_neg(acc.y, negate);
    r = acc;
    wipe(&acc, sizeof acc);
}

void scalar_mul_secret(jacobian_point &r, const scalar &k, const affine_point &p)
{
    scalar odd;
    wipe_on_exit<scalar> wipe_odd(odd);
    mp_limb_t negate = 0;
    if (!odd_scalar(odd, negate, k)) {
        set_infinity(r);
        return;
    }
    int digits[var_digits];
    wipe_on_exit<int[var_digits]> wipe_digits(digits);
    recode_odd(digits, var_digits, var_width, odd);

    // The point is public: its table is built with the ordinary formulas.
    jacobian_point table_j[var_entries];
    to_jacobian(table_j[0], p);
    jacobian_point twice;
    point_double(twice, table_j[0]);
    for (int i = 1; i < var_entries; ++i)
        point_add(table_j[i], table_j[i - 1], twice);
    affine_point table[var_entries];
    to_affine_batch(table, table_j, var_entries);

    // Before digit i the sum is m * 2^5 * P with m odd, 1 <= m < 2^(251 - 5i)
    // + 1, and |d_i| < 2^5: only the last digit can meet +-acc.
    affine_point q;
    wipe_on_exit<affine_point> wipe_q(q);
    lookup_digit(q, table, var_entries, 1, digits[var_digits - 1]);
    jacobian_point acc;
    to_jacobian(acc, q);
    for (int i = var_digits - 2; i >= 0; --i) {
        for (int s = 0; s < var_width; ++s)
            point_double(acc, acc);
        lookup_digit(q, table, var_entries, 1, digits[i]);
        if (i > 0)
            point_add_affine_distinct(acc, acc, q);
        else
            point_add_affine_masked(acc, acc, q);
    }
    fe_cond_neg(acc.y, negate);
    r = acc;
    wipe(&acc, sizeof acc);
}

} // namespace quillon::sm2
