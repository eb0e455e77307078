#include "transport/transport_clock.h"

#include <chrono>
#include <thread>

namespace veltrakey {
namespace {

class steady_transport_clock final : public transport_clock {
public:
  uint64_t now_ms() override {
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch()).count());
  }
  void sleep_ms(unsigned ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

transport_clock& system_clock() {
  static steady_transport_clock clock;
  return clock;
}

}  // namespace veltrakey
