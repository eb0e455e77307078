// Hand-made certificates for the shapes openssl does not produce: unique IDs,
// long element lengths, odd name values and extension encodings.
#include <gtest/gtest.h>

#include <cstring>

#include "parlomin.h"
#include "test_support.h"

using namespace parlomin_test;

namespace {

const bytes oid_ski = {0x55, 0x1D, 0x0E};
const bytes oid_key_usage = {0x55, 0x1D, 0x0F};
const bytes oid_basic = {0x55, 0x1D, 0x13};
const bytes oid_unit_a = {0x2B, 0x06, 0x01, 0x04, 0x01, 0xA9, 0x43, 0x64, 0x05, 0x0B};
const bytes oid_unit_b = {0x2A, 0x56, 0x0B, 0x07, 0x03};
const bytes ski_value = tlv(0x04, bytes(20, 0xAB));

uint32_t size32(const bytes &b) { return static_cast<uint32_t>(b.size()); }

bytes with_extensions(std::initializer_list<bytes> list) {
  cert_parts parts;
  parts.trailer = extensions_block(list);
  return parts.build();
}

TEST(UniqueIds, EitherOrBothAreFoundAndTheKeyIdStillFollows) {
  const bytes issuer_uid = tlv(0x81, {0x00, 0x11, 0x22});
  const bytes subject_uid = tlv(0x82, {0x00, 0x00, 0x33});
  const bytes ext = extensions_block({extension(oid_ski, ski_value)});
  struct row {
    bytes trailer;
    uint32_t issuer_rc, subject_rc;
  } rows[] = {
      {cat({issuer_uid, subject_uid, ext}), PARLOMIN_OK, PARLOMIN_OK},
      {cat({issuer_uid, ext}), PARLOMIN_OK, PARLOMIN_ERR_NO_ITEM},
      {cat({subject_uid, ext}), PARLOMIN_ERR_NO_ITEM, PARLOMIN_OK},
      {ext, PARLOMIN_ERR_NO_ITEM, PARLOMIN_ERR_NO_ITEM},
  };
  for (const row &r : rows) {
    cert_parts parts;
    parts.trailer = r.trailer;
    bytes cert = parts.build();
    unsigned char out[128];
    uint32_t out_len = sizeof(out);
    EXPECT_EQ(xCert_GetIssuerUID(cert.data(), size32(cert), out, &out_len), r.issuer_rc);
    if (r.issuer_rc == PARLOMIN_OK) {
      EXPECT_EQ(bytes(out, out + out_len), (bytes{0x11, 0x22}));
    }
    out_len = sizeof(out);
    EXPECT_EQ(xCert_GetSubjectUID(cert.data(), size32(cert), out, &out_len), r.subject_rc);
    if (r.subject_rc == PARLOMIN_OK) {
      EXPECT_EQ(bytes(out, out + out_len), (bytes{0x33}));
    }
    out_len = 0;
    ASSERT_EQ(xCert_GetKeyIDFromCert(cert.data(), size32(cert), out, &out_len), PARLOMIN_OK);
    EXPECT_EQ(bytes(out, out + out_len), bytes(20, 0xAB));
  }
  cert_parts parts;
  parts.trailer = cat({issuer_uid, ext});
  bytes cert = parts.build();
  unsigned char out[1];
  uint32_t out_len = sizeof(out);
  EXPECT_EQ(xCert_GetIssuerUID(cert.data(), size32(cert), out, &out_len),
            PARLOMIN_ERR_BUFFER_TOO_SMALL);
}

TEST(LongForms, LongSignatureParametersAndLengthsAreRead) {
  cert_parts parts;
  // Parameters of 300 bytes push the AlgorithmIdentifier into a two-byte length.
  parts.signature = seq({tlv(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0A}),
                         tlv(0x04, bytes(300, 0x01))});
  parts.serial = tlv(0x02, bytes(130, 0x42));  // a long-form serial
  parts.trailer = extensions_block({extension(oid_ski, ski_value)});
  bytes cert = parts.build();
  unsigned char out[200];
  uint32_t out_len = sizeof(out);
  ASSERT_EQ(xCert_GetSerialFromCert(cert.data(), size32(cert), out, &out_len), PARLOMIN_OK);
  EXPECT_EQ(out_len, 130u);
  CertName name;
  ASSERT_EQ(xCert_GetSubjecttruct(cert.data(), size32(cert), &name), PARLOMIN_OK);
  EXPECT_STREQ(name.common_name[0], "Subject");
  ASSERT_EQ(xCert_GetKeyIDFromCert(cert.data(), size32(cert), out, &out_len), PARLOMIN_OK);
  EXPECT_EQ(out_len, 20u);
}

