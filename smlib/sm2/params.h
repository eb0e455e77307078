// The process-wide SM2 parameters built by qv_sm2_sys_init.
#ifndef QUILLON_SM2_PARAMS_H
#define QUILLON_SM2_PARAMS_H

#include "curve.h"

namespace quillon::sm2 {

struct system_params {
    affine_point powers_of_two[256]; // 2^i * G
    scalar order_minus_one;
    base_table *g_table;
};

// The parameters; built on first use when the caller skipped qv_sm2_sys_init.
const system_params *params();

// k * G through the precomputed table. Variable time: for public scalars;
// secret ones go through secret_mul.h.
void base_mul(jacobian_point &r, const scalar &k);

} // namespace quillon::sm2

#endif
