#include <gtest/gtest.h>

#include "core/status_word.h"

namespace veltrakey {
namespace {

TEST(StatusWord, EveryRowOfTheTable) {
  const struct {
    uint16_t sw;
    ULONG code;
  } rows[] = {
      {0x9000, 0x00000000}, {0x6581, 0x0A000002}, {0x6A86, 0x0A000002}, {0x6E00, 0x0A000002},
      {0x6700, 0x0A000010}, {0x6982, 0x0A00002D}, {0x6983, 0x0A000025}, {0x6984, 0x0A000011},
      {0x6A80, 0x0A000006}, {0x6A84, 0x0A000030}, {0x6A88, 0x0A00002E}, {0x6A8B, 0x0A00002E},
      {0x6A89, 0x0A00002C}, {0x6A8C, 0x0A00001B}, {0x6A95, 0x0A00001B}, {0x6A91, 0x0B000035},
      {0x6A94, 0x0B000035}, {0x6A92, 0x0A00002F}, {0x6A93, 0x0A000031}, {0x6A96, 0x0A00001C},
      {0x6A98, 0x0A00001A}, {0x6A9A, 0x0B000038}, {0x6B00, 0x0B000034}, {0x6E01, 0x0A000020},
      {0x6E02, 0x0B000036}, {0x6F01, 0x0B000039}, {0x6F0D, 0x0B000039}, {0x6F02, 0x0B000040},
      {0x6F0C, 0x0B000040}, {0x6F09, 0x0C000001}, {0x6F0A, 0x0C000002}, {0x6F0B, 0x0C000003},
  };
  for (const auto& row : rows) EXPECT_EQ(sw_to_sar(row.sw), row.code) << std::hex << row.sw;
}

TEST(StatusWord, UnlistedWordsPassThroughZeroExtended) {
  for (uint16_t sw : {0x6A85, 0x63C2, 0x8003, 0x8005, 0x6A81, 0x0000, 0xFFFF})
    EXPECT_EQ(sw_to_sar(sw), ULONG{sw}) << std::hex << sw;
}

TEST(StatusWord, ReadsTheLastStatus) {
  last_sw = 0x6A85;
  EXPECT_EQ(sw_to_sar(), 0x00006A85u);
  last_sw = 0x6982;
  EXPECT_EQ(sw_to_sar(), ULONG{SAR_USER_NOT_LOGGED_IN});
  last_sw = sw_success;
}

}  // namespace
}  // namespace veltrakey
