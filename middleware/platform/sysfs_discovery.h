#pragma once
// Device paths of the HID and SCSI interfaces present in sysfs, composed so
// that the patterns of the device filter can be found in them:
//   hid#vid_7c31&pid_c3d4#/dev/hidraw3
//   usbstor#disk&ven_<vendor>&prod_<model>#/dev/sdb
// The sysfs root is a parameter so tests can use a fixture tree.
#include <string>
#include <vector>

namespace veltrakey {

constexpr const char* default_sysfs_root = "/sys";

std::vector<std::string> sysfs_hid_paths(const std::string& sysfs_root);
std::vector<std::string> sysfs_disk_paths(const std::string& sysfs_root);

}  // namespace veltrakey
