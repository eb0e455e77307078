#include "platform/device_watch.h"

#include <errno.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/vbus.h"

namespace veltrakey::platform {

struct device_watch::udev_state {
  struct udev* context = nullptr;
  struct udev_monitor* monitor = nullptr;
  ~udev_state() {
    if (monitor) udev_monitor_unref(monitor);
    if (context) udev_unref(context);
  }
};

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

const char* property(struct udev_device* device, const char* key) {
  const char* value = udev_device_get_property_value(device, key);
  return value ? value : "";
}

// "hid#vid_7c31&pid_c3d4#/dev/hidraw3": the HID identity sits in the device
// path ("…/0003:7C31:C3D4.0001/hidraw/hidraw3"), which removal events still carry.
std::string hidraw_name(struct udev_device* device) {
  const std::string devpath = property(device, "DEVPATH");
  const char* node = udev_device_get_devnode(device);
  unsigned bus = 0, vendor = 0, product = 0, instance = 0;
  for (size_t at = devpath.find('/'); at != std::string::npos; at = devpath.find('/', at + 1)) {
    if (sscanf(devpath.c_str() + at + 1, "%4x:%4x:%4x.%x", &bus, &vendor, &product, &instance) == 4) break;
    vendor = product = 0;
  }
  char name[512];
  snprintf(name, sizeof name, "hid#vid_%04x&pid_%04x#%s", vendor, product, node ? node : "");
  return name;
}

// "usbstor#disk&ven_<vendor>&prod_<model>#/dev/sdb", lower case.
std::string block_name(struct udev_device* device) {
  const char* node = udev_device_get_devnode(device);
  return lower(std::string("usbstor#disk&ven_") + property(device, "ID_VENDOR") + "&prod_" +
               property(device, "ID_MODEL") + "#" + (node ? node : ""));
}

}  // namespace

std::unique_ptr<device_watch> device_watch::create() {
  std::unique_ptr<device_watch> watch(new device_watch);
  watch->cancel_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (watch->cancel_fd_ < 0) return nullptr;

  const std::string bus = vbus_directory();
  if (!bus.empty() && vbus_directory_trusted(bus)) {
    watch->inotify_fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch->inotify_fd_ >= 0 &&
        inotify_add_watch(watch->inotify_fd_, bus.c_str(), IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM) < 0) {
      close(watch->inotify_fd_);
      watch->inotify_fd_ = -1;
    }
  }

  // Without udev (a container, say) only the virtual bus is watched.
  auto udev = std::make_unique<udev_state>();
  udev->context = udev_new();
  if (udev->context) udev->monitor = udev_monitor_new_from_netlink(udev->context, "udev");
  if (udev->monitor && udev_monitor_filter_add_match_subsystem_devtype(udev->monitor, "hidraw", nullptr) >= 0 &&
      udev_monitor_filter_add_match_subsystem_devtype(udev->monitor, "block", "disk") >= 0 &&
      udev_monitor_enable_receiving(udev->monitor) >= 0)
    watch->udev_ = std::move(udev);
  return watch;
}

device_watch::~device_watch() {
  if (cancel_fd_ >= 0) close(cancel_fd_);
  if (inotify_fd_ >= 0) close(inotify_fd_);
}

void device_watch::cancel() {
  const uint64_t one = 1;
  (void)!write(cancel_fd_, &one, sizeof one);
}

std::optional<device_notification> device_watch::read_bus_event() {
  alignas(struct inotify_event) char buffer[4096];
  const ssize_t n = read(inotify_fd_, buffer, sizeof buffer);
  if (n > 0) pending_.append(buffer, static_cast<size_t>(n));
  while (pending_.size() >= sizeof(struct inotify_event)) {
    struct inotify_event header;
    memcpy(&header, pending_.data(), sizeof header);
    const size_t record = sizeof header + header.len;
    if (pending_.size() < record) break;
    std::string name(pending_.data() + sizeof header, header.len);
    name.resize(strnlen(name.c_str(), name.size()));
    pending_.erase(0, record);
    if (name.empty()) continue;
    const bool arrived = (header.mask & (IN_CREATE | IN_MOVED_TO)) != 0;
    return device_notification{arrived ? device_change::arrival : device_change::removal, name};
  }
  return std::nullopt;
}

std::optional<device_notification> device_watch::read_udev_event() {
  struct udev_device* device = udev_monitor_receive_device(udev_->monitor);
  if (device == nullptr) return std::nullopt;
  std::optional<device_notification> result;
  const char* action = udev_device_get_action(device);
  const char* subsystem = udev_device_get_subsystem(device);
  if (action && subsystem && (!strcmp(action, "add") || !strcmp(action, "remove"))) {
    const auto change = strcmp(action, "add") == 0 ? device_change::arrival : device_change::removal;
    result = device_notification{change, strcmp(subsystem, "hidraw") == 0 ? hidraw_name(device) : block_name(device)};
  }
  udev_device_unref(device);
  return result;
}

std::optional<device_notification> device_watch::wait() {
  for (;;) {
    // Records left over from an earlier read come first.
    if (inotify_fd_ >= 0 && !pending_.empty())
      if (auto event = read_bus_event()) return event;

    struct pollfd fds[3];
    nfds_t count = 0;
    fds[count++] = {cancel_fd_, POLLIN, 0};
    const nfds_t bus_slot = inotify_fd_ >= 0 ? count : 99;
    if (inotify_fd_ >= 0) fds[count++] = {inotify_fd_, POLLIN, 0};
    const nfds_t udev_slot = udev_ ? count : 99;
    if (udev_) fds[count++] = {udev_monitor_get_fd(udev_->monitor), POLLIN, 0};

    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (fds[0].revents & POLLIN) {
      uint64_t value;
      (void)!read(cancel_fd_, &value, sizeof value);
      return std::nullopt;
    }
    if (bus_slot < count && (fds[bus_slot].revents & POLLIN))
      if (auto event = read_bus_event()) return event;
    if (udev_slot < count && (fds[udev_slot].revents & POLLIN))
      if (auto event = read_udev_event()) return event;
  }
}

}  // namespace veltrakey::platform
