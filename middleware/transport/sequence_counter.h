#pragma once
// Frame sequence numbers: 1 to 255, then 1 again; 0 is never sent, since a
// token answers 0 when it does not echo the number.
#include <cstdint>

namespace veltrakey {

class sequence_counter {
public:
  uint8_t advance() {
    value_ = value_ == 255 ? 1 : uint8_t(value_ + 1);
    return value_;
  }
  uint8_t current() const { return value_; }

private:
  uint8_t value_ = 0;
};

// Library-wide counters, changed only under the library lock: one shared by
// the 65-byte report transports, one for the 1093-byte report transport.
sequence_counter& hid65_sequence();
sequence_counter& hid1093_sequence();

}  // namespace veltrakey
