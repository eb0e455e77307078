#pragma once
// One open HID interface, reduced to the few operations the HID transports
// perform: write and read fixed-length reports with a time-out, get feature
// report 0, and drop whatever input reports are queued.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/io_status.h"

namespace veltrakey {

class hid_port {
public:
  virtual ~hid_port() = default;
  // 0 or the system's error number.
  virtual int open() = 0;
  virtual void close() = 0;
  virtual bool is_open() const = 0;
  // `report` starts with the report identifier; `length` is the full report length.
  virtual io_status write_report(const uint8_t* report, size_t length, unsigned timeout_ms) = 0;
  virtual io_status read_report(uint8_t* report, size_t length, unsigned timeout_ms) = 0;
  // Feature report 0; report[0] is the identifier.
  virtual bool get_feature(uint8_t* report, size_t length) = 0;
  virtual bool flush() = 0;
};

// Report lengths in bytes, report identifier included; 0 when the device has
// no report of that kind.
struct hid_report_lengths {
  size_t input = 0;
  size_t output = 0;
  size_t feature = 0;
};

// The port for a device path as discovery composes it: a hidraw node for
// "...#/dev/hidrawN", otherwise a token on the virtual bus.
std::unique_ptr<hid_port> make_hid_port(const std::string& path);
// A port on a descriptor the caller opened already; closed by the port only
// when `owns` is set.
std::unique_ptr<hid_port> adopt_hid_port(const std::string& path, int fd, bool owns);
// Opens the device briefly to learn its report lengths.
bool read_hid_report_lengths(const std::string& path, hid_report_lengths* lengths);

}  // namespace veltrakey
