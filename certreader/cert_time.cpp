#include "cert_time.h"

namespace parlomin {

namespace {

constexpr int64_t china_offset_seconds = 8 * 3600;
constexpr int64_t seconds_per_day = 86400;

// Parses digits from the front of the text, advancing it.
class digit_cursor {
 public:
  explicit digit_cursor(byte_span text) : p_(text.data), end_(text.end()) {}

  bool number(int digits, int &value) {
    if (end_ - p_ < digits) return false;
    int v = 0;
    for (int i = 0; i < digits; ++i) {
      if (p_[i] < '0' || p_[i] > '9') return false;
      v = v * 10 + (p_[i] - '0');
    }
    p_ += digits;
    value = v;
    return true;
  }
  bool at_end() const { return p_ == end_; }
  bool take(char c) {
    if (p_ == end_ || *p_ != c) return false;
    ++p_;
    return true;
  }
  void skip_digits() {
    while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
  }

 private:
  const unsigned char *p_;
  const unsigned char *end_;
};

bool is_leap(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int64_t year, int month) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

// The zone after the seconds: "Z", or an offset +hhmm / -hhmm east of UTC.
bool read_zone(digit_cursor &cursor, int64_t &offset_seconds) {
  offset_seconds = 0;
  if (cursor.take('Z')) return cursor.at_end();
  int sign = cursor.take('+') ? 1 : cursor.take('-') ? -1 : 0;
  int hours = 0, minutes = 0;
  if (sign == 0 || !cursor.number(2, hours) || !cursor.number(2, minutes)) return false;
  if (hours > 23 || minutes > 59) return false;
  offset_seconds = sign * (hours * 3600 + minutes * 60);
  return cursor.at_end();
}

}  // namespace

int64_t days_from_civil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

void civil_from_days(int64_t days, int64_t &year, int &month, int &day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t mp = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = year_of_era + era * 400 + (month <= 2);
}

status convert_time(const der_element &time, BrokenTime &out) {
  if (time.tag != tag::utc_time && time.tag != tag::generalized_time)
    return PARLOMIN_ERR_TIME_TYPE;
  digit_cursor cursor(time.content);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (time.tag == tag::utc_time) {
    if (!cursor.number(2, year)) return PARLOMIN_ERR_BAD_SHAPE;
    // Two-digit years: 00-50 are 2000-2050, 51-99 are 1951-1999.
    year += year <= 50 ? 2000 : 1900;
  } else if (!cursor.number(4, year)) {
    return PARLOMIN_ERR_BAD_SHAPE;
  }
  if (!cursor.number(2, month) || !cursor.number(2, day) || !cursor.number(2, hour) ||
      !cursor.number(2, minute) || !cursor.number(2, second))
    return PARLOMIN_ERR_BAD_SHAPE;
  if (time.tag == tag::generalized_time && cursor.take('.')) cursor.skip_digits();
  int64_t zone_offset = 0;
  if (!read_zone(cursor, zone_offset)) return PARLOMIN_ERR_BAD_SHAPE;
  if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) || hour > 23 ||
      minute > 59 || second > 59)
    return PARLOMIN_ERR_BAD_SHAPE;

  const int64_t utc = days_from_civil(year, month, day) * seconds_per_day + hour * 3600 +
                      minute * 60 + second - zone_offset;
  const int64_t local = utc + china_offset_seconds;
  int64_t days = local / seconds_per_day;
  int64_t in_day = local % seconds_per_day;
  if (in_day < 0) {
    in_day += seconds_per_day;
    --days;
  }
  int64_t local_year = 0;
  int local_month = 0, local_day = 0;
  civil_from_days(days, local_year, local_month, local_day);
  const int64_t weekday = ((days % 7) + 7 + 4) % 7;  // 1970-01-01 was a Thursday

  out.second = static_cast<int32_t>(in_day % 60);
  out.minute = static_cast<int32_t>(in_day / 60 % 60);
  out.hour = static_cast<int32_t>(in_day / 3600);
  out.day_of_month = local_day;
  out.month = local_month - 1;
  out.years_since_1900 = static_cast<int32_t>(local_year - 1900);
  out.day_of_week = static_cast<int32_t>(weekday);
  out.day_of_year = static_cast<int32_t>(days - days_from_civil(local_year, 1, 1));
  out.daylight_saving = 0;
  return PARLOMIN_OK;
}

}  // namespace parlomin
