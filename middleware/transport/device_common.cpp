#include "transport/device_common.h"

#include "transport/device_id.h"

namespace veltrakey {

device_common::device_common(const std::string& path, uint32_t timeout_ms)
    : timeout_ms_(timeout_ms),
      path_(path.substr(0, device_path_capacity - 1)),
      id_(make_device_id(path_)),
      clock_(&system_clock()) {}

void device_common::set_id(const char* text) {
  id_ = text ? std::string(text).substr(0, device_id_capacity - 1) : std::string();
}

}  // namespace veltrakey
