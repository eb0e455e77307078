#pragma once
// Disk-class token reached through the local I/O service, for processes that
// may not open disks themselves. Every operation is one service call.
#include <string>
#include <vector>

#include "platform/pipe_client.h"
#include "transport/device_common.h"

namespace veltrakey {

class device_winrpc : public device_common {
public:
  explicit device_winrpc(const std::string& path);
  ~device_winrpc() override;

  // Results: 1 when the service cannot be reached or the answer is malformed,
  // else the service's own result.
  int open() override;
  int close() override;
  int send_command(const uint8_t* command, size_t n) override;
  int receive_response(uint8_t* buffer, size_t* length) override;
  int send_raw(const uint8_t (&block)[vendor_block_length], const uint8_t* data, size_t n) override;
  int receive_raw(const uint8_t (&block)[vendor_block_length], uint8_t* buffer, size_t* length) override;
  int transceive(const uint8_t* command, size_t n, uint8_t* buffer, size_t* length) override;
  int kind() const override { return device_kind_disk; }
  int probe() override;
  int lock_device(uint32_t ms) override;
  int unlock_device() override;

  int32_t service_handle() const { return handle_; }
  void set_pipe_timeout(unsigned ms) { pipe_timeout_ms_ = ms; }

private:
  // One call; false when the service cannot be reached or answers garbage.
  bool call(std::vector<uint8_t>& message);
  int result_of(const std::vector<uint8_t>& answer) const;
  // Copies an answered data block out; 3 when it does not fit.
  int deliver(const std::vector<uint8_t>& answer, size_t length_at, size_t data_at, size_t data_room,
              uint8_t* buffer, size_t* length) const;

  int32_t handle_ = -1;
  unsigned pipe_timeout_ms_ = pipe_default_timeout_ms;
  device_mutex_locker rpc_locker_;
};

}  // namespace veltrakey
