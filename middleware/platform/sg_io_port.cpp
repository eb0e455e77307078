// SCSI pass-through on a Linux SCSI generic or block node through SG_IO.
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/scsi_port.h"
#include "platform/unique_fd.h"
#include "platform/vbus.h"
#include "platform/vbus_scsi_port.h"

namespace veltrakey {
namespace {

constexpr size_t sense_length = 32;
// The device's own limit for one command; the token may take long for key generation.
constexpr unsigned device_timeout_ms = 120000;

class sg_io_port final : public scsi_port {
public:
  explicit sg_io_port(std::string node) : node_(std::move(node)) {}
  sg_io_port(std::string node, int fd, bool owns) : node_(std::move(node)), fd_(fd, owns) {}

  int open() override {
    int fd = ::open(node_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    fd_.reset(fd);
    return 0;
  }
  void close() override { fd_.reset(); }
  bool is_open() const override { return fd_.valid(); }

  int execute(const uint8_t (&cdb)[scsi_cdb_length], scsi_direction direction, uint8_t* data,
              size_t length, unsigned, size_t* transferred) override {
    *transferred = 0;
    if (!fd_.valid()) return scsi_wait_failed;
    uint8_t command[scsi_cdb_length];
    std::copy(cdb, cdb + scsi_cdb_length, command);
    uint8_t sense[sense_length] = {};
    sg_io_hdr_t io {};
    io.interface_id = 'S';
    io.cmd_len = scsi_cdb_length;
    io.cmdp = command;
    io.mx_sb_len = sense_length;
    io.sbp = sense;
    io.dxfer_direction = length == 0 ? SG_DXFER_NONE
                         : direction == scsi_direction::out ? SG_DXFER_TO_DEV : SG_DXFER_FROM_DEV;
    io.dxfer_len = unsigned(length);
    io.dxferp = data;
    // SG_IO blocks until the device answers or its own limit ends the command.
    io.timeout = device_timeout_ms;
    if (ioctl(fd_.get(), SG_IO, &io) < 0) return scsi_wait_failed;
    if ((io.info & SG_INFO_OK_MASK) != SG_INFO_OK) {
      return io.host_status == 0x03 /* DID_TIME_OUT */ ? scsi_timeout : scsi_bad_status;
    }
    const size_t moved = length - size_t(io.resid > 0 ? io.resid : 0);
    if (direction == scsi_direction::in && length && moved == 0) return scsi_no_data;
    *transferred = moved;
    return scsi_ok;
  }

private:
  std::string node_;
  unique_fd fd_;
};

}  // namespace

std::unique_ptr<scsi_port> make_scsi_port(const std::string& path) {
  if (vbus_is_bus_path(path)) return std::make_unique<vbus_scsi_port>(path);
  return std::make_unique<sg_io_port>(system_node_of(path));
}

std::unique_ptr<scsi_port> adopt_scsi_port(const std::string& path, int fd, bool owns) {
  if (vbus_is_bus_path(path)) return std::make_unique<vbus_scsi_port>(path, fd, owns);
  return std::make_unique<sg_io_port>(system_node_of(path), fd, owns);
}

}  // namespace veltrakey
