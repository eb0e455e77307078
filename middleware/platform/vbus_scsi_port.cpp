// SCSI pass-through to a disk-class token on the virtual bus.
#include "platform/vbus_scsi_port.h"

#include <algorithm>
#include <vector>

#include "platform/fd_wait.h"
#include "platform/vbus.h"
#include "platform/vbus_protocol.h"

namespace veltrakey {

vbus_scsi_port::vbus_scsi_port(std::string path) : path_(std::move(path)) {}

vbus_scsi_port::vbus_scsi_port(std::string path, int fd, bool owns)
    : path_(std::move(path)), fd_(fd, owns) {}

int vbus_scsi_port::open() {
  int fd = vbus_connect(path_);
  if (fd < 0) return -fd;
  fd_.reset(fd);
  return 0;
}

void vbus_scsi_port::close() { fd_.reset(); }

bool vbus_scsi_port::is_open() const { return fd_.valid(); }

int vbus_scsi_port::execute(const uint8_t (&cdb)[scsi_cdb_length], scsi_direction direction,
                            uint8_t* data, size_t length, unsigned timeout_ms, size_t* transferred) {
  *transferred = 0;
  const size_t room = vbus::max_message - vbus::scsi_header_length;
  if (!fd_.valid() || length > room) return scsi_wait_failed;
  const bool out = direction == scsi_direction::out;
  std::vector<uint8_t> msg(vbus::scsi_header_length + (out ? length : 0));
  msg[0] = vbus::op_scsi;
  std::copy(cdb, cdb + scsi_cdb_length, msg.begin() + 1);
  msg[13] = out ? 0 : 1;
  vbus::put_le32(&msg[14], uint32_t(length));
  if (out && length) std::copy(data, data + length, msg.begin() + vbus::scsi_header_length);

  // A leftover answer from a request that timed out must not be taken for this one.
  std::vector<uint8_t> answer(vbus::scsi_answer_header_length + length);
  size_t got = 0;
  while (fd_recv(fd_.get(), answer.data(), answer.size(), 0, &got) == io_status::ok) {
  }
  io_status s = fd_send(fd_.get(), msg.data(), msg.size(), timeout_ms);
  if (s != io_status::ok) return s == io_status::timeout ? scsi_timeout : scsi_wait_failed;
  s = fd_recv(fd_.get(), answer.data(), answer.size(), timeout_ms, &got);
  if (s != io_status::ok) return s == io_status::timeout ? scsi_timeout : scsi_wait_failed;
  if (got < vbus::scsi_answer_header_length || answer[0] != vbus::op_scsi) return scsi_wait_failed;
  if (answer[1] != 0) return scsi_bad_status;
  const size_t count = vbus::get_le32(&answer[2]);
  if (count > length) return scsi_wait_failed;
  if (!out) {
    if (got != vbus::scsi_answer_header_length + count) return scsi_wait_failed;
    if (count == 0) return scsi_no_data;
    std::copy(answer.begin() + vbus::scsi_answer_header_length,
              answer.begin() + vbus::scsi_answer_header_length + count, data);
  }
  *transferred = count;
  return scsi_ok;
}

}  // namespace veltrakey
