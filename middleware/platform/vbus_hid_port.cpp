// HID operations on a virtual-bus token: the socket stands in for the
// device node, and the token pushes its input reports as messages.
#include "platform/vbus_hid_port.h"

#include <sys/socket.h>

#include <cerrno>

#include <vector>

#include "platform/fd_wait.h"
#include "platform/vbus.h"
#include "platform/vbus_protocol.h"

namespace veltrakey {
namespace {

// Time allowed for the token to take a written report or answer a request
// that has no time-out of its own.
constexpr unsigned control_timeout_ms = 5000;

}  // namespace

vbus_hid_port::vbus_hid_port(std::string path) : path_(std::move(path)) {}

vbus_hid_port::vbus_hid_port(std::string path, int fd, bool owns)
    : path_(std::move(path)), fd_(fd, owns) {}

int vbus_hid_port::open() {
  int fd = vbus_connect(path_);
  if (fd < 0) return -fd;
  fd_.reset(fd);
  return 0;
}

void vbus_hid_port::close() { fd_.reset(); }

bool vbus_hid_port::is_open() const { return fd_.valid(); }

io_status vbus_hid_port::write_report(const uint8_t* report, size_t length, unsigned timeout_ms) {
  if (!fd_.valid()) return io_status::failed;
  std::vector<uint8_t> msg(1 + length);
  msg[0] = vbus::op_hid_write;
  std::copy(report, report + length, msg.begin() + 1);
  return fd_send(fd_.get(), msg.data(), msg.size(), timeout_ms);
}

io_status vbus_hid_port::read_report(uint8_t* report, size_t length, unsigned timeout_ms) {
  if (!fd_.valid()) return io_status::failed;
  std::vector<uint8_t> msg(1 + length);
  size_t got = 0;
  io_status s = fd_recv(fd_.get(), msg.data(), msg.size(), timeout_ms, &got);
  if (s != io_status::ok) return s;
  // A report of another length or kind is a broken device, not data.
  if (got != msg.size() || msg[0] != vbus::op_hid_input) return io_status::failed;
  std::copy(msg.begin() + 1, msg.end(), report);
  return io_status::ok;
}

bool vbus_hid_port::get_feature(uint8_t* report, size_t length) {
  if (!fd_.valid()) return false;
  uint8_t request[3] = {vbus::op_hid_feature, 0, 0};
  vbus::put_le16(request + 1, uint32_t(length));
  if (fd_send(fd_.get(), request, sizeof(request), control_timeout_ms) != io_status::ok) return false;
  std::vector<uint8_t> msg(1 + length);
  size_t got = 0;
  if (fd_recv(fd_.get(), msg.data(), msg.size(), control_timeout_ms, &got) != io_status::ok) return false;
  if (got != msg.size() || msg[0] != vbus::op_hid_feature) return false;
  std::copy(msg.begin() + 1, msg.end(), report);
  return true;
}

bool vbus_hid_port::flush() {
  if (!fd_.valid()) return false;
  uint8_t scratch[2048];
  for (;;) {
    ssize_t n = recv(fd_.get(), scratch, sizeof(scratch), MSG_DONTWAIT | MSG_TRUNC);
    if (n > 0) continue;
    // Nothing queued is the normal end; a closed peer means the token is gone.
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
}

bool vbus_read_report_lengths(const std::string& path, hid_report_lengths* lengths) {
  vbus_hid_port port(path);
  if (port.open() != 0) return false;
  const uint8_t request = vbus::op_hid_lengths;
  if (fd_send(port.fd(), &request, 1, control_timeout_ms) != io_status::ok) return false;
  uint8_t answer[7];
  size_t got = 0;
  if (fd_recv(port.fd(), answer, sizeof(answer), control_timeout_ms, &got) != io_status::ok) return false;
  if (got != sizeof(answer) || answer[0] != vbus::op_hid_lengths) return false;
  lengths->input = vbus::get_le16(answer + 1);
  lengths->output = vbus::get_le16(answer + 3);
  lengths->feature = vbus::get_le16(answer + 5);
  return true;
}

}  // namespace veltrakey
