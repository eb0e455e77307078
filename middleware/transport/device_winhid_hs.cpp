// 65-byte report HID transport: the frame is cut into 63-byte pieces, each
// written after the input queue is flushed, and the answer is gathered
// from reports until the one marked last.
#include "transport/device_winhid_hs.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "transport/hid_frame.h"
#include "transport/sequence_counter.h"

namespace veltrakey {
namespace {

constexpr int open_attempts = 5;
constexpr unsigned open_retry_sleep_ms = 1000;
constexpr uint8_t first_report_bit = 0x80;
constexpr uint8_t last_report_bit = 0x40;
constexpr uint8_t data_length_mask = 0x3F;
// The answer frame's payload may not claim more than this.
constexpr size_t hid65_payload_limit = 1092;

int write_result(io_status s) { return s == io_status::ok ? 0 : s == io_status::timeout ? 1 : 2; }

}  // namespace

device_winhid_hs::device_winhid_hs(const std::string& path)
    : device_hid(path, make_hid_port(path)) {}

device_winhid_hs::device_winhid_hs(const std::string& path, std::unique_ptr<hid_port> port)
    : device_hid(path, std::move(port)) {}

int device_winhid_hs::open() {
  close();
  // A token that has just been plugged may not accept an open yet. Failure
  // is not reported here: the transfers that follow fail instead.
  for (int attempt = 1; attempt <= open_attempts; ++attempt) {
    if (port_->open() == 0) return 0;
    if (attempt < open_attempts) clock().sleep_ms(open_retry_sleep_ms);
  }
  return 0;
}

unsigned device_winhid_hs::remaining_ms(uint64_t deadline) {
  const uint64_t now = clock().now_ms();
  return now >= deadline ? 0 : unsigned(std::min<uint64_t>(deadline - now, timeout_ms_));
}

int device_winhid_hs::write_report(const uint8_t* data, size_t n, size_t* written, bool first, bool last) {
  if (written) *written = 0;
  if (n > hid65_report_data) return 1;
  uint8_t report[hid65_report_length] = {};
  report[1] = uint8_t((first ? first_report_bit : 0) | (last ? last_report_bit : 0) | n);
  if (n) std::memcpy(report + 2, data, n);
  if (!port_->flush()) return 1;
  raise_timeout_to(hid_minimum_timeout_ms);
  const int rc = write_result(port_->write_report(report, sizeof(report), timeout_ms_));
  if (rc == 0 && written) *written = n;
  return rc;
}

int device_winhid_hs::write_message(const uint8_t* frame, size_t n) {
  size_t offset = 0;
  do {
    const size_t piece = std::min(n - offset, hid65_report_data);
    const bool first = offset == 0;
    const bool last = offset + piece == n;
    if (write_report(frame + offset, piece, nullptr, first, last) != 0) return 1;
    offset += piece;
  } while (offset < n);
  return 0;
}

int device_winhid_hs::decode_report(const uint8_t* report, uint8_t* data, size_t* n, bool* first, bool* last) {
  const size_t count = report[1] & data_length_mask;
  if (count > hid65_report_data) return 1;
  *first = (report[1] & first_report_bit) != 0;
  *last = (report[1] & last_report_bit) != 0;
  std::memcpy(data, report + 2, count);
  *n = count;
  return 0;
}

int device_winhid_hs::read_report(uint8_t* data, size_t* n, bool* first, bool* last) {
  raise_timeout_to(hid_minimum_timeout_ms);
  const uint64_t deadline = message_deadline_ ? message_deadline_ : clock().now_ms() + timeout_ms_;
  uint8_t report[hid65_report_length] = {};
  const int rc = write_result(port_->read_report(report, sizeof(report), remaining_ms(deadline)));
  if (rc != 0) return rc;
  return decode_report(report, data, n, first, last);
}

int device_winhid_hs::read_message(uint8_t* buffer, size_t* length) {
  const size_t capacity = *length;
  *length = 0;
  raise_timeout_to(hid_minimum_timeout_ms);
  message_deadline_ = clock().now_ms() + timeout_ms_;
  size_t total = 0;
  int rc = 1;
  for (size_t k = 0;; ++k) {
    uint8_t data[hid65_report_data];
    size_t n = 0;
    bool first = false, last = false;
    if (read_report(data, &n, &first, &last) != 0) break;
    // The answer may not run past the receive area.
    if (hid65_report_data * k + n > capacity) break;
    std::memcpy(buffer + hid65_report_data * k, data, n);
    total += n;
    if (last) {
      *length = total;
      rc = 0;
      break;
    }
  }
  message_deadline_ = 0;
  return rc;
}

int device_winhid_hs::send_command(const uint8_t* command, size_t n) {
  std::vector<uint8_t> frame;
  const uint8_t sequence = hid65_sequence().advance();
  if (!build_hid_request(sequence, command, n, &frame)) return 1;
  return write_message(frame.data(), frame.size()) == 0 ? 0 : 1;
}

int device_winhid_hs::receive_response(uint8_t* buffer, size_t* length) {
  std::vector<uint8_t> area(hid_receive_area);
  size_t received = 0;
  auto read = [this](uint8_t* a, size_t capacity, size_t* got) {
    *got = capacity;
    return read_message(a, got);
  };
  int rc = read_current_hid_frame(read, hid65_sequence().current(), area.data(), area.size(), &received);
  if (rc != 0) {
    *length = 0;
    return rc;
  }
  rc = parse_hid_response(area.data(), received, hid65_payload_limit, buffer, length);
  if (rc != 0) *length = 0;
  return rc;
}

}  // namespace veltrakey
