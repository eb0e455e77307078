// The CRL reader over arbitrary bytes: counting, then filling.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "parlomin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint32_t len = static_cast<uint32_t>(size);
  uint32_t count = 0;
  if (certGetCRLUserInfo(data, len, nullptr, &count) != PARLOMIN_ERR_NO_INPUT || count == 0)
    return 0;
  std::vector<CrlEntry> entries(count);
  certGetCRLUserInfo(data, len, entries.data(), &count);
  // One slot short must stop cleanly.
  count = static_cast<uint32_t>(entries.size() - 1);
  if (count > 0) certGetCRLUserInfo(data, len, entries.data(), &count);
  return 0;
}
