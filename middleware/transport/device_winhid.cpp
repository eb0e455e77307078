#include "transport/device_winhid.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "transport/hid_frame.h"
#include "transport/sequence_counter.h"

namespace veltrakey {
namespace {

constexpr unsigned open_retry_sleep_ms = 1000;
constexpr size_t frame_capacity = hid1093_report_length - 1;
constexpr size_t payload_limit = 1076;

}  // namespace

device_winhid::device_winhid(const std::string& path) : device_hid(path, make_hid_port(path)) {}

device_winhid::device_winhid(const std::string& path, std::unique_ptr<hid_port> port)
    : device_hid(path, std::move(port)) {}

int device_winhid::open() {
  close();
  if (port_->open() == 0) return 0;
  clock().sleep_ms(open_retry_sleep_ms);
  return port_->open();
}

int device_winhid::send_command(const uint8_t* command, size_t n) {
  std::vector<uint8_t> frame;
  const uint8_t sequence = hid1093_sequence().advance();
  // The whole frame has to fit in one report.
  if (!build_hid_request(sequence, command, n, &frame) || frame.size() > frame_capacity) return 1;
  uint8_t report[hid1093_report_length] = {};
  std::memcpy(report + 1, frame.data(), frame.size());
  if (!port_->flush()) return 1;
  raise_timeout_to(hid_minimum_timeout_ms);
  return port_->write_report(report, sizeof(report), timeout_ms_) == io_status::ok ? 0 : 1;
}

int device_winhid::receive_response(uint8_t* buffer, size_t* length) {
  std::vector<uint8_t> area(frame_capacity);
  size_t received = 0;
  auto read = [this](uint8_t* a, size_t capacity, size_t* got) {
    raise_timeout_to(hid_minimum_timeout_ms);
    uint8_t report[hid1093_report_length];
    if (port_->read_report(report, sizeof(report), timeout_ms_) != io_status::ok) return 1;
    *got = std::min(capacity, frame_capacity);
    std::memcpy(a, report + 1, *got);
    return 0;
  };
  int rc = read_current_hid_frame(read, hid1093_sequence().current(), area.data(), area.size(), &received);
  if (rc == 0) rc = parse_hid_response(area.data(), received, payload_limit, buffer, length);
  if (rc != 0) *length = 0;
  return rc;
}

}  // namespace veltrakey
