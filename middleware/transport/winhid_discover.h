#pragma once
#include <string>

#include "platform/sysfs_discovery.h"
#include "transport/device_discover.h"

namespace veltrakey {

// HID interfaces whose path contains one of up to 16 patterns separated by '|'.
class winhid_discover : public device_discover {
public:
  int scan(const std::string& patterns, std::vector<std::string>* paths) override;
  void set_sysfs_root(const std::string& root) { sysfs_root_ = root; }

private:
  std::string sysfs_root_ = default_sysfs_root;
};

}  // namespace veltrakey
