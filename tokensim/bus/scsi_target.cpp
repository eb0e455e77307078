#include "bus/scsi_target.h"

#include <algorithm>
#include <cstring>

#include "bus/endpoint_io.h"

namespace tokensim {
namespace {

constexpr char framed_signature[] = "GMCAPIDFS";

scsi_outcome with_action(scsi_outcome::action_kind action) {
  scsi_outcome o;
  o.action = action;
  return o;
}

scsi_outcome check_condition() {
  scsi_outcome o;
  o.status = 2;
  return o;
}

scsi_outcome data_in(std::vector<uint8_t> bytes, uint32_t length) {
  if (bytes.size() > length) bytes.resize(length);
  scsi_outcome o;
  o.count = uint32_t(bytes.size());
  o.data = std::move(bytes);
  return o;
}

// Standard INQUIRY data. The token presents itself as a CD unit, as such
// tokens do, so its first byte (peripheral type 5) is not zero.
std::vector<uint8_t> inquiry_data() {
  std::vector<uint8_t> d(36, ' ');
  d[0] = 0x05;
  d[1] = 0x80;
  d[2] = 0x02;
  d[3] = 0x02;
  d[4] = 31;
  d[5] = d[6] = d[7] = 0;
  std::memcpy(&d[8], "VELKON", 6);
  std::memcpy(&d[16], "TK5100", 6);
  std::memcpy(&d[32], "1.00", 4);
  return d;
}

}  // namespace

scsi_outcome scsi_target::execute(const std::array<uint8_t, 12>& cdb, bool in, const std::vector<uint8_t>& data,
                                  uint32_t length, const std::atomic<bool>& stop) {
  const bool framed = cdb[0] == 0xFE && std::memcmp(&cdb[2], framed_signature, 9) == 0 && cdb[11] == 0;
  if (framed && cdb[1] == 0x01 && !in) return framed_command(data, length);
  if (framed && cdb[1] == 0x02 && in) return framed_response(length, stop);
  switch (cdb[0]) {
    case 0x12:  // INQUIRY
      return in ? data_in(inquiry_data(), std::min<uint32_t>(length, cdb[4])) : check_condition();
    case 0xF9: {  // bulk limit
      const uint32_t limit = hub_.bulk_limit();
      if (!in || limit == 0) return check_condition();
      return data_in({uint8_t(limit), uint8_t(limit >> 8), uint8_t(limit >> 16), uint8_t(limit >> 24)}, length);
    }
    case 0xFB:  // bulk mode on/off
      bulk_mode_ = cdb[1] != 0;
      return scsi_outcome();
    case 0xFF:
      if (cdb[1] == 0x01 && !in) return bulk_write(cdb, data, length);
      if (cdb[1] == 0x02 && in) return bulk_read(length);
      return check_condition();
    default:
      return check_condition();
  }
}

scsi_outcome scsi_target::framed_command(const std::vector<uint8_t>& data, uint32_t length) {
  if (data.size() < 3 || data[0] != 0x12) return check_condition();
  const size_t n = size_t(data[1]) << 8 | data[2];
  if (3 + n > data.size()) return check_condition();
  pending_ = hub_.run(data.data() + 3, n);
  pending_fault_ = hub_.take_fault();
  has_pending_ = true;
  scsi_outcome o;
  o.count = length;
  return o;
}

scsi_outcome scsi_target::framed_response(uint32_t length, const std::atomic<bool>& stop) {
  if (!has_pending_) return check_condition();
  has_pending_ = false;
  const fault_plan plan = pending_fault_;
  if (plan.delay_ms && !pause_unless_stopped(plan.delay_ms, stop)) return with_action(scsi_outcome::hang_up);
  if (plan.drop) return with_action(scsi_outcome::no_answer);
  if (plan.disconnect) return with_action(scsi_outcome::hang_up);
  const size_t m = pending_.size();
  const size_t claimed = plan.wrong_length ? m + 5 : m;
  std::vector<uint8_t> frame = {uint8_t(plan.bad_marker ? 0x13 : 0x12), uint8_t(claimed >> 8), uint8_t(claimed)};
  frame.insert(frame.end(), pending_.begin(), pending_.end());
  return data_in(std::move(frame), length);
}

scsi_outcome scsi_target::bulk_write(const std::array<uint8_t, 12>& cdb, const std::vector<uint8_t>& data,
                                     uint32_t length) {
  if (length > hub_.bulk_limit() || length % 512 != 0) return check_condition();
  bulk_direction_ = cdb[2];
  bulk_algorithm_ = uint32_t(cdb[3]) | uint32_t(cdb[4]) << 8 | uint32_t(cdb[5]) << 16 | uint32_t(cdb[6]) << 24;
  bulk_length_ = uint16_t(cdb[7] | cdb[8] << 8);
  bulk_block_ = data;
  scsi_outcome o;
  o.count = length;
  return o;
}

scsi_outcome scsi_target::bulk_read(uint32_t length) {
  if (bulk_block_.empty()) return check_condition();
  std::vector<uint8_t> block = hub_.run_bulk(bulk_algorithm_, bulk_direction_, bulk_block_);
  bulk_block_.clear();
  block.resize(std::min<size_t>(block.size(), length));
  return data_in(std::move(block), length);
}

}  // namespace tokensim
