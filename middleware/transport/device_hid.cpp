#include "transport/device_hid.h"

namespace veltrakey {

device_hid::device_hid(const std::string& path, std::unique_ptr<hid_port> port)
    : device_common(path, hid_minimum_timeout_ms), port_(std::move(port)) {}

int device_hid::close() {
  port_->close();
  return 0;
}

int device_hid::transceive(const uint8_t* command, size_t n, uint8_t* buffer, size_t* length) {
  lock_device(0xFFFFFFFF);
  if (send_command(command, n) != 0) {
    unlock_device();
    return 1;
  }
  const int rc = receive_response(buffer, length);
  unlock_device();
  return rc == 0 ? 0 : 2;
}

}  // namespace veltrakey
