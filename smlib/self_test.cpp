// Self-test driver and report helpers.
#include "self_test.h"

#include <cstring>

#include "internal.h"

namespace quillon::self_test {

void dump(const report &rep, const char *label, const unsigned char *bytes, size_t n)
{
    if (rep.verbosity <= 1)
        return;
    std::fputs(label, rep.out);
    for (size_t i = 0; i < n; ++i) {
        std::fprintf(rep.out, "%02X", bytes[i]);
        const size_t done = i + 1;
        if (done == n)
            break;
        if (done % 32 == 0)
            std::fputc('\n', rep.out);
        else if (done % 4 == 0)
            std::fputc(' ', rep.out);
    }
    std::fputc('\n', rep.out);
}

uint32_t expect_bytes(const report &rep, const unsigned char *got, const unsigned char *expected, size_t n)
{
    dump(rep, "  output:           ", got, n);
    dump(rep, "  output should be: ", expected, n);
    return std::memcmp(got, expected, n) == 0 ? 0 : 1;
}

uint32_t run_group(const report &rep, const char *name, const sub_test *tests, size_t count)
{
    const bool talk = rep.verbosity >= 1;
    if (talk)
        std::fprintf(rep.out, "%s BEGIN!\n", name);
    uint32_t result = 0;
    for (size_t i = 0; i < count; ++i) {
        if (talk)
            std::fprintf(rep.out, "  %s BEGIN!\n", tests[i].name);
        const uint32_t r = tests[i].run(rep);
        if (talk)
            std::fprintf(rep.out, r == 0 ? "  %s PASS!\n" : "  %s FAILED!\n", tests[i].name);
        result |= r;
    }
    if (talk) {
        if (result == 0)
            std::fprintf(rep.out, "%s PASS!\n", name);
        else
            std::fprintf(rep.out, "%s FAILED!...................X\n", name);
    }
    return result;
}

namespace {

struct table_row {
    uint32_t (*run)(const report &rep);
    char name[64];
};

// Up to eight rows; the run stops at the first empty one. The SM9 and
// two-party groups take the free rows.
const table_row tests[8] = {
    {test_kdf, "qv_sm_self_test_kdf"},
    {test_sm2, "qv_sm_self_test_sm2"},
    {test_sm3, "qv_sm_self_test_sm3"},
    {test_sm4, "qv_sm_self_test_sm4"},
};

// OR of the non-zero results of the current run.
uint32_t accumulated = 0;

} // namespace
} // namespace quillon::self_test

extern "C" QV_API uint32_t qv_sm_self_test(FILE *stream, int32_t verbosity)
{
    using namespace quillon::self_test;
    accumulated = 0;
    const report rep{stream, stream == nullptr ? 0 : verbosity};
    for (const table_row &row : tests) {
        if (row.run == nullptr)
            break;
        accumulated |= row.run(rep);
        if (rep.verbosity != 0)
            std::fputs("\n", rep.out);
    }
    return accumulated != 0 ? QV_ERR_SELF_TEST : QV_OK;
}
