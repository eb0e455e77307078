#include "transport/device_access.h"

#include <algorithm>
#include <cstring>

namespace veltrakey {

int device_access::refresh(const char* filter) {
  const int count = manager_.rescan(filter ? std::string(filter) : manager_.filter());
  manager_.purge();
  return count;
}

device_base* device_access::walk_from(device_manager::device_list::const_iterator it, int state) {
  const auto& list = manager_.devices();
  for (; it != list.end(); ++it) {
    if (state == device_state_unknown || (*it)->state() == state) {
      cursor_ = it->get();
      return it->get();
    }
  }
  cursor_ = nullptr;
  return nullptr;
}

device_base* device_access::first(int state) { return walk_from(manager_.devices().begin(), state); }

device_base* device_access::next(int state) {
  const auto& list = manager_.devices();
  auto it = std::find_if(list.begin(), list.end(), [this](const auto& d) { return d.get() == cursor_; });
  // An empty cursor (or one whose object is gone) starts from the head.
  if (it == list.end()) return walk_from(list.begin(), state);
  return walk_from(std::next(it), state);
}

device_base* device_access::find_by_id(const char* id) const {
  if (!id) return nullptr;
  for (const auto& d : manager_.devices()) {
    if (std::strcmp(d->id(), id) == 0) return d.get();
  }
  return nullptr;
}

int device_access::open_by_id(const char* id, device_base** device) {
  device_base* found = find_by_id(id);
  if (device) *device = found;
  if (!found) return 1;
  return found->open() == 0 ? 0 : 2;
}

int device_access::open(device_base* device) {
  if (!contains(device)) return 1;
  return device->open() == 0 ? 0 : 2;
}

int device_access::close(device_base* device) {
  if (!contains(device)) return 1;
  return device->close();
}

int device_access::remove(device_base* device) {
  if (!contains(device)) return 1;
  if (cursor_ == device) {
    const auto& list = manager_.devices();
    auto it = std::find_if(list.begin(), list.end(), [device](const auto& d) { return d.get() == device; });
    ++it;
    cursor_ = it == list.end() ? nullptr : it->get();
  }
  return manager_.remove_device(device);
}

int device_access::set_id(device_base* device, const char* text) {
  if (!contains(device)) return 1;
  device->set_id(text);
  return 0;
}

const char* device_access::id(const device_base* device) const {
  return contains(device) ? device->id() : nullptr;
}

int device_access::kind(const device_base* device) const {
  return contains(device) ? device->kind() : 1;
}

int device_access::state(const device_base* device) const {
  return contains(device) ? device->state() : 1;
}

int device_access::transmit_raw(device_base* device, const uint8_t* command, size_t n,
                                uint8_t* buffer, size_t* length) {
  if (!contains(device)) return 1;
  if (device->send_command(command, n) != 0) return 2;
  return device->receive_response(buffer, length) == 0 ? 0 : 3;
}

int device_access::query_limit(device_base* device, uint32_t* limit) {
  if (!contains(device)) return 1;
  return device->query_limit(limit);
}

int device_access::bulk_mode(device_base* device, bool on) {
  if (!contains(device)) return 1;
  return device->bulk_mode(on);
}

int device_access::bulk_transfer(device_base* device, const bulk_block& block) {
  if (!contains(device)) return 1;
  return device->bulk_transfer(block);
}

}  // namespace veltrakey
