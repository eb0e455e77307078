#pragma once
// What the HID transports share: the port, closing, the locked exchange and
// the HID kind.
#include <memory>
#include <string>

#include "platform/hid_port.h"
#include "transport/device_common.h"

namespace veltrakey {

constexpr uint32_t hid_minimum_timeout_ms = 5000;
// The command layer's receive area; no answer may be longer.
constexpr size_t hid_receive_area = 2048;

class device_hid : public device_common {
public:
  int close() override;
  int transceive(const uint8_t* command, size_t n, uint8_t* buffer, size_t* length) override;
  int kind() const override { return device_kind_hid; }
  int probe() override { return 0; }

protected:
  device_hid(const std::string& path, std::unique_ptr<hid_port> port);

  std::unique_ptr<hid_port> port_;
};

}  // namespace veltrakey
