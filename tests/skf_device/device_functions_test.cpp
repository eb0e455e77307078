#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "device_fixture.h"

namespace skf_test {
namespace {

TEST_F(DeviceTest, NoTokenOnTheBus) {
  ULONG size = 99;
  EXPECT_EQ(skf->SKF_EnumDev(TRUE, nullptr, &size), ULONG{SAR_DEVICE_REMOVED});
  EXPECT_EQ(size, 0u);
  DEVHANDLE h = nullptr;
  char name[] = "NOSUCH";
  EXPECT_NE(skf->SKF_ConnectDev(name, &h), ULONG{SAR_OK});
  EXPECT_EQ(h, nullptr);
}

TEST_F(DeviceTest, EnumerationSizesAndNames) {
  bus->plug("SN00001");
  bus->plug("SN00002");
  ULONG size = 0;
  ASSERT_EQ(skf->SKF_EnumDev(TRUE, nullptr, &size), ULONG{SAR_OK});
  EXPECT_EQ(size, 32u * 2 + 2);

  // The list: serial numbers, each ended by a zero, and a final zero.
  char list[64];
  size = 10;
  EXPECT_EQ(skf->SKF_EnumDev(TRUE, list, &size), ULONG{SAR_BUFFER_TOO_SMALL});
  EXPECT_EQ(size, 17u);
  size = sizeof list;
  ASSERT_EQ(skf->SKF_EnumDev(TRUE, list, &size), ULONG{SAR_OK});
  ASSERT_EQ(size, 17u);
  const std::set<std::string> names = {list, list + 8};
  EXPECT_EQ(names, (std::set<std::string>{"SN00001", "SN00002"}));
  EXPECT_EQ(list[16], '\0');
}

TEST_F(DeviceTest, ConnectBySerialAndReadDeviceInformation) {
  bus->plug("SN00001");
  DEVHANDLE h = connect("SN00001");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(h), 0x3000u) << "the first handle of a freshly loaded library";
  DEVINFO info;
  ASSERT_EQ(skf->SKF_GetDevInfo(h, &info), ULONG{SAR_OK});
  EXPECT_STREQ(info.SerialNumber, "SN00001");
  EXPECT_EQ(ULONG(info.MaxBufferSize), 0x0400u);  // the token's buffer is 0x0420
  EXPECT_EQ(ULONG(info.MaxECCBufferSize), 0x03BBu);
  for (BYTE b : info.Reserved) ASSERT_EQ(b, 0);

  BYTE raw[sizeof(DEVINFO)];
  ULONG caps = 1, flags = 1;
  ASSERT_EQ(skf->XKF_GetDeviceCaps(h, raw, &caps, &flags), ULONG{SAR_OK});
  EXPECT_EQ(0, memcmp(raw, &info, sizeof info));

  ULONG state = 0;
  char serial[] = "SN00001";
  EXPECT_EQ(skf->SKF_GetDevState(serial, &state), ULONG{SAR_OK});
  EXPECT_EQ(state, ULONG{DEV_PRESENT_STATE});
  char unknown[] = "NOSUCH";
  EXPECT_EQ(skf->SKF_GetDevState(unknown, &state), ULONG{SAR_OK});
  EXPECT_EQ(state, ULONG{DEV_ABSENT_STATE});

