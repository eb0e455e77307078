#include "transport/device_winscsi.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "transport/scsi_frame.h"

namespace veltrakey {
namespace {

// Stored at construction, as the system's own value for this transport.
constexpr uint32_t initial_timeout = 120;
// The host never gives up on a transfer sooner than this: the device runs
// each command for up to 120 s, and abandoning one early would leave its
// answer to be taken for the next command's.
constexpr uint32_t minimum_wait_ms = 5000;
constexpr size_t bulk_unit = 512;
constexpr size_t max_frame_data = 0xFFFF;

}  // namespace

void make_inquiry_block(uint8_t (&cdb)[scsi_cdb_length]) {
  std::fill(cdb, cdb + scsi_cdb_length, uint8_t(0));
  cdb[0] = 0x12;
  cdb[4] = uint8_t(inquiry_length);
}

device_winscsi::device_winscsi(const std::string& path)
    : device_winscsi(path, make_scsi_port(path)) {}

device_winscsi::device_winscsi(const std::string& path, std::unique_ptr<scsi_port> port)
    : device_common(path, initial_timeout), port_(std::move(port)) {}

int device_winscsi::open() {
  close();
  // Media-change notification has no counterpart here; nothing to stop.
  return port_->open();
}

int device_winscsi::close() {
  port_->close();
  return 0;
}

int device_winscsi::transfer(const uint8_t (&cdb)[scsi_cdb_length], scsi_direction direction,
                             uint8_t* data, size_t length, size_t* transferred) {
  const uint32_t wait = std::max(timeout_ms_ ? timeout_ms_ : initial_timeout, minimum_wait_ms);
  return port_->execute(cdb, direction, data, length, wait, transferred);
}

int device_winscsi::send_command(const uint8_t* command, size_t n) {
  if (n > max_frame_data) return 1;
  std::vector<uint8_t> frame(scsi_frame_header + n);
  frame[0] = scsi_frame_tag;
  frame[1] = uint8_t(n >> 8);
  frame[2] = uint8_t(n);
  if (n) std::memcpy(frame.data() + scsi_frame_header, command, n);
  uint8_t cdb[scsi_cdb_length];
  make_framed_block(framed_send_code, cdb);
  size_t moved = 0;
  return transfer(cdb, scsi_direction::out, frame.data(), frame.size(), &moved) == scsi_ok ? 0 : 1;
}

int device_winscsi::receive_response(uint8_t* buffer, size_t* length) {
  const size_t capacity = *length;
  *length = 0;
  std::vector<uint8_t> area(capacity + scsi_frame_header);
  uint8_t cdb[scsi_cdb_length];
  make_framed_block(framed_receive_code, cdb);
  size_t moved = 0;
  if (transfer(cdb, scsi_direction::in, area.data(), area.size(), &moved) != scsi_ok) return 1;
  if (area[0] != scsi_frame_tag) return 2;
  if (moved <= 4) return 3;
  const size_t m = size_t(area[1]) << 8 | area[2];
  if (m > moved - scsi_frame_header) return 4;
  std::memcpy(buffer, area.data() + scsi_frame_header, m);
  *length = m;
  return 0;
}

int device_winscsi::send_raw(const uint8_t (&block)[vendor_block_length], const uint8_t* data, size_t n) {
  size_t moved = 0;
  return transfer(block, scsi_direction::out, const_cast<uint8_t*>(data), n, &moved);
}

int device_winscsi::receive_raw(const uint8_t (&block)[vendor_block_length], uint8_t* buffer, size_t* length) {
  size_t moved = 0;
  const int rc = transfer(block, scsi_direction::in, buffer, *length, &moved);
  *length = rc == scsi_ok ? moved : 0;
  return rc;
}

int device_winscsi::transceive(const uint8_t* command, size_t n, uint8_t* buffer, size_t* length) {
  if (send_command(command, n) != 0) return 1;
  return receive_response(buffer, length) == 0 ? 0 : 2;
}

int device_winscsi::probe() {
  uint8_t cdb[scsi_cdb_length];
  make_inquiry_block(cdb);
  uint8_t answer[inquiry_length] = {};
  size_t length = sizeof(answer);
  const int rc = receive_raw(cdb, answer, &length);
  return judge_inquiry(rc, answer, length);
}

int device_winscsi::query_limit(uint32_t* limit) {
  uint8_t cdb[scsi_cdb_length] = {0xF9};
  uint8_t value[4] = {};
  size_t length = sizeof(value);
  uint32_t answer = 0;
  if (receive_raw(cdb, value, &length) == scsi_ok && length == sizeof(value))
    std::memcpy(&answer, value, sizeof(answer));
  bulk_limit_ = answer ? answer : default_bulk_limit;
  *limit = bulk_limit_;
  return 0;
}

int device_winscsi::bulk_mode(bool on) {
  uint8_t cdb[scsi_cdb_length] = {0xFB, uint8_t(on ? 1 : 0)};
  return send_raw(cdb, nullptr, 0);
}

int device_winscsi::bulk_transfer(const bulk_block& block) {
  if (block.output_length) *block.output_length = 0;
  const size_t n = block.length;
  const size_t padded = (n + bulk_unit - 1) / bulk_unit * bulk_unit;
  if (padded > bulk_limit_ || n > 0xFFFF || n > block.output_capacity || !block.output_length) return 1;
  std::vector<uint8_t> area(padded, 0);
  if (n) std::memcpy(area.data(), block.input, n);
  uint8_t write_cdb[scsi_cdb_length] = {0xFF, 0x01, uint8_t(block.direction)};
  for (int i = 0; i < 4; ++i) write_cdb[3 + i] = uint8_t(block.algorithm >> (8 * i));
  write_cdb[7] = uint8_t(n);
  write_cdb[8] = uint8_t(n >> 8);
  if (send_raw(write_cdb, area.data(), padded) != scsi_ok) return 1;
  uint8_t read_cdb[scsi_cdb_length] = {0xFF, 0x02};
  size_t length = padded;
  if (receive_raw(read_cdb, area.data(), &length) != scsi_ok) return 2;
  // The token must give back the whole padded block before any of it is used.
  if (length < n) return 2;
  if (n) std::memcpy(block.output, area.data(), n);
  *block.output_length = n;
  return 0;
}

}  // namespace veltrakey
