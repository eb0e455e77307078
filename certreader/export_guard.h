// Keeps exceptions from crossing the library boundary.
#pragma once

#include <cstdint>

namespace parlomin {

// "程序申请内存错误": the only failure a C++ exception can stand for here.
constexpr uint32_t internal_failure = 0xA0900004u;

template <class Body>
uint32_t guarded(Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return internal_failure;
  }
}

}  // namespace parlomin
