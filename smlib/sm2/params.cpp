// Set-up and tear-down of the SM2 parameters.
#include "params.h"

#include <atomic>
#include <mutex>
#include <new>

#include "../internal.h"

namespace quillon::sm2 {
namespace {

// Written only under build_lock; computing calls read it without locking.
std::atomic<system_params *> current{nullptr};
std::mutex build_lock;

system_params *build()
{
    auto *p = new (std::nothrow) system_params;
    if (p == nullptr)
        out_of_memory();
    jacobian_point acc;
    to_jacobian(acc, generator);
    jacobian_point doubled[256];
    doubled[0] = acc;
    for (int i = 1; i < 256; ++i)
        point_double(doubled[i], doubled[i - 1]);
    to_affine_batch(p->powers_of_two, doubled, 256);
    mpn_sub_1(p->order_minus_one.v, group_order.v, limbs, 1);
    p->g_table = new (std::nothrow) base_table(p->powers_of_two);
    if (p->g_table == nullptr)
        out_of_memory();
    return p;
}

void build_once()
{
    const std::lock_guard<std::mutex> hold(build_lock);
    if (current.load(std::memory_order_acquire) == nullptr)
        current.store(build(), std::memory_order_release);
}

void release()
{
    const std::lock_guard<std::mutex> hold(build_lock);
    system_params *p = current.exchange(nullptr, std::memory_order_acq_rel);
    if (p != nullptr) {
        delete p->g_table;
        delete p;
    }
}

// A call made before qv_sm2_sys_init would otherwise follow a null pointer;
// it builds the parameters itself instead.
} // namespace

const system_params *params()
{
    const system_params *p = current.load(std::memory_order_acquire);
    if (p == nullptr) {
        build_once();
        p = current.load(std::memory_order_acquire);
    }
    return p;
}

void base_mul(jacobian_point &r, const scalar &k)
{
    params()->g_table->mul(r, k);
}

} // namespace quillon::sm2

extern "C" {

QV_API uint32_t qv_sm2_sys_init(void)
{
    quillon::sm2::build_once();
    return QV_OK;
}

QV_API uint32_t qv_sm2_sys_clear(void)
{
    quillon::sm2::release();
    return QV_OK;
}

} // extern "C"
