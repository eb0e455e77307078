// The records are shared with callers byte for byte.
#include <cstddef>

#include "parlomin.h"

static_assert(sizeof(CertName) == 672);
static_assert(offsetof(CertName, organization) == 72);
static_assert(offsetof(CertName, common_name) == 272);
static_assert(offsetof(CertName, email_address) == 572);
static_assert(sizeof(BrokenTime) == 36);
static_assert(sizeof(ExtValue) == 104 && offsetof(ExtValue, length) == 100);
static_assert(sizeof(ErrorText) == 64 && offsetof(ErrorText, code) == 60);
static_assert(sizeof(OidValue) == 104 && offsetof(OidValue, length) == 100);
static_assert(offsetof(CrlEntry, serial_length) == 100);
static_assert(offsetof(CrlEntry, revocation_date) == 104);
static_assert(offsetof(CrlEntry, reason) == 140);
static_assert(offsetof(CrlEntry, next) == 144);
// The link is a pointer: 148 bytes per entry in 32-bit builds, 152 in 64-bit ones.
static_assert(sizeof(CrlEntry) == (sizeof(void *) == 8 ? 152 : 148));
