// Point arithmetic in Jacobian coordinates with a = -3.
#include "curve.h"

#include <cstdlib>

#include "../internal.h"

namespace quillon::sm2 {

const fe curve_b = {{0xDDBCBD414D940E93, 0xF39789F515AB8F92, 0x4D5A9E4BCF6509A7, 0x28E9FA9E9D9F5E34}};
const affine_point generator = {
    {{0x715A4589334C74C7, 0x8FE30BBFF2660BE1, 0x5F9904466A39C994, 0x32C4AE2C1F198119}},
    {{0x02DF32E52139F0A0, 0xD0A9877CC62A4740, 0x59BDCEE36B692153, 0xBC3736A2F4F6779C}}};
const scalar group_order = {{0x53BBF40939D54123, 0x7203DF6B21C6052B, 0xFFFFFFFFFFFFFFFF, 0xFFFFFFFEFFFFFFFF}};

void set_infinity(jacobian_point &p)
{
    p.x = fe{{1, 0, 0, 0}};
    p.y = fe{{1, 0, 0, 0}};
    p.z = fe{};
}

void to_jacobian(jacobian_point &r, const affine_point &a)
{
    r.x = a.x;
    r.y = a.y;
    r.z = fe{{1, 0, 0, 0}};
}

bool is_on_curve(const affine_point &a)
{
    fe lhs, rhs, t;
    fe_sqr(lhs, a.y);
    fe_sqr(t, a.x);
    fe_mul(rhs, t, a.x);
    fe_mul_small(t, a.x, 3);
    fe_sub(rhs, rhs, t);
    fe_add(rhs, rhs, curve_b);
    return fe_equal(lhs, rhs);
}

// 3M + 5S; Y = 0 gives Z3 = 0, the point at infinity.
void point_double(jacobian_point &r, const jacobian_point &p)
{
    fe delta, gamma, beta, alpha, t1, t2;
    fe_sqr(delta, p.z);
    fe_sqr(gamma, p.y);
    fe_mul(beta, p.x, gamma);
    fe_sub(t1, p.x, delta);
    fe_add(t2, p.x, delta);
    fe_mul(alpha, t1, t2);
    fe_add(t1, alpha, alpha);
    fe_add(alpha, alpha, t1); // alpha = 3 (X - delta)(X + delta)

    fe_add(t1, p.y, p.z);
    fe_sqr(t1, t1);
    fe_sub(t1, t1, gamma);
    fe_sub(r.z, t1, delta); // Z3 = (Y + Z)^2 - gamma - delta

    fe_add(beta, beta, beta);
    fe_add(beta, beta, beta); // 4 beta
    fe_sqr(t1, alpha);
    fe_add(t2, beta, beta);
    fe_sub(r.x, t1, t2); // X3 = alpha^2 - 8 beta

    fe_sub(t1, beta, r.x);
    fe_mul(t1, alpha, t1);
    fe_sqr(gamma, gamma);
    fe_add(gamma, gamma, gamma);
    fe_add(gamma, gamma, gamma);
    fe_add(gamma, gamma, gamma); // 8 gamma^2
    fe_sub(r.y, t1, gamma);
}

namespace {

// The differences of a mixed addition: H = U2 - X1 and R = S2 - Y1.
struct mixed_terms {
    fe z1z1, h, rr;
};

void mixed_differences(mixed_terms &m, const jacobian_point &p, const affine_point &q)
{
    fe u2, s2, t;
    fe_sqr(m.z1z1, p.z);
    fe_mul(u2, q.x, m.z1z1);
    fe_mul(t, p.z, m.z1z1);
    fe_mul(s2, q.y, t);
    fe_sub(m.h, u2, p.x);
    fe_sub(m.rr, s2, p.y);
}

// The sum from the differences; H = 0 gives Z3 = 0. r may alias p.
void mixed_sum(jacobian_point &r, const jacobian_point &p, mixed_terms &m)
{
    fe hh, i, j, v, t;
    fe_sqr(hh, m.h);
    fe_add(i, hh, hh);
    fe_add(i, i, i); // I = 4 H^2
    fe_mul(j, m.h, i);
    fe_add(m.rr, m.rr, m.rr);
    fe_mul(v, p.x, i);

    fe_add(t, p.z, m.h);
    fe_sqr(t, t);
    fe_sub(t, t, m.z1z1);
    const fe y1 = p.y;
    fe_sub(r.z, t, hh); // Z3 = (Z1 + H)^2 - Z1Z1 - HH

    fe_sqr(t, m.rr);
    fe_sub(t, t, j);
    fe_sub(t, t, v);
    fe_sub(r.x, t, v); // X3 = r^2 - J - 2V

    fe_sub(t, v, r.x);
    fe_mul(t, m.rr, t);
    fe_mul(j, y1, j);
    fe_add(j, j, j);
    fe_sub(r.y, t, j); // Y3 = r (V - X3) - 2 Y1 J
}

void select_point(jacobian_point &r, const jacobian_point &a, mp_limb_t mask)
{
    fe_select(r.x, a.x, mask);
    fe_select(r.y, a.y, mask);
    fe_select(r.z, a.z, mask);
}

} // namespace

// 7M + 4S. r may alias p.
void point_add_affine(jacobian_point &r, const jacobian_point &p, const affine_point &q)
{
    if (is_infinity(p)) {
        to_jacobian(r, q);
        return;
    }
    mixed_terms m;
    mixed_differences(m, p, q);
    if (fe_is_zero(m.h)) {
        if (fe_is_zero(m.rr))
            point_double(r, p);
        else
            set_infinity(r);
        return;
    }
    mixed_sum(r, p, m);
}

void point_add_affine_distinct(jacobian_point &r, const jacobian_point &p, const affine_point &q)
{
    mixed_terms m;
    mixed_differences(m, p, q);
    mixed_sum(r, p, m);
}

void point_add_affine_masked(jacobian_point &r, const jacobian_point &p, const affine_point &q)
{
    mixed_terms m;
    mixed_differences(m, p, q);
    const mp_limb_t same = fe_zero_mask(m.h) & fe_zero_mask(m.rr);
    jacobian_point twice;
    point_double(twice, p);
    mixed_sum(r, p, m);
    select_point(r, twice, same);
}

// 11M + 5S. r may alias p or q.
void point_add(jacobian_point &r, const jacobian_point &p, const jacobian_point &q)
{
    if (is_infinity(p)) {
        r = q;
        return;
    }
    if (is_infinity(q)) {
        r = p;
        return;
    }
    fe z1z1, z2z2, u1, u2, s1, s2, h, rr, t;
    fe_sqr(z1z1, p.z);
    fe_sqr(z2z2, q.z);
    fe_mul(u1, p.x, z2z2);
    fe_mul(u2, q.x, z1z1);
    fe_mul(t, q.z, z2z2);
    fe_mul(s1, p.y, t);
    fe_mul(t, p.z, z1z1);
    fe_mul(s2, q.y, t);
    fe_sub(h, u2, u1);
    fe_sub(rr, s2, s1);
    if (fe_is_zero(h)) {
        if (fe_is_zero(rr))
            point_double(r, p);
        else
            set_infinity(r);
        return;
    }
    fe i, j, v, z;
    fe_add(i, h, h);
    fe_sqr(i, i); // I = (2H)^2
    fe_mul(j, h, i);
    fe_add(rr, rr, rr);
    fe_mul(v, u1, i);

    fe_add(z, p.z, q.z);
    fe_sqr(z, z);
    fe_sub(z, z, z1z1);
    fe_sub(z, z, z2z2);
    fe_mul(r.z, z, h);

    fe_sqr(t, rr);
    fe_sub(t, t, j);
    fe_sub(t, t, v);
    fe_sub(r.x, t, v);

    fe_sub(t, v, r.x);
    fe_mul(t, rr, t);
    fe_mul(j, s1, j);
    fe_add(j, j, j);
    fe_sub(r.y, t, j);
}

namespace {

void affine_from_inverse(affine_point &r, const jacobian_point &p, const fe &zinv)
{
    fe zinv2, zinv3;
    fe_sqr(zinv2, zinv);
    fe_mul(zinv3, zinv2, zinv);
    fe_mul(r.x, p.x, zinv2);
    fe_mul(r.y, p.y, zinv3);
    // Affine coordinates are read as integers (x of a signature, x-bar), so
    // they leave fully reduced.
    fe_canonical(r.x, r.x);
    fe_canonical(r.y, r.y);
}

} // namespace

bool to_affine(affine_point &r, const jacobian_point &p)
{
    if (is_infinity(p))
        return false;
    fe zinv;
    fe_inv(zinv, p.z);
    affine_from_inverse(r, p, zinv);
    return true;
}

bool to_affine_secret(affine_point &r, const jacobian_point &p)
{
    if (is_infinity(p))
        return false;
    fe zinv;
    fe_inv_secret(zinv, p.z);
    affine_from_inverse(r, p, zinv);
    wipe(&zinv, sizeof zinv);
    return true;
}

namespace {

// Storage for n field elements: on the stack for the small batches of the
// scalar multiplication, from the heap for the table built at set-up.
class fe_scratch {
public:
    explicit fe_scratch(size_t n) : data_(n <= small ? local_ : static_cast<fe *>(std::malloc(n * sizeof(fe))))
    {
        if (data_ == nullptr)
            out_of_memory();
    }
    ~fe_scratch()
    {
        if (data_ != local_)
            std::free(data_);
    }
    fe_scratch(const fe_scratch &) = delete;
    fe_scratch &operator=(const fe_scratch &) = delete;
    fe &operator[](size_t i) { return data_[i]; }

private:
    static constexpr size_t small = 16;
    fe local_[small];
    fe *data_;
};

} // namespace

void to_affine_batch(affine_point *out, const jacobian_point *in, size_t n)
{
    if (n == 0)
        return;
    // prefix[i] = Z_0 * ... * Z_i, inverted once and unwound from the end.
    fe_scratch prefix(n);
    prefix[0] = in[0].z;
    for (size_t i = 1; i < n; ++i)
        fe_mul(prefix[i], prefix[i - 1], in[i].z);
    fe inv;
    fe_inv(inv, prefix[n - 1]);
    for (size_t i = n; i-- > 0;) {
        fe zinv, zinv2;
        if (i > 0) {
            fe_mul(zinv, inv, prefix[i - 1]);
            fe_mul(inv, inv, in[i].z);
        } else {
            zinv = inv;
        }
        fe_sqr(zinv2, zinv);
        fe_mul(out[i].x, in[i].x, zinv2);
        fe_mul(zinv2, zinv2, zinv);
        fe_mul(out[i].y, in[i].y, zinv2);
        fe_canonical(out[i].x, out[i].x);
        fe_canonical(out[i].y, out[i].y);
    }
}

namespace {

constexpr int window_width = 5;
constexpr int odd_multiples = 1 << (window_width - 2); // P, 3P, ..., 15P

// Width-w non-adjacent form: digits odd or zero, |digit| < 2^(w-1).
// Returns the number of digits (at most 257).
int to_wnaf(int8_t digits[257], const scalar &k)
{
    // Five limbs: adding back a negative digit can carry past 2^256.
    mp_limb_t v[limbs + 1];
    for (int i = 0; i < limbs; ++i)
        v[i] = k.v[i];
    v[limbs] = 0;
    constexpr int window_mask = (1 << window_width) - 1;
    int n = 0;
    for (;;) {
        mp_limb_t any = 0;
        for (const mp_limb_t limb : v)
            any |= limb;
        if (any == 0)
            break;
        int digit = 0;
        if (v[0] & 1) {
            digit = int(v[0] & window_mask);
            if (digit >= (1 << (window_width - 1)))
                digit -= 1 << window_width;
            // v - digit clears the low window. A positive digit equals those
            // bits, so it never borrows; a negative one adds and may carry.
            if (digit > 0) {
                v[0] -= mp_limb_t(digit);
            } else {
                const mp_limb_t before = v[0];
                v[0] += mp_limb_t(-digit);
                bool carry = v[0] < before;
                for (int i = 1; carry && i <= limbs; ++i)
                    carry = ++v[i] == 0;
            }
        }
        digits[n++] = static_cast<int8_t>(digit);
        for (int i = 0; i < limbs; ++i)
            v[i] = (v[i] >> 1) | (v[i + 1] << 63);
        v[limbs] >>= 1;
    }
    wipe(v, sizeof v);
    return n;
}

} // namespace

void scalar_mul(jacobian_point &r, const scalar &k, const affine_point &p)
{
    jacobian_point table_j[odd_multiples];
    to_jacobian(table_j[0], p);
    jacobian_point twice;
    point_double(twice, table_j[0]);
    for (int i = 1; i < odd_multiples; ++i)
        point_add(table_j[i], table_j[i - 1], twice);

    // An odd multiple below 16 of a point of prime order is never infinity,
    // unless p is infinity itself, which callers never pass.
    affine_point table[odd_multiples];
    to_affine_batch(table, table_j, odd_multiples);

    int8_t digits[257];
    const int n = to_wnaf(digits, k);
    jacobian_point acc;
    set_infinity(acc);
    for (int i = n - 1; i >= 0; --i) {
        point_double(acc, acc);
        const int d = digits[i];
        if (d > 0) {
            point_add_affine(acc, acc, table[d / 2]);
        } else if (d < 0) {
            affine_point neg = table[-d / 2];
            fe_neg(neg.y, neg.y);
            point_add_affine(acc, acc, neg);
        }
    }
    r = acc;
    wipe(digits, sizeof digits);
    wipe(table, sizeof table);
    wipe(table_j, sizeof table_j);
}

base_table::base_table(const affine_point powers[256])
{
    constexpr size_t total = size_t(windows) * entries;
    points_ = static_cast<affine_point *>(std::malloc(total * sizeof(affine_point)));
    if (points_ == nullptr)
        out_of_memory();
    auto *work = static_cast<jacobian_point *>(std::malloc(total * sizeof(jacobian_point)));
    if (work == nullptr)
        out_of_memory();
    for (int w = 0; w < windows; ++w) {
        const affine_point &base = powers[8 * w];
        jacobian_point *row = work + size_t(w) * entries;
        to_jacobian(row[0], base);
        for (int v = 1; v < entries; ++v)
            point_add_affine(row[v], row[v - 1], base);
    }
    to_affine_batch(points_, work, total);
    std::free(work);
}

base_table::~base_table()
{
    std::free(points_);
}

// One table addition per non-zero byte of k, no doublings.
void base_table::mul(jacobian_point &r, const scalar &k) const
{
    jacobian_point acc;
    set_infinity(acc);
    for (int w = 0; w < windows; ++w) {
        const unsigned byte = unsigned(k.v[w / 8] >> (8 * (w % 8))) & 0xFF;
        if (byte != 0)
            point_add_affine(acc, acc, points_[size_t(w) * entries + byte - 1]);
    }
    r = acc;
}

} // namespace quillon::sm2
