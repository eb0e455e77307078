#pragma once
// One open disk-class token, reduced to issuing a 12-byte vendor command
// block with a data phase in either direction.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace veltrakey {

enum class scsi_direction { out, in };

constexpr size_t scsi_cdb_length = 12;

// Results of one pass-through request.
enum scsi_transfer_result : int {
  scsi_ok = 0,
  scsi_timeout = 1,      // cancelled after the wait ran out
  scsi_wait_failed = 2,  // the request failed before it completed
  scsi_bad_status = 3,   // the device answered with a non-zero SCSI status
  scsi_no_data = 4,      // a read completed with no data
};

class scsi_port {
public:
  virtual ~scsi_port() = default;
  // 0 or the system's error number.
  virtual int open() = 0;
  virtual void close() = 0;
  virtual bool is_open() const = 0;
  // `*transferred` receives the data length moved (valid on scsi_ok).
  virtual int execute(const uint8_t (&cdb)[scsi_cdb_length], scsi_direction direction,
                      uint8_t* data, size_t length, unsigned timeout_ms,
                      size_t* transferred) = 0;
};

std::unique_ptr<scsi_port> make_scsi_port(const std::string& path);
std::unique_ptr<scsi_port> adopt_scsi_port(const std::string& path, int fd, bool owns);

}  // namespace veltrakey
