#pragma once
// Fields and simple operations every concrete transport shares: the device
// path, the device id, the presence state, the transfer time-out and the
// clock the time-outs are measured with.
#include <string>

#include "transport/device_base.h"
#include "transport/transport_clock.h"

namespace veltrakey {

class device_common : public device_base {
public:
  const char* path() const override { return path_.c_str(); }
  const char* id() const override { return id_.c_str(); }
  void set_id(const char* text) override;
  void set_state(int state) override { state_ = state; }
  int state() const override { return state_; }
  int set_io_timeout(uint32_t ms) override {
    timeout_ms_ = ms;
    return 0;
  }
  uint32_t io_timeout() const { return timeout_ms_; }
  // Tests replace the clock to observe back-off and deadlines without waiting.
  void set_clock(transport_clock& clock) { clock_ = &clock; }

protected:
  device_common(const std::string& path, uint32_t timeout_ms);
  transport_clock& clock() { return *clock_; }
  // Transfers never wait less than this.
  void raise_timeout_to(uint32_t minimum_ms) {
    if (timeout_ms_ < minimum_ms) timeout_ms_ = minimum_ms;
  }

  uint32_t timeout_ms_;

private:
  std::string path_;
  std::string id_;
  int state_ = device_state_unknown;
  transport_clock* clock_;
};

}  // namespace veltrakey
