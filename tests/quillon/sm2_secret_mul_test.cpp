// The constant-time scalar multiplications against the variable-time ones.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sm2/curve.h"
#include "sm2/params.h"
#include "sm2/secret_mul.h"

using namespace quillon::sm2;

namespace {

scalar from_hex(const std::string &hex)
{
    scalar k{};
    mpz_t v;
    mpz_init_set_str(v, hex.c_str(), 16);
    mpz_export(k.v, nullptr, -1, sizeof(mp_limb_t), 0, 0, v);
    mpz_clear(v);
    return k;
}

scalar order_plus(long delta)
{
    scalar k{};
    mpz_t v, n;
    mpz_init(v);
    mpz_roinit_n(n, group_order.v, limbs);
    if (delta >= 0)
        mpz_add_ui(v, n, static_cast<unsigned long>(delta));
    else
        mpz_sub_ui(v, n, static_cast<unsigned long>(-delta));
    mpz_export(k.v, nullptr, -1, sizeof(mp_limb_t), 0, 0, v);
    mpz_clear(v);
    return k;
}

struct edge_scalar {
    const char *name;
    scalar k;
};

std::vector<edge_scalar> edge_scalars()
{
    const mp_limb_t ones = ~mp_limb_t(0);
    std::vector<edge_scalar> out = {
        {"0", scalar{}},
        {"1", scalar{{1, 0, 0, 0}}},
        {"2", scalar{{2, 0, 0, 0}}},
        // Recoded as n - 6, whose last 5-bit digit meets the sum: a doubling.
        {"6", scalar{{6, 0, 0, 0}}},
        {"n - 6", order_plus(-6)},
        {"n - 2", order_plus(-2)},
        {"n - 1", order_plus(-1)},
        {"n", order_plus(0)},
        {"n + 1", order_plus(1)},
        {"2^256 - 1", scalar{{ones, ones, ones, ones}}},
        {"2^255", scalar{{0, 0, 0, mp_limb_t(1) << 63}}},
        {"2^128 - 1", scalar{{ones, ones, 0, 0}}},
        {"2^255 - 2^128", scalar{{0, 0, ones, ones >> 1}}},
        {"byte runs", scalar{{0xFF00FF00FF00FF00, 0x00FF00FF00FF00FF, 0xFF00FF00FF00FF00, 0x00FF00FF00FF00FF}}},
        {"alternating bits", scalar{{0xAAAAAAAAAAAAAAAA, 0x5555555555555555, 0xAAAAAAAAAAAAAAAA, 0x5555555555555555}}},
        // Its last byte digit, 255, meets the sum of the others: a doubling
        // on the fixed-base path; n minus it is recoded to it.
        {"fixed-base doubling", from_hex("fe0000010000000000000000000000008dfc2094de39fad4ac440bf6c62abedd")},
        {"n - fixed-base doubling", from_hex("1fffffdfffffffffffffffffffffffee407bed6438c0a56a777e81273aa8246")},
    };
    std::mt19937_64 rng(2024);
    for (int i = 0; i < 8; ++i)
        out.push_back({"random", scalar{{rng(), rng(), rng(), rng()}}});
    return out;
}

// Same point, or both infinity.
void expect_same_point(const jacobian_point &a, const jacobian_point &b, const std::string &what)
{
    affine_point aa, ba;
    const bool finite_a = to_affine(aa, a);
    const bool finite_b = to_affine(ba, b);
    ASSERT_EQ(finite_a, finite_b) << what;
    if (finite_a)
        EXPECT_TRUE(fe_equal(aa.x, ba.x) && fe_equal(aa.y, ba.y)) << what;
}

TEST(Sm2SecretMul, MatchesVariableTimePathsOnEdgeScalars)
{
    // A second base: some multiple of G with no relation to the table.
    jacobian_point pj;
    scalar_mul(pj, scalar{{0x1234567890ABCDEF, 0xFEDCBA0987654321, 0x0F1E2D3C4B5A6978, 0x1122334455667788}},
               generator);
    affine_point p;
    ASSERT_TRUE(to_affine(p, pj));

    for (const edge_scalar &e : edge_scalars()) {
        jacobian_point want, got;
        base_mul(want, e.k);
        base_mul_secret(got, e.k);
        expect_same_point(got, want, std::string("k G, fixed base: ") + e.name);

        scalar_mul_secret(got, e.k, generator);
        expect_same_point(got, want, std::string("k G, variable base: ") + e.name);

        scalar_mul(want, e.k, p);
        scalar_mul_secret(got, e.k, p);
        expect_same_point(got, want, std::string("k P: ") + e.name);
    }
}

TEST(Sm2SecretMul, ConstantTimeAffineMatches)
{
    jacobian_point p;
    base_mul(p, scalar{{0xDEADBEEF, 1, 2, 3}});
    affine_point want, got;
    ASSERT_TRUE(to_affine(want, p));
    ASSERT_TRUE(to_affine_secret(got, p));
    EXPECT_EQ(0, mpn_cmp(want.x.v, got.x.v, limbs));
    EXPECT_EQ(0, mpn_cmp(want.y.v, got.y.v, limbs));
    jacobian_point inf;
    set_infinity(inf);
    EXPECT_FALSE(to_affine_secret(got, inf));
}

} // namespace