TEST(LongForms, LyingOrTrailingLengths) {
  bytes cert = cert_parts().build();
  unsigned char out[100];
  uint32_t out_len = sizeof(out);
  // Bytes after the certificate are allowed.
  bytes padded = cat({cert, bytes(10, 0xEE)});
  EXPECT_EQ(xCert_GetSerialFromCert(padded.data(), size32(padded), out, &out_len), PARLOMIN_OK);

  struct row {
    bytes der;
    uint32_t rc;
  } rows[] = {
      // 83 announces three length bytes, like any other long form.
      {{0x30, 0x83, 0x00, 0x00, 0x05, 0x30, 0x03, 0x02, 0x01, 0x07}, PARLOMIN_OK},
      {{0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xF0, 0x30, 0x00}, PARLOMIN_ERR_DATA_ENDED},
      {{0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x01, 0x30}, PARLOMIN_ERR_BAD_SHAPE},
      {{0x30, 0x80, 0x30, 0x00, 0x00, 0x00}, PARLOMIN_ERR_BAD_SHAPE},
      {{0x31, 0x02, 0x30, 0x00}, PARLOMIN_ERR_BAD_SHAPE},
      {{0x30, 0x04, 0x30, 0x02, 0x02, 0x05}, PARLOMIN_ERR_DATA_ENDED},
      {{}, PARLOMIN_ERR_DATA_ENDED},
  };
  for (const row &r : rows) {
    out_len = sizeof(out);
    EXPECT_EQ(xCert_GetSerialFromCert(r.der.data(), size32(r.der), out, &out_len), r.rc);
  }
  // The length argument bounds the walk even when the DER claims more.
  out_len = sizeof(out);
  EXPECT_EQ(xCert_GetSerialFromCert(cert.data(), size32(cert) - 1, out, &out_len),
            PARLOMIN_ERR_DATA_ENDED);
}

TEST(Names, ValuesThatBreakTheRulesAreLeftOutAndTheRestKept) {
  const bytes c = {0x55, 0x04, 0x06}, o = {0x55, 0x04, 0x0A}, cn = {0x55, 0x04, 0x03};
  cert_parts parts;
  parts.subject = seq({
      attribute(c, 0x13, bytes(24, 'C')),                    // one byte too long for its slot
      attribute(o, 0x1E, {0x6D, 0x4B, 0x8B, 0xD5, 0x00}),     // odd BMPString
      attribute(cn, 0x1E, {0x0E, 0x01}),                      // a Thai letter GBK lacks
      attribute(cn, 0x1E, {0x5F, 0x20, 0x4E, 0x09}),          // 张三
      attribute({0x55, 0x04, 0x05}, 0x13, text_bytes("123")), // serialNumber: not kept
      attribute({0x55, 0x04, 0x07}, 0x0C, bytes(23, 'L')),    // exactly fits
  });
  bytes cert = parts.build();
  CertName name;
  ASSERT_EQ(xCert_GetSubjecttruct(cert.data(), size32(cert), &name), PARLOMIN_OK);
  EXPECT_STREQ(name.country, "");
  EXPECT_STREQ(name.organization, "");
  EXPECT_EQ(name.common_name[0], gbk("张三"));
  EXPECT_STREQ(name.common_name[1], "");
  EXPECT_EQ(name.locality, std::string(23, 'L'));

  // Anything but a SET inside the Name is a shape error.
  parts.subject = seq({attribute(cn, 0x0C, text_bytes("a")), seq({})});
  cert = parts.build();
  EXPECT_EQ(xCert_GetSubjecttruct(cert.data(), size32(cert), &name), PARLOMIN_ERR_BAD_SHAPE);
}

