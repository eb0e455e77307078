#include "core/device_frame.h"

#include <cstring>
#include <string>

namespace veltrakey {

ULONG copy_name_list(const std::string& list, size_t bound, char* out, ULONG* out_length) {
  const size_t needed = list.size() + 1;
  if (needed > bound || *out_length < needed) {
    *out_length = static_cast<ULONG>(needed);
    return SAR_BUFFER_TOO_SMALL;
  }
  memcpy(out, list.data(), list.size());
  out[list.size()] = '\0';
  *out_length = static_cast<ULONG>(needed);
  return SAR_OK;
}

}  // namespace veltrakey
