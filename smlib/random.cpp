// The replaceable random source.
#include <sys/random.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "internal.h"

namespace {

// Draws one 32-bit value per output byte from the kernel's generator and keeps
// its low 8 bits.
int32_t default_random(unsigned char *buf, int32_t len)
{
    for (int32_t i = 0; i < len; ++i) {
        uint32_t value = 0;
        size_t got = 0;
        while (got < sizeof value) {
            const ssize_t n = getrandom(reinterpret_cast<unsigned char *>(&value) + got,
                                        sizeof value - got, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                // Without entropy there is nothing safe to hand out.
                std::fputs("getrandom() error", stderr);
                std::abort();
            }
            got += static_cast<size_t>(n);
        }
        buf[i] = static_cast<unsigned char>(value);
        quillon::wipe(&value, sizeof value);
    }
    return len;
}

std::atomic<qv_random_function> installed{nullptr};

qv_random_function current()
{
    qv_random_function fn = installed.load(std::memory_order_acquire);
    if (fn == nullptr) {
        fn = default_random;
        installed.store(fn, std::memory_order_release);
    }
    return fn;
}

} // namespace

namespace quillon {

void random_bytes(unsigned char *buf, int32_t len)
{
    current()(buf, len);
}

} // namespace quillon

extern "C" {

QV_API void qv_sm_set_random_function(qv_random_function fn)
{
    // A null function would crash the next key generation; the default takes
    // its place instead.
    installed.store(fn, std::memory_order_release);
}

QV_API int32_t qv_sm_get_random_bytes(unsigned char *buf, int32_t len)
{
    return current()(buf, len);
}

} // extern "C"
