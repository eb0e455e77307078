#include "core/status_word.h"

#include <algorithm>
#include <iterator>

namespace veltrakey {

uint16_t last_sw = sw_success;

namespace {

// Sorted by status word for the binary search below.
struct status_row {
  uint16_t sw;
  ULONG code;
};

constexpr status_row status_table[] = {
    {0x6581, SAR_UNKNOWNERR},
    {0x6700, SAR_INDATALENERR},
    {0x6982, SAR_USER_NOT_LOGGED_IN},
    {0x6983, SAR_PIN_LOCKED},
    {0x6984, SAR_INDATAERR},
    {0x6A80, SAR_INVALIDPARAMERR},
    {0x6A84, SAR_NO_ROOM},
    {0x6A86, SAR_UNKNOWNERR},
    {0x6A88, SAR_APPLICATION_NOT_EXISTS},
    {0x6A89, SAR_APPLICATION_EXISTS},
    {0x6A8B, SAR_APPLICATION_NOT_EXISTS},
    {0x6A8C, SAR_KEYNOTFOUNTERR},
    {0x6A91, XAR_STATUS_6A91_6A94},
    {0x6A92, SAR_FILE_ALREADY_EXIST},
    {0x6A93, SAR_FILE_NOT_EXIST},
    {0x6A94, XAR_STATUS_6A91_6A94},
    {0x6A95, SAR_KEYNOTFOUNTERR},
    {0x6A96, SAR_CERTNOTFOUNTERR},
    {0x6A98, SAR_HASHNOTEQUALERR},
    {0x6A9A, XAR_STATUS_6A9A},
    {0x6B00, XAR_WRONG_P1P2},
    {0x6E00, SAR_UNKNOWNERR},
    {0x6E01, SAR_BUFFER_TOO_SMALL},
    {0x6E02, XAR_STATUS_6E02},
    {0x6F01, XAR_TOKEN_WAITING},
    {0x6F02, XAR_STATUS_6F02_6F0C},
    {0x6F09, XAR_STATUS_6F09},
    {0x6F0A, XAR_STATUS_6F0A},
    {0x6F0B, XAR_STATUS_6F0B},
    {0x6F0C, XAR_STATUS_6F02_6F0C},
    {0x6F0D, XAR_TOKEN_WAITING},
    {0x9000, SAR_OK},
};

static_assert(std::is_sorted(std::begin(status_table), std::end(status_table),
                             [](const status_row& a, const status_row& b) { return a.sw < b.sw; }));

}  // namespace

ULONG sw_to_sar(uint16_t sw) {
  const auto* row = std::lower_bound(std::begin(status_table), std::end(status_table), sw,
                                     [](const status_row& entry, uint16_t key) { return entry.sw < key; });
  if (row != std::end(status_table) && row->sw == sw) return row->code;
  return sw;
}

ULONG sw_to_sar() { return sw_to_sar(last_sw); }

}  // namespace veltrakey
