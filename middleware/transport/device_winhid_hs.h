#pragma once
// HID token with 65-byte reports both ways.
#include <memory>
#include <string>

#include "transport/device_hid.h"

namespace veltrakey {

constexpr size_t hid65_report_length = 65;
constexpr size_t hid65_report_data = 63;

class device_winhid_hs : public device_hid {
public:
  explicit device_winhid_hs(const std::string& path);
  // On a port the caller opened; the port owns its descriptor or not.
  device_winhid_hs(const std::string& path, std::unique_ptr<hid_port> port);

  int open() override;
  int send_command(const uint8_t* command, size_t n) override;
  int receive_response(uint8_t* buffer, size_t* length) override;

  // 26: reads reports until the one marked last; *length receives the sum
  // of their data lengths. 1 on a failed read, on more data than `*length`
  // on entry, or when the object's time-out runs out.
  virtual int read_message(uint8_t* buffer, size_t* length);
  // 27: one report of at most 63 data bytes. 0 written, 1 failed or timed out, 2 wait failed.
  virtual int write_report(const uint8_t* data, size_t n, size_t* written, bool first, bool last);
  // 28: one report; 0, 1 failed or timed out, 2 wait failed.
  virtual int read_report(uint8_t* data, size_t* n, bool* first, bool* last);

protected:
  int write_message(const uint8_t* frame, size_t n);
  // Splits a 65-byte report.
  int decode_report(const uint8_t* report, uint8_t* data, size_t* n, bool* first, bool* last);
  // Milliseconds left before `deadline`, 0 when passed.
  unsigned remaining_ms(uint64_t deadline);

  uint64_t message_deadline_ = 0;
};

}  // namespace veltrakey
