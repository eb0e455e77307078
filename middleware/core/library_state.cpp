// The library's long-lived objects, in one place so that they are built in
// this order at load and torn down in the reverse order at unload: the lock,
// the handle tree, the access object, then the device manager. At unload the
// manager goes first, deleting the transport objects, then the handle tree
// deletes every handle object; no token command is sent. The load-time filter
// and OEM defaults are set last.
#include "core/library_state.h"

#include "core/library_config.h"

namespace veltrakey {

mk_mutex library_mutex;
device_list_type device_list;
// Holds a reference to the manager below, which it does not use before load ends.
device_access token_access(token_manager);
device_manager token_manager;

namespace {

struct load_time_defaults {
  load_time_defaults() {
    set_enum_device_string(default_enum_device_string);
    set_oem_id_list(default_oem_id_list);
  }
};
const load_time_defaults apply_defaults;

}  // namespace

}  // namespace veltrakey
