#include "protocol/gm_apdu.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace veltrakey;

using bytes = std::vector<uint8_t>;

bytes serialize(const gm_apdu& apdu, int* result = nullptr) {
  uint32_t needed = 0;
  EXPECT_EQ(apdu.serialize(nullptr, &needed), 0);
  bytes out(needed + 8);
  uint32_t length = static_cast<uint32_t>(out.size());
  const int rc = apdu.serialize(out.data(), &length);
  if (result) *result = rc;
  if (rc != 0) return {};
  EXPECT_EQ(length, needed);
  out.resize(length);
  return out;
}

TEST(GmApdu, SerialisesEveryKind) {
  struct row {
    uint32_t kind;
    bytes data;
    int32_t le;
    bytes expected;
  };
  const row rows[] = {
      {APDU_HEADER_ONLY, {}, 0, {0x80, 0x26, 0x01, 0x02}},
      {APDU_SHORT_LE, {}, 256, {0x80, 0x26, 0x01, 0x02, 0x00}},
      {APDU_SHORT_LE, {}, 16, {0x80, 0x26, 0x01, 0x02, 0x10}},
      {APDU_SHORT_DATA, {0xd1, 0xd2}, 0, {0x80, 0x26, 0x01, 0x02, 0x02, 0xd1, 0xd2}},
      // the short data-and-response form writes no Le byte
      {APDU_SHORT_DATA_LE, {0xd1}, 10, {0x80, 0x26, 0x01, 0x02, 0x01, 0xd1}},
      {APDU_EXT_LE, {}, 65536, {0x80, 0x26, 0x01, 0x02, 0x00, 0x00, 0x00}},
      {APDU_EXT_LE, {}, 0x1234, {0x80, 0x26, 0x01, 0x02, 0x00, 0x12, 0x34}},
      {APDU_EXT_DATA_LE, {0xd1, 0xd2, 0xd3}, 10,
       {0x80, 0x26, 0x01, 0x02, 0x00, 0x00, 0x03, 0xd1, 0xd2, 0xd3, 0x00, 0x0A}},
  };
  for (const row& r : rows) {
    gm_apdu apdu(r.kind, 0x80, 0x26, 0x01, 0x02, "x");
    if (!r.data.empty()) apdu.set_data(r.data.data(), r.data.size());
    if (r.le) apdu.set_le(r.le);
    EXPECT_EQ(serialize(apdu), r.expected) << "kind " << std::hex << r.kind;
  }
}

TEST(GmApdu, PublishedExamples) {
  gm_apdu info(0x12, 0x80, 0x04, 0x00, 0x00, "GetDevInfo");
  info.set_le(0);
  EXPECT_EQ(serialize(info), (bytes{0x80, 0x04, 0, 0, 0, 0, 0}));

  gm_apdu label(0x13, 0x80, 0x02, 0x00, 0x00, "SetLabel");
  label.set_data(reinterpret_cast<const uint8_t*>("ab"), 2);
  EXPECT_EQ(serialize(label), (bytes{0x80, 0x02, 0, 0, 0, 0, 2, 0x61, 0x62}));
  EXPECT_STREQ(label.name(), "SetLabel");
}

TEST(GmApdu, RefusesInvalidRecords) {
  int rc = 0;
  gm_apdu no_data(APDU_EXT_DATA, 0x80, 0x02, 0, 0, "SetLabel");
  serialize(no_data, &rc);
  EXPECT_EQ(rc, APDU_INVALID);

  gm_apdu header_with_le(APDU_HEADER_ONLY, 0x80, 0x02, 0, 0, "x");
  header_with_le.set_le(4);
  serialize(header_with_le, &rc);
  EXPECT_EQ(rc, APDU_INVALID);

  const uint8_t d[3] = {1, 2, 3};
  gm_apdu mismatched(APDU_EXT_DATA, 0x80, 0x02, 0, 0, "x");
  mismatched.set_data(d, 3);
  mismatched.set_lc(2);  // Lc no longer agrees with the data length
  serialize(mismatched, &rc);
  EXPECT_EQ(rc, APDU_INVALID);

  gm_apdu data_with_le(APDU_EXT_DATA, 0x80, 0x02, 0, 0, "x");
  data_with_le.set_data(d, 3);
  data_with_le.set_le(2);
  serialize(data_with_le, &rc);
  EXPECT_EQ(rc, APDU_INVALID);

  gm_apdu short_too_long(APDU_SHORT_LE, 0x80, 0x02, 0, 0, "x");
  short_too_long.set_le(257);
  serialize(short_too_long, &rc);
  EXPECT_EQ(rc, APDU_INVALID);

  gm_apdu ext_too_long(APDU_EXT_LE, 0x80, 0x02, 0, 0, "x");
  ext_too_long.set_le(65537);
  serialize(ext_too_long, &rc);
  EXPECT_EQ(rc, APDU_INVALID);

  gm_apdu unknown_kind(0x42, 0x80, 0x02, 0, 0, "x");
  uint8_t buf[16];
  uint32_t len = sizeof buf;
  EXPECT_NE(unknown_kind.serialize(buf, &len), 0);

  gm_apdu negative(APDU_EXT_LE, 0x80, 0x02, 0, 0, "x");
  negative.set_le(-1);
  serialize(negative, &rc);
  EXPECT_EQ(rc, APDU_INVALID);

  EXPECT_EQ(negative.serialize(buf, nullptr), APDU_INVALID);
}

