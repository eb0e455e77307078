// Revoked entries of CRLs, compared with OpenSSL's reading of the same list.
#include <gtest/gtest.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <ctime>
#include <vector>

#include "parlomin.h"
#include "test_support.h"

using namespace parlomin_test;

namespace {

uint32_t size32(const bytes &b) { return static_cast<uint32_t>(b.size()); }

// A version 2 CRL around the given revokedCertificates encoding.
bytes make_crl(const bytes &revoked, bool with_version = true) {
  cert_parts defaults;
  bytes version = with_version ? tlv(0x02, {0x01}) : bytes{};
  bytes tbs = seq({version, defaults.signature, defaults.issuer, utc("240101000000Z"),
                   utc("240201000000Z"), revoked});
  return seq({tbs, defaults.signature, tlv(0x03, {0x00, 0x01})});
}

bytes entry(unsigned char serial, const bytes &extensions = {}) {
  return seq({tlv(0x02, {serial}), utc("240115120000Z"), extensions});
}

bytes reason_ext(unsigned char code) {
  return extension({0x55, 0x1D, 0x15}, tlv(0x0A, {code}));
}

TEST(Crl, FixtureEntriesMatchOpenssl) {
  bytes der = load_fixture("revoked.crl.der");
  const unsigned char *p = der.data();
  X509_CRL *crl = d2i_X509_CRL(nullptr, &p, static_cast<long>(der.size()));
  ASSERT_NE(crl, nullptr);
  STACK_OF(X509_REVOKED) *revoked = X509_CRL_get_REVOKED(crl);
  const int n = sk_X509_REVOKED_num(revoked);
  ASSERT_EQ(n, 4);

  uint32_t count = 0;
  ASSERT_EQ(certGetCRLUserInfo(der.data(), size32(der), nullptr, &count), PARLOMIN_ERR_NO_INPUT);
  ASSERT_EQ(count, static_cast<uint32_t>(n));
  std::vector<CrlEntry> entries(count);
  ASSERT_EQ(certGetCRLUserInfo(der.data(), size32(der), entries.data(), &count), PARLOMIN_OK);
  ASSERT_EQ(count, static_cast<uint32_t>(n));

  for (int i = 0; i < n; ++i) {
    X509_REVOKED *r = sk_X509_REVOKED_value(revoked, i);
    unsigned char *encoded = nullptr;
    int len = i2d_ASN1_INTEGER(X509_REVOKED_get0_serialNumber(r), &encoded);
    bytes serial(encoded + 2, encoded + len);
    OPENSSL_free(encoded);
    EXPECT_EQ(bytes(entries[i].serial, entries[i].serial + entries[i].serial_length), serial);

    struct tm utc {};
    ASSERT_EQ(ASN1_TIME_to_tm(X509_REVOKED_get0_revocationDate(r), &utc), 1);
    time_t when = timegm(&utc) + 8 * 3600;
    struct tm want {};
    gmtime_r(&when, &want);
    const BrokenTime &got = entries[i].revocation_date;
    EXPECT_EQ(got.years_since_1900, want.tm_year);
    EXPECT_EQ(got.day_of_year, want.tm_yday);
    EXPECT_EQ(got.hour, want.tm_hour);
    EXPECT_EQ(got.minute, want.tm_min);
    EXPECT_EQ(got.second, want.tm_sec);

    int crit = 0;
    ASN1_ENUMERATED *reason =
        static_cast<ASN1_ENUMERATED *>(X509_REVOKED_get_ext_d2i(r, NID_crl_reason, &crit, nullptr));
    EXPECT_EQ(entries[i].reason, reason ? ASN1_ENUMERATED_get(reason) : 0) << i;
    ASN1_ENUMERATED_free(reason);
    EXPECT_EQ(entries[i].next, i + 1 < n ? &entries[i + 1] : nullptr);
  }
  X509_CRL_free(crl);

  // Room for two of four entries.
  count = 2;
  EXPECT_EQ(certGetCRLUserInfo(der.data(), size32(der), entries.data(), &count),
            PARLOMIN_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 2u);
  // A count of 0 only counts, even with an array.
  count = 0;
  EXPECT_EQ(certGetCRLUserInfo(der.data(), size32(der), entries.data(), &count),
            PARLOMIN_ERR_NO_INPUT);
  EXPECT_EQ(count, 4u);
}

TEST(Crl, EntriesAreWalkedByTheirOwnLengths) {
  const bytes invalidity = extension({0x55, 0x1D, 0x18}, tlv(0x18, text_bytes("20240101000000Z")));
  bytes crl = make_crl(seq({
      entry(1),                                             // no extensions
      entry(2, seq({invalidity})),                          // another extension only
      entry(3, seq({invalidity, reason_ext(5)})),           // reason after another one
      entry(4, seq({reason_ext(0xFF)})),                    // sign-extended
      entry(5, seq({reason_ext(1)})),
  }));
  CrlEntry entries[5];
  uint32_t count = 5;
  ASSERT_EQ(certGetCRLUserInfo(crl.data(), size32(crl), entries, &count), PARLOMIN_OK);
  ASSERT_EQ(count, 5u);
  const int reasons[] = {0, 0, 5, -1, 1};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(entries[i].serial_length, 1u);
    EXPECT_EQ(entries[i].serial[0], i + 1);
    EXPECT_EQ(entries[i].reason, reasons[i]) << i;
    EXPECT_EQ(entries[i].revocation_date.hour, 20);
    EXPECT_EQ(entries[i].revocation_date.day_of_month, 15);
  }
}

TEST(Crl, ShapesThatAreRefused) {
  bytes good = make_crl(seq({entry(1)}));
  struct row {
    bytes der;
    uint32_t len;
  } rows[] = {
      {make_crl(seq({entry(1)}), false), 0},                    // version 1: no version
      {load_fixture("empty.crl.der"), 0},                       // no revoked list
      {make_crl(seq({tlv(0x31, {})})), 0},                      // entry not a SEQUENCE
      {make_crl(seq({seq({tlv(0x02, bytes(101, 1)), utc("240115120000Z")})})), 0},
      {make_crl(seq({seq({tlv(0x02, {1}), tlv(0x04, {})})})), 0},  // date of no time type
      {make_crl(seq({entry(1, seq({reason_ext(1)})), {0x30, 0x03, 0x02}})), 0},  // cut entry
      {make_crl(seq({entry(1, seq({extension({0x55, 0x1D, 0x15}, tlv(0x02, {1}))}))})), 0},
      {cat({good, {0x00}}), 0},                                 // bytes after the list
      {good, size32(good) + 5},                                  // length larger than the data
      {good, size32(good) - 1},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    const row &r = rows[i];
    uint32_t count = 0;
    uint32_t len = r.len ? r.len : size32(r.der);
    bytes data = r.der;
    data.resize(std::max<size_t>(data.size(), len));
    EXPECT_EQ(certGetCRLUserInfo(data.data(), len, nullptr, &count), PARLOMIN_ERR_CRL) << i;
  }
  uint32_t count = 0;
  EXPECT_EQ(certGetCRLUserInfo(nullptr, 10, nullptr, &count), PARLOMIN_ERR_CRL);
}

TEST(Crl, EveryTruncationIsRefused) {
  bytes der = load_fixture("revoked.crl.der");
  for (size_t cut = 0; cut < der.size(); ++cut) {
    bytes part(der.begin(), der.begin() + cut);
    uint32_t count = 0;
    EXPECT_EQ(certGetCRLUserInfo(part.data(), static_cast<uint32_t>(cut), nullptr, &count),
              PARLOMIN_ERR_CRL);
  }
}

}  // namespace
