// Error texts, the random source, parameter set-up and the self-test report.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "quillon.h"

namespace {

TEST(ErrorInfo, KnownCodesAndUnknownCode)
{
    struct row {
        uint32_t code;
        const char *text;
    };
    const row rows[] = {
        {0x00000000, "Success"},
        {0x07100906, "C1 is not a invalid point"},
        {0x07100903, "C1 is not a invalid point"},
        {0x0710020A, "SM2 decryption error, mac check fail"},
        {0x07100415, "SM4: input message length must be mutiple of block length"},
    };
    for (const row &r : rows) {
        char buf[QV_ERR_INFO_BUFFER_SIZE];
        std::memset(buf, 'x', sizeof buf);
        ASSERT_EQ(qv_sm_get_err_info(buf, r.code), 0u) << std::hex << r.code;
        EXPECT_STREQ(buf, r.text);
        // Bounded copy: the rest of the first 255 bytes is zero-filled.
        EXPECT_EQ(buf[254], '\0');
        EXPECT_EQ(buf[256], '\0');
    }
    char buf[QV_ERR_INFO_BUFFER_SIZE];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(qv_sm_get_err_info(buf, 0x07100002), 0x07100003u);
    EXPECT_EQ(buf[0], 'x');
}

int32_t counting_calls = 0;
int32_t counting_random(unsigned char *buf, int32_t len)
{
    ++counting_calls;
    for (int32_t i = 0; i < len; ++i)
        buf[i] = static_cast<unsigned char>(0xA0 + i);
    return len;
}

TEST(RandomSource, InstalledFunctionFeedsKeyGenerationAndNullRestoresDefault)
{
    qv_sm_set_random_function(counting_random);
    counting_calls = 0;
    unsigned char d[32];
    ASSERT_EQ(qv_sm2_gen_private_key(d, nullptr), 0u);
    EXPECT_EQ(counting_calls, 1);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(d[i], 0xA0 + i); // below n, so taken as it is

    // A null function falls back to the system generator instead of crashing.
    qv_sm_set_random_function(nullptr);
    unsigned char a[32] = {}, b[32] = {};
    EXPECT_EQ(qv_sm_get_random_bytes(a, 32), 32);
    EXPECT_EQ(qv_sm_get_random_bytes(b, 32), 32);
    EXPECT_NE(std::memcmp(a, b, 32), 0);
    EXPECT_EQ(counting_calls, 1);
    unsigned char untouched[4] = {1, 2, 3, 4};
    EXPECT_EQ(qv_sm_get_random_bytes(untouched, 0), 0);
    EXPECT_EQ(untouched[0], 1);
}

TEST(SystemInit, RepeatedInitAndClearAreHarmless)
{
    EXPECT_EQ(qv_sm2_sys_init(), 0u);
    EXPECT_EQ(qv_sm2_sys_init(), 0u);
    unsigned char d[32] = {}, pk[65];
    d[31] = 1;
    EXPECT_EQ(qv_sm2_gen_public_key(pk, d), 0u);
    EXPECT_EQ(qv_sm2_sys_clear(), 0u);
    EXPECT_EQ(qv_sm2_sys_clear(), 0u);
    // Without parameters the operation builds them rather than crashing.
    unsigned char again[65];
    EXPECT_EQ(qv_sm2_gen_public_key(again, d), 0u);
    EXPECT_EQ(std::memcmp(pk, again, 65), 0);
    EXPECT_EQ(qv_sm2_sys_init(), 0u);
}

std::string run_self_test(int32_t verbosity, uint32_t *result)
{
    char *text = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&text, &size);
    *result = qv_sm_self_test(stream, verbosity);
    std::fclose(stream);
    std::string out(text, size);
    std::free(text);
    return out;
}

TEST(SelfTest, ReportAtVerbosityOneIsExact)
{
    ASSERT_EQ(qv_sm2_sys_init(), 0u);
    uint32_t result = 1;
    const std::string report = run_self_test(1, &result);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(report, "qv_sm_self_test_kdf BEGIN!\n"
                      "qv_sm_self_test_kdf PASS!\n"
                      "\n"
                      "qv_sm_self_test_sm2 BEGIN!\n"
                      "  qv_sm_self_test_sm2_sign BEGIN!\n"
                      "  qv_sm_self_test_sm2_sign PASS!\n"
                      "  qv_sm_self_test_sm2_enc BEGIN!\n"
                      "  qv_sm_self_test_sm2_enc PASS!\n"
                      "  qv_sm_self_test_sm2_key_exchange BEGIN!\n"
                      "  qv_sm_self_test_sm2_key_exchange PASS!\n"
                      "qv_sm_self_test_sm2 PASS!\n"
                      "\n"
                      "qv_sm_self_test_sm3 BEGIN!\n"
                      "  qv_sm_self_test_single BEGIN!\n"
                      "  qv_sm_self_test_single PASS!\n"
                      "  qv_sm_self_test_multi BEGIN!\n"
                      "  qv_sm_self_test_multi PASS!\n"
                      "qv_sm_self_test_sm3 PASS!\n"
                      "\n"
                      "qv_sm_self_test_sm4 BEGIN!\n"
                      "  qv_sm_self_test_sm4_ecb BEGIN!\n"
                      "  qv_sm_self_test_sm4_ecb PASS!\n"
                      "  qv_sm_self_test_sm4_cbc BEGIN!\n"
                      "  qv_sm_self_test_sm4_cbc PASS!\n"
                      "qv_sm_self_test_sm4 PASS!\n"
                      "\n");
}

TEST(SelfTest, VerboseReportDumpsBytesInGroupsOfFour)
{
    uint32_t result = 1;
    const std::string report = run_self_test(2, &result);
    EXPECT_EQ(result, 0u);
    EXPECT_NE(report.find("  output:           C5C13A8F 59A97CDE AE64F16A 2272A9E7\n"), std::string::npos);
    // 65 bytes: a line break after the 32nd and the 64th byte.
    EXPECT_NE(report.find("  pk:           0409F9DF 311E5421 A150DD7D 161E4BC5 C672179F AD1833FC 076BB08F F356F350\n"
                          "20CCEA49 0CE26775 A52DC6EA 718CC1AA 600AED05 FBF35E08 4A6632F6 072DA9AD\n13\n"),
              std::string::npos);
}

TEST(SelfTest, NullStreamPrintsNothing)
{
    // Anything printed would land on one of the standard streams.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(qv_sm_self_test(nullptr, 2), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Sm3WithIdDemo, PrintsAgreementInGbk)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(qv_sm3_withID_test(), 0u);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("Message: 16\n", 0), 0u);
    EXPECT_NE(out.find("Hash:\n   52 23 3D 3A"), std::string::npos);
    // "摘要结果和标准一致。" in GBK
    EXPECT_NE(out.find("\xD5\xAA\xD2\xAA\xBD\xE1\xB9\xFB\xBA\xCD\xB1\xEA\xD7\xBC\xD2\xBB\xD6\xC2\xA1\xA3\n\n"),
              std::string::npos);
}

} // namespace
