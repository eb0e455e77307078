#include "transport/windevice_discover.h"

#include "transport/vbus_discover.h"

namespace veltrakey {

int windevice_discover::scan(const std::string& pattern, std::vector<std::string>* paths) {
  std::vector<std::string> interfaces = sysfs_disk_paths(sysfs_root_);
  for (std::string& p : vbus_discover::paths("usbstor")) interfaces.push_back(std::move(p));
  int count = 0;
  for (const std::string& path : interfaces) {
    const std::string lower = to_lower(path);
    if (lower.find(pattern) == std::string::npos) continue;
    if (!append_scan_path(lower, paths)) break;
    ++count;
  }
  return count;
}

}  // namespace veltrakey
