#include "transport/winhid_discover.h"

#include "transport/vbus_discover.h"

namespace veltrakey {
namespace {

constexpr size_t max_hid_patterns = 16;

}  // namespace

int winhid_discover::scan(const std::string& patterns, std::vector<std::string>* paths) {
  const auto wanted = split_fields(patterns, '|', max_hid_patterns);
  std::vector<std::string> interfaces = sysfs_hid_paths(sysfs_root_);
  for (std::string& p : vbus_discover::paths("hid")) interfaces.push_back(std::move(p));
  int count = 0;
  for (const std::string& path : interfaces) {
    const std::string lower = to_lower(path);
    for (const std::string& pattern : wanted) {
      if (pattern.empty() || lower.find(pattern) == std::string::npos) continue;
      // The path is kept as the system spells it.
      if (!append_scan_path(path, paths)) return count;
      ++count;
      break;
    }
  }
  return count;
}

}  // namespace veltrakey
