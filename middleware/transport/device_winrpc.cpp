#include "transport/device_winrpc.h"

#include <algorithm>
#include <cstring>

#include "transport/device_winscsi.h"
#include "transport/pipe_message.h"

namespace veltrakey {

device_winrpc::device_winrpc(const std::string& path) : device_common(path, 0) {}

device_winrpc::~device_winrpc() { close(); }

bool device_winrpc::call(std::vector<uint8_t>& message) {
  const uint32_t code = pipe::get32(&message[pipe::code_offset]);
  std::vector<uint8_t> answer(message.size());
  if (!pipe_call(message.data(), message.size(), answer.data(), answer.size(), pipe_timeout_ms_))
    return false;
  if (!pipe::has_magic(answer.data()) || pipe::get32(&answer[pipe::code_offset]) != code) return false;
  message.swap(answer);
  return true;
}

int device_winrpc::result_of(const std::vector<uint8_t>& answer) const {
  return int(pipe::get32(&answer[pipe::result_offset]));
}

int device_winrpc::deliver(const std::vector<uint8_t>& answer, size_t length_at, size_t data_at,
                           size_t data_room, uint8_t* buffer, size_t* length) const {
  const size_t capacity = *length;
  *length = 0;
  const size_t delivered = pipe::get32(&answer[length_at]);
  if (delivered > data_room || delivered > capacity) return 3;
  if (delivered) std::memcpy(buffer, &answer[data_at], delivered);
  *length = delivered;
  return 0;
}

int device_winrpc::open() {
  close();
  const std::string p = path();
  if (p.size() >= pipe::path_capacity) return 1;
  auto m = pipe::make_request(pipe::open);
  std::memcpy(&m[pipe::path_offset], p.c_str(), p.size());
  if (!call(m)) return 1;
  const int rc = result_of(m);
  if (rc == 0) handle_ = int32_t(pipe::get32(&m[pipe::open_handle_offset]));
  return rc;
}

int device_winrpc::close() {
  if (handle_ == -1) return 0;
  auto m = pipe::make_request(pipe::close);
  pipe::put32(&m[pipe::handle_offset], uint32_t(handle_));
  handle_ = -1;
  call(m);
  return 0;
}

int device_winrpc::send_command(const uint8_t* command, size_t n) {
  if (n > pipe::data_capacity) return 1;
  auto m = pipe::make_request(pipe::send);
  pipe::put32(&m[pipe::handle_offset], uint32_t(handle_));
  pipe::put32(&m[pipe::length_offset], uint32_t(n));
  if (n) std::memcpy(&m[pipe::data_offset], command, n);
  return call(m) ? result_of(m) : 1;
}

int device_winrpc::receive_response(uint8_t* buffer, size_t* length) {
  auto m = pipe::make_request(pipe::receive);
  pipe::put32(&m[pipe::handle_offset], uint32_t(handle_));
  pipe::put32(&m[pipe::length_offset], uint32_t(std::min(*length, pipe::data_capacity)));
  if (!call(m)) {
    *length = 0;
    return 1;
  }
  const int rc = result_of(m);
  if (rc != 0) {
    *length = 0;
    return rc;
  }
  return deliver(m, pipe::length_offset, pipe::data_offset, pipe::data_capacity, buffer, length);
}

int device_winrpc::transceive(const uint8_t* command, size_t n, uint8_t* buffer, size_t* length) {
  if (n > pipe::data_capacity) return 1;
  auto m = pipe::make_request(pipe::transceive);
  pipe::put32(&m[pipe::handle_offset], uint32_t(handle_));
  pipe::put32(&m[pipe::length_offset], uint32_t(n));
  if (n) std::memcpy(&m[pipe::data_offset], command, n);
  if (!call(m)) {
    *length = 0;
    return 1;
  }
  const int rc = result_of(m);
  if (rc != 0) {
    *length = 0;
    return rc;
  }
  // An answer that cannot be delivered whole is a failed receive.
  return deliver(m, pipe::length_offset, pipe::data_offset, pipe::data_capacity, buffer, length) ? 2 : 0;
}

namespace {

std::vector<uint8_t> raw_request(uint32_t code, int32_t handle, const uint8_t (&block)[vendor_block_length],
                                 size_t length) {
  auto m = pipe::make_request(code);
  pipe::put32(&m[pipe::handle_offset], uint32_t(handle));
  m[pipe::raw_opcode_offset] = block[0];
  std::memcpy(&m[pipe::raw_block_offset], block + 1, pipe::raw_block_bytes);
  pipe::put32(&m[pipe::raw_length_offset], uint32_t(length));
  return m;
}

}  // namespace

int device_winrpc::send_raw(const uint8_t (&block)[vendor_block_length], const uint8_t* data, size_t n) {
  if (n > pipe::raw_data_capacity) return 1;
  auto m = raw_request(pipe::raw_send, handle_, block, n);
  if (n) std::memcpy(&m[pipe::raw_data_offset], data, n);
  return call(m) ? result_of(m) : 1;
}

int device_winrpc::receive_raw(const uint8_t (&block)[vendor_block_length], uint8_t* buffer, size_t* length) {
  auto m = raw_request(pipe::raw_receive, handle_, block, std::min(*length, pipe::raw_data_capacity));
  if (!call(m)) {
    *length = 0;
    return 1;
  }
  const int rc = result_of(m);
  if (rc != 0) {
    *length = 0;
    return rc;
  }
  return deliver(m, pipe::raw_length_offset, pipe::raw_data_offset, pipe::raw_data_capacity, buffer, length);
}

int device_winrpc::probe() {
  uint8_t cdb[vendor_block_length];
  make_inquiry_block(cdb);
  uint8_t answer[inquiry_length] = {};
  size_t length = sizeof(answer);
  const int rc = receive_raw(cdb, answer, &length);
  return judge_inquiry(rc, answer, length);
}

int device_winrpc::lock_device(uint32_t ms) {
  rpc_locker_.open(id());
  return rpc_locker_.wait(ms);
}

int device_winrpc::unlock_device() { return rpc_locker_.release(); }

}  // namespace veltrakey
