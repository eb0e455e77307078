#pragma once
#include <string>

#include "platform/sysfs_discovery.h"
#include "transport/device_discover.h"

namespace veltrakey {

// Disk interfaces whose lower-cased path contains the pattern; paths are
// delivered lower-cased.
class windevice_discover : public device_discover {
public:
  int scan(const std::string& pattern, std::vector<std::string>* paths) override;
  void set_sysfs_root(const std::string& root) { sysfs_root_ = root; }

private:
  std::string sysfs_root_ = default_sysfs_root;
};

}  // namespace veltrakey
