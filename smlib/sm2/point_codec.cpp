#include "point_codec.h"

namespace quillon::sm2 {
namespace {

point_read read_long(affine_point &r, const unsigned char *in)
{
    if (!fe_from_bytes(r.x, in + 1) || !fe_from_bytes(r.y, in + 33))
        return point_read::invalid;
    if (fe_is_zero(r.x) && fe_is_zero(r.y))
        return point_read::infinity;
    return is_on_curve(r) ? point_read::valid : point_read::invalid;
}

// y is the root of x^3 - 3x + b whose low bit the form byte selects.
point_read read_compressed(affine_point &r, const unsigned char *in)
{
    if (!fe_from_bytes(r.x, in + 1))
        return point_read::invalid;
    fe rhs, t;
    fe_sqr(t, r.x);
    fe_mul(rhs, t, r.x);
    fe_mul_small(t, r.x, 3);
    fe_sub(rhs, rhs, t);
    fe_add(rhs, rhs, curve_b);
    if (!fe_sqrt(r.y, rhs))
        return point_read::invalid;
    const mp_limb_t wanted = in[0] & 1;
    if ((r.y.v[0] & 1) != wanted) {
        fe_neg(r.y, r.y);
        fe_canonical(r.y, r.y);
    }
    // y = 0 has no odd root.
    if ((r.y.v[0] & 1) != wanted)
        return point_read::invalid;
    return point_read::valid;
}

} // namespace

point_read read_point(affine_point &r, const unsigned char *in)
{
    switch (in[0]) {
    case 0x04:
    case 0x06:
    case 0x07:
        return read_long(r, in);
    case 0x02:
    case 0x03:
        return read_compressed(r, in);
    default:
        return point_read::invalid;
    }
}

void write_point(unsigned char out[65], const affine_point &p)
{
    out[0] = 0x04;
    fe_to_bytes(out + 1, p.x);
    fe_to_bytes(out + 33, p.y);
}

} // namespace quillon::sm2
