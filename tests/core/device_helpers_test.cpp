// The device functions' own logic, apart from any token. DEVINFO is packed,
// so its fields are read by value.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/device_frame.h"
#include "core/device_info.h"
#include "core/device_naming.h"
#include "core/pieces.h"

namespace veltrakey {
namespace {

std::vector<uint8_t> device_info_answer(uint16_t buffer_size, uint16_t flags) {
  std::vector<uint8_t> a(230, 0);
  a[0] = 1, a[1] = 2;                                   // structure version
  memcpy(&a[4], "Maker", 5);
  memcpy(&a[68], "Issuer", 6);
  memcpy(&a[132], "Label", 5);
  memcpy(&a[164], "SN0001", 6);
  a[196] = 3, a[197] = 4, a[198] = 5, a[199] = 6;       // hardware and firmware
  const ULONG raw_caps[4] = {0x11111111, 0x22222222, 0x00000007, 0x44444444};
  memcpy(&a[200], raw_caps, 16);                        // host order
  a[216] = 0x00, a[217] = 0x01, a[218] = 0x00, a[219] = 0x00;  // total 65536
  a[220] = 0x00, a[221] = 0x00, a[222] = 0x80, a[223] = 0x00;  // free 32768
  a[224] = static_cast<uint8_t>(buffer_size >> 8), a[225] = static_cast<uint8_t>(buffer_size);
  a[226] = static_cast<uint8_t>(flags >> 8), a[227] = static_cast<uint8_t>(flags);
  a[228] = 0x12, a[229] = 0x34;
  return a;
}

TEST(DeviceInfo, AnswerBecomesDevinfo) {
  const device_info parsed = parse_device_info(device_info_answer(0x0420, 0x0002));
  const DEVINFO& d = parsed.info;
  EXPECT_EQ(d.Version.major, 1);
  EXPECT_EQ(d.Version.minor, 2);
  EXPECT_STREQ(d.Manufacturer, "Maker");
  EXPECT_STREQ(d.Issuer, "Issuer");
  EXPECT_STREQ(d.Label, "Label");
  EXPECT_STREQ(d.SerialNumber, "SN0001");
  EXPECT_EQ(d.HWVersion.major, 3);
  EXPECT_EQ(d.FirmwareVersion.minor, 6);
  EXPECT_EQ(ULONG(d.AlgSymCap), 0x11111111u);
  EXPECT_EQ(ULONG(d.AlgHashCap), 0x00000007u);
  EXPECT_EQ(ULONG(d.DevAuthAlgId), 0x44444444u);
  EXPECT_EQ(ULONG(d.TotalSpace), 65536u);
  EXPECT_EQ(ULONG(d.FreeSpace), 32768u);
  EXPECT_EQ(ULONG(d.MaxBufferSize), 0x0400u);
  EXPECT_EQ(ULONG(d.MaxECCBufferSize), 0x03BBu);
  EXPECT_EQ(parsed.max_data(), 1024u);
  EXPECT_EQ(parsed.flags, 0x0002);
  EXPECT_EQ(parsed.capabilities, 0x1234);
  for (BYTE b : d.Reserved) ASSERT_EQ(b, 0);
}

TEST(DeviceInfo, TinyBufferSizesDoNotWrap) {
  const device_info parsed = parse_device_info(device_info_answer(0x0010, 0));
  EXPECT_EQ(ULONG(parsed.info.MaxBufferSize), 0u);
  EXPECT_EQ(ULONG(parsed.info.MaxECCBufferSize), 0u);
  EXPECT_EQ(parsed.max_data(), 0u);
  // A short answer reads as zeros beyond its end.
  const device_info shorter = parse_device_info(std::vector<uint8_t>(10, 0x41));
  EXPECT_EQ(ULONG(shorter.info.TotalSpace), 0u);
}

std::vector<uint8_t> oem(const std::string& id) {
  std::vector<uint8_t> bytes(128, 0);
  memcpy(bytes.data(), id.data(), id.size());
  return bytes;
}

TEST(OemFilter, AcceptsListedEmptyAndAnything) {
  const std::vector<uint8_t> erased(128, 0xFF);
  struct row {
    std::vector<uint8_t> id;
    const char* list;
    bool accepted;
  };
  const row rows[] = {
      {oem("ORBELMANTIC"), "ORBELMANTIC", true},
      {oem("OTHERNAME"), "ORBELMANTIC,OTHERNAME", true},
      {oem("THIRDNAME"), "ORBELMANTIC,OTHERNAME", false},
      {oem("ORBEL"), "ORBELMANTIC", false},
      {erased, "ORBELMANTIC", true},
      {oem(""), "ORBELMANTIC", true},
      {oem("ANY"), "*", true},
      {oem("SIXTH"), "A,B,C,D,E,SIXTH", false},  // five entries at most
      {oem("FIFTH"), "A,B,C,D,FIFTH", true},
  };
  for (const row& r : rows) EXPECT_EQ(oem_accepted(r.id, r.list), r.accepted) << r.list;
}

TEST(ShortInfo, SerialIsBytes32To63) {
  std::vector<uint8_t> answer(68, 0);
  memcpy(&answer[32], "SERIAL-77", 9);
  EXPECT_EQ(serial_from_short_info(answer), "SERIAL-77");
  std::vector<uint8_t> full(68, 'x');
  EXPECT_EQ(serial_from_short_info(full).size(), 32u);
  EXPECT_EQ(serial_from_short_info(std::vector<uint8_t>(20, 'x')), "");
}

TEST(NameList, BoundAndSizeQuery) {
  const std::string list("abcd\0efgh\0", 10);
  char out[16];
  ULONG length = 4;
  EXPECT_EQ(copy_name_list(list, 1024, out, &length), ULONG{SAR_BUFFER_TOO_SMALL});
  EXPECT_EQ(length, 11u);
  length = sizeof out;
  EXPECT_EQ(copy_name_list(list, 1024, out, &length), ULONG{SAR_OK});
  EXPECT_EQ(length, 11u);
  EXPECT_EQ(0, memcmp(out, "abcd\0efgh\0\0", 11));
  // A list beyond the library's bound is refused even for a large buffer.
  std::vector<char> big(5000);
  length = static_cast<ULONG>(big.size());
  EXPECT_EQ(copy_name_list(std::string(4096, 'n'), 4096, big.data(), &length), ULONG{SAR_BUFFER_TOO_SMALL});
  EXPECT_EQ(length, 4097u);
}

TEST(AuthFailure, TriesLeftAsBareNumber) {
  last_sw = 0x63C3;
  EXPECT_EQ(auth_failure(token_status_failed), 3u);
  last_sw = 0x63C0;
  EXPECT_EQ(auth_failure(token_status_failed), 0u);
  last_sw = 0x6982;
  EXPECT_EQ(auth_failure(token_status_failed), ULONG{SAR_USER_NOT_LOGGED_IN});
  last_sw = 0x9000;
  EXPECT_EQ(token_failure(token_response_too_long), ULONG{SAR_FAIL});
  last_sw = 0x8003;
  EXPECT_EQ(token_failure(token_exchange_failed), 0x8003u);
  last_sw = 0x9000;
}

TEST(Pieces, LastPieceTakesTheRemainderAndAFailureStops) {
  std::vector<std::pair<size_t, size_t>> seen;
  auto record = [&](size_t offset, size_t length) -> ULONG {
    seen.emplace_back(offset, length);
    return SAR_OK;
  };
  EXPECT_EQ(for_each_piece(2500, 1024, record), ULONG{SAR_OK});
  EXPECT_EQ(seen, (std::vector<std::pair<size_t, size_t>>{{0, 1024}, {1024, 1024}, {2048, 452}}));

  seen.clear();
  EXPECT_EQ(for_each_piece(2048, 1024, record), ULONG{SAR_OK});
  EXPECT_EQ(seen.size(), 2u);
  seen.clear();
  EXPECT_EQ(for_each_piece(0, 1024, record), ULONG{SAR_OK});
  EXPECT_TRUE(seen.empty());

  int calls = 0;
  EXPECT_EQ(for_each_piece(2500, 1024, [&](size_t, size_t) -> ULONG { return ++calls == 2 ? 0x6A84 : SAR_OK; }),
            0x6A84u);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(for_each_piece(10, 0, record), ULONG{SAR_INVALIDPARAMERR});
}

}  // namespace
}  // namespace veltrakey
