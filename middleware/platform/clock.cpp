#include "platform/clock.h"

#include <sched.h>
#include <time.h>

#include <cerrno>

namespace veltrakey::platform {

void sleep_ms(unsigned milliseconds) {
  struct timespec remaining = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

void yield_processor() { sched_yield(); }

}  // namespace veltrakey::platform
