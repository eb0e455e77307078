// Secret wiping and the out-of-memory exit shared by the whole library.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "internal.h"

namespace quillon {

void wipe(void *p, size_t n)
{
    if (p != nullptr && n > 0)
        explicit_bzero(p, n);
}

void out_of_memory()
{
    std::fputs("malloc() error", stderr);
    std::exit(-1);
}

} // namespace quillon
