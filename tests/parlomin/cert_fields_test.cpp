// Every field of the openssl-made fixtures, compared with what OpenSSL's own
// decoder reports for the same file.
#include <gtest/gtest.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "parlomin.h"
#include "test_support.h"

using namespace parlomin_test;

namespace {

using x509_ptr = std::unique_ptr<X509, x509_deleter>;

x509_ptr decode(const bytes &der) {
  const unsigned char *p = der.data();
  return x509_ptr(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
}

bytes asn1_bytes(const ASN1_STRING *s) {
  return s ? bytes(s->data, s->data + s->length) : bytes{};
}

// What the reader reports: OpenSSL's UTC time moved to UTC+8.
BrokenTime expected_time(const ASN1_TIME *t) {
  struct tm utc {};
  EXPECT_EQ(ASN1_TIME_to_tm(t, &utc), 1);
  time_t when = timegm(&utc) + 8 * 3600;
  struct tm local {};
  gmtime_r(&when, &local);
  return {local.tm_sec, local.tm_min,  local.tm_hour, local.tm_mday, local.tm_mon,
          local.tm_year, local.tm_wday, local.tm_yday, 0};
}

void expect_same_time(const BrokenTime &a, const BrokenTime &b) {
  EXPECT_EQ(0, std::memcmp(&a, &b, sizeof(a)))
      << a.years_since_1900 + 1900 << "-" << a.month + 1 << "-" << a.day_of_month << " "
      << a.hour << ":" << a.minute << ":" << a.second << " vs " << b.years_since_1900 + 1900
      << "-" << b.month + 1 << "-" << b.day_of_month << " " << b.hour << ":" << b.minute;
}

// A name entry's text as the reader stores it: BMPString in GBK, the rest raw.
std::string entry_text(const X509_NAME_ENTRY *entry) {
  const ASN1_STRING *value = X509_NAME_ENTRY_get_data(entry);
  if (ASN1_STRING_type(value) != V_ASN1_BMPSTRING)
    return std::string(reinterpret_cast<const char *>(value->data), value->length);
  unsigned char *utf8 = nullptr;
  int n = ASN1_STRING_to_UTF8(&utf8, value);
  std::string text = gbk(std::string(reinterpret_cast<char *>(utf8), n));
  OPENSSL_free(utf8);
  return text;
}

std::string last_entry(X509_NAME *name, int nid) {
  int last = -1;
  for (int i = X509_NAME_get_index_by_NID(name, nid, -1); i >= 0;
       i = X509_NAME_get_index_by_NID(name, nid, i))
    last = i;
  return last < 0 ? std::string() : entry_text(X509_NAME_get_entry(name, last));
}

void expect_name(X509_NAME *name, const CertName &got) {
  EXPECT_EQ(got.country, last_entry(name, NID_countryName));
  EXPECT_EQ(got.state_or_province, last_entry(name, NID_stateOrProvinceName));
  EXPECT_EQ(got.locality, last_entry(name, NID_localityName));
  EXPECT_EQ(got.organization, last_entry(name, NID_organizationName));
  EXPECT_EQ(got.organizational_unit, last_entry(name, NID_organizationalUnitName));
  EXPECT_EQ(got.email_address, last_entry(name, NID_pkcs9_emailAddress));
  // Common names fill three slots in turn; a fourth replaces the first.
  std::string slots[3];
  int n = 0;
  for (int i = X509_NAME_get_index_by_NID(name, NID_commonName, -1); i >= 0;
       i = X509_NAME_get_index_by_NID(name, NID_commonName, i), ++n)
    slots[n < 3 ? n : 0] = entry_text(X509_NAME_get_entry(name, i));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(got.common_name[i], slots[i]) << "slot " << i;
}

class FixtureCert : public ::testing::TestWithParam<const char *> {
 protected:
  void SetUp() override {
    der = load_fixture(GetParam());
    ASSERT_FALSE(der.empty());
    x509 = decode(der);
    ASSERT_TRUE(x509);
  }
  uint32_t len() const { return static_cast<uint32_t>(der.size()); }
  bytes der;
  x509_ptr x509;
};

TEST_P(FixtureCert, SerialAndPublicKeyMatchOpenssl) {
  // The serial's content octets, a leading 00 kept.
  const ASN1_INTEGER *serial = X509_get0_serialNumber(x509.get());
  unsigned char *encoded = nullptr;
  int n = i2d_ASN1_INTEGER(serial, &encoded);
  bytes serial_der(encoded, encoded + n);
  OPENSSL_free(encoded);
  bytes want_serial(serial_der.begin() + 2, serial_der.end());

  unsigned char out[600];
  uint32_t out_len = sizeof(out);
  ASSERT_EQ(xCert_GetSerialFromCert(der.data(), len(), out, &out_len), PARLOMIN_OK);
  EXPECT_EQ(bytes(out, out + out_len), want_serial);

  out_len = sizeof(out);
  ASSERT_EQ(xCert_GetDerPubKeyFromCert(der.data(), len(), out, &out_len), PARLOMIN_OK);
  EXPECT_EQ(bytes(out, out + out_len), asn1_bytes(X509_get0_pubkey_bitstr(x509.get())));
  EXPECT_TRUE(out[0] == 0x04 || out[0] == 0x30);

  // Too small: nothing stored, length 0.
  out_len = static_cast<uint32_t>(want_serial.size() - 1);
  EXPECT_EQ(xCert_GetSerialFromCert(der.data(), len(), out, &out_len), PARLOMIN_ERR_CAPACITY);
  EXPECT_EQ(out_len, 0u);
}

TEST_P(FixtureCert, ValidityMatchesOpensslInChinaTime) {
  BrokenTime not_before, not_after;
  ASSERT_EQ(xCert_GetValidPeriodFromCert(der.data(), len(), &not_before, &not_after), PARLOMIN_OK);
  expect_same_time(not_before, expected_time(X509_get0_notBefore(x509.get())));
  expect_same_time(not_after, expected_time(X509_get0_notAfter(x509.get())));
}

TEST_P(FixtureCert, NamesMatchOpenssl) {
  CertName name;
  std::memset(&name, 0x55, sizeof(name));  // the export clears the record itself
  ASSERT_EQ(xCert_GetIssuerStruct(der.data(), len(), &name), PARLOMIN_OK);
  expect_name(X509_get_issuer_name(x509.get()), name);
  ASSERT_EQ(xCert_GetSubjecttruct(der.data(), len(), &name), PARLOMIN_OK);
  expect_name(X509_get_subject_name(x509.get()), name);
}

TEST_P(FixtureCert, KeyIdentifiersMatchOpenssl) {
  unsigned char out[128];
  uint32_t out_len = 0;
  const ASN1_OCTET_STRING *ski = X509_get0_subject_key_id(x509.get());
  uint32_t rc = xCert_GetKeyIDFromCert(der.data(), len(), out, &out_len);
  if (ski) {
    ASSERT_EQ(rc, PARLOMIN_OK);
    EXPECT_EQ(bytes(out, out + out_len), asn1_bytes(ski));
  } else {
    EXPECT_EQ(rc, PARLOMIN_ERR_NO_SUBJECT_KEY_ID);
  }

  out_len = sizeof(out);
  ASSERT_EQ(xCert_GetSignKeyIDFromCert(der.data(), len(), out, &out_len), PARLOMIN_OK);
  EXPECT_EQ(bytes(out, out + out_len), asn1_bytes(X509_get0_authority_key_id(x509.get())));
  if (out_len > 0) {
    uint32_t small = out_len - 1;
    EXPECT_EQ(xCert_GetSignKeyIDFromCert(der.data(), len(), out, &small), PARLOMIN_ERR_CAPACITY);
  }
}

TEST_P(FixtureCert, ConstraintsAndUsageMatchOpenssl) {
  const uint32_t flags = X509_get_extension_flags(x509.get());
  uint32_t is_ca = 9, path_len = 9;
  uint32_t rc = xCert_GetCABasicConstraintItem(der.data(), len(), &is_ca, &path_len);
  X509_EXTENSION *bc = X509_get_ext(x509.get(), X509_get_ext_by_NID(x509.get(), NID_basic_constraints, -1));
  if (bc && ASN1_STRING_length(X509_EXTENSION_get_data(bc)) == 2) {
    // cA FALSE encodes as the empty SEQUENCE: answered as a format error.
    EXPECT_EQ(rc, PARLOMIN_ERR_FORMAT);
    EXPECT_EQ(is_ca, 0u);
  } else {
    ASSERT_EQ(rc, PARLOMIN_OK);
    EXPECT_EQ(is_ca, (flags & EXFLAG_CA) ? 1u : 0u);
    if (is_ca) {
      long want = X509_get_pathlen(x509.get());
      EXPECT_EQ(path_len, want < 0 ? 255u : static_cast<uint32_t>(want));
    }
  }

  uint32_t usage = 0;
  rc = xCert_GetKeyUsage(der.data(), len(), &usage);
  if (flags & EXFLAG_KUSAGE) {
    ASSERT_EQ(rc, PARLOMIN_OK);
    // OpenSSL holds the first byte low and the second high.
    uint32_t ossl = X509_get_key_usage(x509.get());
    EXPECT_EQ(usage, ((ossl & 0xFF) << 8) | (ossl >> 8));
  } else {
    EXPECT_EQ(rc, PARLOMIN_ERR_NO_ITEM);
  }
}

TEST_P(FixtureCert, ExtensionsByOidMatchOpenssl) {
  for (int i = 0; i < X509_get_ext_count(x509.get()); ++i) {
    X509_EXTENSION *ext = X509_get_ext(x509.get(), i);
    OidValue oid{};
    oid.length = static_cast<uint32_t>(
        OBJ_obj2txt(reinterpret_cast<char *>(oid.value), sizeof(oid.value),
                    X509_EXTENSION_get_object(ext), 1));
    // The value comes unwrapped when extnValue is exactly one OCTET STRING.
    bytes want = asn1_bytes(X509_EXTENSION_get_data(ext));
    if (want.size() >= 2 && want[0] == 0x04 && want[1] + 2u == want.size())
      want.erase(want.begin(), want.begin() + 2);
    ExtValue value;
    ASSERT_EQ(xCert_GetExtendItemByOID(der.data(), len(), &oid, &value, 1), PARLOMIN_OK)
        << oid.value;
    EXPECT_EQ(bytes(value.value, value.value + value.length), want) << oid.value;
    EXPECT_EQ(xCert_GetExtendItemByOID(der.data(), len(), &oid, &value, 2), PARLOMIN_ERR_NO_ITEM);
  }
  if (X509_get_ext_count(x509.get()) == 0) {
    OidValue oid{};
    std::strcpy(reinterpret_cast<char *>(oid.value), "2.5.29.15");
    oid.length = 9;
    ExtValue value;
    EXPECT_EQ(xCert_GetExtendItemByOID(der.data(), len(), &oid, &value, 1), PARLOMIN_ERR_NO_ITEM);
  }
}

TEST_P(FixtureCert, UnitCodeMatchesOpenssl) {
  ASN1_OBJECT *oid = OBJ_txt2obj("1.2.86.11.7.3", 1);
  int index = X509_get_ext_by_OBJ(x509.get(), oid, -1);
  ASN1_OBJECT_free(oid);
  bytes want =
      index < 0 ? bytes{} : asn1_bytes(X509_EXTENSION_get_data(X509_get_ext(x509.get(), index)));
  unsigned char out[64];
  std::memset(out, 0x77, sizeof(out));
  uint32_t out_len = sizeof(out);
  ASSERT_EQ(xCert_GetUnitCodeItem(der.data(), len(), out, &out_len), PARLOMIN_OK);
  EXPECT_EQ(bytes(out, out + out_len), want);
  EXPECT_EQ(out[sizeof(out) - 1], 0) << "the whole capacity is cleared";
  if (!want.empty()) {
    out_len = static_cast<uint32_t>(want.size() - 1);
    EXPECT_EQ(xCert_GetUnitCodeItem(der.data(), len(), out, &out_len),
              PARLOMIN_ERR_BUFFER_TOO_SMALL);
  }
}

TEST_P(FixtureCert, EveryTruncationIsRefusedCleanly) {
  // The real length bounds every read, whatever the DER claims.
  unsigned char out[600];
  for (size_t cut = 0; cut < der.size(); ++cut) {
    bytes part(der.begin(), der.begin() + cut);
    uint32_t out_len = sizeof(out);
    uint32_t rc = xCert_GetDerPubKeyFromCert(part.data(), static_cast<uint32_t>(cut), out, &out_len);
    EXPECT_TRUE(rc == PARLOMIN_ERR_DATA_ENDED || rc == PARLOMIN_ERR_BAD_SHAPE) << cut;
    uint32_t usage;
    rc = xCert_GetKeyUsage(part.data(), static_cast<uint32_t>(cut), &usage);
    EXPECT_NE(rc, PARLOMIN_OK) << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureCert,
                         ::testing::Values("rsa_root.der", "rsa_sub_ca.der", "sm2_leaf.der",
                                           "rsa_v1.der"));

// The fixtures' specific shapes, so a silent change of a fixture shows.
TEST(FixtureShapes, CoverWhatTheSuitesRelyOn) {
  bytes leaf = load_fixture("sm2_leaf.der");
  CertName name;
  ASSERT_EQ(xCert_GetSubjecttruct(leaf.data(), static_cast<uint32_t>(leaf.size()), &name), 0u);
  EXPECT_STREQ(name.common_name[0], "fourth");
  EXPECT_EQ(name.common_name[1], gbk("张三"));
  EXPECT_STREQ(name.common_name[2], "third");
  EXPECT_EQ(name.organization, gbk("测试单位"));
  uint32_t usage = 0;
  ASSERT_EQ(xCert_GetKeyUsage(leaf.data(), static_cast<uint32_t>(leaf.size()), &usage), 0u);
  EXPECT_EQ(usage, 0xC000u);

  bytes sub = load_fixture("rsa_sub_ca.der");
  uint32_t is_ca = 0, path_len = 0;
  ASSERT_EQ(xCert_GetCABasicConstraintItem(sub.data(), static_cast<uint32_t>(sub.size()), &is_ca,
                                           &path_len),
            0u);
  EXPECT_EQ(is_ca, 1u);
  EXPECT_EQ(path_len, 255u);
  ASSERT_EQ(xCert_GetKeyUsage(sub.data(), static_cast<uint32_t>(sub.size()), &usage), 0u);
  EXPECT_EQ(usage, 0x8000u | 0x0400u | 0x0080u);
}

}  // namespace

namespace {

// Name conversion keeps no shared state: threads converting BMPString values
// at the same time all get the same answer.
TEST(Concurrency, NamesReadInParallelAgree) {
  const bytes leaf = load_fixture("sm2_leaf.der");
  CertName want;
  ASSERT_EQ(xCert_GetSubjecttruct(leaf.data(), static_cast<uint32_t>(leaf.size()), &want), 0u);
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        CertName got;
        if (xCert_GetSubjecttruct(leaf.data(), static_cast<uint32_t>(leaf.size()), &got) != 0 ||
            std::memcmp(&got, &want, sizeof(got)) != 0)
          ++mismatches;
      }
    });
  }
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
