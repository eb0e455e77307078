// A token's answer as the host takes it apart, and command records built
// from arbitrary fields serialised into a bounded buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "protocol/gm_apdu.h"

using veltrakey::gm_apdu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gm_apdu apdu;
  if (apdu.parse_response(data, size) == 0) {
    if (apdu.response_data().size() + 2 != size) __builtin_trap();
    apdu.status_word();
  }
  if (size < 12) return 0;
  uint32_t kind, le;
  memcpy(&kind, data, 4);
  memcpy(&le, data + 4, 4);
  gm_apdu record(kind & 0x3F, data[8], data[9], data[10], data[11], "fuzz");
  record.set_data(data + 12, size - 12);
  record.set_le(static_cast<int32_t>(le % 70000));
  uint32_t needed = 0;
  record.serialize(nullptr, &needed);
  uint8_t buffer[80000];
  uint32_t length = sizeof buffer;
  if (record.serialize(buffer, &length) == 0 && (length != needed || length > sizeof buffer)) __builtin_trap();
  return 0;
}
