#pragma once
// Per-transport lock object. All transfers already run under the library
// lock, so opening composes the name and succeeds, and waiting and releasing
// succeed at once; nothing is held.
#include <cstdint>

namespace veltrakey {

class device_mutex_locker {
public:
  int open(const char* /*name*/) { return 0; }
  int wait(uint32_t /*timeout_ms*/) { return 0; }
  int release() { return 0; }
};

}  // namespace veltrakey
