#pragma once
// Keeps one transport object for every token path that matches the device
// filter, for the life of the library. All operations run under the library
// lock.
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/sandbox.h"
#include "transport/device_base.h"
#include "transport/device_discover.h"
#include "transport/windevice_discover.h"
#include "transport/winhid_discover.h"
#include "transport/winrpc_discover.h"

namespace veltrakey {

// Disk pattern, a pattern used only by device-event matching, HID patterns.
constexpr const char* default_device_filter =
    "tk5100,vid_7c31&pid_a1b2,vid_7c31&pid_c3d4|vid_7c31&pid_e5f6|vid_7c31&pid_0a1b";
// The longest filter the library accepts.
constexpr size_t max_filter_length = 1023;

class device_manager : public device_discover {
public:
  using device_list = std::list<std::unique_ptr<device_base>>;

  device_manager();
  ~device_manager() override;

  // HID paths for the third field, then disk (or service) paths for the
  // first; a filter without a second field finds nothing.
  int scan(const std::string& filter, std::vector<std::string>* paths) override;
  // refresh, remembering the count.
  int rescan(const std::string& filter);
  // Marks objects seen again (0) or gone (2), adds new ones (1); returns the
  // number of paths found.
  int refresh(int* gone, int* added, const std::string& filter);
  int device_count() const { return int(devices_.size()); }
  const device_list& devices() const { return devices_; }
  bool contains(const device_base* device) const;
  // Deletes every object in state 2; the others stay.
  int purge();
  // Wraps a descriptor the caller opened (state 3, not touched by scans
  // until they see or miss its path).
  device_base* add_connected(const std::string& path, int fd);
  // Unlinks and deletes; 1 when the object is not in the list.
  int remove_device(device_base* device);

  // The filter refresh uses when the caller has none of its own.
  void set_filter(const std::string& filter) { filter_ = filter.substr(0, max_filter_length); }
  const std::string& filter() const { return filter_; }
  int last_count() const { return last_count_; }
  int protected_mode() const { return protected_mode_; }

  // For tests: a fixture sysfs tree and a stand-in for the sandbox question.
  void set_sysfs_root(const std::string& root);
  void set_sandbox_query(std::function<sandbox_answer()> query) { sandbox_query_ = std::move(query); }
  winrpc_discover& rpc_discoverer() { return rpc_discover_; }

private:
  device_base* find_path(const std::string& path) const;
  device_base* create_device(const std::string& path);
  void ask_protected_mode();

  device_list devices_;
  int last_count_ = 0;
  std::string filter_ = default_device_filter;
  int protected_mode_ = 0;
  windevice_discover disk_discover_;
  winhid_discover hid_discover_;
  winrpc_discover rpc_discover_;
  std::function<sandbox_answer()> sandbox_query_ = sandbox_query;
};

}  // namespace veltrakey
