#include "platform/random_bytes.h"

#include <errno.h>
#include <sys/random.h>

namespace veltrakey::platform {

bool random_bytes(uint8_t* out, size_t length) {
  size_t done = 0;
  while (done < length) {
    ssize_t n = getrandom(out + done, length - done, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace veltrakey::platform
