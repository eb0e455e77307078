#pragma once
// Device arrival and removal notifications: a udev monitor for real tokens
// (hidraw and block devices) and an inotify watch of the virtual bus folder.
// Names are composed the way discovery composes device paths, so the same
// filter patterns match them. A cancel, from any thread, wakes the waiter.
#include <memory>
#include <optional>
#include <string>

namespace veltrakey::platform {

enum class device_change { arrival, removal };

struct device_notification {
  device_change change;
  std::string name;
};

class device_watch {
public:
  // Watches udev (when the system offers it) and the virtual bus folder
  // (when $VELTRAKEY_VBUS names a trusted one).
  static std::unique_ptr<device_watch> create();
  device_watch(const device_watch&) = delete;
  device_watch& operator=(const device_watch&) = delete;
  ~device_watch();

  // Blocks until a notification arrives, or returns nothing once cancelled.
  // A cancel made before the wait is not lost.
  std::optional<device_notification> wait();
  // Safe from any thread while the watch exists.
  void cancel();

private:
  device_watch() = default;
  std::optional<device_notification> read_bus_event();
  std::optional<device_notification> read_udev_event();

  int cancel_fd_ = -1;
  int inotify_fd_ = -1;
  struct udev_state;
  std::unique_ptr<udev_state> udev_;
  std::string pending_;  // inotify records not yet handed out
};

}  // namespace veltrakey::platform
