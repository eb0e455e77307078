// Certificate and CRL times as broken-down China Standard Time (UTC+8).
#pragma once

#include "der_reader.h"

namespace parlomin {

// Converts a UTCTime or GeneralizedTime element. The result does not depend
// on the host's time zone: the offset is a fixed eight hours, no daylight saving.
status convert_time(const der_element &time, BrokenTime &out);

// Calendar arithmetic on 64-bit day counts, valid far outside 1970-2037.
int64_t days_from_civil(int64_t year, int month, int day);
void civil_from_days(int64_t days, int64_t &year, int &month, int &day);

}  // namespace parlomin
