#pragma once
// The seam between the virtual token's bus endpoints (which unwrap HID
// reports, SCSI blocks and pipe messages) and whatever answers the command
// units inside them.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tokensim {

class command_handler {
public:
  virtual ~command_handler() = default;
  // One serialised command unit in; its response (data, then SW1 SW2) out.
  virtual std::vector<uint8_t> handle(const uint8_t* command, size_t length) = 0;
};

}  // namespace tokensim