TEST(GmApdu, ReportsShortBuffer) {
  gm_apdu apdu(APDU_EXT_DATA, 0x80, 0x02, 0, 0, "x");
  const uint8_t d[4] = {1, 2, 3, 4};
  apdu.set_data(d, 4);
  uint8_t buf[10];
  uint32_t len = 10;  // 11 needed
  EXPECT_EQ(apdu.serialize(buf, &len), APDU_BUFFER_TOO_SMALL);
}

TEST(GmApdu, ResolvesAutomaticKinds) {
  const uint8_t d[3] = {0xd1, 0xd2, 0xd3};
  gm_apdu big(APDU_AUTO_DATA_LE, 0x80, 0x26, 0, 0, "x");
  big.set_data(d, 3);
  big.set_le(300);
  EXPECT_EQ(serialize(big), (bytes{0x80, 0x26, 0, 0, 0, 0, 3, 0xd1, 0xd2, 0xd3, 0x01, 0x2C}));

  gm_apdu small(APDU_AUTO_DATA_LE, 0x80, 0x26, 0, 0, "x");
  small.set_data(d, 3);
  small.set_le(200);
  EXPECT_EQ(serialize(small), (bytes{0x80, 0x26, 0, 0, 3, 0xd1, 0xd2, 0xd3}));

  gm_apdu auto_le(APDU_AUTO_LE, 0x80, 0x26, 0, 0, "x");
  auto_le.set_le(256);
  EXPECT_EQ(serialize(auto_le), (bytes{0x80, 0x26, 0, 0, 0}));
}

TEST(GmApdu, ParsesResponses) {
  gm_apdu apdu;
  const uint8_t ok[2] = {0x90, 0x00};
  ASSERT_EQ(apdu.parse_response(ok, 2), 0);
  EXPECT_TRUE(apdu.response_data().empty());
  EXPECT_EQ(apdu.status_word(), 0x9000);

  const uint8_t with_data[4] = {0xAA, 0xBB, 0x63, 0xC2};
  ASSERT_EQ(apdu.parse_response(with_data, 4), 0);
  EXPECT_EQ(bytes(apdu.response_data().begin(), apdu.response_data().end()), (bytes{0xAA, 0xBB}));
  EXPECT_EQ(apdu.status_word(), 0x63C2);

  const uint8_t one[1] = {0x90};
  EXPECT_EQ(apdu.parse_response(one, 1), APDU_ENCODING_FAILED);
}

TEST(GmApdu, ChainingAndHeaderClone) {
  gm_apdu apdu(APDU_EXT_DATA, 0x80, 0x4C, 0x01, 0x02, "ImportCertificate");
  const uint8_t d[2] = {1, 2};
  apdu.set_data(d, 2);
  apdu.set_le(7);
  apdu.set_timeout(500);
  apdu.set_chaining();
  EXPECT_EQ(apdu.cla(), 0x90);

  auto copy = apdu.clone_header();
  EXPECT_EQ(copy->kind(), APDU_EXT_DATA);
  EXPECT_EQ(copy->cla(), 0x90);
  EXPECT_EQ(copy->ins(), 0x4C);
  EXPECT_EQ(copy->p1(), 0x01);
  EXPECT_EQ(copy->p2(), 0x02);
  EXPECT_STREQ(copy->name(), "ImportCertificate");
  EXPECT_TRUE(copy->data().empty());
  EXPECT_FALSE(copy->owns_data());
  EXPECT_EQ(copy->le(), 0);
  EXPECT_EQ(copy->timeout(), 0u);

  copy->clear_chaining();
  EXPECT_EQ(copy->cla(), 0x80);
}

TEST(GmApdu, NameIsCutAtSixtyFourCharacters) {
  const std::string longer(80, 'n');
  gm_apdu apdu(APDU_HEADER_ONLY, 0x80, 0, 0, 0, longer.c_str());
  EXPECT_EQ(std::string(apdu.name()), std::string(64, 'n'));
}

}  // namespace
