#pragma once
// HID token that takes 65-byte output reports and hands its answer out as
// feature reports, polled until one carries data.
#include "transport/device_winhid_hs.h"

namespace veltrakey {

class device_winhid_ctrl_io : public device_winhid_hs {
public:
  using device_winhid_hs::device_winhid_hs;

  // Polls with growing pauses (40, 60, ... 200 ms, then from 20 again) while
  // the token answers with empty reports, until the object's time-out.
  int read_message(uint8_t* buffer, size_t* length) override;
  int read_report(uint8_t* data, size_t* n, bool* first, bool* last) override;
};

}  // namespace veltrakey
