#pragma once
// Time as the transports see it, so that back-off and deadlines can be
// tested without waiting.
#include <cstdint>

namespace veltrakey {

class transport_clock {
public:
  virtual ~transport_clock() = default;
  virtual uint64_t now_ms() = 0;
  virtual void sleep_ms(unsigned ms) = 0;
};

// The steady system clock.
transport_clock& system_clock();

}  // namespace veltrakey
