#pragma once
#include <string>

#include "platform/scsi_port.h"
#include "platform/unique_fd.h"

namespace veltrakey {

class vbus_scsi_port final : public scsi_port {
public:
  explicit vbus_scsi_port(std::string path);
  vbus_scsi_port(std::string path, int fd, bool owns);

  int open() override;
  void close() override;
  bool is_open() const override;
  int execute(const uint8_t (&cdb)[scsi_cdb_length], scsi_direction direction, uint8_t* data,
              size_t length, unsigned timeout_ms, size_t* transferred) override;

private:
  std::string path_;
  unique_fd fd_;
};

}  // namespace veltrakey
