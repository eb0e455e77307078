#include "transport/device_winhid_ctrl_io.h"

#include <cstring>

namespace veltrakey {
namespace {

constexpr uint32_t default_poll_timeout_ms = 20000;
constexpr unsigned first_poll_delay_ms = 5;

// Pause after the k-th empty report (k from 1).
unsigned backoff_ms(unsigned k) { return 20 * (k % 10 + 1); }

}  // namespace

int device_winhid_ctrl_io::read_report(uint8_t* data, size_t* n, bool* first, bool* last) {
  if (timeout_ms_ == 0) timeout_ms_ = default_poll_timeout_ms;
  uint8_t report[hid65_report_length] = {};
  if (!port_->get_feature(report, sizeof(report))) return 1;
  return decode_report(report, data, n, first, last);
}

int device_winhid_ctrl_io::read_message(uint8_t* buffer, size_t* length) {
  const size_t capacity = *length;
  *length = 0;
  if (timeout_ms_ == 0) timeout_ms_ = default_poll_timeout_ms;
  const uint64_t deadline = clock().now_ms() + timeout_ms_;
  clock().sleep_ms(first_poll_delay_ms);
  size_t total = 0;
  unsigned empty = 0;
  for (size_t k = 0;;) {
    uint8_t data[hid65_report_data];
    size_t n = 0;
    bool first = false, last = false;
    if (read_report(data, &n, &first, &last) != 0) return 1;
    if (n == 0) {
      // Not ready yet; a token that never answers must not hold the caller
      // beyond the object's time-out.
      const unsigned pause = backoff_ms(++empty);
      if (clock().now_ms() + pause > deadline) return 1;
      clock().sleep_ms(pause);
      continue;
    }
    if (hid65_report_data * k + n > capacity) return 1;
    std::memcpy(buffer + hid65_report_data * k, data, n);
    total += n;
    ++k;
    if (last) break;
  }
  *length = total;
  return 0;
}

}  // namespace veltrakey
