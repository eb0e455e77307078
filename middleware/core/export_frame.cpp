#include "core/export_frame.h"

#include <cstring>

namespace veltrakey {

ULONG copy_sized_output(std::span<const uint8_t> result, BYTE* out, ULONG* out_length) {
  if (out_length == nullptr) return SAR_INVALIDPARAMERR;
  const ULONG needed = static_cast<ULONG>(result.size());
  if (out == nullptr) {
    *out_length = needed;
    return SAR_OK;
  }
  if (*out_length < needed) {
    *out_length = needed;
    return SAR_BUFFER_TOO_SMALL;
  }
  if (!result.empty()) std::memcpy(out, result.data(), result.size());
  *out_length = needed;
  return SAR_OK;
}

bool text_fits(const char* text, size_t capacity) {
  return text != nullptr && strnlen(text, capacity + 1) <= capacity;
}

}  // namespace veltrakey
