// Texts of the library's return codes.
#include <cstring>

#include "internal.h"

namespace {

struct error_text {
    uint32_t code;
    const char *text;
};

// Searched in order, first match wins.
constexpr error_text error_texts[] = {
    {0x07100000, "Self test fail"},
    {0x07100003, "Not find any information"},
    {0x07100001, "Input error, maybe not a vailid point"},
    {0x07100004, "Invalid input key length"},
    {0x07100204, "Failed to verify signature of SM2"},
    {0x07100205, "Invalid input public key"},
    {0x07100206, "SM2 encryption error, get infinity S"},
    {0x07100207, "SM2 decryption error, invalid ciphertext C1"},
    {0x07100208, "SM2 decryption error, get infinity S"},
    {0x07100209, "SM2 decryption error, get zero t"},
    {0x0710020A, "SM2 decryption error, mac check fail"},
    {0x0710020B, "SM2 keyexchange error, get zero U"},
    {0x0710020C, "SM2 keyexchange error, invalid input ctx"},
    {0x0710020D, "SM2 keyexchange error, get zero V"},
    {0x0710020E, "SM2 TP keygen error, failed to verify public key"},
    {0x0710020F, "SM2 TP sign error, get zero S"},
    {0x07100210, "SM2 TP keyexchange error, invalid input point"},
    {0x07100211, "SM2 TP keyexchange error, invalid input ctx"},
    {0x07100212, "SM2 TP keyexchange error, get zero U"},
    {0x07100213, "SM2 TP decryption error, get infinity S"},
    {0x07100214, "SM2 TP decryption error, get zero T"},
    {0x07100215, "SM2 TP decryption error, failed to check mac"},
    {0x07100415, "SM4: input message length must be mutiple of block length"},
    {0x07100900, "Got 0 when KGC generate key, need to rebuild ALL keys"},
    {0x07100901, "Input mlen is not a multiple of block length of sm4"},
    {0x07100902, "Input clen is not a multiple of block length of sm4"},
    {0x07100903, "C1 is not a invalid point"},
    {0x07100904, "Key is all zero in SM9 decryption"},
    {0x07100905, "Mac check failed in SM9 decryption"},
    {0x07100906, "C1 is not a invalid point"},
    {0x07100907, "Key is all zero in SM9 unencapsule"},
    {0x07100908, "Check hash value failed in SM9 key exchange"},
    {0x0710090A, "Signature verify failed"},
    {0x0710090B, "Get cipher length from message length error"},
    {0x0710090C, "Cipher/message length error"},
    {0x00000000, "Success"},
};

} // namespace

extern "C" QV_API uint32_t qv_sm_get_err_info(char *buf, uint32_t code)
{
    for (const error_text &row : error_texts) {
        if (row.code != code)
            continue;
        if (buf == nullptr)
            return QV_OK;
        // A bounded copy zero-fills the first 255 bytes; byte 256 ends the
        // string whatever the text.
        std::strncpy(buf, row.text, 255);
        buf[256] = '\0';
        return QV_OK;
    }
    return QV_ERR_NO_INFORMATION;
}
