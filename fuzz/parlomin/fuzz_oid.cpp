// OID conversion of arbitrary records; the first byte picks the direction.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "parlomin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  OidValue in{}, out{};
  const size_t n = size - 1 < sizeof(in.value) ? size - 1 : sizeof(in.value);
  std::memcpy(in.value, data + 1, n);
  in.length = static_cast<uint32_t>(size - 1);  // may claim more than the record holds
  certTranOIDValue(&in, &out, data[0] & 1);
  return 0;
}
