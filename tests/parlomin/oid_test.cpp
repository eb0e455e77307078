// Object identifiers between dotted text and DER, both directions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "parlomin.h"
#include "test_support.h"

using parlomin_test::bytes;

namespace {

OidValue text_record(const std::string &text) {
  OidValue r{};
  std::memcpy(r.value, text.data(), text.size() < 100 ? text.size() : 100);
  r.length = static_cast<uint32_t>(text.size());
  return r;
}

OidValue der_record(const bytes &der) {
  OidValue r{};
  std::memcpy(r.value, der.data(), der.size());
  r.length = static_cast<uint32_t>(der.size());
  return r;
}

TEST(OidText, ConvertsBothWays) {
  struct row {
    const char *text;
    bytes der;
  } rows[] = {
      {"2.5.29.15", {0x06, 0x03, 0x55, 0x1D, 0x0F}},
      {"1.2.156.10197.1.301", {0x06, 0x08, 0x2A, 0x81, 0x1C, 0xCF, 0x55, 0x01, 0x82, 0x2D}},
      {"2.5.4.0", {0x06, 0x03, 0x55, 0x04, 0x00}},
      {"2.999", {0x06, 0x02, 0x88, 0x37}},
      {"0.0", {0x06, 0x01, 0x00}},
      {"1.2.4294967295", {0x06, 0x06, 0x2A, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
  };
  for (const row &r : rows) {
    OidValue in = text_record(r.text), out;
    ASSERT_EQ(certTranOIDValue(&in, &out, 0), PARLOMIN_OK) << r.text;
    EXPECT_EQ(bytes(out.value, out.value + out.length), r.der) << r.text;

    in = der_record(r.der);
    ASSERT_EQ(certTranOIDValue(&in, &out, 1), PARLOMIN_OK) << r.text;
    EXPECT_STREQ(reinterpret_cast<char *>(out.value), r.text);
    EXPECT_EQ(out.length, std::strlen(r.text));

    // The bare content converts the same way.
    in = der_record(bytes(r.der.begin() + 2, r.der.end()));
    if (in.length >= 2) {
      ASSERT_EQ(certTranOIDValue(&in, &out, 1), PARLOMIN_OK) << r.text;
      EXPECT_STREQ(reinterpret_cast<char *>(out.value), r.text);
    }
  }
}

TEST(OidText, BadTextIsRefused) {
  struct row {
    std::string text;
    uint32_t rc;
  } rows[] = {
      {"2.5 .29", PARLOMIN_ERR_OID_VALUE},
      {"2.5.x", PARLOMIN_ERR_OID_VALUE},
      {"25", PARLOMIN_ERR_OID_VALUE},
      {"", PARLOMIN_ERR_OID_VALUE},
      {"2..5", PARLOMIN_ERR_OID_VALUE},
      {"2.5.", PARLOMIN_ERR_OID_VALUE},
      {"3.1", PARLOMIN_ERR_OID_VALUE},               // no such top arc
      {"1.40", PARLOMIN_ERR_OID_VALUE},              // would read back as 2.0
      {"1.2.4294967296", PARLOMIN_ERR_OID_VALUE},     // above 32 bits
      {"1.2." + std::string(30, '1'), PARLOMIN_ERR_OID_VALUE},
      {"1." + std::string(99, '2'), PARLOMIN_ERR_OID_VALUE},  // 101 characters
      {"1.2" + std::string(25, '.') + "", PARLOMIN_ERR_OID_VALUE},
  };
  for (const row &r : rows) {
    OidValue in = text_record(r.text), out;
    EXPECT_EQ(certTranOIDValue(&in, &out, 0), r.rc) << r.text;
  }
}

TEST(OidText, BadDerIsRefused) {
  struct row {
    bytes der;
    uint32_t rc;
    const char *text;
  } rows[] = {
      {{0x06}, PARLOMIN_OK, ""},                            // under two bytes: empty text
      {{0x55, 0x1D, 0x8F}, PARLOMIN_ERR_OID_VALUE, ""},     // ends inside a sub-identifier
      {{0x55, 0x80, 0x01}, PARLOMIN_ERR_OID_VALUE, ""},     // not minimal
      {{0x55, 0x90, 0x80, 0x80, 0x80, 0x00}, PARLOMIN_ERR_OID_VALUE, ""},  // above 32 bits
      {{0x55, 0x81, 0x80, 0x80, 0x80, 0x80, 0x00}, PARLOMIN_ERR_OID_VALUE, ""},
      {{0x06, 0x00}, PARLOMIN_ERR_OID_VALUE, ""},
      {{0x06, 0x05, 0x55, 0x1D}, PARLOMIN_OK, "0.6.5.85.29"},  // length disagrees: bare content
  };
  for (const row &r : rows) {
    OidValue in = der_record(r.der), out;
    EXPECT_EQ(certTranOIDValue(&in, &out, 1), r.rc);
    if (r.rc == PARLOMIN_OK) {
      EXPECT_STREQ(reinterpret_cast<char *>(out.value), r.text);
    }
  }
  // 25 arcs of 4294967295 print to more than 98 characters.
  bytes long_der{0x2A};
  for (int i = 0; i < 9; ++i) long_der.insert(long_der.end(), {0x8F, 0xFF, 0xFF, 0xFF, 0x7F});
  OidValue in = der_record(long_der), out;
  EXPECT_EQ(certTranOIDValue(&in, &out, 1), PARLOMIN_ERR_OID_VALUE);
  EXPECT_EQ(certTranOIDValue(nullptr, &out, 1), PARLOMIN_ERR_DATA_ENDED);
}

}  // namespace
