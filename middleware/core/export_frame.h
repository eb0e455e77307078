#pragma once
// The frame every exported function runs in:
//
//   extern "C" SKF_EXPORT ULONG DEVAPI SKF_Something(DEVHANDLE hDev, ...) {
//     return veltrakey::locked_export([&]() -> ULONG {
//       gm_sc_dev* device = find_device(hDev);
//       if (!device) return SAR_INVALIDPARAMERR;
//       ...
//       return veltrakey::copy_sized_output(result, pbOut, pulLen);
//     });
//   }
//
// The body runs under the library lock and no exception leaves it.
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "core/mk_mutex.h"
#include "skf.h"

namespace veltrakey {

// Runs an export's body, turning an escaping exception into a code.
template <class Body>
ULONG guarded_export(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return SAR_MEMORYERR;
  } catch (...) {
    return SAR_FAIL;
  }
}

// Runs an export's body under the library lock.
template <class Body>
ULONG locked_export(Body&& body) noexcept {
  return guarded_export([&]() -> ULONG {
    mk_auto_mutex guard(library_mutex, library_lock_name);
    return body();
  });
}

// The size-query convention for variable-length output: a null buffer takes
// the needed length and succeeds; a short buffer takes the needed length and
// SAR_BUFFER_TOO_SMALL; otherwise the bytes are copied and the actual length
// stored. A null length pointer is SAR_INVALIDPARAMERR.
ULONG copy_sized_output(std::span<const uint8_t> result, BYTE* out, ULONG* out_length);

// Whether a caller's zero-terminated text fits `capacity` characters,
// reading no further than capacity + 1 bytes.
bool text_fits(const char* text, size_t capacity);

}  // namespace veltrakey