  EXPECT_EQ(skf->SKF_DisConnectDev(h), ULONG{SAR_OK});
  EXPECT_EQ(skf->SKF_GetDevInfo(h, &info), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(skf->SKF_DisConnectDev(h), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(reinterpret_cast<uintptr_t>(connect("SN00001")), 0x3001u) << "handle values are not reused";
}

TEST_F(DeviceTest, UnknownNameWithATokenPresent) {
  bus->plug("SN00001");
  DEVHANDLE h = nullptr;
  char name[] = "NOSUCH";
  EXPECT_EQ(skf->SKF_ConnectDev(name, &h), ULONG{SAR_DEVICE_REMOVED});
  std::string too_long(265, 'x');
  EXPECT_EQ(skf->SKF_ConnectDev(too_long.data(), &h), ULONG{SAR_INVALIDPARAMERR});
}

TEST_F(DeviceTest, LabelUpTo31Characters) {
  bus->plug("SN00001");
  DEVHANDLE h = connect("SN00001");
  std::string label31(31, 'L'), label32(32, 'M');
  ASSERT_EQ(skf->SKF_SetLabel(h, label31.data()), ULONG{SAR_OK});
  EXPECT_EQ(skf->SKF_SetLabel(h, label32.data()), ULONG{SAR_INVALIDPARAMERR});
  DEVINFO info;
  ASSERT_EQ(skf->SKF_GetDevInfo(h, &info), ULONG{SAR_OK});
  EXPECT_EQ(std::string(info.Label, strnlen(info.Label, 32)), label31) << "the refused label sent nothing";
}

TEST_F(DeviceTest, RandomBytesInPiecesAndNothingCopiedOnFailure) {
  bus->plug("SN00001");
  DEVHANDLE h = connect("SN00001");
  // The token gives at most 2046 bytes an answer, so 2500 must come in pieces.
  std::vector<BYTE> bytes(2500, 0);
  ASSERT_EQ(skf->SKF_GenRandom(h, bytes.data(), 2500), ULONG{SAR_OK});
  EXPECT_GT(std::set<BYTE>(bytes.begin(), bytes.end()).size(), 200u);
  EXPECT_NE(std::vector<BYTE>(bytes.begin() + 2048, bytes.end()), std::vector<BYTE>(452, 0));

  std::vector<BYTE> untouched(2500, 0xEE);
  bus->fault("SN00001", "wrong-length,count=1");
  EXPECT_NE(skf->SKF_GenRandom(h, untouched.data(), 2500), ULONG{SAR_OK});
  EXPECT_EQ(untouched, std::vector<BYTE>(2500, 0xEE));
  EXPECT_EQ(skf->SKF_GenRandom(h, nullptr, 16), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(skf->SKF_GenRandom(nullptr, bytes.data(), 16), ULONG{SAR_INVALIDPARAMERR});
}

TEST_F(DeviceTest, TransmitReturnsTheWholeAnswer) {
  bus->plug("SN00001");
  DEVHANDLE h = connect("SN00001");
  // GenRandom of 8 bytes as a raw extended command unit.
  BYTE command[] = {0x80, 0x50, 0x00, 0x00, 0x00, 0x00, 0x08};
  BYTE answer[64];
  ULONG length = sizeof answer;
  ASSERT_EQ(skf->SKF_Transmit(h, command, sizeof command, answer, &length), ULONG{SAR_OK});
  ASSERT_EQ(length, 10u);
  EXPECT_EQ(answer[8], 0x90);
  EXPECT_EQ(answer[9], 0x00);

  length = 5;  // shorter than the answer
  EXPECT_EQ(skf->SKF_Transmit(h, command, sizeof command, answer, &length), ULONG{SAR_BUFFER_TOO_SMALL});
  EXPECT_EQ(length, 10u);

  // A status word other than 9000 is still a completed exchange.
  BYTE unknown[] = {0x80, 0xEE, 0x00, 0x00};
  length = sizeof answer;
  ASSERT_EQ(skf->SKF_Transmit(h, unknown, sizeof unknown, answer, &length), ULONG{SAR_OK});
  ASSERT_EQ(length, 2u);
  EXPECT_NE(answer[0], 0x90);
}

TEST_F(DeviceTest, DeviceAuthenticationReportsTriesLeft) {
  bus->plug("SN00001");
  DEVHANDLE h = connect("SN00001");
  BYTE wrong[16] = {};
  BYTE challenge[8];
  ULONG result = 0;
  for (ULONG expected = 9; expected >= 3; --expected) {
    ASSERT_EQ(skf->SKF_GenRandom(h, challenge, 8), ULONG{SAR_OK});
    result = skf->SKF_DevAuth(h, wrong, sizeof wrong);
    EXPECT_EQ(result, expected);
  }
  EXPECT_EQ(result, 3u);
  BYTE key[16] = {};
  EXPECT_EQ(skf->SKF_ChangeDevAuthKey(h, key, 16), ULONG{SAR_INVALIDPARAMERR}) << "not authenticated";
  EXPECT_EQ(skf->SKF_DevAuth(h, nullptr, 16), ULONG{SAR_INVALIDPARAMERR});
}

TEST_F(DeviceTest, OemFilterListsAcceptedTokensOnly) {
  bus->plug("SN00001");
  bus->plug("SN00002");
  bus->plug("SN00003");
  // SN00001 keeps its erased OEM area (128 bytes of FF).
  struct oem_row {
    const char* serial;
    const char* id;
  };
  for (const oem_row& row : {oem_row{"SN00002", "OTHERNAME"}, oem_row{"SN00003", "THIRDNAME"}}) {
    DEVHANDLE h = connect(row.serial);
    BYTE area[128] = {};
    memcpy(area, row.id, strlen(row.id));
    ASSERT_EQ(skf->XKF_WriteOemInfo(h, 0x80, sizeof area, area), ULONG{SAR_OK});
    skf->SKF_DisConnectDev(h);
  }
  char filter[] = "";
  char accepted[] = "ORBELMANTIC,OTHERNAME";
  ASSERT_EQ(skf->XKF_SetEnumDeviceString(filter, accepted), ULONG{SAR_OK});
  const auto listed = enumerate();
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), (std::set<std::string>{"SN00001", "SN00002"}));
}

TEST_F(DeviceTest, OemAreaWritesAtTheirOffsets) {
  bus->plug("SN00001");
  DEVHANDLE h = connect("SN00001");
  // Past the token's area: the token refuses; past what an offset can say: refused here.
  std::vector<BYTE> area(1024, 0);
  EXPECT_EQ(skf->XKF_WriteOemInfo(h, 1023, 2, area.data()), ULONG{SAR_NO_ROOM});
  EXPECT_EQ(skf->XKF_WriteOemInfo(h, 0xFFFF, 2, area.data()), ULONG{SAR_INVALIDPARAMERR});
  // The whole area in one call; the identifier at 0x80 decides whether the
  // token stays listed.
  memcpy(area.data() + 0x80, "FOREIGN", 7);
  ASSERT_EQ(skf->XKF_WriteOemInfo(h, 0, static_cast<ULONG>(area.size()), area.data()), ULONG{SAR_OK});
  EXPECT_TRUE(enumerate().empty()) << "FOREIGN is not an accepted OEM";
  // The dropped token's transport is gone; the handle fails cleanly.
  BYTE bytes[4];
  EXPECT_NE(skf->SKF_GenRandom(h, bytes, sizeof bytes), ULONG{SAR_OK});
  EXPECT_EQ(skf->XKF_WriteOemInfo(h, 0, 0, nullptr), ULONG{SAR_OK});
}

TEST_F(DeviceTest, RawHardwareSerialBySizeQuery) {
  bus->plug("SN00001");
  DEVHANDLE h = connect("SN00001");
  ULONG length = 0;
  ASSERT_EQ(skf->XKF_GetRawHWSN(h, nullptr, &length), ULONG{SAR_OK});
  ASSERT_GT(length, 0u);
  std::vector<BYTE> serial(length);
  ULONG short_length = length - 1;
  EXPECT_EQ(skf->XKF_GetRawHWSN(h, serial.data(), &short_length), ULONG{SAR_BUFFER_TOO_SMALL});
  EXPECT_EQ(short_length, length);
  EXPECT_EQ(skf->XKF_GetRawHWSN(h, serial.data(), &length), ULONG{SAR_OK});
}

}  // namespace
}  // namespace skf_test

namespace skf_test {
namespace {

TEST_F(DeviceTest, AHandleNeverReachesATokenThatReplacedItsOwn) {
  bus->plug("SN00001");
  DEVHANDLE old_handle = connect("SN00001");
  bus->unplug("SN00001");
  EXPECT_TRUE(enumerate().empty());  // SN00001's transport object is deleted
  // A new object may now take the freed one's place in memory.
  bus->plug("SN00002");
  ASSERT_EQ(enumerate(), std::vector<std::string>{"SN00002"});  // the scan lets SN00001's object go
  BYTE bytes[8];
  EXPECT_NE(skf->SKF_GenRandom(old_handle, bytes, sizeof bytes), ULONG{SAR_OK});
  DEVINFO info;
  EXPECT_NE(skf->SKF_GetDevInfo(old_handle, &info), ULONG{SAR_OK});
  EXPECT_EQ(skf->SKF_DisConnectDev(old_handle), ULONG{SAR_OK});
}

}  // namespace
}  // namespace skf_test
