#pragma once
#include <string>

#include "platform/hid_port.h"
#include "platform/unique_fd.h"

namespace veltrakey {

class vbus_hid_port final : public hid_port {
public:
  explicit vbus_hid_port(std::string path);
  vbus_hid_port(std::string path, int fd, bool owns);

  int open() override;
  void close() override;
  bool is_open() const override;
  io_status write_report(const uint8_t* report, size_t length, unsigned timeout_ms) override;
  io_status read_report(uint8_t* report, size_t length, unsigned timeout_ms) override;
  bool get_feature(uint8_t* report, size_t length) override;
  bool flush() override;

  int fd() const { return fd_.get(); }

private:
  std::string path_;
  unique_fd fd_;
};

bool vbus_read_report_lengths(const std::string& path, hid_report_lengths* lengths);

}  // namespace veltrakey
