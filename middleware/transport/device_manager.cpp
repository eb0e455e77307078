#include "transport/device_manager.h"

#include <algorithm>

#include "transport/device_winhid_hs.h"
#include "transport/device_winscsi.h"
#include "transport/transport_choice.h"

namespace veltrakey {
namespace {

constexpr size_t max_filter_copy = 1024;
constexpr size_t max_pattern_field = 255;
constexpr size_t max_hid_field = 1023;

std::string strip_leading_blanks(const std::string& field) {
  const size_t start = field.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : field.substr(start);
}

}  // namespace

device_manager::device_manager() = default;
device_manager::~device_manager() = default;

void device_manager::set_sysfs_root(const std::string& root) {
  hid_discover_.set_sysfs_root(root);
  disk_discover_.set_sysfs_root(root);
}

void device_manager::ask_protected_mode() {
  // The platform layer asks the system once per process and caches it.
  const sandbox_answer answer = sandbox_query_();
  if (answer.known) protected_mode_ = answer.sandboxed ? 1 : 0;
}

int device_manager::scan(const std::string& filter, std::vector<std::string>* paths) {
  std::vector<std::string> fields = split_fields(filter.substr(0, max_filter_copy), ',', SIZE_MAX);
  if (fields.size() < 2) return 0;
  fields.resize(std::min<size_t>(fields.size(), 3));
  if (fields.size() == 3) {
    static constexpr size_t limits[3] = {max_pattern_field, max_pattern_field, max_hid_field};
    for (size_t i = 0; i < 3; ++i) fields[i] = strip_leading_blanks(fields[i]).substr(0, limits[i]);
  }
  int found = 0;
  if (fields.size() == 3 && !fields[2].empty()) found += hid_discover_.scan(fields[2], paths);
  if (!fields[0].empty()) {
    ask_protected_mode();
    device_discover& disks = protected_mode_ == 1 ? static_cast<device_discover&>(rpc_discover_)
                                                  : static_cast<device_discover&>(disk_discover_);
    found += disks.scan(fields[0], paths);
  }
  return found;
}

int device_manager::rescan(const std::string& filter) {
  int gone = 0, added = 0;
  last_count_ = refresh(&gone, &added, filter);
  return last_count_;
}

int device_manager::refresh(int* gone, int* added, const std::string& filter) {
  filter_ = filter.substr(0, max_filter_length);
  std::vector<std::string> paths;
  const int n = scan(filter_, &paths);
  for (auto& device : devices_) {
    const bool seen = std::find(paths.begin(), paths.end(), device->path()) != paths.end();
    device->set_state(seen ? device_state_seen_again : device_state_gone);
    if (!seen && gone) ++*gone;
  }
  for (const std::string& path : paths) {
    if (find_path(path)) continue;
    if (device_base* device = create_device(path)) {
      device->set_state(device_state_new);
      if (added) ++*added;
    }
  }
  return n;
}

device_base* device_manager::find_path(const std::string& path) const {
  for (const auto& device : devices_) {
    if (path == device->path()) return device.get();
  }
  return nullptr;
}

device_base* device_manager::create_device(const std::string& path) {
  if (device_base* known = find_path(path)) return known;
  std::unique_ptr<device_base> device = make_transport(path, protected_mode_ == 1);
  if (!device) return nullptr;
  devices_.push_back(std::move(device));
  return devices_.back().get();
}

bool device_manager::contains(const device_base* device) const {
  if (!device) return false;
  return std::any_of(devices_.begin(), devices_.end(),
                     [device](const auto& d) { return d.get() == device; });
}

int device_manager::purge() {
  devices_.remove_if([](const auto& d) { return d->state() == device_state_gone; });
  return 0;
}

device_base* device_manager::add_connected(const std::string& path, int fd) {
  std::unique_ptr<device_base> device;
  if (path.find("usbstor") != std::string::npos) {
    device = std::make_unique<device_winscsi>(path, adopt_scsi_port(path, fd, true));
  } else {
    // The caller keeps its HID handle; the object never closes it.
    device = std::make_unique<device_winhid_hs>(path, adopt_hid_port(path, fd, false));
  }
  devices_.push_back(std::move(device));
  return devices_.back().get();
}

int device_manager::remove_device(device_base* device) {
  auto it = std::find_if(devices_.begin(), devices_.end(),
                         [device](const auto& d) { return d.get() == device; });
  if (!device || it == devices_.end()) return 1;
  devices_.erase(it);
  return 0;
}

}  // namespace veltrakey
