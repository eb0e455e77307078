#pragma once
// Disk-class token reached with SCSI pass-through and vendor command blocks.
#include <memory>
#include <string>

#include "platform/scsi_port.h"
#include "transport/device_common.h"

namespace veltrakey {

// Bulk limit assumed when the token cannot say.
constexpr uint32_t default_bulk_limit = 1024;

class device_winscsi : public device_common {
public:
  explicit device_winscsi(const std::string& path);
  device_winscsi(const std::string& path, std::unique_ptr<scsi_port> port);

  int open() override;
  int close() override;
  int send_command(const uint8_t* command, size_t n) override;
  int receive_response(uint8_t* buffer, size_t* length) override;
  int send_raw(const uint8_t (&block)[vendor_block_length], const uint8_t* data, size_t n) override;
  // *length: capacity on entry, bytes transferred on return.
  int receive_raw(const uint8_t (&block)[vendor_block_length], uint8_t* buffer, size_t* length) override;
  int transceive(const uint8_t* command, size_t n, uint8_t* buffer, size_t* length) override;
  int kind() const override { return device_kind_disk; }
  // 0 present; 1 INQUIRY failed; 2 empty identification.
  int probe() override;
  int query_limit(uint32_t* limit) override;
  int bulk_mode(bool on) override;
  // 1 when the padded block exceeds the bulk limit or the output room,
  // 2 when the read back fails.
  int bulk_transfer(const bulk_block& block) override;

  uint32_t bulk_limit() const { return bulk_limit_; }

private:
  int transfer(const uint8_t (&cdb)[scsi_cdb_length], scsi_direction direction, uint8_t* data,
               size_t length, size_t* transferred);

  std::unique_ptr<scsi_port> port_;
  uint32_t bulk_limit_ = 0;
};

// INQUIRY (allocation length 128) and its judgement, shared with the service
// transport: 1 failed, 2 empty identification, 0 present.
constexpr size_t inquiry_length = 128;
void make_inquiry_block(uint8_t (&cdb)[scsi_cdb_length]);
inline int judge_inquiry(int transfer_result, const uint8_t* answer, size_t length) {
  if (transfer_result != 0) return 1;
  return length == 0 || answer[0] == 0 ? 2 : 0;
}

}  // namespace veltrakey
