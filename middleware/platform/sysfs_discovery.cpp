// Enumeration of hidraw nodes and SCSI disks from sysfs.
#include "platform/sysfs_discovery.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

namespace veltrakey {
namespace {

std::vector<std::string> entries_of(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string first_line(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// Lower case, blanks trimmed, inner blanks as '_' (as the system's interface
// paths spell vendor and product).
std::string path_field(std::string text) {
  auto not_blank = [](unsigned char c) { return !std::isspace(c); };
  text.erase(text.begin(), std::find_if(text.begin(), text.end(), not_blank));
  text.erase(std::find_if(text.rbegin(), text.rend(), not_blank).base(), text.end());
  for (char& c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    c = std::isspace(u) || c == '#' || c == '/' ? '_' : char(std::tolower(u));
  }
  return text;
}

// HID_ID=0003:00007C31:0000C3D4 -> vendor 7c31, product c3d4.
bool parse_hid_id(const std::string& uevent_file, unsigned* vendor, unsigned* product) {
  std::ifstream in(uevent_file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("HID_ID=", 0) != 0) continue;
    unsigned bus = 0;
    return std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, vendor, product) == 3;
  }
  return false;
}

}  // namespace

std::vector<std::string> sysfs_hid_paths(const std::string& sysfs_root) {
  std::vector<std::string> paths;
  const std::string cls = sysfs_root + "/class/hidraw";
  for (const std::string& node : entries_of(cls)) {
    unsigned vendor = 0, product = 0;
    if (!parse_hid_id(cls + "/" + node + "/device/uevent", &vendor, &product)) continue;
    char ids[32];
    std::snprintf(ids, sizeof(ids), "vid_%04x&pid_%04x", vendor & 0xFFFF, product & 0xFFFF);
    paths.push_back(std::string("hid#") + ids + "#/dev/" + node);
  }
  return paths;
}

std::vector<std::string> sysfs_disk_paths(const std::string& sysfs_root) {
  std::vector<std::string> paths;
  const std::string cls = sysfs_root + "/block";
  for (const std::string& node : entries_of(cls)) {
    if (node.rfind("sd", 0) != 0) continue;
    const std::string dev = cls + "/" + node + "/device/";
    const std::string vendor = path_field(first_line(dev + "vendor"));
    const std::string model = path_field(first_line(dev + "model"));
    if (vendor.empty() && model.empty()) continue;
    paths.push_back("usbstor#disk&ven_" + vendor + "&prod_" + model + "#/dev/" + node);
  }
  return paths;
}

}  // namespace veltrakey
