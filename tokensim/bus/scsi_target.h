#pragma once
// The token's side of the SCSI vendor blocks, for one session (a bus
// connection or a handle of the I/O service).
#include <array>
#include <cstdint>
#include <vector>

#include "bus/token_hub.h"

namespace tokensim {

struct scsi_outcome {
  enum action_kind { answer, no_answer, hang_up } action = answer;
  uint8_t status = 0;          // 0 good, else check condition
  uint32_t count = 0;          // data bytes moved
  std::vector<uint8_t> data;   // data in
};

class scsi_target {
public:
  explicit scsi_target(token_hub& hub) : hub_(hub) {}

  // `length` is the host's transfer length; `data` the data out.
  scsi_outcome execute(const std::array<uint8_t, 12>& cdb, bool data_in, const std::vector<uint8_t>& data,
                       uint32_t length, const std::atomic<bool>& stop);

private:
  scsi_outcome framed_command(const std::vector<uint8_t>& data, uint32_t length);
  scsi_outcome framed_response(uint32_t length, const std::atomic<bool>& stop);
  scsi_outcome bulk_write(const std::array<uint8_t, 12>& cdb, const std::vector<uint8_t>& data, uint32_t length);
  scsi_outcome bulk_read(uint32_t length);

  token_hub& hub_;
  std::vector<uint8_t> pending_;
  bool has_pending_ = false;
  fault_plan pending_fault_;
  bool bulk_mode_ = false;
  std::vector<uint8_t> bulk_block_;
  uint32_t bulk_algorithm_ = 0;
  uint8_t bulk_direction_ = 0;
  uint16_t bulk_length_ = 0;
};

}  // namespace tokensim
