// The SM2 field and curve arithmetic against GMP's general integers.
#include <gtest/gtest.h>

#include <random>

#include "sm2/curve.h"
#include "sm2/field.h"
#include "sm2/params.h"
#include "sm2/scalar.h"

using namespace quillon::sm2;

namespace {

struct mpz_holder {
    mpz_t v;
    mpz_holder() { mpz_init(v); }
    ~mpz_holder() { mpz_clear(v); }
};

void to_mpz(mpz_t r, const fe &a)
{
    mpz_import(r, limbs, -1, sizeof(mp_limb_t), 0, 0, a.v);
}

fe from_mpz(const mpz_t x)
{
    fe r{};
    mpz_export(r.v, nullptr, -1, sizeof(mp_limb_t), 0, 0, x);
    return r;
}

// Values that stress the folding: zero, one, p - 1, words of all ones,
// and partly reduced ones.
std::vector<fe> field_samples()
{
    mpz_holder p, t;
    to_mpz(p.v, field_prime);
    std::vector<fe> out;
    for (long k : {0L, 1L, 2L, 3L}) {
        mpz_set_ui(t.v, static_cast<unsigned long>(k));
        out.push_back(from_mpz(t.v));
        mpz_sub_ui(t.v, p.v, static_cast<unsigned long>(k + 1));
        out.push_back(from_mpz(t.v));
    }
    // Partly reduced values: p itself, just above it, and 2^256 - 1.
    for (unsigned long k : {0UL, 5UL}) {
        mpz_add_ui(t.v, p.v, k);
        out.push_back(from_mpz(t.v));
    }
    out.push_back(fe{{~mp_limb_t(0), ~mp_limb_t(0), ~mp_limb_t(0), ~mp_limb_t(0)}});
    mpz_set_ui(t.v, 1);
    mpz_mul_2exp(t.v, t.v, 224);
    out.push_back(from_mpz(t.v));
    mpz_sub_ui(t.v, t.v, 1);
    out.push_back(from_mpz(t.v));
    std::mt19937_64 rng(42);
    for (int i = 0; i < 300; ++i) {
        fe r{{rng(), rng(), rng(), rng()}};
        mpz_holder v;
        to_mpz(v.v, r);
        mpz_mod(v.v, v.v, p.v);
        out.push_back(from_mpz(v.v));
    }
    return out;
}

TEST(Sm2Field, OperationsMatchGeneralArithmetic)
{
    mpz_holder p, x, y, want, got;
    to_mpz(p.v, field_prime);
    // Results may stand above p (any value below 2^256 congruent to them);
    // they are compared modulo p.
    const auto result_mpz = [&](mpz_t r, const fe &a) {
        to_mpz(r, a);
        mpz_mod(r, r, p.v);
    };
    const std::vector<fe> samples = field_samples();
    for (size_t i = 0; i < samples.size(); ++i) {
        const fe &a = samples[i];
        const fe &b = samples[(i * 7 + 3) % samples.size()];
        to_mpz(x.v, a);
        to_mpz(y.v, b);
        fe r;

        fe_mul(r, a, b);
        mpz_mul(want.v, x.v, y.v);
        mpz_mod(want.v, want.v, p.v);
        result_mpz(got.v, r);
        ASSERT_EQ(mpz_cmp(got.v, want.v), 0) << "mul " << i;

        fe_sqr(r, a);
        mpz_mul(want.v, x.v, x.v);
        mpz_mod(want.v, want.v, p.v);
        result_mpz(got.v, r);
        ASSERT_EQ(mpz_cmp(got.v, want.v), 0) << "sqr " << i;

        fe_add(r, a, b);
        mpz_add(want.v, x.v, y.v);
        mpz_mod(want.v, want.v, p.v);
        result_mpz(got.v, r);
        ASSERT_EQ(mpz_cmp(got.v, want.v), 0) << "add " << i;

        fe_sub(r, a, b);
        mpz_sub(want.v, x.v, y.v);
        mpz_mod(want.v, want.v, p.v);
        result_mpz(got.v, r);
        ASSERT_EQ(mpz_cmp(got.v, want.v), 0) << "sub " << i;

        for (int64_t m : {-3, 3, -1, 0x7FFFFFFF}) {
            fe_mul_small(r, a, m);
            mpz_mul_si(want.v, x.v, static_cast<long>(m));
            mpz_mod(want.v, want.v, p.v);
            result_mpz(got.v, r);
            ASSERT_EQ(mpz_cmp(got.v, want.v), 0) << "mul_small " << m << " " << i;
        }

        mpz_mod(want.v, x.v, p.v);
        if (mpz_sgn(want.v) != 0) {
            fe_inv(r, a);
            fe check;
            fe_mul(check, r, a);
            ASSERT_TRUE(fe_equal(check, fe{{1, 0, 0, 0}})) << "inv " << i;
            fe r_secret;
            fe_inv_secret(r_secret, a);
            ASSERT_EQ(0, mpn_cmp(r_secret.v, r.v, limbs)) << "inv_secret " << i;
        }
        fe canonical;
        fe_canonical(canonical, r);
        to_mpz(got.v, canonical);
        ASSERT_LT(mpz_cmp(got.v, p.v), 0);

        fe s;
        fe_sqr(s, a);
        ASSERT_TRUE(fe_sqrt(r, s));
        fe back;
        fe_sqr(back, r);
        ASSERT_TRUE(fe_equal(back, s)) << "sqrt " << i;
    }
}

TEST(Sm2Curve, MultiplesAgreeAcrossMethods)
{
    const system_params *sp = params();
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20; ++i) {
        scalar k{{rng(), rng(), rng(), rng() >> 1}};
        if (i == 0)
            k = scalar{{1, 0, 0, 0}};
        if (i == 1)
            mpn_sub_1(k.v, group_order.v, limbs, 1); // n - 1: -G
        if (i == 2)
            k = scalar{{~mp_limb_t(0), ~mp_limb_t(0), ~mp_limb_t(0), ~mp_limb_t(0)}}; // carries to the top
        jacobian_point a, b;
        base_mul(a, k);
        scalar_mul(b, k, generator);
        affine_point aa, ba;
        ASSERT_TRUE(to_affine(aa, a));
        ASSERT_TRUE(to_affine(ba, b));
        EXPECT_TRUE(fe_equal(aa.x, ba.x) && fe_equal(aa.y, ba.y)) << i;
        EXPECT_TRUE(is_on_curve(aa));
    }
    // n * G is the point at infinity on both paths; 2^255 * G is in the table.
    jacobian_point inf;
    scalar_mul(inf, group_order, generator);
    EXPECT_TRUE(is_infinity(inf));
    base_mul(inf, group_order);
    EXPECT_TRUE(is_infinity(inf));
    scalar top{{0, 0, 0, mp_limb_t(1) << 63}};
    jacobian_point t;
    base_mul(t, top);
    affine_point ta;
    ASSERT_TRUE(to_affine(ta, t));
    EXPECT_TRUE(fe_equal(ta.x, sp->powers_of_two[255].x));
}

} // namespace