TEST(BasicConstraints, Table) {
  struct row {
    bytes value;
    uint32_t rc, is_ca, path_len;
  } rows[] = {
      {{0x30, 0x00}, PARLOMIN_ERR_FORMAT, 0, 0},
      {{0x30, 0x03, 0x01, 0x01, 0xFF}, PARLOMIN_OK, 1, 255},
      {{0x30, 0x06, 0x01, 0x01, 0xFF, 0x02, 0x01, 0x03}, PARLOMIN_OK, 1, 3},
      {{0x30, 0x07, 0x01, 0x01, 0xFF, 0x02, 0x02, 0x00, 0xC8}, PARLOMIN_OK, 1, 200},
      {{0x30, 0x03, 0x02, 0x01, 0x05}, PARLOMIN_OK, 0, 0},
      {{0x30, 0x03, 0x01, 0x01, 0x00}, PARLOMIN_OK, 0, 0},
      {{0x31, 0x03, 0x01, 0x01, 0xFF}, PARLOMIN_ERR_FORMAT, 0, 0},
      {{0x30, 0x06, 0x01, 0x01, 0xFF, 0x02, 0x01, 0x83}, PARLOMIN_ERR_FORMAT, 0, 0},
  };
  for (const row &r : rows) {
    bytes cert = with_extensions({extension(oid_basic, r.value, true)});
    uint32_t is_ca = 7, path_len = 7;
    EXPECT_EQ(xCert_GetCABasicConstraintItem(cert.data(), size32(cert), &is_ca, &path_len), r.rc);
    EXPECT_EQ(is_ca, r.is_ca);
    if (r.rc == PARLOMIN_OK) {
      EXPECT_EQ(path_len, r.path_len);
    }
  }
  bytes cert = with_extensions({extension(oid_ski, ski_value)});
  uint32_t is_ca = 7, path_len = 7;
  EXPECT_EQ(xCert_GetCABasicConstraintItem(cert.data(), size32(cert), &is_ca, &path_len),
            PARLOMIN_OK);
  EXPECT_EQ(is_ca, 0u);
}

TEST(KeyUsage, Table) {
  struct row {
    bytes value;
    uint32_t rc, usage;
  } rows[] = {
      {{0x03, 0x02, 0x06, 0xC0}, PARLOMIN_OK, 0xC000},
      {{0x03, 0x02, 0x07, 0x80}, PARLOMIN_OK, 0x8000},
      {{0x03, 0x02, 0x02, 0x04}, PARLOMIN_OK, 0x0400},
      {{0x03, 0x03, 0x07, 0x80, 0x80}, PARLOMIN_OK, 0x8080},
      {{0x03, 0x02, 0x07, 0xFF}, PARLOMIN_OK, 0x8000},           // unused bits cleared
      {{0x03, 0x03, 0x07, 0xFF, 0xFF}, PARLOMIN_OK, 0xFF80},
      {{0x03, 0x01, 0x00}, PARLOMIN_ERR_FORMAT, 0},
      {{0x03, 0x04, 0x00, 0x01, 0x02, 0x03}, PARLOMIN_ERR_FORMAT, 0},
      {{0x04, 0x02, 0x06, 0xC0}, PARLOMIN_ERR_FORMAT, 0},
      {{0x03, 0x02, 0x09, 0xC0}, PARLOMIN_ERR_FORMAT, 0},
  };
  for (const row &r : rows) {
    bytes cert = with_extensions({extension(oid_ski, ski_value), extension(oid_key_usage, r.value, true)});
    uint32_t usage = 0;
    EXPECT_EQ(xCert_GetKeyUsage(cert.data(), size32(cert), &usage), r.rc);
    if (r.rc == PARLOMIN_OK) {
      EXPECT_EQ(usage, r.usage);
    }
  }
}

TEST(UnitCode, LaterMatchReplacesEarlierAndWrappersAreRemoved) {
  bytes cert = with_extensions({
      extension(oid_unit_a, tlv(0x16, text_bytes("first code"))),
      extension(oid_ski, ski_value),
      extension(oid_unit_b, tlv(0x04, text_bytes("second code")), true),
  });
  unsigned char out[32];
  uint32_t out_len = sizeof(out);
  ASSERT_EQ(xCert_GetUnitCodeItem(cert.data(), size32(cert), out, &out_len), PARLOMIN_OK);
  EXPECT_EQ(bytes(out, out + out_len), text_bytes("second code"));

  cert = with_extensions({extension(oid_unit_a, tlv(0x16, text_bytes("only")))});
  out_len = sizeof(out);
  ASSERT_EQ(xCert_GetUnitCodeItem(cert.data(), size32(cert), out, &out_len), PARLOMIN_OK);
  EXPECT_EQ(bytes(out, out + out_len), text_bytes("only"));

  // An extension list that does not add up is the extension error.
  cert_parts parts;
  parts.trailer = tlv(0xA3, seq({extension(oid_unit_a, tlv(0x16, {})), {0x30, 0x05, 0x06}}));
  cert = parts.build();
  out_len = sizeof(out);
  EXPECT_EQ(xCert_GetUnitCodeItem(cert.data(), size32(cert), out, &out_len),
            PARLOMIN_ERR_EXTENSIONS);

  cert = with_extensions({extension(oid_unit_b, tlv(0x04, bytes(101, 'x')))});
  out_len = sizeof(out);
  EXPECT_EQ(xCert_GetUnitCodeItem(cert.data(), size32(cert), out, &out_len), PARLOMIN_ERR_TOO_LONG);
}

