#pragma once
// The SKF layer's way to the device manager's objects. Every operation on an
// object first checks that the manager still holds it; an unknown object
// gives 1 (null or empty text for the text lookups).
#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/device_base.h"
#include "transport/device_manager.h"

namespace veltrakey {

class device_access {
public:
  explicit device_access(device_manager& manager) : manager_(manager) {}

  // rescan then purge; the number of paths found. A null filter uses the
  // manager's own.
  int refresh(const char* filter);
  // Walks the list with this object's own cursor; objects in other states
  // are skipped (device_state_unknown accepts any). Null at the end.
  device_base* first(int state);
  device_base* next(int state);
  device_base* find_by_id(const char* id) const;
  // 1 not found, 2 open failed, 0 and *device.
  int open_by_id(const char* id, device_base** device);
  // 1 unknown, 2 open failed, 0.
  int open(device_base* device);
  int close(device_base* device);
  // Advances the cursor first when it rests on the object.
  int remove(device_base* device);
  int set_id(device_base* device, const char* text);
  const char* id(const device_base* device) const;
  int kind(const device_base* device) const;
  int state(const device_base* device) const;
  // 2 send failed, 3 receive failed, 0.
  int transmit_raw(device_base* device, const uint8_t* command, size_t n, uint8_t* buffer, size_t* length);
  int query_limit(device_base* device, uint32_t* limit);
  int bulk_mode(device_base* device, bool on);
  int bulk_transfer(device_base* device, const bulk_block& block);
  bool contains(const device_base* device) const { return manager_.contains(device); }
  device_manager& manager() { return manager_; }

private:
  device_base* walk_from(device_manager::device_list::const_iterator it, int state);

  device_manager& manager_;
  const device_base* cursor_ = nullptr;
};

}  // namespace veltrakey
