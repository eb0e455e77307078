// The frame of the built-in self-test: report printing and groups of
// sub-tests. Each family adds its group function to the table in
// self_test.cpp.
#ifndef QUILLON_SELF_TEST_H
#define QUILLON_SELF_TEST_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace quillon::self_test {

struct report {
    FILE *out;
    int32_t verbosity; // 0 when out is null
};

// "label" then the bytes as %02X, a space after every 4 bytes and a line
// break after every 32, then a line break (verbosity above 1 only).
void dump(const report &rep, const char *label, const unsigned char *bytes, size_t n);

// Compares n bytes and dumps both when verbose; 0 when equal, else 1.
uint32_t expect_bytes(const report &rep, const unsigned char *got, const unsigned char *expected, size_t n);

struct sub_test {
    const char *name;
    uint32_t (*run)(const report &rep);
};

// Runs the sub-tests in order inside "name BEGIN!" / "name PASS!" lines and
// returns the OR of their results.
uint32_t run_group(const report &rep, const char *name, const sub_test *tests, size_t count);

// The top-level tests of each family.
uint32_t test_kdf(const report &rep);
uint32_t test_sm2(const report &rep);
uint32_t test_sm3(const report &rep);
uint32_t test_sm4(const report &rep);

} // namespace quillon::self_test

#endif