TEST(ExtensionByOid, TextAndDerRecordsAndOccurrences) {
  bytes cert = with_extensions({
      extension({0x2A, 0x03, 0x04}, tlv(0x04, text_bytes("one"))),
      extension({0x2A, 0x03, 0x04}, text_bytes("two"), true),
      extension({0x2A, 0x03, 0x05}, tlv(0x04, bytes(101, 'x'))),
  });
  OidValue text{};
  std::strcpy(reinterpret_cast<char *>(text.value), "1.2.3.4");
  text.length = 7;
  OidValue der{};
  const unsigned char der_bytes[] = {0x06, 0x03, 0x2A, 0x03, 0x04};
  std::memcpy(der.value, der_bytes, sizeof(der_bytes));
  der.length = sizeof(der_bytes);
  for (const OidValue *oid : {&text, &der}) {
    ExtValue value;
    ASSERT_EQ(xCert_GetExtendItemByOID(cert.data(), size32(cert), oid, &value, 1), PARLOMIN_OK);
    EXPECT_EQ(bytes(value.value, value.value + value.length), text_bytes("one"));
    ASSERT_EQ(xCert_GetExtendItemByOID(cert.data(), size32(cert), oid, &value, 2), PARLOMIN_OK);
    EXPECT_EQ(bytes(value.value, value.value + value.length), text_bytes("two"));
    EXPECT_EQ(xCert_GetExtendItemByOID(cert.data(), size32(cert), oid, &value, 3),
              PARLOMIN_ERR_NO_ITEM);
    EXPECT_EQ(xCert_GetExtendItemByOID(cert.data(), size32(cert), oid, &value, 0),
              PARLOMIN_ERR_NO_ITEM);
  }
  std::strcpy(reinterpret_cast<char *>(text.value), "1.2.3.5");
  ExtValue value;
  EXPECT_EQ(xCert_GetExtendItemByOID(cert.data(), size32(cert), &text, &value, 1),
            PARLOMIN_ERR_TOO_LONG);
}

TEST(NullArguments, AreRefused) {
  bytes cert = cert_parts().build();
  const uint32_t n = size32(cert);
  unsigned char out[100];
  uint32_t len = sizeof(out);
  BrokenTime t;
  CertName name;
  EXPECT_EQ(xCert_GetSerialFromCert(nullptr, n, out, &len), PARLOMIN_ERR_DATA_ENDED);
  EXPECT_EQ(xCert_GetSerialFromCert(cert.data(), n, nullptr, &len), PARLOMIN_ERR_DATA_ENDED);
  EXPECT_EQ(xCert_GetDerPubKeyFromCert(cert.data(), n, out, nullptr), PARLOMIN_ERR_DATA_ENDED);
  EXPECT_EQ(xCert_GetValidPeriodFromCert(cert.data(), n, &t, nullptr), PARLOMIN_ERR_DATA_ENDED);
  EXPECT_EQ(xCert_GetKeyIDFromCert(cert.data(), n, nullptr, &len), PARLOMIN_ERR_DATA_ENDED);
  EXPECT_EQ(xCert_GetIssuerStruct(cert.data(), n, nullptr), PARLOMIN_ERR_DATA_ENDED);
  EXPECT_EQ(xCert_GetSubjecttruct(nullptr, n, &name), PARLOMIN_ERR_DATA_ENDED);
  EXPECT_EQ(xCert_GetKeyUsage(cert.data(), n, nullptr), PARLOMIN_ERR_DATA_ENDED);
  EXPECT_EQ(xCert_GetExtendItemByOID(cert.data(), n, nullptr, nullptr, 1), PARLOMIN_ERR_DATA_ENDED);
}

}  // namespace
