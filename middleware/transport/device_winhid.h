#pragma once
// HID token that takes and gives one 1093-byte report per message.
#include <memory>
#include <string>

#include "transport/device_hid.h"

namespace veltrakey {

constexpr size_t hid1093_report_length = 1093;

class device_winhid : public device_hid {
public:
  explicit device_winhid(const std::string& path);
  device_winhid(const std::string& path, std::unique_ptr<hid_port> port);

  // 0, or the system's error number after a second failed attempt.
  int open() override;
  int send_command(const uint8_t* command, size_t n) override;
  int receive_response(uint8_t* buffer, size_t* length) override;
};

}  // namespace veltrakey
