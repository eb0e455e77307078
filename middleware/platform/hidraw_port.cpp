// HID operations on a Linux hidraw node.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/fd_wait.h"
#include "platform/hid_port.h"
#include "platform/hid_report_descriptor.h"
#include "platform/unique_fd.h"
#include "platform/vbus.h"
#include "platform/vbus_hid_port.h"

namespace veltrakey {
namespace {

class hidraw_port final : public hid_port {
public:
  explicit hidraw_port(std::string node) : node_(std::move(node)) {}
  hidraw_port(std::string node, int fd, bool owns) : node_(std::move(node)), fd_(fd, owns) {}

  int open() override {
    int fd = ::open(node_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    fd_.reset(fd);
    return 0;
  }
  void close() override { fd_.reset(); }
  bool is_open() const override { return fd_.valid(); }

  io_status write_report(const uint8_t* report, size_t length, unsigned timeout_ms) override {
    if (!fd_.valid()) return io_status::failed;
    io_status s = fd_wait(fd_.get(), POLLOUT, timeout_ms);
    if (s != io_status::ok) return s;
    ssize_t n = ::write(fd_.get(), report, length);
    return n == ssize_t(length) ? io_status::ok : io_status::failed;
  }

  io_status read_report(uint8_t* report, size_t length, unsigned timeout_ms) override {
    if (!fd_.valid() || length < 1) return io_status::failed;
    for (;;) {
      io_status s = fd_wait(fd_.get(), POLLIN, timeout_ms);
      if (s != io_status::ok) return s;
      // Devices without numbered reports deliver the data without the
      // identifier byte; the transports expect identifier 0 in front.
      ssize_t n = ::read(fd_.get(), report + 1, length - 1);
      if (n >= 0) {
        report[0] = 0;
        std::fill(report + 1 + n, report + length, uint8_t(0));
        return io_status::ok;
      }
      if (errno != EAGAIN && errno != EINTR) return io_status::failed;
    }
  }

  bool get_feature(uint8_t* report, size_t length) override {
    if (!fd_.valid() || length < 1) return false;
    report[0] = 0;
    int n = ioctl(fd_.get(), HIDIOCGFEATURE(length), report);
    if (n < 0) return false;
    std::fill(report + n, report + length, uint8_t(0));
    return true;
  }

  bool flush() override {
    if (!fd_.valid()) return false;
    uint8_t scratch[4096];
    for (;;) {
      ssize_t n = ::read(fd_.get(), scratch, sizeof(scratch));
      if (n > 0) continue;
      return n < 0 && errno == EAGAIN;
    }
  }

private:
  std::string node_;
  unique_fd fd_;
};

}  // namespace

std::unique_ptr<hid_port> make_hid_port(const std::string& path) {
  if (vbus_is_bus_path(path)) return std::make_unique<vbus_hid_port>(path);
  return std::make_unique<hidraw_port>(system_node_of(path));
}

std::unique_ptr<hid_port> adopt_hid_port(const std::string& path, int fd, bool owns) {
  if (vbus_is_bus_path(path)) return std::make_unique<vbus_hid_port>(path, fd, owns);
  return std::make_unique<hidraw_port>(system_node_of(path), fd, owns);
}

bool read_hid_report_lengths(const std::string& path, hid_report_lengths* lengths) {
  if (vbus_is_bus_path(path)) return vbus_read_report_lengths(path, lengths);
  unique_fd fd(::open(system_node_of(path).c_str(), O_RDWR | O_CLOEXEC));
  if (!fd.valid()) return false;
  int size = 0;
  if (ioctl(fd.get(), HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
    return false;
  hidraw_report_descriptor desc {};
  desc.size = uint32_t(size);
  if (ioctl(fd.get(), HIDIOCGRDESC, &desc) < 0) return false;
  return parse_hid_report_lengths(desc.value, desc.size, lengths);
}

}  // namespace veltrakey
