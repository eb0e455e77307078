// The first byte picks the operation; the rest is the untrusted input.
//   0: signature (64) || digest (32) || public key in any form
//   1: ciphertext, decrypted with a fixed key
//   2: responder's point message (69) || initiator context blob (422)
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "quillon.h"

namespace {

const unsigned char fixed_d[32] = {0x39, 0x45, 0x20, 0x8F, 0x7B, 0x21, 0x44, 0xB1, 0x3F, 0x36, 0xE3,
                                   0x8A, 0xC6, 0xD3, 0x9F, 0x95, 0x88, 0x93, 0x93, 0x69, 0x28, 0x60,
                                   0xB5, 0x1A, 0x42, 0xFB, 0x81, 0xEF, 0x4D, 0xF7, 0xC5, 0xB8};

// Point reading looks at up to 65 bytes whatever the form byte says, so the
// key is copied into a buffer of that size.
std::vector<unsigned char> padded(const uint8_t *data, size_t size, size_t at_least)
{
    std::vector<unsigned char> v(data, data + size);
    if (v.size() < at_least)
        v.resize(at_least, 0);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    qv_sm2_sys_init();
    const uint8_t op = data[0] % 3;
    ++data;
    --size;
    if (op == 0) {
        if (size < 96)
            return 0;
        const std::vector<unsigned char> pk = padded(data + 96, size - 96, 65);
        qv_sm2_verify(data, data + 64, pk.data());
    } else if (op == 1) {
        if (size > 4096)
            return 0;
        std::vector<unsigned char> m(size > 97 ? size - 97 : 1);
        uint32_t mlen = 0;
        qv_sm2_dec(m.data(), &mlen, data, static_cast<uint32_t>(size), fixed_d);
    } else {
        if (size < 69 + 422)
            return 0;
        unsigned char pa[65], pb[65], za[32] = {}, zb[32] = {}, key[16];
        qv_sm2_gen_public_key(pa, fixed_d);
        std::memcpy(pb, pa, 65);
        qv_sm2_kx_nocomfirm_sender_final(key, data, data + 69, sizeof key, fixed_d, pa, pb, za, zb);
    }
    return 0;
}
