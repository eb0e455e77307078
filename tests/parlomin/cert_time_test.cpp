// Time conversion: fixed UTC+8, far outside 1970-2037, whatever the host zone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

#include "cert_time.h"
#include "test_support.h"

using namespace parlomin;
using parlomin_test::bytes;

namespace {

status convert(unsigned char type, const std::string &text, BrokenTime &out) {
  der_element element;
  element.tag = type;
  element.content = {reinterpret_cast<const unsigned char *>(text.data()), text.size()};
  return convert_time(element, out);
}

TEST(CertTime, Table) {
  struct row {
    unsigned char type;
    const char *text;
    int year, month, day, hour, minute, second, weekday, yearday;
  } rows[] = {
      {0x17, "361231160000Z", 2037, 1, 1, 0, 0, 0, 4, 0},
      {0x17, "700102000000Z", 1970, 1, 2, 8, 0, 0, 5, 1},
      {0x17, "500101000000Z", 2050, 1, 1, 8, 0, 0, 6, 0},   // 50 is 2050
      {0x17, "510101000000Z", 1951, 1, 1, 8, 0, 0, 1, 0},   // 51 is 1951
      {0x17, "491231160000Z", 2050, 1, 1, 0, 0, 0, 6, 0},
      {0x17, "000229235959Z", 2000, 3, 1, 7, 59, 59, 3, 60},
      {0x18, "20600630120000Z", 2060, 6, 30, 20, 0, 0, 3, 181},
      {0x18, "99991231200000Z", 10000, 1, 1, 4, 0, 0, 6, 0},
      {0x18, "16000101000000Z", 1600, 1, 1, 8, 0, 0, 6, 0},
      {0x18, "20240229235959.123Z", 2024, 3, 1, 7, 59, 59, 5, 60},
      {0x17, "240101000000+0800", 2024, 1, 1, 0, 0, 0, 1, 0},
      {0x17, "240101000000-0130", 2024, 1, 1, 9, 30, 0, 1, 0},
  };
  for (const row &r : rows) {
    BrokenTime t;
    ASSERT_EQ(convert(r.type, r.text, t), PARLOMIN_OK) << r.text;
    EXPECT_EQ(t.years_since_1900 + 1900, r.year) << r.text;
    EXPECT_EQ(t.month + 1, r.month) << r.text;
    EXPECT_EQ(t.day_of_month, r.day) << r.text;
    EXPECT_EQ(t.hour, r.hour) << r.text;
    EXPECT_EQ(t.minute, r.minute) << r.text;
    EXPECT_EQ(t.second, r.second) << r.text;
    EXPECT_EQ(t.day_of_week, r.weekday) << r.text;
    EXPECT_EQ(t.day_of_year, r.yearday) << r.text;
    EXPECT_EQ(t.daylight_saving, 0) << r.text;
  }
}

TEST(CertTime, MalformedTimesAreRefused) {
  struct row {
    unsigned char type;
    const char *text;
    status rc;
  } rows[] = {
      {0x04, "361231160000Z", PARLOMIN_ERR_TIME_TYPE},
      {0x17, "3612311600Z", PARLOMIN_ERR_BAD_SHAPE},
      {0x17, "361331160000Z", PARLOMIN_ERR_BAD_SHAPE},
      {0x17, "230229000000Z", PARLOMIN_ERR_BAD_SHAPE},
      {0x17, "361231240000Z", PARLOMIN_ERR_BAD_SHAPE},
      {0x17, "36123116000aZ", PARLOMIN_ERR_BAD_SHAPE},
      {0x17, "361231160000", PARLOMIN_ERR_BAD_SHAPE},
      {0x17, "361231160000ZZ", PARLOMIN_ERR_BAD_SHAPE},
      {0x17, "361231160000+08", PARLOMIN_ERR_BAD_SHAPE},
      {0x18, "361231160000Z", PARLOMIN_ERR_BAD_SHAPE},
      {0x17, "", PARLOMIN_ERR_BAD_SHAPE},
  };
  for (const row &r : rows) {
    BrokenTime t;
    EXPECT_EQ(convert(r.type, r.text, t), r.rc) << r.text;
  }
}

// Random instants over four millennia against the C library's 64-bit gmtime,
// with the host set to a zone that observes daylight saving.
TEST(CertTime, AgreesWithGmtimeAndIgnoresHostZone) {
  setenv("TZ", "America/New_York", 1);
  tzset();
  std::mt19937_64 rng(7);
  const int64_t first = -11644473600;  // 1601-01-01
  const int64_t last = 253402300799;   // 9999-12-31 23:59:59
  for (int i = 0; i < 20000; ++i) {
    time_t when = static_cast<time_t>(first + static_cast<int64_t>(rng() % (last - first)));
    struct tm utc {};
    gmtime_r(&when, &utc);
    char text[32];
    std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d%02dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    time_t shifted = when + 8 * 3600;
    struct tm want {};
    gmtime_r(&shifted, &want);
    BrokenTime got;
    ASSERT_EQ(convert(0x18, text, got), PARLOMIN_OK) << text;
    ASSERT_EQ(got.years_since_1900, want.tm_year) << text;
    ASSERT_EQ(got.month, want.tm_mon) << text;
    ASSERT_EQ(got.day_of_month, want.tm_mday) << text;
    ASSERT_EQ(got.hour, want.tm_hour) << text;
    ASSERT_EQ(got.minute, want.tm_min) << text;
    ASSERT_EQ(got.second, want.tm_sec) << text;
    ASSERT_EQ(got.day_of_week, want.tm_wday) << text;
    ASSERT_EQ(got.day_of_year, want.tm_yday) << text;
  }
  unsetenv("TZ");
  tzset();
}

}  // namespace
