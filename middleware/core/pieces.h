#pragma once
// Data longer than one command takes travels in consecutive pieces; the
// last piece takes the remainder.
#include <algorithm>
#include <cstddef>

#include "skf.h"

namespace veltrakey {

// Calls visit(offset, length) for each piece of at most `piece_size` bytes
// (nothing for total 0); the first result other than SAR_OK ends the walk
// and is returned.
template <class Visit>
ULONG for_each_piece(size_t total, size_t piece_size, Visit visit) {
  if (piece_size == 0) return SAR_INVALIDPARAMERR;
  for (size_t offset = 0; offset < total; offset += piece_size) {
    const ULONG rc = visit(offset, std::min(piece_size, total - offset));
    if (rc != SAR_OK) return rc;
  }
  return SAR_OK;
}

}  // namespace veltrakey
