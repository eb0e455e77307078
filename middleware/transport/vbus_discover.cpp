#include "transport/vbus_discover.h"

#include "platform/vbus.h"
#include "transport/device_discover.h"

namespace veltrakey {

std::vector<std::string> vbus_discover::paths(const std::string& prefix) {
  std::vector<std::string> found;
  const std::string dir = vbus_directory();
  if (dir.empty()) return found;
  const std::string want = to_lower(prefix);
  for (const std::string& name : vbus_list(dir)) {
    if (to_lower(name).rfind(want, 0) == 0) found.push_back(name);
  }
  return found;
}

}  // namespace veltrakey
